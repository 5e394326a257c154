// The database connection over ODBC: unixODBC on POSIX, ODBC32 on Windows.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/database.h"
#include "db/odbc_handle.h"
#include "db/odbc_text.h"

namespace dorvane::db {

class OdbcConnection final : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    void Open(const std::string& connection_string) override;
    void Execute(const std::string& statement) override;
    void execute_resuming(const std::string& statement, Error& err) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& query,
                                             const std::vector<std::string>& columns) override;
    void Close() override;

private:
    EnvironmentHandle environment_;
    ConnectionHandle connection_;
    // Reused for every Execute; a query gets a handle of its own, freed
    // once its result has been read.
    StatementHandle statements_;
    WideText statement_text_;  // the storage of every statement's UTF-16 text
    bool connected_ = false;
    // Set once a statement finds the connection itself gone; the results
    // read over this connection then cannot move on.
    std::shared_ptr<std::optional<Error>> link_failure_ = std::make_shared<std::optional<Error>>();
};

}  // namespace dorvane::db
