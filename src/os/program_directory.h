// Where the running executable lives, as the operating system reports it.
#pragma once

#include <string>

namespace dorvane::os {

// The directory holding the running executable, without a trailing
// separator unless it is a root. Raises an Error when the system cannot
// tell.
std::string program_directory();

}  // namespace dorvane::os
