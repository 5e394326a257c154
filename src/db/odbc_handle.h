// ODBC handles, owned, and their diagnostics as Errors.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>

#include "common/error.h"

namespace dorvane::db {

// The first diagnostic record of `handle`: an Error with its native code
// (never 0) and its message text as the driver gave it, and its SQLSTATE.
struct Diagnostic {
    Error error;
    std::string state;
    // Class 08: the connection itself failed, not just one statement.
    bool connection_lost() const { return state.rfind("08", 0) == 0; }
};
Diagnostic first_diagnostic(SQLSMALLINT handle_type, SQLHANDLE handle);
Error diagnostic_error(SQLSMALLINT handle_type, SQLHANDLE handle);

// Raises the handle's diagnostic when `rc` is a failure. SQL_NO_DATA is not
// one: a statement that touched no row has still run.
void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle);

// One ODBC handle, freed exactly once by its destructor, which never throws.
template <SQLSMALLINT HandleType>
class OdbcHandle {
public:
    OdbcHandle() = default;
    // Allocates a handle of this type under `parent`; raises on failure.
    OdbcHandle(SQLSMALLINT parent_type, SQLHANDLE parent) {
        const SQLRETURN rc = SQLAllocHandle(HandleType, parent, &handle_);
        if (!SQL_SUCCEEDED(rc)) {
            handle_ = SQL_NULL_HANDLE;
            if (parent == SQL_NULL_HANDLE) throw Error(unspecified_error, "Cannot allocate an ODBC handle");
            throw diagnostic_error(parent_type, parent);
        }
    }
    OdbcHandle(OdbcHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = SQL_NULL_HANDLE; }
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = SQL_NULL_HANDLE;
        }
        return *this;
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    ~OdbcHandle() { reset(); }

    void reset() noexcept {
        if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(HandleType, handle_);
        handle_ = SQL_NULL_HANDLE;
    }
    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    // Raises this handle's diagnostic when `rc` is a failure.
    void check(SQLRETURN rc) const { db::check(rc, HandleType, handle_); }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using ConnectionHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

}  // namespace dorvane::db
