#include "support/fake_database.h"

#include <algorithm>

namespace dorvane::testing {
namespace {

class FakeRecordset : public db::Recordset {
public:
    explicit FakeRecordset(FakeDatabase& db) : db_(db) {}
    bool eof() const override { return row_ >= db_.rows.size(); }
    db::FieldValue field(const std::string& name) override {
        db_.calls.push_back("field " + name);
        db_.maybe_fail("field " + name);
        return db_.rows[row_][name == "owner" ? 0 : 1];
    }
    void MoveNext() override {
        db_.calls.push_back("MoveNext");
        db_.maybe_fail("MoveNext");
        ++row_;
    }
    void Close() override {
        db_.calls.push_back("Recordset.Close");
        db_.maybe_fail("Recordset.Close");
    }

private:
    FakeDatabase& db_;
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
        db_.maybe_fail(statement);
    }
    std::unique_ptr<db::Recordset> OpenRecordset(const std::string& query,
                                                 const std::vector<std::string>&) override {
        db_.calls.push_back(query);
        db_.maybe_fail(query);
        return std::make_unique<FakeRecordset>(db_);
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
    if (std::find(failing.begin(), failing.end(), call) == failing.end()) return;
    if (call.rfind("field", 0) == 0 && field_reads_before_failure-- > 0) return;
    throw Error(-2147217900, "fake failure of " + call);
}

std::unique_ptr<db::Connection> FakeDatabase::connect() { return std::make_unique<FakeConnection>(*this); }

}  // namespace dorvane::testing
