#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "run/form1.h"
#include "support/temp_dir.h"

namespace dorvane {
namespace {

using testing::read_bytes;
using testing::TempDir;

Form1Seams in_directory(const std::string& dir) {
    Form1Seams seams;
    seams.program_directory = [dir] { return dir; };
    return seams;
}

TEST(RunLog, WritesCrLfLinesWithoutByteOrderMark) {
    TempDir dir;
    Form1 form(in_directory(dir.path()));
    form.crear_fichero();
    form.Err = Error(-2147467259, "falla");
    form.control_errores(" ODBC --> VistasQuendar");
    form.fichero_log->WriteLine("Programa finalizado.");
    form.cerrar_fichero();
    EXPECT_EQ(read_bytes(dir / "dorvane.log"),
              "Error para  ODBC --> VistasQuendar -> -2147467259 -> falla\r\nPrograma finalizado.\r\n");
    EXPECT_FALSE(form.fso);
    EXPECT_FALSE(form.fichero_log);
    // Reading the current error does not clear it.
    EXPECT_EQ(form.Err.Number, -2147467259);
}

TEST(RunLog, ReplacesTheFileOfAnEarlierRun) {
    TempDir dir;
    testing::write_bytes(dir / "dorvane.log", "old line that is longer than the new content\r\n");
    Form1 form(in_directory(dir.path()));
    form.crear_fichero();
    form.fichero_log->WriteLine("x");
    form.cerrar_fichero();
    EXPECT_EQ(read_bytes(dir / "dorvane.log"), "x\r\n");
}

TEST(RunLog, LogThatCannotBeCreatedRaisesTheSystemsError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "dorvane.log");
    Form1 form(in_directory(dir.path()));
    try {
        form.crear_fichero();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Number, 0);
        EXPECT_FALSE(e.Description.empty());
    }
    EXPECT_TRUE(form.fso);  // the file-system object was made; the stream was not
    EXPECT_FALSE(form.fichero_log);
}

TEST(RunLog, WritingBeforeCreationOrAfterClosingIsAnError) {
    TempDir dir;
    Form1 form(in_directory(dir.path()));
    form.Err = Error(1, "x");
    EXPECT_THROW(form.control_errores("c"), Error);
    form.crear_fichero();
    form.cerrar_fichero();
    EXPECT_THROW(form.control_errores("c"), Error);
    EXPECT_THROW(form.cerrar_fichero(), Error);
    EXPECT_EQ(read_bytes(dir / "dorvane.log"), "");
}

TEST(RunLog, TextGoesOutInTheLocalesCharacterSet) {
    TempDir dir;
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    {
        log::FileSystemObject fso;
        auto stream = fso.CreateTextFile(dir / "utf8", true);
        stream->WriteLine("a\xC3\xB1o \xE2\x82\xAC");
        stream->Close();
    }
    std::setlocale(LC_ALL, "C");  // ASCII: what it cannot hold becomes "?"
    {
        log::FileSystemObject fso;
        auto stream = fso.CreateTextFile(dir / "ascii", true);
        stream->WriteLine("a\xC3\xB1o \xE2\x82\xAC!");
        stream->Close();
    }
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(read_bytes(dir / "utf8"), "a\xC3\xB1o \xE2\x82\xAC\r\n");
    EXPECT_EQ(read_bytes(dir / "ascii"), "a?o ?!\r\n");
}

TEST(RunLog, CreateTextFileWithoutOverwriteKeepsAnExistingFile) {
    TempDir dir;
    testing::write_bytes(dir / "f", "keep");
    log::FileSystemObject fso;
    EXPECT_THROW(fso.CreateTextFile(dir / "f", false), Error);
    EXPECT_EQ(read_bytes(dir / "f"), "keep");
}

}  // namespace
}  // namespace dorvane
