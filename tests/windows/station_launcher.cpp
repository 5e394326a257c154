// Test only: starts a program on a window station of its own, which no
// person can see (as a service's or a SYSTEM task's in session 0), waits
// for it to end and passes on its exit status.
//
//   station_launcher.exe PROGRAM
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "station_launcher: %s failed (%lu)\n", what, GetLastError());
    return 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: station_launcher PROGRAM\n");
        return 2;
    }
    const HWINSTA station = CreateWindowStationW(L"dorvane-unseen", 0, WINSTA_ALL_ACCESS, nullptr);
    if (station == nullptr) return fail("CreateWindowStationW");
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return fail("GetUserObjectInformationW");
    if (flags.dwFlags & WSF_VISIBLE) {
        std::fprintf(stderr, "station_launcher: the new window station is visible\n");
        return 3;
    }
    // A desktop is made on the calling process's own station.
    if (!SetProcessWindowStation(station)) return fail("SetProcessWindowStation");
    if (CreateDesktopW(L"desktop", nullptr, nullptr, 0, GENERIC_ALL, nullptr) == nullptr)
        return fail("CreateDesktopW");

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t desktop[] = L"dorvane-unseen\\desktop";
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return fail("CreateProcessW");
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 3;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
