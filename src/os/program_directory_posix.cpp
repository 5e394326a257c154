#include "os/paths.h"
#include "os/program_directory.h"

#include <unistd.h>

#include <vector>

#include "os/system_error.h"

namespace dorvane::os {

const char path_separator = '/';

std::string program_directory() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) throw last_system_error();
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) return ".";
            return slash == 0 ? "/" : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace dorvane::os
