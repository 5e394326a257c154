#include "os/console_output.h"

#include <cstdio>
#include <climits>
#include <cwchar>

#include "os/encoding.h"

namespace dorvane::os {

bool write_console(Stream stream, const std::string& text) {
    std::FILE* file = stream == Stream::output ? stdout : stderr;
    const std::string bytes = to_system_codepage(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

bool can_carry(Stream, char32_t c) {
    if (c < 0x80) return true;
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    return std::wcrtomb(bytes, static_cast<wchar_t>(c), &state) != static_cast<std::size_t>(-1);
}

}  // namespace dorvane::os
