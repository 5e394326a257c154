#include "support/fake_database.h"

#include <algorithm>

namespace dorvane::testing {
namespace {

class FakeCursor : public db::Cursor {
public:
    // The result stays open until it is closed, as a driver's would.
    FakeCursor(FakeDatabase& db, const std::vector<std::string>& columns) : db_(db), columns_(columns) {
        db_.result_open = true;
    }
    bool has_column(std::size_t k) const override {
        return std::find(db_.absent_columns.begin(), db_.absent_columns.end(), columns_[k]) ==
               db_.absent_columns.end();
    }
    bool fetch(std::vector<db::FieldValue>& row) override {
        if (row_ == db_.rows.size()) return false;
        db_.maybe_fail("fetch " + std::to_string(row_ + 1));
        row = db_.rows[row_++];
        return true;
    }
    void close() noexcept override {
        db_.calls.push_back("Result.Close");
        db_.result_open = false;
    }

private:
    FakeDatabase& db_;
    std::vector<std::string> columns_;
    std::size_t row_ = 0;
};

class FakeConnection : public db::Connection {
public:
    explicit FakeConnection(FakeDatabase& db) : db_(db) {}
    void Open(const std::string& connection_string) override {
        db_.calls.push_back("Open " + connection_string);
        db_.maybe_fail("Open");
    }
    void Execute(const std::string& statement) override {
        db_.calls.push_back(statement);
        if (db_.one_active_statement && db_.result_open)
            throw Error(-2147467259, "fake: the connection is busy with another statement's result");
        db_.maybe_fail(statement);
    }
    std::unique_ptr<db::Recordset> OpenRecordset(const std::string& query,
                                                 const std::vector<std::string>& columns) override {
        db_.calls.push_back(query);
        db_.maybe_fail(query);
        FakeCursor cursor(db_, columns);
        return std::make_unique<db::Recordset>(cursor, columns);
    }
    void Close() override {
        db_.calls.push_back("Close");
        db_.maybe_fail("Close");
    }

private:
    FakeDatabase& db_;
};

}  // namespace

void FakeDatabase::maybe_fail(const std::string& call) {
    if (std::find(failing.begin(), failing.end(), call) != failing.end())
        throw Error(-2147217900, "fake failure of " + call);
}

std::unique_ptr<db::Connection> FakeDatabase::connect() { return std::make_unique<FakeConnection>(*this); }

}  // namespace dorvane::testing
