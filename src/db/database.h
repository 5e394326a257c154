// The database access that the permission work needs: a connection that
// runs statements, and a forward-only, read-only result of a query.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace dorvane::db {

// A column's value in the current row; empty for SQL NULL.
using FieldValue = std::optional<std::string>;

// The value as text. A null cannot be text: raises 94, "Invalid use of Null".
std::string as_text(const FieldValue& value);

class Recordset {
public:
    virtual ~Recordset() = default;
    // True once the position has passed the last row.
    virtual bool eof() const = 0;
    // The current row's value of the column named `name` (any letter case),
    // one of those named when the result was opened.
    virtual FieldValue field(const std::string& name) = 0;
    virtual void MoveNext() = 0;
    virtual void Close() = 0;
};

// Every operation raises an Error when it fails.
class Connection {
public:
    virtual ~Connection() = default;
    virtual void Open(const std::string& connection_string) = 0;
    // Runs one statement; any result it gives is discarded.
    virtual void Execute(const std::string& statement) = 0;
    // The same under "resume next": a failure is recorded in `err` instead
    // of raised, and `err` is left as it was when the statement succeeds. A
    // connection that can report a failure without raising it overrides
    // this; statements that are expected to fail by the thousand then cost
    // no unwinding.
    virtual void execute_resuming(const std::string& statement, Error& err) {
        resume_next(err, [&] { Execute(statement); });
    }
    // Runs a query and positions the result on its first row; `columns` are
    // the ones that will be read. Statements may run on this connection
    // while the result is open.
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& query,
                                                     const std::vector<std::string>& columns) = 0;
    virtual void Close() = 0;
};

}  // namespace dorvane::db
