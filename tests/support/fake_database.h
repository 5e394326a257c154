// A database that records what it is asked and fails where a test says,
// for the failures a real server cannot give on demand.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "db/database.h"

namespace dorvane::testing {

struct FakeDatabase {
    std::vector<std::vector<db::FieldValue>> rows;  // owner, tbl
    // In order: "Open ...", each statement and query, "Result.Close" when a
    // query's result is closed, "Close".
    std::vector<std::string> calls;
    // Calls that fail, by their name in `calls`; "fetch N" fails reading
    // the Nth row of a result.
    std::vector<std::string> failing;
    // As a driver that allows one active statement per connection: a
    // statement sent while a query's result is open fails.
    bool one_active_statement = false;
    // Columns asked for that the result does not have, as a catalogue of
    // another shape.
    std::vector<std::string> absent_columns;
    bool result_open = false;

    void maybe_fail(const std::string& call);
    std::unique_ptr<db::Connection> connect();
};

}  // namespace dorvane::testing
