#include "os/program_directory.h"

namespace dorvane::os {

std::string join_path(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == path_separator) return directory + name;
    return directory + path_separator + name;
}

}  // namespace dorvane::os
