// The benchmark's floor: the wide ODBC calls that dorvane makes for one
// data source, and nothing else. It reads the catalogue through bound
// UTF-16 buffers, then runs the statements of a file (one per line, the
// first being the catalogue query) and reads each failure's first
// diagnostic. What dorvane spends beyond this client is its own work.
//
//   wide_client DSN USER PASSWORD STATEMENTS-FILE
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::u16string widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: wide_client DSN USER PASSWORD STATEMENTS-FILE\n");
        return 2;
    }
    std::ifstream file(argv[4]);
    std::vector<std::u16string> statements;
    for (std::string line; std::getline(file, line);) statements.push_back(widened(line));
    if (statements.empty()) return 2;

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(static_cast<std::intptr_t>(SQL_OV_ODBC3)), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::u16string connection = widened(std::string("DSN=") + argv[1] + ";UID=" + argv[2] + ";PWD=" + argv[3]);
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, wide(connection), static_cast<SQLSMALLINT>(connection.size()),
                                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "wide_client: cannot connect to %s\n", argv[1]);
        return 1;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);

    std::size_t rows = 0, failures = 0;
    {
        SQLHSTMT catalogue = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &catalogue);
        SQLExecDirectW(catalogue, wide(statements[0]), static_cast<SQLINTEGER>(statements[0].size()));
        SQLWCHAR owner[129], table[129];
        SQLLEN owner_length = 0, table_length = 0;
        SQLBindCol(catalogue, 2, SQL_C_WCHAR, owner, sizeof owner, &owner_length);
        SQLBindCol(catalogue, 3, SQL_C_WCHAR, table, sizeof table, &table_length);
        while (SQL_SUCCEEDED(SQLFetch(catalogue))) ++rows;
        SQLCloseCursor(catalogue);
        SQLFreeHandle(SQL_HANDLE_STMT, catalogue);
    }
    for (std::size_t i = 1; i < statements.size(); ++i) {
        const SQLRETURN rc = SQLExecDirectW(stmt, wide(statements[i]), static_cast<SQLINTEGER>(statements[i].size()));
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            SQLWCHAR state[6], message[1024];
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            SQLGetDiagRecW(SQL_HANDLE_STMT, stmt, 1, state, &native, message, 1024, &length);
            ++failures;
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
    }
    std::printf("%zu rows, %zu statements, %zu failed\n", rows, statements.size() - 1, failures);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return 0;
}
