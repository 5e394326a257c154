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

// How long a rename that a reader blocks is tried again: a scrape holds the
// file open for a moment.
constexpr int rename_attempts = 20;
constexpr DWORD rename_pause_ms = 50;

// The handle that CreateFileW gives, or none where it failed (its error
// still GetLastError's).
Handle opened(HANDLE handle) { return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

bool blocked(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

}  // namespace

std::optional<std::string> read_small_file(const std::string& path) {
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
        throw last_system_error();
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw Error(ERROR_DIRECTORY, "it is a folder");
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        throw Error(ERROR_CANT_ACCESS_FILE, "it is a symbolic link, which is not followed");
    // Opened without following a link that appeared meanwhile, and shared
    // with whoever writes or replaces it.
    const Handle file = opened(CreateFileW(name.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) throw last_system_error();
    if (GetFileType(file.get()) != FILE_TYPE_DISK) throw Error(ERROR_BAD_FILE_TYPE, "it is not a regular file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) throw last_system_error();
    if (size.QuadPart > static_cast<LONGLONG>(small_file_limit))
        throw Error(ERROR_FILE_TOO_LARGE, "it is larger than " + std::to_string(small_file_limit / 1024) + " KiB");
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD n = 0;
    if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &n, nullptr))
        throw last_system_error();
    content.resize(n);
    return content;
}

void replace_file(const std::string& path, const std::string& content) {
    // One name, which the next run takes over should this one be killed.
    const std::wstring temporary = wide(path + ".new");
    const std::wstring target = wide(path);
    try {
        Handle file = opened(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw last_system_error();
        DWORD written = 0;
        if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
            written != content.size() || !FlushFileBuffers(file.get()))
            throw last_system_error();
        if (!CloseHandle(file.release())) throw last_system_error();
        for (int attempt = 1;; ++attempt) {
            if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                break;
            if (!blocked(GetLastError()) || attempt == rename_attempts) throw last_system_error();
            Sleep(rename_pause_ms);
        }
    } catch (...) {
        DeleteFileW(temporary.c_str());
        throw;
    }
}

bool remove_file(const std::string& path) {
    const std::u16string wide = utf8_to_utf16(path);
    if (DeleteFileW(reinterpret_cast<const wchar_t*>(wide.c_str()))) return true;
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return false;
    throw last_system_error();
}

}  // namespace dorvane::os
