// What a person, or else an administrator, is told: a failed grant, and
// the error that ends the run. The rest of what a run reports is in
// os/reports.h.
#pragma once

#include <string>

#include "common/error.h"
#include "os/reports.h"

namespace dorvane::os {

// Shows `text` with a single acknowledgement, where a person can give it,
// and never waits for one where nobody can.
// - Windows: a modal message box when the process's window station is the
//   visible one; otherwise (a service, a SYSTEM task in session 0) a
//   warning in the Application event log instead, and no window.
// - POSIX: the text on standard error (a warning, in the journal), and
//   when standard input and standard error are both a terminal, a prompt
//   that waits for Enter.
void message_box(const std::string& text);

// Tells of the error that ends the run, its number and its description.
// - Windows: always an error in the Application event log, the one lasting
//   record of an early end; then a message box when a person can see it.
// - POSIX: standard error, which a scheduler's journal keeps (at its error
//   priority).
void show_fatal_error(const Error& error);

}  // namespace dorvane::os
