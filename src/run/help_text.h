// What the program tells of itself: the text of --help, --version and a
// usage error. The manual page dorvane(8) says the same at more length.
#pragma once

#include <string>

namespace dorvane {

std::string help_text();
std::string version_text();
// A usage error: what was wrong, and how to ask for help.
std::string usage_error_text(const std::string& problem);

}  // namespace dorvane
