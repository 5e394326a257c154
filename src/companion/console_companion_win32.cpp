// dorvane.com: the console companion of dorvane.exe, which has no console
// of its own (a scheduled run opens no window). A command prompt runs a
// .com before an .exe of the same name (PATHEXT), and waits for a console
// program: so `dorvane --dry-run` typed at a prompt prints before the next
// prompt, and %ERRORLEVEL% and $LASTEXITCODE see the program's status.
//
// It starts dorvane.exe from its own folder with the same arguments, relays
// what that writes to standard output and standard error onto its own, and
// once the program has ended, and what it left in the pipes is relayed,
// exits with its exit status. The program ends with it (Ctrl+C, a closed
// console), as the Linux program ends on Ctrl+C.
#include <windows.h>

#include <string>

#include "os/handle_output_win32.h"

namespace {

using dorvane::os::is_console;
using dorvane::os::write_bytes;
using dorvane::os::write_console_text;

// The program writes the system's ANSI code page to a pipe; a console takes
// UTF-16, a file or a pipe the bytes as they are.
void write_out(HANDLE to, const std::string& bytes) {
    if (!is_console(to)) {
        write_bytes(to, bytes);
        return;
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0 && MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length) > 0)
        write_console_text(to, wide);
}

// One of the program's streams on its way to this program's own: what came
// so far of a line that has not ended.
struct Relay {
    HANDLE from, to;
    std::string pending;

    // Relays whatever the pipe holds now, a line at a time (a character of
    // a double-byte code page is never split), without waiting for more:
    // a process that the program started may hold the pipe open for ever.
    // Whether anything came.
    bool relay_available() {
        bool moved = false;
        char buffer[65536];
        DWORD available = 0, n = 0;
        while (PeekNamedPipe(from, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(from, buffer, available < sizeof buffer ? available : sizeof buffer, &n, nullptr) && n > 0) {
            moved = true;
            pending.append(buffer, n);
            const std::size_t end = pending.rfind('\n');
            if (end == std::string::npos) continue;
            write_out(to, pending.substr(0, end + 1));
            pending.erase(0, end + 1);
        }
        return moved;
    }

    void finish() {
        if (!pending.empty()) write_out(to, pending);
        pending.clear();
    }
};

// This program's command line after its own name, as it was given.
const wchar_t* arguments() {
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line != L'\0' && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        if (*line == L'"') quoted = !quoted;
    return line;
}

// A message of this program's own: UTF-16 on a console, the ANSI code page
// anywhere else, as the program's own lines.
void write_text(HANDLE to, const std::wstring& text) {
    if (is_console(to)) {
        write_console_text(to, text);
        return;
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
    write_bytes(to, bytes);
}

int fail(const std::wstring& what) {
    const DWORD code = GetLastError();
    write_text(GetStdHandle(STD_ERROR_HANDLE), L"dorvane.com: " + what + L": error " + std::to_wstring(code) + L"\n");
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

    // The pipes hold much, so that the program seldom waits on this one.
    constexpr DWORD pipe_size = 1 << 20;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!CreatePipe(&out_read, &out_write, &inheritable, pipe_size) ||
        !CreatePipe(&err_read, &err_write, &inheritable, pipe_size))
        return fail(L"cannot make its pipes");
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

    // The program lives no longer than this one: Ctrl+C, or a closed
    // console, ends this one, and the job's last handle with it. Where the
    // job cannot be had (a job of the caller's that forbids another, before
    // Windows 8), the program runs as it would without.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    std::wstring command = L"\"" + program + L"\"" + arguments();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process))
        return fail(L"cannot start " + program);
    if (job != nullptr) AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    // The program holds the writing ends now.
    CloseHandle(out_write);
    CloseHandle(err_write);
    CloseHandle(process.hThread);

    // Both streams are relayed as they come, until the program has ended;
    // then what it left in the pipes, and no more.
    Relay out{out_read, GetStdHandle(STD_OUTPUT_HANDLE), {}};
    Relay errors{err_read, GetStdHandle(STD_ERROR_HANDLE), {}};
    for (bool ended = false;;) {
        const bool moved = out.relay_available() | errors.relay_available();
        if (ended) break;
        ended = WaitForSingleObject(process.hProcess, moved ? 0 : 10) == WAIT_OBJECT_0;
    }
    out.finish();
    errors.finish();
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(out_read);
    CloseHandle(err_read);
    return static_cast<int>(status);
}
