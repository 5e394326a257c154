#include "os/exporter_flags.h"

namespace dorvane::os {
namespace {

// The value that `flag` gives in `arguments` at `i` (and `i + 1`), moving
// `i` past it; nothing when that argument is not the flag.
std::optional<std::string> value_of(const std::string& flag, const std::vector<std::string>& arguments,
                                    std::size_t& i) {
    const std::string& argument = arguments[i];
    if (argument.compare(0, flag.size(), flag) != 0) return std::nullopt;
    if (argument.size() == flag.size()) {
        if (i + 1 == arguments.size()) return std::nullopt;
        return arguments[++i];
    }
    if (argument[flag.size()] != '=') return std::nullopt;
    return argument.substr(flag.size() + 1);
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

// As Go's own commandLineToArgv reads GetCommandLine (os/exec_windows.go).
std::vector<std::string> go_arguments(const std::string& command_line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = command_line.size();
    while (i < n) {
        if (command_line[i] == ' ' || command_line[i] == '\t') {
            ++i;
            continue;
        }
        std::string argument;
        bool quoted = false;
        std::size_t backslashes = 0;
        for (; i < n; ++i) {
            const char c = command_line[i];
            if ((c == ' ' || c == '\t') && !quoted) break;
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 0) {
                    if (quoted && i + 1 < n && command_line[i + 1] == '"') {
                        argument += '"';
                        ++i;
                    }
                    quoted = !quoted;
                } else {
                    argument += '"';
                }
                backslashes = 0;
                continue;
            }
            argument.append(backslashes, '\\');
            backslashes = 0;
            argument += c;
        }
        argument.append(backslashes, '\\');
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

TextfileFlags textfile_flags(const std::string& command_line) {
    const std::vector<std::string> arguments = go_arguments(command_line);
    std::optional<std::string> directories, directory;
    TextfileFlags flags;
    // The first word is the program.
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (auto value = value_of("--collector.textfile.directories", arguments, i)) directories = std::move(value);
        else if (auto value = value_of("--collector.textfile.directory", arguments, i)) directory = std::move(value);
        else if (auto value = value_of("--config.file", arguments, i)) flags.config_file = std::move(value);
    }
    if (directories) {
        const std::string first = trimmed(directories->substr(0, directories->find(',')));
        if (!first.empty()) flags.directory = first;
    }
    if (!flags.directory && directory && !trimmed(*directory).empty()) flags.directory = trimmed(*directory);
    return flags;
}

}  // namespace dorvane::os
