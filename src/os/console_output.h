// Text for whoever started the program from a command line: help, the
// version, a usage error.
#pragma once

#include <string>

namespace dorvane::os {

enum class Stream { output, error };

// Writes UTF-8 `text` to standard output or standard error.
// - POSIX: the streams themselves.
// - Windows: the program has no console of its own, so the handle it was
//   given (a file or pipe it was redirected to, a console it inherited),
//   or else the console of the command prompt that started it; where there
//   is neither, the text goes nowhere. Returns false where it went nowhere.
bool write_console(Stream stream, const std::string& text);

// Whether `stream` carries the character `c` as itself: POSIX, where the
// locale's character set holds it; Windows, always on a console (UTF-16),
// and where the ANSI code page holds it, without a best fit, on a file or
// a pipe.
bool can_carry(Stream stream, char32_t c);

}  // namespace dorvane::os
