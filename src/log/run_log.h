// Where the run log is kept: a file of this name beside the executable.
#pragma once

namespace dorvane::log {

extern const char log_name[];

}  // namespace dorvane::log
