#include "db/odbc_timeouts.h"

#include <cstdint>

namespace dorvane::db {
namespace {

SQLPOINTER as_attribute_value(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value));
}

// A limit is a safeguard the driver may not offer. A driver that does not
// support the attribute (HYC00) keeps its own behaviour, and one that chose
// another value says so with SQL_SUCCESS_WITH_INFO (01S02), which is a
// success: neither fails the data source, and neither is worth a log line,
// since the run itself is unaffected. Any other failure is raised.
void check_limit(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle) {
    if (SQL_SUCCEEDED(rc)) return;
    if (rc == SQL_ERROR && first_diagnostic(handle_type, handle).state == "HYC00") return;
    check(rc, handle_type, handle);
}

}  // namespace

void set_login_timeout(const ConnectionHandle& connection) {
    check_limit(SQLSetConnectAttrW(connection.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                   as_attribute_value(login_timeout_seconds), 0),
                SQL_HANDLE_DBC, connection.get());
}

void set_query_timeout(const StatementHandle& statement) {
    check_limit(SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                                as_attribute_value(query_timeout_seconds), 0),
                SQL_HANDLE_STMT, statement.get());
}

}  // namespace dorvane::db
