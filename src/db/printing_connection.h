// A connection that reads as the real one does but sends no statement:
// each one goes to a line sink instead. The plan walks the catalogue through
// it, so that what it prints is what a run would send.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"

namespace dorvane::db {

class PrintingConnection final : public Connection {
public:
    using LineSink = std::function<void(const std::string& line)>;

    PrintingConnection(std::unique_ptr<Connection> reader, LineSink sink)
        : reader_(std::move(reader)), sink_(std::move(sink)) {}

    void Open(const std::string& connection_string) override { reader_->Open(connection_string); }
    void Execute(const std::string& statement) override { sink_(statement); }
    void execute_resuming(const std::string& statement, Error&) override { sink_(statement); }
    std::unique_ptr<Recordset> OpenRecordset(const std::string& query,
                                             const std::vector<std::string>& columns) override {
        return reader_->OpenRecordset(query, columns);
    }
    void Close() override { reader_->Close(); }

private:
    std::unique_ptr<Connection> reader_;
    LineSink sink_;
};

}  // namespace dorvane::db
