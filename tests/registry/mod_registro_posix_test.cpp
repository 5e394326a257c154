// The registry writer on POSIX, where data sources' keys are sections of
// unixODBC's odbc.ini files.
#include "registry/mod_registro.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace dorvane::modRegistro {
namespace {

using testing::listing;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

const std::string key = "SOFTWARE\\ODBC\\ODBC.INI\\VistasQuendar";

// Points unixODBC's system and user files into a test directory. unixODBC
// reads ODBCSYSINI once per process, so every test of the process shares
// one directory, emptied before each.
class OdbcIniRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove_all(entry.path());
        setenv("ODBCSYSINI", dir.path().c_str(), 1);
        setenv("ODBCINI", (dir / "user.ini").c_str(), 1);
    }
    void TearDown() override { unsetenv("ODBCINI"); }
    std::int32_t write(std::uint32_t root, const std::string& subkey, const std::string& name,
                       const std::string& value, std::int32_t type = reg_sz) {
        return escribir_valor_registro(root, subkey, name, value, type);
    }
    static TempDir& shared_dir() {
        static TempDir dir;
        return dir;
    }
    TempDir& dir = shared_dir();
};

TEST_F(OdbcIniRegistry, WritesIntoTheSystemFileThatUnixOdbcReads) {
    const std::string original = "; keep me\r\n[VistasQuendar]\r\nDriver = MariaDB\r\n\r\n[Other]\r\nA=1\r\n";
    write_bytes(dir / "odbc.ini", original);
    EXPECT_EQ(write(hkey_local_machine, key, "DefaultIsolationLevel", "REPEATABLE READ"), 0);
    EXPECT_EQ(write(hkey_local_machine, key, "ArraySize", "1000"), 0);
    EXPECT_EQ(write(hkey_local_machine, key, "DefaultIsolationLevel", "READ UNCOMMITTED"), 0);
    EXPECT_EQ(read_bytes(dir / "odbc.ini"),
              "; keep me\r\n[VistasQuendar]\r\nDriver = MariaDB\r\nDefaultIsolationLevel=READ UNCOMMITTED\r\n"
              "ArraySize=1000\r\n\r\n[Other]\r\nA=1\r\n");
}

TEST_F(OdbcIniRegistry, AValueAlreadySetLeavesTheFileAlone) {
    write_bytes(dir / "odbc.ini", "[VistasQuendar]\nArraySize = 1000\n");
    struct stat before {};
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &before), 0);
    EXPECT_EQ(write(hkey_local_machine, key, "ArraySize", "1000"), 0);
    struct stat after {};
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
}

TEST_F(OdbcIniRegistry, KeyPathsCompareWithoutLetterCase) {
    write_bytes(dir / "odbc.ini", "[vistasquendar]\n");
    EXPECT_EQ(write(hkey_local_machine, "software\\odbc\\Odbc.Ini\\VISTASQUENDAR", "K", "v"), 0);
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[vistasquendar]\nK=v\n");
}

TEST_F(OdbcIniRegistry, NumbersAreStoredAsDecimalText) {
    write_bytes(dir / "odbc.ini", "[VistasQuendar]\nArraySize=1\n");
    EXPECT_EQ(write(hkey_local_machine, key, "ArraySize", "1000", reg_dword), 0);
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[VistasQuendar]\nArraySize=1000\n");
}

TEST_F(OdbcIniRegistry, UserRootIsTheUsersFile) {
    write_bytes(dir / "user.ini", "[VistasQuendar]\n");
    write_bytes(dir / "odbc.ini", "[VistasQuendar]\n");
    EXPECT_EQ(write(hkey_current_user, key, "K", "v"), 0);
    EXPECT_EQ(read_bytes(dir / "user.ini"), "[VistasQuendar]\nK=v\n");
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[VistasQuendar]\n");
}

TEST_F(OdbcIniRegistry, MissingKeysAndRefusedWritesChangeNothing) {
    const std::string original = "[VistasQuendar]\nK=1\n";
    write_bytes(dir / "odbc.ini", original);
    const std::string before = listing(dir.path());
    EXPECT_EQ(write(hkey_local_machine, "SOFTWARE\\ODBC\\ODBC.INI\\VistasQuendar2", "K", "v"), -1);
    EXPECT_EQ(write(0x80000003, key, "K", "v"), -1);               // HKEY_USERS
    EXPECT_EQ(write(hkey_local_machine, "SOFTWARE\\Other\\VistasQuendar", "K", "v"), -1);
    EXPECT_EQ(write(hkey_local_machine, key + "\\Deeper", "K", "v"), -1);
    EXPECT_EQ(write(hkey_local_machine, key, "K", "v", 2), -1);    // REG_EXPAND_SZ
    EXPECT_EQ(write(hkey_local_machine, key, "K", "many", reg_dword), -1);
    EXPECT_EQ(write(hkey_local_machine, key, "K", "two\nlines"), -1);
    EXPECT_EQ(write(hkey_local_machine, key, "K", " padded"), -1);  // would read back trimmed
    EXPECT_EQ(write(hkey_local_machine, key, "K=J", "v"), -1);
    EXPECT_EQ(write(hkey_current_user, key, "K", "v"), -1);        // no user file
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), original);
    EXPECT_EQ(listing(dir.path()), before);
}

TEST_F(OdbcIniRegistry, NoFileAtAllIsAMissingKeyAndNothingIsCreated) {
    EXPECT_EQ(write(hkey_local_machine, key, "K", "v"), -1);
    EXPECT_EQ(listing(dir.path()), "");
}

}  // namespace
}  // namespace dorvane::modRegistro
