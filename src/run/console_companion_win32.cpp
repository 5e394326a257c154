// dorvane.com: the console companion of dorvane.exe, which has no console
// of its own (a scheduled run opens no window). A command prompt runs a
// .com before an .exe of the same name (PATHEXT), and waits for a console
// program: so `dorvane --dry-run` typed at a prompt prints before the next
// prompt, and %ERRORLEVEL% and $LASTEXITCODE see the program's status.
//
// It starts dorvane.exe from its own folder with the same arguments, relays
// what that writes to standard output and standard error onto its own, and
// exits with its exit status once both streams have ended and the program
// has.
#include <windows.h>

#include <string>

namespace {

// The program writes the system's ANSI code page to a pipe; a console takes
// UTF-16, a file or a pipe the bytes as they are.
void write_out(HANDLE to, const std::string& bytes) {
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(to, &mode)) {
        const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0 &&
            MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length) > 0)
            WriteConsoleW(to, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    WriteFile(to, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Copies `from` to `to` a line at a time (a character of a double-byte code
// page is never split), until the writer is gone.
void relay(HANDLE from, HANDLE to) {
    std::string pending;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        pending.append(buffer, n);
        const std::size_t end = pending.rfind('\n');
        if (end == std::string::npos) continue;
        write_out(to, pending.substr(0, end + 1));
        pending.erase(0, end + 1);
    }
    if (!pending.empty()) write_out(to, pending);
}

// This program's command line after its own name, as it was given.
const wchar_t* arguments() {
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line != L'\0' && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        if (*line == L'"') quoted = !quoted;
    return line;
}

struct Relay {
    HANDLE from, to;
};

DWORD WINAPI relay_thread(void* parameter) {
    const Relay* r = static_cast<const Relay*>(parameter);
    relay(r->from, r->to);
    return 0;
}

int fail(const std::wstring& what) {
    const DWORD code = GetLastError();
    const std::string text = "dorvane.com: " + std::string(what.begin(), what.end()) + ": error " +
                             std::to_string(code) + "\n";
    write_out(GetStdHandle(STD_ERROR_HANDLE), text);
    return 1;
}

}  // namespace

int wmain() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (n == 0) return fail(L"cannot tell where it is");
        if (n < program.size()) {
            program.resize(n);
            break;
        }
        program.resize(program.size() * 2);
    }
    program.replace(program.size() - 4, 4, L".exe");  // dorvane.com -> dorvane.exe

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!CreatePipe(&out_read, &out_write, &inheritable, 0) || !CreatePipe(&err_read, &err_write, &inheritable, 0))
        return fail(L"cannot make its pipes");
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

    // Standard error is relayed beside standard output, so that neither
    // pipe fills up while the other is read.
    Relay errors{err_read, GetStdHandle(STD_ERROR_HANDLE)};
    const HANDLE error_thread = CreateThread(nullptr, 0, relay_thread, &errors, 0, nullptr);
    if (error_thread == nullptr) return fail(L"cannot start its relay");

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    std::wstring command = L"\"" + program + L"\"" + arguments();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return fail(L"cannot start " + program);
    // The program holds the writing ends now: each stream ends with it.
    CloseHandle(out_write);
    CloseHandle(err_write);
    CloseHandle(process.hThread);

    relay(out_read, GetStdHandle(STD_OUTPUT_HANDLE));
    WaitForSingleObject(error_thread, INFINITE);
    CloseHandle(error_thread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(out_read);
    CloseHandle(err_read);
    return static_cast<int>(status);
}
