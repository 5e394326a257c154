#include "os/message_box.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "os/encoding.h"
#include "os/report_bound.h"

namespace dorvane::os {

const char program_name[] = "dorvane";

namespace {

// syslog's priorities, as the journal reads them from a line's prefix.
constexpr const char* priority_error = "<3>";
constexpr const char* priority_warning = "<4>";
constexpr const char* priority_info = "<6>";

// Whether `fd` is the journal's stream: systemd names the stream it gives a
// unit's standard output and error in JOURNAL_STREAM, as "device:inode".
bool is_journal(int fd) {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr) return false;
    unsigned long long device = 0, inode = 0;
    char rest = 0;
    struct stat file {};
    return std::sscanf(stream, "%llu:%llu%c", &device, &inode, &rest) == 2 && ::fstat(fd, &file) == 0 &&
           static_cast<unsigned long long>(file.st_dev) == device &&
           static_cast<unsigned long long>(file.st_ino) == inode;
}

// `text`'s lines, each with the journal's `priority` prefix when `fd` is the
// journal's stream, and as they are anywhere else.
std::string lines_for(int fd, const char* priority, const std::string& text) {
    if (!is_journal(fd)) return text;
    std::string out;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        out.append(priority).append(text, from, next - from);
        from = next;
    }
    return out;
}

void to_standard_error(const char* priority, const std::string& text) {
    std::cerr << lines_for(STDERR_FILENO, priority, std::string(program_name) + ": " + to_system_codepage(text) + "\n");
}

ReportBound excess_told;

}  // namespace

void message_box(const std::string& text) {
    to_standard_error(priority_warning, text);
    if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) {
        std::cerr << "[Intro] " << std::flush;
        std::string ignored;
        std::getline(std::cin, ignored);
    }
    std::cerr.flush();
}

void warn(Warning kind, const std::string& text) noexcept {
    if (kind == Warning::excess_privilege && !excess_told.take()) return;
    try {
        to_standard_error(priority_warning, "warning: " + text);
        std::cerr.flush();
    } catch (...) {  // a warning that cannot be written is not worth the run
    }
}

void tell_summary(const std::string& text, Severity severity) noexcept {
    try {
        const bool watched = isatty(STDOUT_FILENO) || is_journal(STDOUT_FILENO);
        if (severity == Severity::information && !watched) return;  // the rule of silence
        const char* priority = severity == Severity::information ? priority_info
                               : severity == Severity::warning   ? priority_warning
                                                                 : priority_error;
        std::cout << lines_for(STDOUT_FILENO, priority, to_system_codepage(text)) << std::flush;
    } catch (...) {  // the run is over; its status stands
    }
}

void end_reports(const std::function<std::string()>&) {
    if (excess_told.held_back() > 0) warn(Warning::privileges_not_checked, more_excess_privileges(excess_told.held_back()));
}

void show_fatal_error(const Error& error) {
    to_standard_error(priority_error, error_text(error));
    std::cerr.flush();
}

}  // namespace dorvane::os
