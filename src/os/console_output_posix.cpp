#include "os/console_output.h"

#include <cstdio>

#include "os/encoding.h"

namespace dorvane::os {

bool write_console(Stream stream, const std::string& text) {
    std::FILE* file = stream == Stream::output ? stdout : stderr;
    const std::string bytes = to_system_codepage(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

}  // namespace dorvane::os
