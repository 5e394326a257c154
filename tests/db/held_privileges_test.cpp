// Reading the privilege catalogues as the production database may fill
// them: flags and names of any case, columns that some versions lack, and
// which privileges are more than the run means.
#include "db/held_privileges.h"

#include <gtest/gtest.h>

#include <map>

namespace dorvane::db {
namespace {

using Row = std::map<std::string, FieldValue>;

// A database whose catalogues hold the given rows, by the catalogue that a
// query names (the rows are not filtered); a column that no row names is
// not in the result.
class Catalogues : public Connection {
public:
    std::map<std::string, std::vector<Row>> rows;  // by the catalogue's query
    std::vector<std::string> queries;               // as asked

    void Open(const std::string&) override {}
    void Execute(const std::string&) override {}
    void Close() override {}
    std::unique_ptr<Recordset> OpenRecordset(const std::string& query,
                                             const std::vector<std::string>& columns) override {
        queries.push_back(query);
        const std::string table = query.substr(0, query.find(" where "));
        auto found = rows.begin();
        while (found != rows.end() && found->first.substr(0, found->first.find(" where ")) != table) ++found;
        if (found == rows.end()) throw Error(-2147217865, "no such table: " + query);
        Result result(found->second, columns);
        return std::make_unique<Recordset>(result, columns);
    }

private:
    class Result : public Cursor {
    public:
        Result(const std::vector<Row>& rows, const std::vector<std::string>& columns) : rows_(rows), columns_(columns) {}
        bool has_column(std::size_t k) const override {
            for (const Row& row : rows_)
                if (row.count(columns_[k]) != 0) return true;
            return false;
        }
        bool fetch(std::vector<FieldValue>& row) override {
            if (next_ == rows_.size()) return false;
            row.clear();
            for (const std::string& column : columns_) {
                const auto value = rows_[next_].find(column);
                row.push_back(value == rows_[next_].end() ? FieldValue{} : value->second);
            }
            ++next_;
            return true;
        }
        void close() noexcept override {}

    private:
        const std::vector<Row>& rows_;
        const std::vector<std::string>& columns_;
        std::size_t next_ = 0;
    };
};

Row table_row(const std::string& grantee, const std::string& owner, const std::string& table, Row flags) {
    Row row = {{"grantee", grantee}, {"grantor", "dba"}, {"tblowner", owner}, {"tbl", table},
               {"sel", " "},         {"ins", " "},       {"upd", " "},        {"del", " "},
               {"alt", " "},         {"ndx", " "},       {"ref", " "}};
    for (auto& [column, value] : flags) row[column] = value;
    return row;
}

// Each held privilege as "+" (excess) or "=" (meant), its description.
std::vector<std::string> judged(const std::vector<HeldPrivilege>& held) {
    std::vector<std::string> out;
    for (const HeldPrivilege& h : held) out.push_back((h.excess ? "+ " : "= ") + describe(h));
    return out;
}

TEST(HeldPrivileges, OnlyWhatPlainlySaysNotHeldReadsAsNotHeld) {
    for (const FieldValue& value : {FieldValue{}, FieldValue{""}, FieldValue{"  "}, FieldValue{"\t"},
                                    FieldValue{"n"}, FieldValue{"N"}, FieldValue{" n "}})
        EXPECT_EQ(read_flag(value), Flag::not_held) << "'" << value.value_or("NULL") << "'";
    for (const char* value : {"y", "Y", "x", "1", "yes", "no", "-", " y "})
        EXPECT_EQ(read_flag(FieldValue{value}), Flag::held) << "'" << value << "'";
    for (const char* value : {"g", "G", " g"}) EXPECT_EQ(read_flag(FieldValue{value}), Flag::grantable) << value;
}

// The run means userSQL to read PUB's walked tables and nothing more; the
// database's own tables (not walked) every user may read.
TEST(HeldPrivileges, MoreThanSelectOnWalkedPubTablesIsExcessWhoeverHoldsIt) {
    WalkedTables walked;
    walked.add("PUB", "clientes");
    walked.add("CONTA", "asientos");
    Catalogues db;
    db.rows[table_privileges_query] = {
        table_row("userSQL", "PUB", "clientes", {{"sel", "y"}}),
        table_row("USERSQL", "pub", "CLIENTES", {{"sel", "Y"}}),       // names in capitals: the same table
        table_row("public", "sysprogress", "systables", {{"sel", "y"}}),  // not walked: not shown as excess
        table_row("userSQL", "CONTA", "asientos", {{"sel", "y"}}),
        table_row("PUBLIC", "PUB", "clientes", {{"ins", "y"}, {"exe", "y"}}),
        table_row("userSQL", "PUB", "clientes", {{"sel", "g"}}),
        table_row("someone", "PUB", "clientes", {{"del", "y"}}),  // another user's: not asked for
    };
    db.rows[column_privileges_query] = {{{"grantee", "userSQL"}, {"grantor", ""}, {"tblowner", "PUB"},
                                         {"tbl", "clientes"}, {"col", "id"}, {"sel", " "}, {"upd", "y"}, {"ref", ""}}};
    db.rows[authorities_query] = {{{"grantee", "USERSQL"}, {"dba_acc", "y"}, {"res_acc", " "}},
                                  {{"grantee", "PUBLIC"}, {"dba_acc", " "}, {"res_acc", "n"}}};

    EXPECT_EQ(judged(read_held_privileges(db, walked, Reading::everything)),
              (std::vector<std::string>{
                  "= SELECT on \"PUB\".\"clientes\", held by userSQL, granted by dba",
                  "= SELECT on \"pub\".\"CLIENTES\", held by USERSQL, granted by dba",
                  "= SELECT on \"sysprogress\".\"systables\", held by PUBLIC, granted by dba",
                  "+ SELECT on \"CONTA\".\"asientos\", held by userSQL, granted by dba; removed by dba with: "
                  "revoke select on \"CONTA\".\"asientos\" from 'userSQL'",
                  "+ INSERT on \"PUB\".\"clientes\", held by PUBLIC, granted by dba; removed by dba with: "
                  "revoke insert on \"PUB\".\"clientes\" from PUBLIC",
                  "+ EXECUTE on \"PUB\".\"clientes\", held by PUBLIC, granted by dba; removed by dba with: "
                  "revoke execute on \"PUB\".\"clientes\" from PUBLIC",
                  "+ SELECT on \"PUB\".\"clientes\" with the right to grant it, held by userSQL, granted by dba; "
                  "removed by dba with: revoke grant option for select on \"PUB\".\"clientes\" from 'userSQL'",
                  "+ UPDATE on \"PUB\".\"clientes\" column \"id\", held by userSQL, granted by a grantor not "
                  "recorded; removed with: revoke update (\"id\") on \"PUB\".\"clientes\" from 'userSQL'",
                  "+ DBA authority, held by USERSQL; removed with: revoke dba from 'USERSQL'",
              }));
}

// A table that both PUB and another owner call by one name, any case: its
// SELECT is only meant where the walk granted every such table.
TEST(HeldPrivileges, ATableWalkedUnderAnotherOwnerAsWellIsNotGranted) {
    WalkedTables walked;
    walked.add("PUB", "t");
    EXPECT_EQ(walked.standing("pub", "T"), WalkedTables::Standing::granted);
    walked.add("pub", "t");  // not exactly PUB: the walk did not grant it
    EXPECT_EQ(walked.standing("PUB", "t"), WalkedTables::Standing::walked);
    EXPECT_EQ(walked.standing("PUB", "u"), WalkedTables::Standing::not_walked);
}

// A catalogue without a column that every version has is not the one the
// program reads: the check fails rather than read what is missing as
// "not held". A missing catalogue fails it too.
TEST(HeldPrivileges, ACatalogueOfAnotherShapeFailsTheCheck) {
    Catalogues db;
    Row without_del = table_row("userSQL", "PUB", "t", {});
    without_del.erase("del");
    db.rows[table_privileges_query] = {without_del};
    db.rows[column_privileges_query] = {};
    db.rows[authorities_query] = {};
    EXPECT_THROW(read_held_privileges(db, WalkedTables{}, Reading::everything), Error);
    db.rows[table_privileges_query] = {};
    EXPECT_TRUE(read_held_privileges(db, WalkedTables{}, Reading::everything).empty());
    db.rows.erase(authorities_query);
    EXPECT_THROW(read_held_privileges(db, WalkedTables{}, Reading::everything), Error);
}

// The run leaves on the server the rows that hold exactly what the walk
// grants, naming every flag column that the catalogue has, and only those.
TEST(HeldPrivileges, TheRunAsksOnlyForWhatMayBeExcess) {
    Catalogues db;
    db.rows[table_privileges_query] = {table_row("userSQL", "PUB", "t", {{"sel", "y"}})};
    db.rows[column_privileges_query] = {};
    db.rows[authorities_query] = {};
    WalkedTables walked;
    walked.add("PUB", "t");
    EXPECT_FALSE(read_held_privileges(db, walked, Reading::what_may_be_excess).at(0).excess);
    const std::string kept = " and (tblowner is null or tblowner <> 'PUB' or sel is null or sel not in ('y', 'Y')";
    const std::string held = " is not null and ins not in ('', ' ', 'n', 'N'))";
    ASSERT_EQ(db.queries.size(), 4u);
    EXPECT_EQ(db.queries[0], "select * from sysprogress.systabauth where 1 = 0");
    EXPECT_EQ(db.queries[1].rfind(table_privileges_query + kept + " or (ins" + held + " or (upd", 0), 0u)
        << db.queries[1];
    EXPECT_EQ(db.queries[1].find("exe"), std::string::npos);
    EXPECT_NE(db.queries[1].find(" or (ref is not null and ref not in ('', ' ', 'n', 'N')))"), std::string::npos);

    db.rows[table_privileges_query][0]["exe"] = " ";
    db.queries.clear();
    read_held_privileges(db, walked, Reading::what_may_be_excess);
    EXPECT_NE(db.queries[1].find(" or (exe is not null and exe not in ('', ' ', 'n', 'N')))"), std::string::npos);
}

TEST(HeldPrivileges, TheServerIsAskedForTheTwoGranteesOnly) {
    EXPECT_EQ(table_privileges_query,
              "select * from sysprogress.systabauth where upper(grantee) in ('USERSQL', 'PUBLIC')");
    EXPECT_EQ(authorities_query, "select * from sysprogress.sysdbauth where upper(grantee) in ('USERSQL', 'PUBLIC')");
}

}  // namespace
}  // namespace dorvane::db
