// Writing to a standard handle on Windows: a console takes UTF-16 whatever
// its code page; a file or a pipe takes bytes. Shared by the program and
// its console companion, which links nothing else of the program's.
#pragma once

#include <windows.h>

#include <string_view>

namespace dorvane::os {

// Whether `handle` is a console.
bool is_console(HANDLE handle);

// Writes all of `text` to the console `handle`; whether it went.
bool write_console_text(HANDLE handle, std::wstring_view text);

// Writes all of `bytes` to the file or pipe `handle`; whether they went.
bool write_bytes(HANDLE handle, std::string_view bytes);

}  // namespace dorvane::os
