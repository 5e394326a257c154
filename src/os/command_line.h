// The program that a command line starts, as a service's is registered.
#pragma once

#include <string>

namespace dorvane::os {

// The program's path at the start of `command_line`: between its double
// quotes where it is quoted; otherwise up to the end of the first word
// that ends in ".exe" (a path with blanks that nobody quoted, as Windows
// itself reads it), or the first word. Empty for an empty line.
std::string program_in_command_line(const std::string& command_line);

}  // namespace dorvane::os
