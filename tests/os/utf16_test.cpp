#include "os/utf16.h"

#include <gtest/gtest.h>

namespace dorvane::os {
namespace {

TEST(Utf16, RoundTripsEveryPlane) {
    // año € 😀, and the highest code point there is
    const std::string text = "a\xC3\xB1o \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
    const std::u16string wide = utf8_to_utf16(text);
    EXPECT_EQ(wide, u"a\u00F1o \u20AC \U0001F600 \U0010FFFF");
    EXPECT_EQ(utf16_to_utf8(wide), text);
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(utf8_to_utf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8_to_utf16("\xF9\x80\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // no lead byte above F7
    EXPECT_EQ(utf8_to_utf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
    EXPECT_EQ(utf8_to_utf16("\xC3"), u"\uFFFD");              // cut short
    EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
    EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace dorvane::os
