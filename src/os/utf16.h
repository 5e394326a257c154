// UTF-8 <-> UTF-16, the two encodings the program meets: its own text is
// UTF-8, the wide ODBC and Win32 entry points take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace dorvane::os {

// The code point that starts at `i`, `i` moved past it; a malformed
// sequence (overlong, a surrogate, beyond U+10FFFF, cut short) is U+FFFD
// and one byte.
char32_t decode_utf8(std::string_view s, std::size_t& i);

// Malformed input never fails: each bad byte or lone surrogate becomes
// U+FFFD, so a name read from a database always converts.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);
// The same, into `out`, whose storage is reused from call to call.
void utf8_to_utf16(std::string_view utf8, std::u16string& out);
void utf16_to_utf8(std::u16string_view utf16, std::string& out);

}  // namespace dorvane::os
