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
    : statement_(SQL_HANDLE_DBC, connection), link_failure_(std::move(link_failure)), names_(columns),
      numbers_(columns.size(), 0) {
    set_query_timeout(statement_);
    WideText text(query);
    statement_.check(SQLExecDirectW(statement_.get(), text.get(), text.length()));

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
        for (std::size_t k = 0; k < names_.size(); ++k) {
            if (numbers_[k] == 0 && same_name(names_[k], result_name)) numbers_[k] = c;
        }
    }
    read_batch();
    if (batch_.empty() && failure_ahead_) throw *failure_ahead_;
    eof_ = batch_.empty();
}

FieldValue OdbcRecordset::field(const std::string& name) {
    if (!open_) throw closed();
    if (eof_) throw at_end();
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (numbers_[k] != 0 && same_name(names_[k], name)) return batch_[position_][k];
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
            row.reserve(numbers_.size());
            for (const SQLUSMALLINT number : numbers_) row.push_back(number != 0 ? read_column(number) : std::nullopt);
            batch_.push_back(std::move(row));
        }
    } catch (const Error& e) {
        failure_ahead_ = e;
        exhausted_ = true;
    }
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
