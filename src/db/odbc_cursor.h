// A query's result over an ODBC statement handle, read row by row.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/odbc_handle.h"
#include "db/recordset.h"

namespace dorvane::db {

// Columns of a declared length are bound to buffers that hold their longest
// value, so that a row arrives whole with its fetch; others are read piece
// by piece after it. Only the columns asked for are read, in rising column
// number, and either all of them are bound or none: the strictest drivers
// allow nothing else (SQL_GETDATA_EXTENSIONS).
class OdbcCursor final : public Cursor {
public:
    // Runs `query` on its own statement handle of `connection`.
    OdbcCursor(SQLHDBC connection, const std::string& query, const std::vector<std::string>& columns);
    // The driver holds the addresses of the bound buffers.
    OdbcCursor(const OdbcCursor&) = delete;
    OdbcCursor& operator=(const OdbcCursor&) = delete;

    bool has_column(std::size_t k) const override { return columns_[k].number != 0; }
    bool fetch(std::vector<FieldValue>& row) override;
    // Frees the statement handle, which ends its result on the connection.
    void close() noexcept override { statement_.reset(); }

private:
    // Columns declared longer than this (in characters), or of no declared
    // length, are read piece by piece.
    static constexpr SQLULEN longest_bound_column = 1024;

    struct Column {
        std::string name;              // as asked for
        SQLUSMALLINT number = 0;       // in the result, 0 when absent
        std::vector<SQLWCHAR> buffer;  // when bound: the value and its NUL
        SQLLEN indicator = 0;
    };

    void find_columns();
    void bind_columns();
    void order_columns();
    FieldValue read_bound(const Column& column);
    // The whole value as text, however long.
    FieldValue read_column(SQLUSMALLINT number);
    std::optional<std::u16string> read_column_text(SQLUSMALLINT number);

    StatementHandle statement_;
    std::vector<Column> columns_;  // the columns asked for, in that order
    // The places in columns_ of those in the result, by rising column
    // number: the order in which a driver need allow them to be read.
    std::vector<std::size_t> reading_order_;
    bool bound_ = false;
    bool rereads_bound_ = false;  // SQLGetData allowed on a bound column
};

}  // namespace dorvane::db
