// For any owner, table and user names, each statement holds exactly one
// quoted owner, one quoted table and one user literal, and reading them
// back gives the original names.
#include <cstdlib>
#include <optional>

#include "db/privileges.h"
#include "fuzz_input.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Reads a token delimited by `quote`, with doubled quotes inside, from
// `at`; advances past it.
std::optional<std::string> read_quoted(const std::string& s, std::size_t& at, char quote) {
    if (at >= s.size() || s[at] != quote) return std::nullopt;
    std::string out;
    for (std::size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] != quote) {
            out += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == quote) {
            out += quote;
            ++i;
        } else {
            at = i + 1;
            return out;
        }
    }
    return std::nullopt;
}

bool read_literal_text(const std::string& s, std::size_t& at, const std::string& text) {
    if (s.compare(at, text.size(), text) != 0) return false;
    at += text.size();
    return true;
}

void check(const std::string& statement, const std::string& head, const std::string& joint, const std::string& owner,
           const std::string& table, const std::string& user) {
    std::size_t at = 0;
    require(read_literal_text(statement, at, head));
    require(read_quoted(statement, at, '"') == owner);
    require(read_literal_text(statement, at, "."));
    require(read_quoted(statement, at, '"') == table);
    require(read_literal_text(statement, at, joint));
    require(read_quoted(statement, at, '\'') == user);
    require(at == statement.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = dorvane::fuzz::split_input(data, size, 3);
    const std::string &owner = parts[0], &table = parts[1], &user = parts[2];
    check(dorvane::db::revoke_statement(owner, table, user), "Revoke all on ", " from ", owner, table, user);
    check(dorvane::db::grant_statement(owner, table, user), "grant select on ", " to ", owner, table, user);
    return 0;
}
