// What the command line of windows_exporter's service says about where its
// textfile collector reads metrics files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dorvane::os {

// The words of a Windows command line as a Go program (windows_exporter is
// one) splits them into its arguments: blanks between words, double quotes
// around blanks, backslashes doubled only before a quote, and a doubled
// quote inside quotes for a quote that ends them.
std::vector<std::string> go_arguments(const std::string& command_line);

struct TextfileFlags {
    // The folder that the collector reads, where a flag names one: the
    // first of --collector.textfile.directories' comma-separated list, or
    // else --collector.textfile.directory (older versions).
    std::optional<std::string> directory;
    // --config.file, whose YAML may set the folder instead.
    std::optional<std::string> config_file;
};

// The flags among the command line's arguments, as `--flag=value` or
// `--flag value`, quoted or not; the last one given counts.
TextfileFlags textfile_flags(const std::string& command_line);

}  // namespace dorvane::os
