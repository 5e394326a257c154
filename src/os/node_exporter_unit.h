// What the systemd unit of the machine's node_exporter says about where its
// textfile collector reads metrics files: its ExecStart, with the
// variables of the Environment= lines and EnvironmentFile= files that it
// names (Debian's /etc/default/prometheus-node-exporter sets ARGS).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dorvane::os {

using Variables = std::map<std::string, std::string>;

// The words of a unit's command line as systemd splits them: blanks between
// words, double or single quotes around blanks, backslash escapes; ${NAME}
// is NAME's value as part of its word, a word that is $NAME alone is its
// value split at blanks, and $$ is a dollar sign. An unknown variable is
// empty.
std::vector<std::string> systemd_words(const std::string& command_line, const Variables& variables);

// The assignments of an environment file: NAME=VALUE lines, the value
// unquoted where it is quoted; comments (# or ;) and blank lines skipped, a
// backslash at a line's end joining it to the next.
Variables environment_file(const std::string& text);

// A unit's service settings that decide the program's command line, read
// from the unit file and its drop-ins in order.
struct ServiceCommand {
    std::string exec_start;                      // the last ExecStart=, empty when reset
    std::vector<std::string> environment_files;  // their paths, "-" (optional) taken off
    Variables environment;                       // from Environment= lines
};

// Adds what one unit file or drop-in (its text) sets to `command`.
void read_unit_file(const std::string& text, ServiceCommand& command);

// The folder that --collector.textfile.directory gives among a command
// line's words (=value or the next word), the last one given; nothing
// where none does.
std::optional<std::string> textfile_directory(const std::vector<std::string>& words);

// The folder that node_exporter's unit gives it, read through `read_file`
// (a file's text, nothing where there is none) from systemd's folders, the
// first unit found of the names that node_exporter's package and the
// common installers give it; nothing where no unit or no flag names one.
std::optional<std::string> node_exporter_textfile_directory(
    const std::function<std::optional<std::string>(const std::string& path)>& read_file,
    const std::function<std::vector<std::string>(const std::string& folder)>& list_folder);

}  // namespace dorvane::os
