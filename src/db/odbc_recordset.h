// A forward-only, read-only query result over an ODBC statement handle.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/odbc_handle.h"

namespace dorvane::db {

class OdbcRecordset final : public Recordset {
public:
    // Runs `query` on `connection` and moves to the first row. Once
    // `link_failure` holds an error, the connection is gone and moving on
    // fails with it, as a cursor that reads from the server would.
    OdbcRecordset(SQLHDBC connection, const std::string& query,
                  std::shared_ptr<const std::optional<Error>> link_failure);

    bool eof() const override { return eof_; }
    FieldValue field(const std::string& name) const override;
    void MoveNext() override;
    void Close() override;

private:
    void fetch();
    FieldValue read_column(SQLUSMALLINT column);

    StatementHandle statement_;
    std::shared_ptr<const std::optional<Error>> link_failure_;
    std::vector<std::string> names_;
    std::vector<FieldValue> row_;  // the current row, read whole on arrival
    bool eof_ = false;
    bool open_ = true;
};

}  // namespace dorvane::db
