// Text handed to the outside world (the log, the registry, the console) in
// the system's code page.
#pragma once

#include <string>

namespace dorvane::os {

// Converts the program's UTF-8 text to the system's code page: the ANSI
// code page on Windows, the locale's character set on POSIX. A character
// the code page cannot hold becomes "?". A conversion that the system
// refuses raises its error: text is never lost as an empty string.
std::string to_system_codepage(const std::string& utf8);

}  // namespace dorvane::os
