#include "os/odbc_library.h"

#include <windows.h>

#include "os/system_error.h"

namespace dorvane::os {

void load_odbc_driver_manager() {
    // The system folder alone, for ODBC32.dll and for the DLLs it imports.
    // The module stays loaded for the life of the process: the program's
    // late imports of ODBC32.dll bind to it by name.
    if (LoadLibraryExW(L"ODBC32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) == nullptr)
        throw last_system_error();
}

}  // namespace dorvane::os
