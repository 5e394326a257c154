#include "registry/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/error.h"
#include "os/whole_file.h"
#include "support/failing_fsync.h"
#include "support/no_unnamed_files.h"
#include "support/short_write.h"
#include "support/temp_dir.h"

namespace dorvane::modRegistro {
namespace {

using testing::listing;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

// An edit that gives `content` whatever the file held.
Edit to(const std::string& content) {
    return [content](const std::string&) { return content; };
}

TEST(AtomicFile, ReplacesContentAndKeepsPermissionBits) {
    TempDir dir;
    write_bytes(dir / "odbc.ini", "old");
    ASSERT_EQ(::chmod((dir / "odbc.ini").c_str(), 0640), 0);
    rewrite_file(dir / "odbc.ini", to("new content"));
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
    rewrite_file(dir / "odbc.ini", to("new"));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    // Root's, in another group alone, as Debian sites make it (root:adm 0640).
    ASSERT_EQ(::chown((dir / "odbc.ini").c_str(), 0, 4), 0);
    ASSERT_EQ(::chmod((dir / "odbc.ini").c_str(), 0640), 0);
    rewrite_file(dir / "odbc.ini", to("newer"));
    ASSERT_EQ(::stat((dir / "odbc.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, 4u);
}

TEST(AtomicFile, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    write_bytes(dir / "real/odbc.ini", "old");
    std::filesystem::create_symlink("real/odbc.ini", dir / "odbc.ini");
    rewrite_file(dir / "odbc.ini", to("new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "odbc.ini"));
    EXPECT_EQ(read_bytes(dir / "real/odbc.ini"), "new");
}

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOriginalAndNoTemporaryFile) {
    for (const char* failing : {"create", "write", "sync", "permissions", "rename"}) {
        TempDir dir;
        write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
        const std::string before = listing(dir.path());
        const ReplaceHook fail_at = [&](const char* step) {
            if (std::string(step) == failing) throw Error(28, "No space left on device");
        };
        EXPECT_THROW(rewrite_file(dir / "odbc.ini", to("[A]\nK=new\n"), fail_at), Error) << failing;
        EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[A]\nK=old\n") << failing;
        EXPECT_EQ(listing(dir.path()), before) << failing;
    }
}

// Whatever a process killed at any step leaves beside the file: nothing,
// where the file system has unnamed files.
// A disk that cannot make the new content durable must not get it in place
// of the old: after a power loss the name could hold an empty file.
TEST(AtomicFile, AFailedSyncLeavesTheOriginalWhole) {
    TempDir dir;
    write_bytes(dir / "odbc.ini", "old");
    write_bytes(dir / "dorvane.prom", "old metrics\n");
    {
        testing::FailingFsync failing;
        EXPECT_THROW(rewrite_file(dir / "odbc.ini", to("new")), Error);
        EXPECT_THROW(os::replace_file(dir / "dorvane.prom", "new metrics\n"), Error);
        EXPECT_EQ(failing.failed(), 2);
    }
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "old");
    EXPECT_EQ(read_bytes(dir / "dorvane.prom"), "old metrics\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << listing(dir.path());
}

// A write that takes fewer bytes than it was given (a signal, a disk all
// but full) is carried on from where it stopped: the file comes out whole.
TEST(AtomicFile, AShortWriteStillGivesTheWholeFile) {
    TempDir dir;
    std::string content;
    for (int line = 0; content.size() < 4000; ++line) content += "[S" + std::to_string(line) + "]\nK=v\n";
    write_bytes(dir / "odbc.ini", "old");
    write_bytes(dir / "dorvane.prom", "old metrics\n");
    {
        testing::ShortWrite short_write;
        rewrite_file(dir / "odbc.ini", to(content));
        EXPECT_EQ(short_write.shortened(), 1);
    }
    {
        testing::ShortWrite short_write;
        os::replace_file(dir / "dorvane.prom", content);
        EXPECT_EQ(short_write.shortened(), 1);
    }
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), content);
    EXPECT_EQ(read_bytes(dir / "dorvane.prom"), content);
}

// On a file system without unnamed files (NFS, CIFS, vfat) the new file is
// a named one beside the target: the settings and the metrics still come
// out whole, a failure leaves no such file behind, and a name that someone
// else takes meanwhile is never written over.
TEST(AtomicFile, WithoutUnnamedFilesANamedOneServesAndLeavesNothing) {
    TempDir dir;
    write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
    write_bytes(dir / "dorvane.prom", "old metrics\n");
    testing::NoUnnamedFiles no_unnamed;
    rewrite_file(dir / "odbc.ini", to("[A]\nK=new\n"));
    os::replace_file(dir / "dorvane.prom", "new metrics\n");
    EXPECT_EQ(no_unnamed.refused(), 2);
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[A]\nK=new\n");
    EXPECT_EQ(read_bytes(dir / "dorvane.prom"), "new metrics\n");
    const std::string whole = listing(dir.path());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << whole;

    EXPECT_THROW(rewrite_file(dir / "odbc.ini", to("[A]\nK=lost\n"),
                              [](const char* step) {
                                  if (std::string(step) == "write") throw Error(28, "No space left on device");
                              }),
                 Error);
    EXPECT_EQ(listing(dir.path()), whole);

    for (const std::string name : {"odbc.ini", "dorvane.prom"}) {
        no_unnamed.take_next_name("someone else's\n");
        if (name == "odbc.ini") rewrite_file(dir / name, to("[A]\nK=newer\n"));
        else os::replace_file(dir / name, "newer metrics\n");
        const std::string taken = no_unnamed.taken_name();
        ASSERT_NE(taken, "") << name;
        EXPECT_EQ(read_bytes(dir / taken), "someone else's\n") << name;
        std::filesystem::remove(dir / taken);
    }
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[A]\nK=newer\n");
    EXPECT_EQ(read_bytes(dir / "dorvane.prom"), "newer metrics\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << listing(dir.path());
}

TEST(AtomicFile, AProcessKilledHalfWayLeavesTheOriginalAndNothingElse) {
    TempDir dir;
    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "no unnamed files on this file system";
    ::close(probe);
    for (const char* dying : {"write", "sync", "permissions", "rename"}) {
        write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
        const std::string before = listing(dir.path());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // dies at that step as a kill would: no unwinding, no clean-up
            rewrite_file(dir / "odbc.ini", to("[A]\nK=new\n"), [&](const char* step) {
                if (std::string(step) == dying) ::_exit(0);
            });
            ::_exit(1);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dying;
        EXPECT_EQ(listing(dir.path()), before) << dying;
    }
}

// Another program's write between the read and the rename is kept: the
// edit is made again on what it wrote. One that never stops changing the
// file makes the rewrite fail, and its last content stays.
TEST(AtomicFile, AChangeByAnotherProgramMeanwhileIsKept) {
    TempDir dir;
    write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
    const Edit set_k = [](const std::string& content) { return content.substr(0, content.find("K=")) + "K=new\n"; };
    int changes = 0;
    rewrite_file(dir / "odbc.ini", set_k, [&](const char* step) {
        if (std::string(step) == "rename" && changes++ == 0) write_bytes(dir / "odbc.ini", "[A]\nadded=1\nK=old\n");
    });
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), "[A]\nadded=1\nK=new\n");

    write_bytes(dir / "odbc.ini", "[A]\nK=old\n");
    changes = 0;
    std::string last;
    EXPECT_THROW(rewrite_file(dir / "odbc.ini", set_k,
                              [&](const char* step) {
                                  if (std::string(step) != "rename") return;
                                  last = "[A]\nchange=" + std::to_string(++changes) + "\nK=old\n";
                                  write_bytes(dir / "odbc.ini", last);
                              }),
                 Error);
    EXPECT_EQ(read_bytes(dir / "odbc.ini"), last);
    EXPECT_EQ(changes, 5);  // five attempts, then it gives up
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << listing(dir.path());
}

TEST(AtomicFile, MissingFileIsAnError) {
    TempDir dir;
    EXPECT_THROW(rewrite_file(dir / "absent", to("x")), Error);
    EXPECT_EQ(listing(dir.path()), "");
}

}  // namespace
}  // namespace dorvane::modRegistro
