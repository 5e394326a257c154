#include "os/command_line.h"

namespace dorvane::os {
namespace {

bool ends_in_exe(const std::string& text, std::size_t end) {
    static const char exe[] = ".exe";
    if (end < 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        char c = text[end - 4 + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != exe[i]) return false;
    }
    return true;
}

}  // namespace

std::string program_in_command_line(const std::string& command_line) {
    const std::size_t start = command_line.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    if (command_line[start] == '"') {
        const std::size_t close = command_line.find('"', start + 1);
        return command_line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    }
    std::size_t first_word_end = std::string::npos;
    for (std::size_t at = start; at <= command_line.size(); ++at) {
        const bool word_end = at == command_line.size() || command_line[at] == ' ' || command_line[at] == '\t';
        if (!word_end) continue;
        if (ends_in_exe(command_line, at)) return command_line.substr(start, at - start);
        if (first_word_end == std::string::npos) first_word_end = at;
    }
    return command_line.substr(start, first_word_end - start);
}

}  // namespace dorvane::os
