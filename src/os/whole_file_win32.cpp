#include <windows.h>

#include <memory>
#include <type_traits>

#include "os/system_error.h"
#include "os/utf16.h"
#include "os/whole_file.h"

namespace dorvane::os {
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::wstring wide(const std::string& utf8) {
    const std::u16string text = utf8_to_utf16(utf8);
    return std::wstring(text.begin(), text.end());
}

Handle open(const std::string& path, DWORD access, DWORD creation) {
    const HANDLE handle = CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ, nullptr, creation,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace

std::optional<std::string> read_file_if_present(const std::string& path) {
    const Handle file = open(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::nullopt;
        throw last_system_error();
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) throw last_system_error();
        if (n == 0) return content;
        content.append(buffer, n);
    }
}

void replace_file(const std::string& path, const std::string& content) {
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    try {
        Handle file = open(temporary, GENERIC_WRITE, CREATE_ALWAYS);
        if (!file) throw last_system_error();
        DWORD written = 0;
        if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
            written != content.size() || !FlushFileBuffers(file.get()))
            throw last_system_error();
        if (!CloseHandle(file.release())) throw last_system_error();
        if (!MoveFileExW(wide(temporary).c_str(), wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            throw last_system_error();
    } catch (...) {
        DeleteFileW(wide(temporary).c_str());
        throw;
    }
}

}  // namespace dorvane::os
