// A forward-only, read-only query result over an ODBC statement handle.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/odbc_handle.h"

namespace dorvane::db {

// Rows are read ahead in batches, only the columns asked for: the walk's
// statements then run back to back, and memory stays bounded however long
// the result. A failure met while reading ahead is kept and raised when the
// walk reaches its row, so the order of effects is that of a row-by-row
// cursor.
//
// Columns of a declared length are bound to buffers that hold their longest
// value, so that a row arrives whole with its fetch; others are read piece
// by piece after it.
class OdbcRecordset final : public Recordset {
public:
    // Runs `query` on `connection` and moves to the first row. Once
    // `link_failure` holds an error, the connection is gone and moving on
    // fails with it, as a cursor that reads from the server would.
    OdbcRecordset(SQLHDBC connection, const std::string& query, const std::vector<std::string>& columns,
                  std::shared_ptr<const std::optional<Error>> link_failure);
    // The driver holds the addresses of the bound buffers.
    OdbcRecordset(const OdbcRecordset&) = delete;
    OdbcRecordset& operator=(const OdbcRecordset&) = delete;

    bool eof() const override { return eof_; }
    FieldValue field(const std::string& name) override;
    void MoveNext() override;
    void Close() override;

private:
    static constexpr std::size_t batch_rows = 512;
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
    void read_batch();
    FieldValue read_bound(const Column& column);
    FieldValue read_column(SQLUSMALLINT number);

    StatementHandle statement_;
    std::shared_ptr<const std::optional<Error>> link_failure_;
    std::vector<Column> columns_;  // the columns asked for, in that order
    bool bound_ = false;
    std::vector<std::vector<FieldValue>> batch_;
    std::size_t position_ = 0;            // the current row in `batch_`
    std::optional<Error> failure_ahead_;  // met after the last row of `batch_`
    bool exhausted_ = false;              // no rows after `batch_`
    bool eof_ = false;
    bool open_ = true;
};

}  // namespace dorvane::db
