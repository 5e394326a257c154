#include "os/paths.h"
#include "os/program_directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace dorvane::os {
namespace {

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningExecutable) {
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    const std::string dir = program_directory();
    const std::string path = exe;
    EXPECT_EQ(join_path(dir, path.substr(path.rfind('/') + 1)), path);
}

TEST(ProgramDirectory, JoinAndItsInverseUseOneSeparator) {
    EXPECT_EQ(join_path("/opt/dorvane", "dorvane.log"), "/opt/dorvane/dorvane.log");
    EXPECT_EQ(join_path("/", "dorvane.log"), "/dorvane.log");
    EXPECT_EQ(directory_of("/opt/dorvane/dorvane.log"), "/opt/dorvane");
    EXPECT_EQ(directory_of("/dorvane.log"), "/");
    EXPECT_EQ(directory_of("dorvane.log"), ".");
}

}  // namespace
}  // namespace dorvane::os
