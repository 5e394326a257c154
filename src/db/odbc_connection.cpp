#include "db/odbc_connection.h"

#include <cstdint>
#include <utility>

#include "db/odbc_cursor.h"
#include "db/odbc_timeouts.h"

namespace dorvane::db {
namespace {

Error not_open() { return Error(3704, "Operation is not allowed when the object is closed."); }

}  // namespace

OdbcConnection::OdbcConnection() : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
    environment_.check(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(static_cast<std::intptr_t>(SQL_OV_ODBC3)), 0));
    connection_ = ConnectionHandle(SQL_HANDLE_ENV, environment_.get());
}

OdbcConnection::~OdbcConnection() {
    statements_.reset();
    if (connected_) SQLDisconnect(connection_.get());
}

// No prompt: the program runs unattended, so a missing piece is a failure.
void OdbcConnection::Open(const std::string& connection_string) {
    set_login_timeout(connection_);
    WideText text(connection_string);
    SQLWCHAR completed[1024];
    SQLSMALLINT completed_length = 0;
    connection_.check(SQLDriverConnectW(connection_.get(), nullptr, text.get(),
                                        static_cast<SQLSMALLINT>(text.length()), completed,
                                        static_cast<SQLSMALLINT>(sizeof completed / sizeof *completed),
                                        &completed_length, SQL_DRIVER_NOPROMPT));
    connected_ = true;
    statements_ = StatementHandle(SQL_HANDLE_DBC, connection_.get());
    set_query_timeout(statements_);
}

// Raises what the resuming form records: a failure never has number 0.
void OdbcConnection::Execute(const std::string& statement) {
    Error failure;
    execute_resuming(statement, failure);
    if (!failure.empty()) throw failure;
}

void OdbcConnection::execute_resuming(const std::string& statement, Error& err) {
    if (!connected_) {
        err = not_open();
        return;
    }
    statement_text_.assign(statement);
    const SQLRETURN rc = SQLExecDirectW(statements_.get(), statement_text_.get(), statement_text_.length());
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
        // Whatever the statement returned is dropped before anything else runs.
        SQLFreeStmt(statements_.get(), SQL_CLOSE);
        return;
    }
    // Read before the statement is reset, which clears it.
    Diagnostic diagnostic = first_diagnostic(SQL_HANDLE_STMT, statements_.get());
    SQLFreeStmt(statements_.get(), SQL_CLOSE);
    if (diagnostic.connection_lost() && !*link_failure_) *link_failure_ = diagnostic.error;
    err = std::move(diagnostic.error);
}

std::unique_ptr<Recordset> OdbcConnection::OpenRecordset(const std::string& query,
                                                         const std::vector<std::string>& columns) {
    if (!connected_) throw not_open();
    OdbcCursor cursor(connection_.get(), query, columns);
    return std::make_unique<Recordset>(cursor, columns, link_failure_);
}

void OdbcConnection::Close() {
    if (!connected_) throw not_open();
    statements_.reset();
    connection_.check(SQLDisconnect(connection_.get()));
    connected_ = false;
}

}  // namespace dorvane::db
