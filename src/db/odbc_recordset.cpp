#include "db/odbc_recordset.h"

#include <algorithm>

#include "common/same_name.h"
#include "db/odbc_text.h"
#include "db/odbc_timeouts.h"

namespace dorvane::db {
namespace {

Error closed() { return Error(3704, "Operation is not allowed when the object is closed."); }
Error at_end() {
    return Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
}

}  // namespace

OdbcRecordset::OdbcRecordset(SQLHDBC connection, const std::string& query,
                             const std::vector<std::string>& columns,
                             std::shared_ptr<const std::optional<Error>> link_failure)
    : statement_(SQL_HANDLE_DBC, connection), link_failure_(std::move(link_failure)) {
    for (const std::string& name : columns) columns_.push_back(Column{name, 0, {}, 0});
    set_query_timeout(statement_);
    WideText text(query);
    statement_.check(SQLExecDirectW(statement_.get(), text.get(), text.length()));
    find_columns();
    bind_columns();
    read_batch();
    if (batch_.empty() && failure_ahead_) throw *failure_ahead_;
    eof_ = batch_.empty();
}

// Numbers the columns asked for by their names in the result.
void OdbcRecordset::find_columns() {
    SQLSMALLINT count = 0;
    statement_.check(SQLNumResultCols(statement_.get(), &count));
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
        SQLWCHAR name[256];
        SQLSMALLINT length = 0;
        statement_.check(SQLColAttributeW(statement_.get(), c, SQL_DESC_NAME, name, sizeof name,
                                          &length, nullptr));
        const std::size_t chars = std::min<std::size_t>(static_cast<std::size_t>(length) / sizeof(SQLWCHAR),
                                                        sizeof name / sizeof *name - 1);
        const std::string result_name = from_sqlwchar(name, chars);
        for (Column& column : columns_) {
            if (column.number == 0 && same_name(column.name, result_name)) column.number = c;
        }
    }
}

// Binds every column asked for, or none: a driver need not allow reading
// an unbound column after a bound one. A character takes at most two UTF-16
// units, so a buffer of twice the declared length holds any value.
void OdbcRecordset::bind_columns() {
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

FieldValue OdbcRecordset::field(const std::string& name) {
    if (!open_) throw closed();
    if (eof_) throw at_end();
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        if (columns_[k].number != 0 && same_name(columns_[k].name, name)) return batch_[position_][k];
    }
    throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

void OdbcRecordset::MoveNext() {
    if (!open_) throw closed();
    if (eof_) throw at_end();
    // The rows may be in memory already; a cursor on a lost connection must
    // still not move on as if nothing had happened.
    if (*link_failure_) throw **link_failure_;
    if (++position_ < batch_.size()) return;
    if (failure_ahead_) throw *failure_ahead_;
    batch_.clear();
    if (!exhausted_) read_batch();
    if (batch_.empty() && failure_ahead_) throw *failure_ahead_;
    eof_ = batch_.empty();
}

void OdbcRecordset::Close() {
    if (!open_) throw closed();
    open_ = false;
    statement_.check(SQLCloseCursor(statement_.get()));
    statement_.reset();
}

void OdbcRecordset::read_batch() {
    batch_.clear();
    position_ = 0;
    try {
        while (batch_.size() < batch_rows) {
            const SQLRETURN rc = SQLFetch(statement_.get());
            if (rc == SQL_NO_DATA) {
                exhausted_ = true;
                return;
            }
            statement_.check(rc);
            std::vector<FieldValue> row;
            row.reserve(columns_.size());
            for (const Column& column : columns_) {
                if (column.number == 0) {
                    row.emplace_back();
                } else {
                    row.push_back(bound_ ? read_bound(column) : read_column(column.number));
                }
            }
            batch_.push_back(std::move(row));
        }
    } catch (const Error& e) {
        failure_ahead_ = e;
        exhausted_ = true;
    }
}

// The value that the fetch put in the column's buffer.
FieldValue OdbcRecordset::read_bound(const Column& column) {
    if (column.indicator == SQL_NULL_DATA) return std::nullopt;
    const std::size_t capacity = column.buffer.size() - 1;  // one for the NUL
    if (column.indicator == SQL_NO_TOTAL || static_cast<std::size_t>(column.indicator) / sizeof(SQLWCHAR) > capacity) {
        // Longer than its column declared: read again, whole, where the
        // driver lets a bound column be read (SQL_GD_BOUND). A value that
        // comes back no longer than the buffer (in UTF-8 no shorter than in
        // UTF-16) is not whole, and a name cut short must never be used.
        FieldValue whole = read_column(column.number);
        if (!whole || whole->size() <= capacity) {
            throw Error(unspecified_error, "The driver gave a value of the result only in part");
        }
        return whole;
    }
    return from_sqlwchar(column.buffer.data(), static_cast<std::size_t>(column.indicator) / sizeof(SQLWCHAR));
}

// The whole value as text, however long, in as many pieces as it takes.
FieldValue OdbcRecordset::read_column(SQLUSMALLINT column) {
    std::u16string value;
    SQLWCHAR buffer[512];
    constexpr std::size_t capacity = sizeof buffer / sizeof *buffer - 1;  // one for the NUL
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement_.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        statement_.check(rc);
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        const bool whole = indicator != SQL_NO_TOTAL &&
                           static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) <= capacity;
        const std::size_t chars = whole ? static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) : capacity;
        value.append(reinterpret_cast<const char16_t*>(buffer), chars);
        if (whole) break;
    }
    return os::utf16_to_utf8(value);
}

}  // namespace dorvane::db
