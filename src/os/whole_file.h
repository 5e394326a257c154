// Small files read and replaced whole, for readers that must never see
// half of one, in a folder that others may write to.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace dorvane::os {

// The most that read_small_file reads.
constexpr std::size_t small_file_limit = 64 * 1024;

// The bytes of the regular file at `path`; nothing when there is none. It
// is opened without following a link and without waiting (a FIFO never
// holds the caller), and read only up to small_file_limit. Anything else
// at that name raises an Error that says what it is: a link, a folder, a
// FIFO or a device, a file larger than the limit; as does any other
// failure, with the system's error.
std::optional<std::string> read_small_file(const std::string& path);

// Replaces whatever stands at `path` (but a folder) with a file holding
// `content`, readable by everyone. A new file beside it, which no reader of
// *.prom picks up, is written and flushed to disk, then renamed over it:
// on POSIX an unnamed one where the file system allows, so that a process
// killed half way leaves nothing; on Windows one fixed name, which the
// next run reuses. A rename that another reader blocks for a moment
// (Windows) is tried again for about a second. On failure the old file is
// as it was, no new file is left, and the system's error is raised.
void replace_file(const std::string& path, const std::string& content);

// Removes the file (or link) at `path`: true where it was there, false
// where nothing was. A folder is not removed: it raises an Error, as does
// any other failure, with the system's error.
bool remove_file(const std::string& path);

}  // namespace dorvane::os
