// The one line that the run log keeps of a failure.
#pragma once

#include <string>

#include "common/error.h"

namespace dorvane::log {

// "Error para " + context + " -> " + number + " -> " + description. The
// number is signed decimal; context and description go in unchanged.
std::string error_line(const std::string& context, const Error& err);

}  // namespace dorvane::log
