#include "log/output_file.h"

#include <windows.h>

#include "os/paths.h"
#include "os/system_error.h"
#include "os/utf16.h"

namespace dorvane::log {
namespace {

HANDLE as_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
constexpr std::intptr_t closed = -1;  // INVALID_HANDLE_VALUE

}  // namespace

OutputFile OutputFile::create(const std::string& path, bool overwrite) {
    const std::u16string wide = os::utf8_to_utf16(path);
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_WRITE,
                                 FILE_SHARE_READ, nullptr, overwrite ? CREATE_ALWAYS : CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw os::last_system_error();
    return OutputFile(reinterpret_cast<std::intptr_t>(h));
}

// The file as create() would open it, but only if it is there, which
// changes nothing in it; where there is none, a handle on the folder with
// the right to add a file, which the system grants or refuses as it would
// the file's creation.
void OutputFile::check_creatable(const std::string& path) {
    const std::u16string wide = os::utf8_to_utf16(path);
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) throw os::last_system_error();
        const std::u16string folder = os::utf8_to_utf16(os::directory_of(path));
        h = CreateFileW(reinterpret_cast<const wchar_t*>(folder.c_str()), FILE_ADD_FILE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw os::last_system_error();
    }
    CloseHandle(h);
}

// The share mode refuses a second writer with a sharing violation.
bool OutputFile::held_by_another(const Error& failure) {
    return failure.Number == ERROR_SHARING_VIOLATION || failure.Number == ERROR_LOCK_VIOLATION;
}

OutputFile::OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = closed;
}

OutputFile::~OutputFile() {
    if (handle_ != closed) CloseHandle(as_handle(handle_));
}

void OutputFile::write(const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        if (!WriteFile(as_handle(handle_), data, chunk, &written, nullptr)) throw os::last_system_error();
        data += written;
        left -= written;
    }
}

void OutputFile::close() {
    const HANDLE h = as_handle(handle_);
    handle_ = closed;
    if (!CloseHandle(h)) throw os::last_system_error();
}

}  // namespace dorvane::log
