#include "db/odbc_handle.h"

#include <algorithm>
#include <string>
#include <vector>

#include "db/odbc_text.h"

namespace dorvane::db {

Diagnostic first_diagnostic(SQLSMALLINT handle_type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    // Room for any message a driver usually gives; a longer one is read
    // again into a buffer of its length.
    SQLWCHAR usual[1024];
    std::vector<SQLWCHAR> longer;
    SQLWCHAR* message = usual;
    std::size_t capacity = sizeof usual / sizeof *usual;
    SQLRETURN rc = SQLGetDiagRecW(handle_type, handle, 1, state, &native, message,
                                  static_cast<SQLSMALLINT>(capacity), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && static_cast<std::size_t>(length) >= capacity) {
        // The length is a SQLSMALLINT, and so must be the buffer's.
        longer.resize(std::min<std::size_t>(static_cast<std::size_t>(length) + 1, 32767));
        message = longer.data();
        capacity = longer.size();
        rc = SQLGetDiagRecW(handle_type, handle, 1, state, &native, message, static_cast<SQLSMALLINT>(capacity),
                            &length);
    }
    if (!SQL_SUCCEEDED(rc)) return {Error(unspecified_error, "Unknown ODBC error"), ""};
    return {Error(static_cast<std::int32_t>(native), from_terminated_sqlwchar(message, capacity)),
            from_sqlwchar(state, 5)};
}

Error diagnostic_error(SQLSMALLINT handle_type, SQLHANDLE handle) {
    return first_diagnostic(handle_type, handle).error;
}

void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) return;
    if (rc == SQL_INVALID_HANDLE) throw Error(unspecified_error, "Invalid ODBC handle");
    throw diagnostic_error(handle_type, handle);
}

}  // namespace dorvane::db
