// Paths as this platform writes them: joined, and taken apart.
#pragma once

#include <string>

namespace dorvane::os {

// The separator between a directory and a name: "/" on POSIX, "\" on Windows.
extern const char path_separator;

// `directory` joined with `name` by one separator.
std::string join_path(const std::string& directory, const std::string& name);

// The folder that holds `path`: up to its last separator ("/", and on
// Windows "\" too), kept where the folder is a root ("/", "C:\"); "."
// where `path` names no folder.
std::string directory_of(const std::string& path);

// The last part of `path`, after its last separator; all of it where it
// has none.
std::string name_of(const std::string& path);

}  // namespace dorvane::os
