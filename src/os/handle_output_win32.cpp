#include "os/handle_output_win32.h"

namespace dorvane::os {

bool is_console(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

bool write_console_text(HANDLE handle, std::wstring_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

bool write_bytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace dorvane::os
