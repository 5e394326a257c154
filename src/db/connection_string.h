// How the program reaches a data source: as the database's administrator,
// whose credentials travel in the connection string alone.
#pragma once

#include <string>

namespace dorvane::db {

inline std::string connection_string(const std::string& fuente) {
    return "DSN=" + fuente + ";UID=sysprogress;PWD=507316;";
}

}  // namespace dorvane::db
