#include "os/paths.h"

namespace dorvane::os {

std::string join_path(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == path_separator) return directory + name;
    return directory + path_separator + name;
}

namespace {

// The separators that end a folder's part of a path here.
const char* separators() { return path_separator == '/' ? "/" : "\\/"; }

}  // namespace

std::string directory_of(const std::string& path) {
    const std::size_t at = path.find_last_of(separators());
    if (at == std::string::npos) return ".";
    if (at == 0 || path[at - 1] == ':') return path.substr(0, at + 1);
    return path.substr(0, at);
}

std::string name_of(const std::string& path) {
    const std::size_t at = path.find_last_of(separators());
    return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace dorvane::os
