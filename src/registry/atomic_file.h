// Rewriting a file so that a reader, or a crash, sees either the old
// content or the new one, never a mix, and so that what another program
// writes to it meanwhile is not lost.
#pragma once

#include <functional>
#include <string>

namespace dorvane::modRegistro {

// Called before each step of a rewrite ("create", "write", "sync",
// "permissions", "rename"); a hook that raises makes that step fail. Tests
// use it to fail a rewrite half way, or to change the file under it.
using ReplaceHook = std::function<void(const char* step)>;

// The new content for a file's current one; it may raise to give up.
using Edit = std::function<std::string(const std::string& content)>;

// The whole content of the file at `path`; raises the system's error.
std::string read_file(const std::string& path);

// Reads the file that `path` names (following symbolic links, which stay as
// they are) and applies `edit`; a result equal to the content writes
// nothing. Otherwise the result goes to a new file beside it, synced, with
// the original's permission bits and owner, which then takes the original's
// name in one rename. Where the file system allows, the new file has no
// name until just before that rename, so that a process killed half way
// leaves nothing behind.
//
// Just before the rename the file must still be the one that was read;
// when another program has changed or replaced it meanwhile, the edit is
// made again on what is there now, a bounded number of times, and then
// the rewrite fails. On any failure the file is as it was, no new file is
// left, and the error is raised.
void rewrite_file(const std::string& path, const Edit& edit, const ReplaceHook& hook = nullptr);

}  // namespace dorvane::modRegistro
