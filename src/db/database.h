// The database access that the permission work needs: a connection that
// runs statements and queries.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "db/recordset.h"

namespace dorvane::db {

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
    // the ones that will be read. The result is read whole and closed on
    // the connection before this returns (see Recordset), so statements may
    // run on the connection while the Recordset is in use.
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& query,
                                                     const std::vector<std::string>& columns) = 0;
    virtual void Close() = 0;
};

}  // namespace dorvane::db
