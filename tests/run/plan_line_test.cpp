// The plan's lines as an administrator reads them.
#include "run/plan_line.h"

#include <gtest/gtest.h>

#include "os/utf16.h"

namespace dorvane {
namespace {

bool everything(char32_t) { return true; }
bool ascii(char32_t c) { return c < 0x80; }

TEST(PlanLine, AnOrdinaryStatementIsPrintedAsItIs) {
    const std::string statement = "Revoke all on \"PUB\".\"a\\b\"\"c\" from 'userSQL'";
    EXPECT_EQ(plan_line(statement, ascii), statement);
    EXPECT_EQ(plan_line("grant select on \"PUB\".\"a\xC3\xB1o\" to 'userSQL'", everything),
              "grant select on \"PUB\".\"a\xC3\xB1o\" to 'userSQL'");
}

// A name that would print a heading and a statement of its own, or erase
// the line on a terminal, prints as one marked line of escapes.
TEST(PlanLine, ANameThatWouldForgeLinesIsOneMarkedLineOfEscapes) {
    EXPECT_EQ(plan_line("Revoke all on \"PUB\".\"t\n-- VistasQuendar2\nRevoke all on \"x\"\r\x1b[2K\" from 'userSQL'",
                             everything),
              "-- with escapes: Revoke all on \"PUB\".\"t\\u{0A}-- VistasQuendar2\\u{0A}Revoke all on \"x\"\\u{0D}"
              "\\u{1B}[2K\" from 'userSQL'");
    // DEL, a C1 control, a line separator, a right-to-left override.
    EXPECT_EQ(plan_line("a\x7F" "b\xC2\x85" "c\xE2\x80\xA8" "d\xE2\x80\xAE" "e", everything),
              "-- with escapes: a\\u{7F}b\\u{85}c\\u{2028}d\\u{202E}e");
    // A name's own backslashes are doubled there: "\u{0A}" as typed is not an escape.
    EXPECT_EQ(plan_line("x\\u{0A}\ty", everything), "-- with escapes: x\\\\u{0A}\\u{09}y");
}

// Where the output cannot carry a character (the C locale, an ANSI code
// page), it is an escape rather than a "?" that names another table.
TEST(PlanLine, ACharacterTheOutputCannotCarryIsAnEscape) {
    EXPECT_EQ(plan_line("a\xC3\xB1o \xF0\x9F\x98\x80", ascii), "-- with escapes: a\\u{F1}o \\u{1F600}");
    // A pair of surrogates is one character, whatever its halves: U+203FF
    // (a CJK ideograph) and U+1F3FF (a skin tone) end in U+DFFF.
    const std::string ideograph = "t\xF0\xA0\x8F\xBF", skin_tone = "\xF0\x9F\x8F\xBFx";
    EXPECT_EQ(plan_line(ideograph, everything), ideograph);
    EXPECT_EQ(plan_line(skin_tone, everything), skin_tone);
    EXPECT_EQ(plan_line(ideograph + skin_tone, ascii), "-- with escapes: t\\u{203FF}\\u{1F3FF}x");
}

// The invisible characters that hide, join or reorder text: "ord", U+200B,
// "ers" must never read as "orders". Each one of Unicode's format
// characters is an escape, even where the output could carry it.
TEST(PlanLine, EveryFormatCharacterIsAnEscape) {
    // Every range of general category Cf, Unicode 15.1.
    const std::pair<char32_t, char32_t> listed[] = {
        {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
        {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x202A, 0x202E},
        {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
        {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
        {0xE0020, 0xE007F}};
    for (const auto& [first, last] : listed) {
        for (char32_t c = first; c <= last; ++c) {
            const std::u16string one = c < 0x10000 ? std::u16string(1, static_cast<char16_t>(c))
                                                   : std::u16string{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                                                    static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%02X}", static_cast<unsigned>(c));
            EXPECT_EQ(plan_line("ord" + os::utf16_to_utf8(one) + "ers", everything),
                      std::string("-- with escapes: ord") + escape + "ers");
        }
    }
    // The controls, the line and paragraph separators, and surrogates (they
    // reach the plan only unpaired), by the first and last of each range.
    for (const char32_t control : {0x00, 0x1F, 0x7F, 0x9F, 0x2028, 0x2029, 0xD800, 0xDFFF})
        EXPECT_TRUE(is_escaped(control)) << std::hex << static_cast<unsigned>(control);
    // Letters, marks and spaces that a reader sees are not.
    for (const char32_t shown : {0x0020, 0x007E, 0x00A0, 0x2027, 0x00E9, 0x0301, 0x3000, 0x1F600, 0xFFFD})
        EXPECT_FALSE(is_escaped(shown)) << std::hex << static_cast<unsigned>(shown);
}

// The rest of Unicode's default-ignorable code points, which a terminal
// shows as nothing just as well: each range by its first and last, and the
// code points just outside it are not escapes.
TEST(PlanLine, EveryDefaultIgnorableCodePointIsAnEscape) {
    const auto utf8 = [](char32_t c) {
        return os::utf16_to_utf8(c < 0x10000 ? std::u16string(1, static_cast<char16_t>(c))
                                             : std::u16string{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                                              static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))});
    };
    EXPECT_EQ(plan_line("ord" + utf8(0x034F) + "ers", everything), "-- with escapes: ord\\u{34F}ers");
    const std::pair<char32_t, char32_t> ranges[] = {
        {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
        {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E},   {0x2060, 0x206F},   {0x3164, 0x3164},
        {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8},   {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}};
    for (const auto& [first, last] : ranges) {
        for (const char32_t c : {first, last}) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%02X}", static_cast<unsigned>(c));
            EXPECT_EQ(plan_line("a" + utf8(c) + "b", everything), std::string("-- with escapes: a") + escape + "b");
        }
    }
    for (const char32_t beside : {0x034E, 0x0350, 0x115E, 0x1161, 0x3163, 0x3165, 0xFDFF, 0xFE10, 0xE1000})
        EXPECT_FALSE(is_escaped(beside)) << std::hex << static_cast<unsigned>(beside);
}

}  // namespace
}  // namespace dorvane
