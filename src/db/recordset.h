// A query's result: what a driver hands over row by row (a Cursor), and
// the forward-only, read-only result that the walk reads (a Recordset).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace dorvane::db {

// A column's value in a row; empty for SQL NULL.
using FieldValue = std::optional<std::string>;

// The value as text. A null cannot be text: raises 94, "Invalid use of Null".
std::string as_text(const FieldValue& value);

// A query's result while it is open on its connection.
class Cursor {
public:
    virtual ~Cursor() = default;
    // Whether the result has the `k`th of the columns asked for.
    virtual bool has_column(std::size_t k) const = 0;
    // Moves to the next row and puts its values of the columns asked for in
    // `row`, in that order (empty for a column the result lacks). False
    // after the last row. Raises an Error when the row cannot be read.
    virtual bool fetch(std::vector<FieldValue>& row) = 0;
    // Ends the result on its connection. Never fails.
    virtual void close() noexcept = 0;
};

// A result read whole, then closed on its connection before the caller
// sees its first row: statements can then run on that connection with any
// driver, one that allows a single active statement or closes cursors at
// each commit among them. Only the columns asked for are kept.
//
// The order of effects stays that of a row-by-row cursor: a failure met
// while reading row k is raised when the walk moves to row k (at once for
// the first row), and from then on every read is refused with it.
class Recordset {
public:
    // Reads `cursor` to its end or its first failure, and closes it. Once
    // `link_failure` holds an error, the connection is gone and moving on
    // fails with it, as a cursor that reads from the server would.
    Recordset(Cursor& cursor, std::vector<std::string> columns,
              std::shared_ptr<const std::optional<Error>> link_failure = nullptr);

    // True once the position has passed the last row.
    bool eof() const { return position_ >= rows_ && !failure_; }
    // The current row's value of the column named `name` (any letter case),
    // one of those asked for.
    FieldValue field(const std::string& name) const;
    // Whether the result has the column named `name`, one of those asked for.
    bool has_field(const std::string& name) const;
    void MoveNext();
    void Close();

private:
    void refuse_if_unreadable() const;

    std::vector<std::string> columns_;  // as asked for
    std::vector<bool> present_;         // in the result
    std::vector<FieldValue> values_;    // row after row, one per column asked for
    std::size_t rows_ = 0;
    std::size_t position_ = 0;
    std::optional<Error> failure_;  // met while reading the row after the last one
    std::shared_ptr<const std::optional<Error>> link_failure_;
    bool open_ = true;
};

}  // namespace dorvane::db
