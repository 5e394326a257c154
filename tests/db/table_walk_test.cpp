// The walk's behaviour on failures that a real server cannot give on
// demand; everything a server can show is tested against the real one.
#include <gtest/gtest.h>

#include "db/privileges.h"
#include "support/fake_form.h"

namespace dorvane {
namespace {

using testing::FakeForm;

const std::string query = db::catalogue_query;

// The privilege statements among the calls, in order.
std::vector<std::string> statements(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        if (c.rfind("Revoke", 0) == 0 || c.rfind("grant", 0) == 0) out.push_back(c);
    }
    return out;
}

// A driver that allows one active statement per connection refuses every
// statement while the catalogue's result is open: the walk must have read
// it whole and closed it first, however many rows it has.
TEST(TableWalk, TheCatalogueIsClosedBeforeTheFirstStatement) {
    FakeForm f;
    f.db.one_active_statement = true;
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i) {
        const std::string owner = i % 3 == 0 ? "PUB" : "CONTA", table = "t" + std::to_string(i);
        f.db.rows.push_back({owner, table});
        expected.push_back(db::revoke_statement(owner, table, "userSQL"));
        if (owner == "PUB") expected.push_back(db::grant_statement(owner, table, "userSQL"));
    }
    f.form.crear_fichero();
    f.form.principal("VQ");
    EXPECT_EQ(f.log(), "");
    EXPECT_EQ(statements(f.db.calls), expected);
    EXPECT_EQ(f.db.calls.back(), "Close");
}

// A row that cannot be read fails the walk when it reaches that row, after
// the statements of the rows before it, as a row-by-row cursor would.
TEST(TableWalk, AnUnreadableRowEndsTheWalkThereWithoutClosingTheConnection) {
    FakeForm f;
    f.db.rows = {{"PUB", "a"}, {"X", "b"}, {"X", "c"}};
    f.db.failing = {"fetch 2"};
    f.form.crear_fichero();
    EXPECT_THROW(f.form.principal("VQ"), Error);
    EXPECT_EQ(statements(f.db.calls), (std::vector<std::string>{"Revoke all on \"PUB\".\"a\" from 'userSQL'",
                                                                "grant select on \"PUB\".\"a\" to 'userSQL'"}));
    EXPECT_NE(f.db.calls.back(), "Close");
    EXPECT_TRUE(f.form.conexion);  // not closed by the walk
}

// Once the failure is raised there is no current row: every read after it
// is refused, none reads past the rows that were read.
TEST(TableWalk, AfterAnUnreadableRowEveryReadIsRefused) {
    testing::FakeDatabase db;
    db.rows = {{"PUB", "a"}, {"X", "b"}};
    db.failing = {"fetch 2"};
    std::unique_ptr<db::Recordset> rows = db.connect()->OpenRecordset(query, {"owner", "tbl"});
    EXPECT_EQ(rows->field("owner"), "PUB");
    EXPECT_THROW(rows->MoveNext(), Error);
    EXPECT_FALSE(rows->eof());
    EXPECT_THROW(rows->field("owner"), Error);
    EXPECT_THROW(rows->MoveNext(), Error);
}

TEST(TableWalk, FailingCloseOfTheConnectionTravels) {
    FakeForm f;
    f.db.failing = {"Close"};
    f.form.crear_fichero();
    EXPECT_THROW(f.form.principal("VQ"), Error);
    EXPECT_TRUE(f.form.conexion);
    EXPECT_EQ(f.db.calls.back(), "Close");
    EXPECT_EQ(f.log(), "");  // the walk logs nothing of its own
}

TEST(TableWalk, EmptyCatalogueStillClosesResultAndConnection) {
    FakeForm f;
    f.form.crear_fichero();
    f.form.principal("VQ");
    EXPECT_EQ(f.db.calls, (std::vector<std::string>{"Open DSN=VQ;UID=sysprogress;PWD=507316;", query,
                                                    "Result.Close", "Close"}));
    EXPECT_FALSE(f.form.conexion);
}

// A catalogue without an owner column is not a catalogue of null owners:
// the column asked for is not found (3265), before any statement.
TEST(TableWalk, ACatalogueWithoutItsOwnerColumnIsItemNotFound) {
    FakeForm f;
    f.db.absent_columns = {"owner"};
    f.db.rows = {{std::nullopt, "a"}};
    f.form.crear_fichero();
    try {
        f.form.principal("VQ");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number, 3265);
    }
    EXPECT_TRUE(statements(f.db.calls).empty());
}

TEST(TableWalk, NullNameIsInvalidUseOfNull) {
    FakeForm f;
    f.db.rows = {{"PUB", "a"}, {"PUB", std::nullopt}};
    f.form.crear_fichero();
    try {
        f.form.principal("VQ");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number, 94);
        EXPECT_EQ(e.Description, "Invalid use of Null");
    }
    EXPECT_EQ(statements(f.db.calls).size(), 2u);  // row 1's two statements
}

TEST(Privileges, FailedRevokeAndGrantAreLoggedAndTheBoxComesBeforeTheGrantsLine) {
    FakeForm f;
    f.db.rows = {{"PUB", "t"}, {"PUB", "u"}};
    const std::string revoke = "Revoke all on \"PUB\".\"t\" from 'userSQL'";
    const std::string grant = "grant select on \"PUB\".\"t\" to 'userSQL'";
    f.db.failing = {revoke, grant};
    f.form.crear_fichero();
    f.form.principal("VQ");
    const std::string revoke_line = "Error para VQ.PUB.t -> -2147217900 -> fake failure of " + revoke + "\r\n";
    const std::string grant_line = "Error para VQ.PUB.t -> -2147217900 -> fake failure of " + grant + "\r\n";
    EXPECT_EQ(f.log(), revoke_line + grant_line);
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].first, "fake failure of " + grant);  // the description alone
    EXPECT_EQ(f.boxes[0].second, revoke_line);               // shown before the grant's line
    EXPECT_EQ(f.form.Err.Number, 0);                         // the next table's grant cleared it
}

TEST(Privileges, AFailureToWriteTheLogLineIsPassedOver) {
    FakeForm f;
    f.db.rows = {{"PUB", "t"}};
    f.db.failing = {"Revoke all on \"PUB\".\"t\" from 'userSQL'"};
    f.form.crear_fichero();
    f.form.cerrar_fichero();  // the log is gone: reporting fails
    f.form.conexion = f.db.connect();
    f.form.quitar_permisos("PUB", "t", "userSQL", "VQ");
    f.form.asignar_permisos("PUB", "t", "userSQL", "VQ");
    EXPECT_EQ(f.db.calls.back(), "grant select on \"PUB\".\"t\" to 'userSQL'");
}

TEST(Privileges, OnlyTheExactOwnerPubGetsAGrant) {
    FakeForm f;
    f.form.crear_fichero();
    f.form.conexion = f.db.connect();
    for (const char* owner : {"pub", "PUB ", " PUB", "Pub", "PU", "PUBX", ""}) {
        f.form.asignar_permisos(owner, "t", "userSQL", "VQ");
    }
    EXPECT_TRUE(f.db.calls.empty());
    f.form.asignar_permisos("PUB", "t", "userSQL", "VQ");
    EXPECT_EQ(f.db.calls.size(), 1u);
}

TEST(DataSourceConnection, EachFailureLogsItsOwnLineFromAFreshConnection) {
    FakeForm f;
    f.db.failing = {"Open"};
    f.form.crear_fichero();
    EXPECT_TRUE(f.form.abrir_conexion("Uno"));
    EXPECT_TRUE(f.form.abrir_conexion("Dos"));
    EXPECT_EQ(f.connections_made, 2);
    EXPECT_EQ(f.form.Err.Number, 0);
    EXPECT_EQ(f.log(),
              "Error para  ODBC --> Uno -> -2147217900 -> fake failure of Open\r\n"
              "Error para  ODBC --> Dos -> -2147217900 -> fake failure of Open\r\n");
}

TEST(DataSourceConnection, AFailureThatCannotBeLoggedTravels) {
    FakeForm f;
    f.db.failing = {"Open"};
    EXPECT_THROW(f.form.abrir_conexion("Uno"), Error);  // no log yet
}

TEST(DataSourceConnection, OpenCloseAndOpenAgain) {
    FakeForm f;
    EXPECT_FALSE(f.form.abrir_conexion("Uno"));
    f.form.cerrar_conexion();
    EXPECT_FALSE(f.form.conexion);
    EXPECT_FALSE(f.form.abrir_conexion("Uno"));
    EXPECT_TRUE(f.form.conexion);
}

}  // namespace
}  // namespace dorvane
