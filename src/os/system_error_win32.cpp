#include "os/system_error.h"

#include <windows.h>

#include <string>

#include "os/utf16.h"

namespace dorvane::os {

Error last_system_error() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string description;
    if (text != nullptr) {
        description.assign(reinterpret_cast<const char16_t*>(text), length);
        LocalFree(text);
    }
    // The system ends its messages with a line break; the log adds its own.
    while (!description.empty() && (description.back() == u'\n' || description.back() == u'\r'))
        description.pop_back();
    return Error(static_cast<std::int32_t>(code), utf16_to_utf8(description));
}

}  // namespace dorvane::os
