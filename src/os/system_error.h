// The operating system's own account of its last failure, as an Error.
#pragma once

#include "common/error.h"

namespace dorvane::os {

// The calling thread's last system error (errno on POSIX, GetLastError on
// Windows) with the system's description of it.
Error last_system_error();

}  // namespace dorvane::os
