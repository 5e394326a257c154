#include "os/program_directory.h"

namespace dorvane::os {

std::string join_path(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == path_separator) return directory + name;
    return directory + path_separator + name;
}

std::string directory_of(const std::string& path) {
    const std::size_t at = path.find_last_of(path_separator == '/' ? "/" : "\\/");
    if (at == std::string::npos) return ".";
    if (at == 0 || path[at - 1] == ':') return path.substr(0, at + 1);
    return path.substr(0, at);
}

}  // namespace dorvane::os
