#include "os/encoding.h"

#include <windows.h>

#include "os/utf16.h"

namespace dorvane::os {

std::string to_system_codepage(const std::string& utf8) {
    if (utf8.empty()) return {};
    const std::u16string wide = utf8_to_utf16(utf8);
    const auto* src = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, src, length, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, src, length, out.data(), size, "?", nullptr);
    return out;
}

}  // namespace dorvane::os
