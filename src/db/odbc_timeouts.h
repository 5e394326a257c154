// The time limits that every connection and every statement carries, so
// that a server that stops answering cannot hold an unattended run forever.
#pragma once

#include "db/odbc_handle.h"

namespace dorvane::db {

// Seconds to open a connection, and for each statement, the catalogue query
// included: the usual defaults of a connection and of a command.
constexpr SQLULEN login_timeout_seconds = 15;
constexpr SQLULEN query_timeout_seconds = 30;

// Set before the connection is opened.
void set_login_timeout(const ConnectionHandle& connection);
// Set on each statement handle once it is allocated.
void set_query_timeout(const StatementHandle& statement);

}  // namespace dorvane::db
