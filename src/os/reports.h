// What a run reports to whoever watches the machine, beside the message
// box: the warnings it passes over, the summary at its end at the priority
// of how it ended, and the end of its reports. Implemented with the
// message box (message_box_posix.cpp, message_box_win32.cpp), whose
// reports they bound.
#pragma once

#include <functional>
#include <string>

namespace dorvane::os {

// The program's name: the caption of its messages, and on Windows the
// event source they are recorded under.
extern const char program_name[];

// What the run passes over and goes on from; each kind has an event ID
// of its own on Windows.
enum class Warning {
    setting_not_written,     // a data source's setting (event 5)
    data_source_not_opened,  // a data source the walk skips (event 6)
    metrics_not_written,     // the metrics file for monitoring (event 7)
    excess_privilege,        // the read-only user holds more than it should (event 8)
    privileges_not_checked,  // what that user holds could not be read (event 8)
};

// Tells an administrator of a failure that the run passes over and goes on
// from. Nobody is asked to acknowledge it, and it never fails the run.
// - Windows: a warning in the Application event log, with the kind's ID.
// - POSIX: standard error, at the journal's warning priority there.
// Of the excess privileges, only the first ten of a run are told: see
// end_reports.
void warn(Warning kind, const std::string& text) noexcept;

// How much a report matters to whoever watches the machine.
enum class Severity { information, warning, error };

// Tells what a run did, once at its end, at the `severity` of how it ended.
// - Windows: an event of that type in the Application event log.
// - POSIX: standard output, at that priority in the journal. Where standard
//   output is neither a terminal nor the journal (cron mails whatever it
//   gets, a pipe, a file), a summary of mere information is not written.
void tell_summary(const std::string& text, Severity severity) noexcept;

// Closes the run's reports, whether it reached its end or not.
// - Both: where more than ten excess privileges came, one warning says how
//   many more, and that `dorvane --check` lists them all.
// - Windows: the event log records the first ten texts that nobody could
//   see (message_box), so that a run where every grant fails cannot flood
//   the Application log, which other programs share. When more came, one
//   warning here says how many, and that each of them is in the run log,
//   whose full path `log_path` gives.
void end_reports(const std::function<std::string()>& log_path);

}  // namespace dorvane::os
