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
    std::vector<std::string> calls;                 // in order
    // Calls that fail, by their name in `calls` ("MoveNext", "Close", ...);
    // a field read is "field owner" or "field tbl", counted per call.
    std::vector<std::string> failing;
    int field_reads_before_failure = -1;  // with "field" in `failing`

    void maybe_fail(const std::string& call);
    std::unique_ptr<db::Connection> connect();
};

}  // namespace dorvane::testing
