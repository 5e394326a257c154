#include "registry/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "run/error.h"
#include "support/temp_dir.h"

namespace dorvane::modRegistro {
namespace {

using testing::listing;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

TEST(AtomicFile, ReplacesContentAndKeepsPermissionBits) {
    TempDir dir;
    write_bytes(dir / "odbc.ini", "old");
    ASSERT_EQ(::chmod((dir / "odbc.ini").c_str(), 0640), 0);
    replace_file(dir / "odbc.ini", "new content");
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "new content");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(listing(dir.path()).find(".XXXXXX"), std::string::npos);
}

TEST(AtomicFile, KeepsTheOwnerOfAFileThatIsNotOurs) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    TempDir dir;
    write_bytes(dir / "odbc.ini", "old");
    ASSERT_EQ(::chown((dir / "odbc.ini").c_str(), 65534, 65534), 0);
    replace_file(dir / "odbc.ini", "new");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
}

TEST(AtomicFile, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    write_bytes(dir / "real/odbc.ini", "old");
    std::filesystem::create_symlink("real/odbc.ini", dir / "odbc.ini");
    replace_file(dir / "odbc.ini", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "odbc.ini"));
    EXPECT_EQ(read_bytes(dir / "real/odbc.ini"), "new");
}

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOriginalAndNoTemporaryFile) {
    for (const char* failing : {"create", "write", "sync", "permissions", "close", "rename"}) {
        TempDir dir;
        write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
        const std::string before = listing(dir.path());
        const ReplaceHook fail_at = [&](const char* step) {
            if (std::string(step) == failing) throw Error(28, "No space left on device");
        };
        EXPECT_THROW(replace_file(dir / "odbc.ini", "[A]\nK=new\n", fail_at), Error) << failing;
        EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[A]\nK=old\n") << failing;
        EXPECT_EQ(listing(dir.path()), before) << failing;
    }
}

TEST(AtomicFile, MissingFileIsAnError) {
    TempDir dir;
    EXPECT_THROW(replace_file(dir / "absent", "x"), Error);
    EXPECT_EQ(listing(dir.path()), "");
}

}  // namespace
}  // namespace dorvane::modRegistro
