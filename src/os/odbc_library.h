// The ODBC driver manager, loaded from where the system keeps it.
//
// On Windows ODBC32.dll is not one of the system's known DLLs, so the loader
// would look for it beside the program first: a program run as SYSTEM from
// a folder that users can write would load a DLL of theirs. The program
// imports it late (a delay-load import), and this loads it from the system
// folder alone before the first ODBC call; the late import then binds to
// that module. On POSIX the driver manager is an ordinary dependency that
// the dynamic linker finds in the system's library paths alone: nothing to
// do.
#pragma once

namespace dorvane::os {

// Throws Error, with the system's number and description, where the driver
// manager cannot be loaded.
void load_odbc_driver_manager();

}  // namespace dorvane::os
