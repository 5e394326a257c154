// Small files read and replaced whole, for readers that must never see
// half of one.
#pragma once

#include <optional>
#include <string>

namespace dorvane::os {

// The file's bytes; nothing when it does not exist. Raises the system's
// error for anything else.
std::optional<std::string> read_file_if_present(const std::string& path);

// Replaces the file at `path` with `content`, readable by everyone: a new
// file beside it, whose name does not end as `path` does (a collector that
// reads *.prom never picks it up), is written and flushed to disk, then
// renamed over it. On failure the old file is as it was, no new file is
// left, and the system's error is raised.
void replace_file(const std::string& path, const std::string& content);

}  // namespace dorvane::os
