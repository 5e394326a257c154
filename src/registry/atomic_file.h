// Replacing a file's content so that a reader, or a crash, sees either the
// old content or the new one, never a mix.
#pragma once

#include <functional>
#include <string>

namespace dorvane::modRegistro {

// Called before each step of a replacement ("create", "write", "sync",
// "permissions", "close", "rename"); a hook that raises makes that step
// fail. Tests use it to fail a replacement half way.
using ReplaceHook = std::function<void(const char* step)>;

// The whole content of the file at `path`; raises the system's error.
std::string read_file(const std::string& path);

// Writes `content` to a temporary file beside the file that `path` names
// (following symbolic links, which stay as they are), syncs it, gives it the
// original's permission bits and owner, and renames it over the original.
// On any failure the original is untouched, the temporary file is removed,
// and the system's error is raised.
void replace_file(const std::string& path, const std::string& content,
                  const ReplaceHook& hook = nullptr);

}  // namespace dorvane::modRegistro
