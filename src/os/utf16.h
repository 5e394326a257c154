// UTF-8 <-> UTF-16, the two encodings the program meets: its own text is
// UTF-8, the wide ODBC and Win32 entry points take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace dorvane::os {

// Malformed input never fails: each bad byte or lone surrogate becomes
// U+FFFD, so a name read from a database always converts.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);
// The same, into `out`, whose storage is reused from call to call.
void utf8_to_utf16(std::string_view utf8, std::u16string& out);
void utf16_to_utf8(std::u16string_view utf16, std::string& out);

}  // namespace dorvane::os
