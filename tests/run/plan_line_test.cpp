// The plan's lines as an administrator reads them.
#include "run/plan_line.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

bool everything(char32_t) { return true; }
bool ascii(char32_t c) { return c < 0x80; }

TEST(PlanLine, AnOrdinaryStatementIsPrintedAsItIs) {
    const std::string statement = "Revoke all on \"PUB\".\"a\\b\"\"c\" from 'userSQL'";
    EXPECT_EQ(linea_del_plan(statement, ascii), statement);
    EXPECT_EQ(linea_del_plan("grant select on \"PUB\".\"a\xC3\xB1o\" to 'userSQL'", everything),
              "grant select on \"PUB\".\"a\xC3\xB1o\" to 'userSQL'");
}

// A name that would print a heading and a statement of its own, or erase
// the line on a terminal, prints as one marked line of escapes.
TEST(PlanLine, ANameThatWouldForgeLinesIsOneMarkedLineOfEscapes) {
    EXPECT_EQ(linea_del_plan("Revoke all on \"PUB\".\"t\n-- VistasQuendar2\nRevoke all on \"x\"\r\x1b[2K\" from 'userSQL'",
                             everything),
              "-- with escapes: Revoke all on \"PUB\".\"t\\u{0A}-- VistasQuendar2\\u{0A}Revoke all on \"x\"\\u{0D}"
              "\\u{1B}[2K\" from 'userSQL'");
    // DEL, a C1 control, a line separator, a right-to-left override.
    EXPECT_EQ(linea_del_plan("a\x7F" "b\xC2\x85" "c\xE2\x80\xA8" "d\xE2\x80\xAE" "e", everything),
              "-- with escapes: a\\u{7F}b\\u{85}c\\u{2028}d\\u{202E}e");
    // A name's own backslashes are doubled there: "\u{0A}" as typed is not an escape.
    EXPECT_EQ(linea_del_plan("x\\u{0A}\ty", everything), "-- with escapes: x\\\\u{0A}\\u{09}y");
}

// Where the output cannot carry a character (the C locale, an ANSI code
// page), it is an escape rather than a "?" that names another table.
TEST(PlanLine, ACharacterTheOutputCannotCarryIsAnEscape) {
    EXPECT_EQ(linea_del_plan("a\xC3\xB1o \xF0\x9F\x98\x80", ascii), "-- with escapes: a\\u{F1}o \\u{1F600}");
}

}  // namespace
}  // namespace dorvane
