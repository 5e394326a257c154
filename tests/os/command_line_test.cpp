// Which program a service's registered command line starts.
#include <gtest/gtest.h>

#include "os/command_line.h"
#include "os/exporter_flags.h"

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

// windows_exporter's MSI writes the folder it is given (TEXTFILE_DIRS) into
// the service's command line, quoted; older versions take one folder.
TEST(CommandLine, TheExportersTextfileFolderIsReadAsTheExporterReadsItsFlags) {
    const std::string program = "\"C:\\Program Files\\windows_exporter\\windows_exporter.exe\" ";
    const auto folder = [&](const std::string& flags) { return os::textfile_flags(program + flags).directory; };
    EXPECT_EQ(folder("--log.file eventlog --collector.textfile.directories \"C:\\metrics,C:\\other\""), "C:\\metrics");
    EXPECT_EQ(folder("--collector.textfile.directories=\"D:\\my metrics, C:\\b\""), "D:\\my metrics");
    EXPECT_EQ(folder("--collector.textfile.directory=C:\\m2"), "C:\\m2");
    EXPECT_EQ(folder("--collector.textfile.directory \"C:\\m 3\" --collector.textfile.directories C:\\new"),
              "C:\\new");
    EXPECT_EQ(folder("--collector.textfile.directory=C:\\old --collector.textfile.directory=C:\\last"), "C:\\last");
    // A flag that only starts like one, one without its value, an empty one.
    EXPECT_EQ(folder("--collector.textfile.directoryx=C:\\x --collector.textfile.directories"), std::nullopt);
    EXPECT_EQ(folder("--collector.textfile.directories= --collector.textfile.directory=C:\\m"), "C:\\m");
    EXPECT_EQ(folder("--collectors.enabled textfile"), std::nullopt);
    // Windows writes service command lines with tabs as well as blanks, and
    // an empty argument as two double quotes.
    EXPECT_EQ(folder("--collector.textfile.directory C:\\metrics\t--log.file eventlog"), "C:\\metrics");
    const os::TextfileFlags empty = os::textfile_flags(
        program + "--collector.textfile.directories \"\" --config.file C:\\we\\config.yml");
    EXPECT_EQ(empty.directory, std::nullopt);
    EXPECT_EQ(empty.config_file, "C:\\we\\config.yml");

    EXPECT_EQ(os::textfile_flags(program + "--config.file C:\\we\\config.yml").config_file, "C:\\we\\config.yml");
    EXPECT_EQ(os::textfile_flags(program + "--config.file=\"C:\\my we\\c.yml\"").config_file, "C:\\my we\\c.yml");

    // Go's own splitting: backslashes count only before a quote.
    EXPECT_EQ(os::go_arguments("a\\\\\"b c\" d\\e h\\\"i \"f\"\"g\""),
              (std::vector<std::string>{"a\\b c", "d\\e", "h\"i", "f\"g"}));
}

}  // namespace
}  // namespace dorvane
