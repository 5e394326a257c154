// Which program a service's registered command line starts.
#include <gtest/gtest.h>

#include "os/command_line.h"

namespace dorvane {
namespace {

TEST(CommandLine, TheProgramOfAServicesCommandLine) {
    EXPECT_EQ(os::program_in_command_line("\"C:\\Program Files\\windows_exporter\\windows_exporter.exe\" --log.file eventlog"),
              "C:\\Program Files\\windows_exporter\\windows_exporter.exe");
    EXPECT_EQ(os::program_in_command_line("C:\\Program Files\\we\\windows_exporter.EXE --collectors.enabled cpu"),
              "C:\\Program Files\\we\\windows_exporter.EXE");
    EXPECT_EQ(os::program_in_command_line("  C:\\we\\exporter -x"), "C:\\we\\exporter");
    EXPECT_EQ(os::program_in_command_line("\t \tC:\\we\\windows_exporter.exe --x"), "C:\\we\\windows_exporter.exe");
    EXPECT_EQ(os::program_in_command_line("\"C:\\unterminated"), "C:\\unterminated");
    EXPECT_EQ(os::program_in_command_line(" "), "");
}

}  // namespace
}  // namespace dorvane
