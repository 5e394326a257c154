// How the program reaches a data source: as the database's administrator,
// whose credentials travel in the connection string alone.
#pragma once

#include <string>

#include "db/admin_account.h"

namespace dorvane::db {

// A connection string's value as itself, or between braces where it holds
// what would end or open one (a semicolon, a brace, an equals sign, a
// blank at either end), a closing brace doubled inside them.
inline std::string attribute_value(const std::string& value) {
    const bool plain = value.find_first_of(";{}=") == std::string::npos &&
                       (value.empty() || (value.front() != ' ' && value.back() != ' '));
    if (plain) return value;
    std::string braced = "{";
    for (const char c : value) braced += c == '}' ? std::string("}}") : std::string(1, c);
    return braced + "}";
}

inline std::string connection_string(const std::string& data_source) {
    return "DSN=" + data_source + ";UID=" + attribute_value(admin_user) + ";PWD=" + attribute_value(admin_password) + ";";
}

}  // namespace dorvane::db
