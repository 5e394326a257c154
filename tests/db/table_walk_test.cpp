// The walk's behaviour on failures that a real server cannot give on
// demand; everything a server can show is tested against the real one.
#include <gtest/gtest.h>

#include "db/privileges.h"
#include "support/fake_form.h"

namespace dorvane {
namespace {

using testing::FakeForm;

const std::string query = db::consulta_catalogo;

std::vector<std::string> statements_and_closes(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        if (c.rfind("field", 0) != 0 && c.rfind("Open", 0) != 0 && c != query) out.push_back(c);
    }
    return out;
}

TEST(TableWalk, FailingMoveNextEndsTheWalkWithoutClosingAnything) {
    FakeForm f;
    f.db.rows = {{"PUB", "a"}, {"X", "b"}};
    f.db.failing = {"MoveNext"};
    f.form.crear_fichero();
    EXPECT_THROW(f.form.principal("VQ"), Error);
    EXPECT_EQ(statements_and_closes(f.db.calls),
              (std::vector<std::string>{"Revoke all on \"PUB\".\"a\" from 'userSQL'",
                                        "grant select on \"PUB\".\"a\" to 'userSQL'", "MoveNext"}));
    EXPECT_TRUE(f.form.conexion);  // not closed by the walk
}

TEST(TableWalk, FailingCloseOfTheCatalogueOrTheConnectionTravels) {
    for (const char* failing : {"Recordset.Close", "Close"}) {
        FakeForm f;
        f.db.failing = {failing};
        f.form.crear_fichero();
        EXPECT_THROW(f.form.principal("VQ"), Error) << failing;
        EXPECT_TRUE(f.form.conexion) << failing;
        EXPECT_EQ(f.db.calls.back(), failing);
        EXPECT_EQ(f.log(), "");  // the walk logs nothing of its own
    }
}

TEST(TableWalk, EmptyCatalogueStillClosesResultAndConnection) {
    FakeForm f;
    f.form.crear_fichero();
    f.form.principal("VQ");
    EXPECT_EQ(f.db.calls, (std::vector<std::string>{"Open DSN=VQ;UID=sysprogress;PWD=507316;", query,
                                                    "Recordset.Close", "Close"}));
    EXPECT_FALSE(f.form.conexion);
}

TEST(TableWalk, SecondReadOfARowFailingEndsTheWalkAfterTheRevoke) {
    FakeForm f;
    f.db.rows = {{"PUB", "a"}};
    f.db.failing = {"field owner"};
    f.db.field_reads_before_failure = 1;  // the first read passes, the second fails
    f.form.crear_fichero();
    EXPECT_THROW(f.form.principal("VQ"), Error);
    EXPECT_EQ(statements_and_closes(f.db.calls),
              (std::vector<std::string>{"Revoke all on \"PUB\".\"a\" from 'userSQL'"}));
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
    EXPECT_EQ(statements_and_closes(f.db.calls).size(), 3u);  // row 1's two statements, MoveNext
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
