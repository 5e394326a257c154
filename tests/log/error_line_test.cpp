#include "log/error_line.h"

#include <gtest/gtest.h>

#include <limits>

namespace dorvane::log {
namespace {

TEST(ErrorLine, JoinsContextNumberAndDescription) {
    EXPECT_EQ(error_line("VQ.PUB.t", Error(1147, "no grant")), "Error para VQ.PUB.t -> 1147 -> no grant");
    EXPECT_EQ(error_line(" ODBC --> VQ", Error(2002, "down")), "Error para  ODBC --> VQ -> 2002 -> down");
}

TEST(ErrorLine, NegativeNumbersKeepSignAndEveryDigit) {
    EXPECT_EQ(error_line("c", Error(-2147467259, "d")), "Error para c -> -2147467259 -> d");
    EXPECT_EQ(error_line("c", Error(std::numeric_limits<std::int32_t>::min(), "d")),
              "Error para c -> -2147483648 -> d");
    EXPECT_EQ(error_line("c", Error(std::numeric_limits<std::int32_t>::max(), "d")),
              "Error para c -> 2147483647 -> d");
}

TEST(ErrorLine, EmptyPiecesLeaveTheSeparators) {
    EXPECT_EQ(error_line("c", Error(5, "")), "Error para c -> 5 -> ");
    EXPECT_EQ(error_line("", Error(5, "d")), "Error para  -> 5 -> d");
}

TEST(ErrorLine, SeparatorsAndLineBreaksInsidePiecesAreWrittenUnchanged) {
    EXPECT_EQ(error_line("a -> b\r\nc", Error(1, "x -> y\nz")), "Error para a -> b\r\nc -> 1 -> x -> y\nz");
}

TEST(CurrentError, AFailureNeverReadsAsNumberZero) {
    EXPECT_EQ(Error(0, "driver gave no code").Number, unspecified_error);
    Error err(94, "Invalid use of Null");
    err.Clear();
    EXPECT_EQ(err.Number, 0);
    EXPECT_EQ(err.Description, "");
}

}  // namespace
}  // namespace dorvane::log
