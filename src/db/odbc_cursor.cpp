#include "db/odbc_cursor.h"

#include <algorithm>

#include "common/same_name.h"
#include "db/odbc_text.h"
#include "db/odbc_timeouts.h"

namespace dorvane::db {

OdbcCursor::OdbcCursor(SQLHDBC connection, const std::string& query, const std::vector<std::string>& columns)
    : statement_(SQL_HANDLE_DBC, connection) {
    for (const std::string& name : columns) columns_.push_back(Column{name, 0, {}, 0});
    set_query_timeout(statement_);
    WideText text(query);
    statement_.check(SQLExecDirectW(statement_.get(), text.get(), text.length()));
    find_columns();
    order_columns();
    bind_columns();
    if (bound_) {
        SQLUINTEGER extensions = 0;
        rereads_bound_ = SQL_SUCCEEDED(SQLGetInfoW(connection, SQL_GETDATA_EXTENSIONS, &extensions,
                                                   sizeof extensions, nullptr)) &&
                         (extensions & SQL_GD_BOUND) != 0;
    }
}

void OdbcCursor::order_columns() {
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        if (columns_[k].number != 0) reading_order_.push_back(k);
    }
    std::sort(reading_order_.begin(), reading_order_.end(),
              [this](std::size_t a, std::size_t b) { return columns_[a].number < columns_[b].number; });
}

// Numbers the columns asked for by their names in the result.
void OdbcCursor::find_columns() {
    SQLSMALLINT count = 0;
    statement_.check(SQLNumResultCols(statement_.get(), &count));
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
        // Drivers differ on whether they count a name's length in bytes
        // or in characters: the name ends at its terminator.
        SQLWCHAR name[256] = {};
        statement_.check(SQLColAttributeW(statement_.get(), c, SQL_DESC_NAME, name, sizeof name, nullptr,
                                          nullptr));
        const std::string result_name = from_terminated_sqlwchar(name, sizeof name / sizeof *name);
        for (Column& column : columns_) {
            if (column.number == 0 && same_name(column.name, result_name)) column.number = c;
        }
    }
}

// Binds every column asked for, or none: a driver need not allow reading
// an unbound column after a bound one. A character takes at most two UTF-16
// units, so a buffer of twice the declared length holds any value.
void OdbcCursor::bind_columns() {
    for (Column& column : columns_) {
        if (column.number == 0) continue;
        SQLLEN declared = 0;
        if (!SQL_SUCCEEDED(SQLColAttributeW(statement_.get(), column.number, SQL_DESC_LENGTH, nullptr, 0, nullptr,
                                            &declared)) ||
            declared <= 0 || static_cast<SQLULEN>(declared) > longest_bound_column) {
            return;
        }
        column.buffer.resize(2 * static_cast<std::size_t>(declared) + 1);
    }
    for (Column& column : columns_) {
        if (column.number == 0) continue;
        const SQLRETURN rc =
            SQLBindCol(statement_.get(), column.number, SQL_C_WCHAR, column.buffer.data(),
                       static_cast<SQLLEN>(column.buffer.size() * sizeof(SQLWCHAR)), &column.indicator);
        if (!SQL_SUCCEEDED(rc)) {
            SQLFreeStmt(statement_.get(), SQL_UNBIND);
            return;
        }
    }
    bound_ = true;
}

bool OdbcCursor::fetch(std::vector<FieldValue>& row) {
    const SQLRETURN rc = SQLFetch(statement_.get());
    if (rc == SQL_NO_DATA) return false;
    statement_.check(rc);
    row.resize(columns_.size());
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        if (columns_[k].number == 0) row[k].reset();
    }
    for (const std::size_t k : reading_order_) {
        const Column& column = columns_[k];
        row[k] = bound_ ? read_bound(column) : read_column(column.number);
    }
    return true;
}

// The value that the fetch put in the column's buffer.
FieldValue OdbcCursor::read_bound(const Column& column) {
    if (column.indicator == SQL_NULL_DATA) return std::nullopt;
    const std::size_t capacity = column.buffer.size() - 1;  // one for the NUL
    const std::size_t length = written_length(column.buffer.data(), capacity);
    if (length == capacity && static_cast<std::size_t>(column.indicator) != capacity * sizeof(SQLWCHAR)) {
        // Longer than its column declared: read again, whole, where the
        // driver lets a bound column be read (SQL_GD_BOUND). A value that
        // comes back no longer than the buffer, counted in UTF-16 units as
        // the buffer is, is not whole, and a name cut short must never be
        // used.
        std::optional<std::u16string> whole = rereads_bound_ ? read_column_text(column.number) : std::nullopt;
        if (!whole || whole->size() <= capacity) {
            throw Error(unspecified_error, "The driver gave a value of the result only in part");
        }
        return os::utf16_to_utf8(*whole);
    }
    return from_sqlwchar(column.buffer.data(), length);
}

FieldValue OdbcCursor::read_column(SQLUSMALLINT column) {
    std::optional<std::u16string> value = read_column_text(column);
    if (!value) return std::nullopt;
    return os::utf16_to_utf8(*value);
}

// The whole value in UTF-16, however long, in as many pieces as it takes.
std::optional<std::u16string> OdbcCursor::read_column_text(SQLUSMALLINT column) {
    std::u16string value;
    SQLWCHAR buffer[512] = {};
    constexpr std::size_t capacity = sizeof buffer / sizeof *buffer - 1;  // one for the NUL
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement_.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        statement_.check(rc);
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        const std::size_t length = written_length(buffer, capacity);
        value.append(reinterpret_cast<const char16_t*>(buffer), length);
        // A piece that left room, or that the driver gave without a
        // warning (01004 says there is more), is the last one, whatever
        // its length indicator says (SQL_NO_TOTAL included).
        if (rc == SQL_SUCCESS || length < capacity) break;
    }
    return value;
}

}  // namespace dorvane::db
