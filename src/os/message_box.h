// Messages that need a person's eyes: a failed grant, and the error that
// ends the run.
#pragma once

#include <string>

#include "common/error.h"

namespace dorvane::os {

// The program's name, the caption of its messages.
extern const char program_name[];

// Shows `text` with a single acknowledgement. On Windows a modal message
// box; on POSIX the text on standard error, and when standard input and
// standard error are both a terminal, a prompt that waits for Enter. An
// unattended run never waits.
void message_box(const std::string& text);

// Tells the user about the error that ends the run: its number and its
// description.
void show_fatal_error(const Error& error);

}  // namespace dorvane::os
