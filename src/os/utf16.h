// UTF-8 <-> UTF-16, the two encodings the program meets: its own text is
// UTF-8, the wide ODBC and Win32 entry points take UTF-16.
#pragma once

#include <string>

namespace dorvane::os {

// Malformed input never fails: each bad byte or lone surrogate becomes
// U+FFFD, so a name read from a database always converts.
std::u16string utf8_to_utf16(const std::string& utf8);
std::string utf16_to_utf8(const std::u16string& utf16);

}  // namespace dorvane::os
