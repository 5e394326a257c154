#include <gtest/gtest.h>

#include "support/fake_form.h"

namespace dorvane {
namespace {

using testing::FakeForm;

const std::string k0 = "SOFTWARE\\ODBC\\ODBC.INI\\VistasQuendar|";
const std::string k1 = "SOFTWARE\\ODBC\\ODBC.INI\\VistasQuendar1|";
const std::string k2 = "SOFTWARE\\ODBC\\ODBC.INI\\VistasQuendar2|";

TEST(FormLoad, SettingsBeforeAndAfterTheWorkInTheirOrder) {
    FakeForm f;
    f.form.Form_Load();
    EXPECT_EQ(f.registry_writes,
              (std::vector<std::string>{
                  k0 + "DefaultIsolationLevel=REPEATABLE READ", k0 + "ArraySize=1000",
                  k1 + "DefaultIsolationLevel=REPEATABLE READ", k1 + "ArraySize=1000",
                  k2 + "DefaultIsolationLevel=REPEATABLE READ", k2 + "ArraySize=1000",
                  k0 + "DefaultIsolationLevel=READ UNCOMMITTED", k1 + "DefaultIsolationLevel=READ UNCOMMITTED",
                  k2 + "DefaultIsolationLevel=READ UNCOMMITTED"}));
    EXPECT_EQ(f.log(), "Programa finalizado.\r\n");
    EXPECT_EQ(f.db.calls.front(), "Open DSN=VistasQuendar;UID=sysprogress;PWD=507316;");
}

TEST(FormLoad, UnopenableDataSourcesAreLoggedAndTheRunEndsNormally) {
    FakeForm f;
    f.db.failing = {"Open"};
    f.form.Form_Load();
    EXPECT_EQ(f.log(),
              "Error para  ODBC --> VistasQuendar -> -2147217900 -> fake failure of Open\r\n"
              "Error para  ODBC --> VistasQuendar1 -> -2147217900 -> fake failure of Open\r\n"
              "Error para  ODBC --> VistasQuendar2 -> -2147217900 -> fake failure of Open\r\n"
              "Programa finalizado.\r\n");
    EXPECT_EQ(f.registry_writes.size(), 9u);
}

TEST(FormLoad, AnUncaughtErrorStopsTheRunWhereItHappens) {
    FakeForm f;
    f.db.rows = {{"PUB", std::nullopt}};
    EXPECT_THROW(f.form.Form_Load(), Error);
    EXPECT_EQ(f.log(), "");                  // no closing line
    EXPECT_EQ(f.registry_writes.size(), 6u);  // isolation level stays REPEATABLE READ
}

}  // namespace
}  // namespace dorvane
