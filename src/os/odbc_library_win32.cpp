#include "os/odbc_library.h"

#include <windows.h>

#include <string>

#include "os/system_error.h"

namespace dorvane::os {

void load_odbc_driver_manager() {
    // The system folder alone, for ODBC32.dll and for the DLLs it imports.
    // The module stays loaded for the life of the process: the program's
    // late imports of ODBC32.dll bind to it by name.
    if (LoadLibraryExW(L"ODBC32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) != nullptr) return;
    // Windows 7 without update KB2533623 knows no search flags (error 87):
    // its full path in the system folder, whose own imports are then
    // searched for from there first.
    if (GetLastError() != ERROR_INVALID_PARAMETER ||
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr)
        throw last_system_error();
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw last_system_error();
    path.resize(length);
    path += L"\\ODBC32.dll";
    if (LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) == nullptr) throw last_system_error();
}

}  // namespace dorvane::os
