// Test only: a DLL named ODBC32.dll that someone put beside the program.
// Loaded into a process, it leaves a file named planted-odbc32-was-loaded
// beside itself; it exports nothing (Wine binds a program's missing imports
// to stubs and goes on, so the mark is left whatever the program imports).
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return TRUE;
    std::wstring mark(path, length);
    mark.replace(mark.find_last_of(L'\\') + 1, std::wstring::npos, L"planted-odbc32-was-loaded");
    const HANDLE file = CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
