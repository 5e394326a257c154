#include "registry/ini_file.h"

#include <string_view>
#include <vector>

#include "common/same_name.h"

namespace dorvane::modRegistro {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (is_blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// One line of the file: where its text starts, where it ends (before any
// CR LF or LF) and where the next line starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> split_lines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        const std::size_t lf = content.find('\n', begin);
        if (lf == std::string::npos) {
            lines.push_back({begin, content.size(), content.size()});
            break;
        }
        const std::size_t end = (lf > begin && content[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back({begin, end, lf + 1});
        begin = lf + 1;
    }
    return lines;
}

std::string_view text_of(const std::string& content, const Line& line) {
    return std::string_view(content).substr(line.begin, line.end - line.begin);
}

// The name of a "[name]" line, or empty when the line is no section header.
std::optional<std::string_view> section_name(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.front() != '[') return std::nullopt;
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(text.substr(1, close - 1));
}

bool is_comment(std::string_view text) {
    text = trim(text);
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

// The key of a "key = value" line, or empty when the line is no entry.
std::optional<std::string_view> entry_key(std::string_view text) {
    if (is_comment(text) || section_name(text)) return std::nullopt;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return trim(text.substr(0, equals));
}

// The lines of the first section called `section`: [first, last).
std::optional<std::pair<std::size_t, std::size_t>> find_section(const std::string& content,
                                                                const std::vector<Line>& lines,
                                                                const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = section_name(text_of(content, lines[i]));
        if (!name || !same_name(*name, section)) continue;
        std::size_t last = i + 1;
        while (last < lines.size() && !section_name(text_of(content, lines[last]))) ++last;
        return std::make_pair(i + 1, last);
    }
    return std::nullopt;
}

// The line end that the file uses, LF when it has none yet.
std::string file_line_end(const std::string& content) {
    const std::size_t lf = content.find('\n');
    return (lf != std::string::npos && lf > 0 && content[lf - 1] == '\r') ? "\r\n" : "\n";
}

}  // namespace

bool storable_value(const std::string& value) {
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
           (value.empty() || (!is_blank(value.front()) && !is_blank(value.back())));
}

bool storable_name(const std::string& name) {
    return !name.empty() && storable_value(name) && name.find_first_of("=[];#") == std::string::npos;
}

bool has_section(const std::string& content, const std::string& section) {
    return find_section(content, split_lines(content), section).has_value();
}

std::optional<std::string> set_ini_value(const std::string& content, const std::string& section,
                                         const std::string& name, const std::string& value) {
    const std::vector<Line> lines = split_lines(content);
    const auto range = find_section(content, lines, section);
    if (!range) return std::nullopt;

    std::size_t last_entry = range->first - 1;  // the header, while no entry is seen
    for (std::size_t i = range->first; i < range->second; ++i) {
        const std::string_view text = text_of(content, lines[i]);
        const auto key = entry_key(text);
        if (!key) continue;
        last_entry = i;
        if (!same_name(*key, name)) continue;
        // Replace the value between the blanks that surround it.
        std::size_t from = lines[i].begin + text.find('=') + 1;
        while (from < lines[i].end && is_blank(content[from])) ++from;
        std::size_t to = lines[i].end;
        while (to > from && (is_blank(content[to - 1]) || content[to - 1] == '\r')) --to;
        return content.substr(0, from) + value + content.substr(to);
    }

    // A new entry after the last one. If that line ends the file without a
    // line end, it gets one and the new last line goes without, as before.
    const Line& after = lines[last_entry];
    const std::string entry = name + "=" + value;
    if (after.next == after.end) {
        return content.substr(0, after.end) + file_line_end(content) + entry + content.substr(after.end);
    }
    const std::string line_end = content.substr(after.end, after.next - after.end);
    return content.substr(0, after.next) + entry + line_end + content.substr(after.next);
}

}  // namespace dorvane::modRegistro
