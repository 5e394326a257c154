#include "os/console_output.h"

#include <windows.h>

#include "os/encoding.h"
#include "os/handle_output_win32.h"
#include "os/utf16.h"

namespace dorvane::os {
namespace {

bool usable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// A console takes UTF-16; a file or a pipe takes the system's ANSI code
// page and CR LF line ends, as the run log does.
bool write_to(HANDLE handle, const std::string& text) {
    if (is_console(handle)) {
        const std::u16string wide = utf8_to_utf16(text);
        return write_console_text(handle, std::wstring_view(reinterpret_cast<const wchar_t*>(wide.data()), wide.size()));
    }
    std::string bytes;
    for (const char c : to_system_codepage(text)) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return write_bytes(handle, bytes);
}

// The handle that write_console writes `stream` to: given, or the console.
bool writes_to_console(Stream stream) {
    const HANDLE given = GetStdHandle(stream == Stream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return !usable(given) || is_console(given);
}

}  // namespace

bool can_carry(Stream stream, char32_t c) {
    if (c < 0x80 || writes_to_console(stream)) return true;
    wchar_t wide[2];
    int length = 1;
    if (c >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        length = 2;
    } else {
        wide[0] = static_cast<wchar_t>(c);
    }
    const UINT code_page = GetACP();
    if (code_page == CP_UTF8) return true;
    char bytes[8];
    BOOL defaulted = FALSE;
    return WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr,
                               &defaulted) > 0 &&
           !defaulted;
}

bool write_console(Stream stream, const std::string& text) {
    const DWORD which = stream == Stream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    const HANDLE given = GetStdHandle(which);
    if (usable(given)) return write_to(given, text);
    // Started from a command prompt without redirection: its console.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return false;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (!usable(console)) return false;
    const bool written = write_to(console, text);
    CloseHandle(console);
    return written;
}

}  // namespace dorvane::os
