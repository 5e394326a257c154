// The check alone, for an audit: what the read-only user can do on each
// data source, read as a run reads it at the end of its walk, with nothing
// sent but the queries, no setting written and no log created.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "db/database.h"

namespace dorvane {

// Under a line "-- <data source>" for each data source, one line for every
// privilege that the read-only user or PUBLIC holds on a table of the
// catalogue, and every authority, each marked "excess: " or "meant: ", with
// its grantor; or the line that says why the data source could not be
// opened or checked. Returns 0 when the three were opened and checked and
// nothing is excess, 3 otherwise. An error that would end a run (reading
// the catalogue, closing a connection) travels to the caller.
int audit(const std::function<std::unique_ptr<db::Connection>()>& new_connection,
          const std::function<void(const std::string& line)>& output);

}  // namespace dorvane
