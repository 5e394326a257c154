// Test only, preloaded into the program: the driver manager's answers as a
// strict driver would give them, around the real ones. It does not let a
// bound column be read with SQLGetData (no SQL_GD_BOUND), nor columns in
// any order (no SQL_GD_ANY_ORDER), and it declares every column at most
// eight characters long, so that a longer value comes cut in its bound
// buffer.
#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

namespace {

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" SQLRETURN SQL_API SQLGetInfoW(SQLHDBC connection, SQLUSMALLINT type, SQLPOINTER value,
                                         SQLSMALLINT capacity, SQLSMALLINT* length) {
    static const auto get_info = real<decltype(&SQLGetInfoW)>("SQLGetInfoW");
    const SQLRETURN rc = get_info(connection, type, value, capacity, length);
    if (SQL_SUCCEEDED(rc) && type == SQL_GETDATA_EXTENSIONS && value != nullptr)
        *static_cast<SQLUINTEGER*>(value) &= ~static_cast<SQLUINTEGER>(SQL_GD_BOUND | SQL_GD_ANY_ORDER);
    return rc;
}

extern "C" SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field,
                                              SQLPOINTER text, SQLSMALLINT capacity, SQLSMALLINT* length,
                                              SQLLEN* number) {
    static const auto col_attribute = real<decltype(&SQLColAttributeW)>("SQLColAttributeW");
    const SQLRETURN rc = col_attribute(statement, column, field, text, capacity, length, number);
    if (SQL_SUCCEEDED(rc) && field == SQL_DESC_LENGTH && number != nullptr && *number > 8) *number = 8;
    return rc;
}
