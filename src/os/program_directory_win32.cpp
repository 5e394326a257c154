#include "os/paths.h"
#include "os/program_directory.h"

#include <windows.h>

#include <vector>

#include "os/system_error.h"
#include "os/utf16.h"

namespace dorvane::os {

const char path_separator = '\\';

std::string program_directory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throw last_system_error();
        if (n < buffer.size()) {
            std::u16string path(reinterpret_cast<const char16_t*>(buffer.data()), n);
            const std::size_t slash = path.rfind(u'\\');
            if (slash == std::u16string::npos) return ".";
            // "C:\" keeps its separator; any other directory loses it.
            const std::size_t keep = (slash == 2 && path[1] == u':') ? slash + 1 : slash;
            return utf16_to_utf8(path.substr(0, keep));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace dorvane::os
