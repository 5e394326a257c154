#include "os/encoding.h"

#include <windows.h>

#include "os/system_error.h"
#include "os/utf16.h"

namespace dorvane::os {

std::string to_system_codepage(const std::string& utf8) {
    if (utf8.empty()) return {};
    const std::u16string wide = utf8_to_utf16(utf8);
    const auto* src = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = static_cast<int>(wide.size());
    // The UTF code pages hold every character, and Windows refuses a default
    // character for them (ERROR_INVALID_PARAMETER): a site with "Use Unicode
    // UTF-8 for worldwide language support" has 65001 as its ANSI code page.
    // The others keep "?" and Windows' best-fit mapping.
    const UINT code_page = GetACP();
    const char* default_char = code_page == CP_UTF8 || code_page == CP_UTF7 ? nullptr : "?";
    const int size = WideCharToMultiByte(code_page, 0, src, length, nullptr, 0, default_char, nullptr);
    if (size <= 0) throw last_system_error();
    std::string out(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(code_page, 0, src, length, out.data(), size, default_char, nullptr) != size)
        throw last_system_error();
    return out;
}

}  // namespace dorvane::os
