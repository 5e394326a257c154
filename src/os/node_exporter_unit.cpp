#include "os/node_exporter_unit.h"

#include <algorithm>

namespace dorvane::os {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && is_blank(text[first])) ++first;
    while (last > first && is_blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// The character that a backslash and `c` stand for.
char unescaped(char c) {
    switch (c) {
        case 'n': return '\n';
        case 't': return '\t';
        case 'r': return '\r';
        default: return c;
    }
}

// The words of `text`, unquoted and unescaped, with nothing expanded.
std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (is_blank(text[i])) {
            ++i;
            continue;
        }
        std::string word;
        char quote = 0;
        for (; i < text.size() && (quote != 0 || !is_blank(text[i])); ++i) {
            const char c = text[i];
            if (c == '\\' && quote != '\'' && i + 1 < text.size()) {
                word += unescaped(text[++i]);
            } else if (quote == 0 && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool is_name_character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string value_of(const Variables& variables, const std::string& name) {
    const auto at = variables.find(name);
    return at == variables.end() ? std::string() : at->second;
}

// `word` with each ${NAME} replaced by its value and $$ by a dollar sign.
std::string expanded(const std::string& word, const Variables& variables) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '$' && i + 1 < word.size() && word[i + 1] == '$') {
            out += '$';
            ++i;
        } else if (word[i] == '$' && i + 1 < word.size() && word[i + 1] == '{' &&
                   word.find('}', i + 2) != std::string::npos) {
            const std::size_t end = word.find('}', i + 2);
            out += value_of(variables, word.substr(i + 2, end - i - 2));
            i = end;
        } else {
            out += word[i];
        }
    }
    return out;
}

// The lines of a file, a backslash at a line's end joining it to the next.
std::vector<std::string> logical_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(at, end - at);
        at = end + 1;
        if (!part.empty() && part.back() == '\r') part.pop_back();
        if (!part.empty() && part.back() == '\\') {
            part.pop_back();
            line += part + " ";
            continue;
        }
        lines.push_back(line + part);
        line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool is_comment_or_blank(const std::string& line) { return line.empty() || line[0] == '#' || line[0] == ';'; }

}  // namespace

std::vector<std::string> systemd_words(const std::string& command_line, const Variables& variables) {
    std::vector<std::string> words;
    for (const std::string& word : split_words(command_line)) {
        const bool alone = word.size() > 1 && word[0] == '$' &&
                           std::all_of(word.begin() + 1, word.end(), is_name_character);
        if (!alone) {
            words.push_back(expanded(word, variables));
            continue;
        }
        // $NAME alone: its value's words, split at blanks and nothing else.
        const std::string value = value_of(variables, word.substr(1));
        std::size_t i = 0;
        while (i < value.size()) {
            while (i < value.size() && is_blank(value[i])) ++i;
            const std::size_t start = i;
            while (i < value.size() && !is_blank(value[i])) ++i;
            if (i > start) words.push_back(value.substr(start, i - start));
        }
    }
    return words;
}

Variables environment_file(const std::string& text) {
    Variables variables;
    for (const std::string& raw : logical_lines(text)) {
        const std::string line = trimmed(raw);
        const std::size_t equals = line.find('=');
        if (is_comment_or_blank(line) || equals == std::string::npos) continue;
        const std::string name = trimmed(line.substr(0, equals));
        const std::string rest = trimmed(line.substr(equals + 1));
        std::string value;
        char quote = 0;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == '\\' && quote != '\'' && i + 1 < rest.size()) value += rest[++i];
            else if (quote == 0 && (c == '"' || c == '\'')) quote = c;
            else if (c == quote) quote = 0;
            else value += c;
        }
        if (!name.empty()) variables[name] = value;
    }
    return variables;
}

void read_unit_file(const std::string& text, ServiceCommand& command) {
    bool in_service = false;
    for (const std::string& raw : logical_lines(text)) {
        const std::string line = trimmed(raw);
        if (is_comment_or_blank(line)) continue;
        if (line[0] == '[') {
            in_service = line == "[Service]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!in_service || equals == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (key == "ExecStart") {
            command.exec_start = value;
        } else if (key == "EnvironmentFile") {
            if (value.empty()) command.environment_files.clear();
            else command.environment_files.push_back(value[0] == '-' ? value.substr(1) : value);
        } else if (key == "Environment") {
            if (value.empty()) command.environment.clear();
            for (const std::string& assignment : split_words(value)) {
                const std::size_t at = assignment.find('=');
                if (at != std::string::npos && at > 0)
                    command.environment[assignment.substr(0, at)] = assignment.substr(at + 1);
            }
        }
    }
}

std::optional<std::string> textfile_directory(const std::vector<std::string>& words) {
    static const std::string flag = "--collector.textfile.directory";
    std::optional<std::string> directory;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == flag && i + 1 < words.size()) directory = words[++i];
        else if (words[i].compare(0, flag.size() + 1, flag + "=") == 0) directory = words[i].substr(flag.size() + 1);
    }
    if (directory && trimmed(*directory).empty()) return std::nullopt;
    return directory;
}

std::optional<std::string> node_exporter_textfile_directory(
    const std::function<std::optional<std::string>(const std::string& path)>& read_file,
    const std::function<std::vector<std::string>(const std::string& folder)>& list_folder) {
    // systemd's own order: a copy in an earlier folder hides a later one.
    static const char* const folders[] = {"/etc/systemd/system", "/run/systemd/system",
                                          "/usr/local/lib/systemd/system", "/lib/systemd/system",
                                          "/usr/lib/systemd/system"};
    static const char* const names[] = {"prometheus-node-exporter.service", "node_exporter.service",
                                        "node-exporter.service"};
    for (const char* name : names) {
        std::optional<std::string> unit;
        for (const char* folder : folders)
            if ((unit = read_file(std::string(folder) + "/" + name))) break;
        if (!unit) continue;
        ServiceCommand command;
        read_unit_file(*unit, command);
        // Its drop-ins, in the order of their names; of two that share a
        // name, the earlier folder's.
        std::map<std::string, std::string> drop_ins;
        for (const char* folder : folders) {
            const std::string drop_in_folder = std::string(folder) + "/" + name + ".d";
            for (const std::string& file : list_folder(drop_in_folder))
                if (file.size() > 5 && file.compare(file.size() - 5, 5, ".conf") == 0)
                    drop_ins.emplace(file, drop_in_folder + "/" + file);
        }
        for (const auto& [file, path] : drop_ins)
            if (const std::optional<std::string> text = read_file(path)) read_unit_file(*text, command);

        Variables variables = command.environment;
        for (const std::string& path : command.environment_files)
            if (const std::optional<std::string> text = read_file(path))
                for (auto& [key, value] : environment_file(*text)) variables[key] = value;
        // The program's path may carry systemd's prefixes (-, @, :, +, !).
        std::string exec_start = command.exec_start;
        exec_start.erase(0, std::min(exec_start.find_first_not_of("-@:+!"), exec_start.size()));
        return textfile_directory(systemd_words(exec_start, variables));
    }
    return std::nullopt;
}

}  // namespace dorvane::os
