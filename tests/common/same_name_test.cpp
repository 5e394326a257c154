// Names compare without regard to ASCII letter case in every locale: the
// program runs under whatever character set its environment names.
#include "common/same_name.h"

#include <gtest/gtest.h>

#include "support/made_locale.h"

namespace dorvane {
namespace {

// In a Turkish single-byte locale the C library lowers "I" to a dotless
// "ı", which is no "i": a comparison through it would miss [VistasQuendar]
// written as [VISTASQUENDAR], or match "É" with "é".
TEST(SameName, FoldsAsciiLettersOnlyEvenInATurkishLocale) {
    const testing::MadeLocale turkish("tr_TR", "ISO-8859-9");
    if (!turkish.made()) GTEST_SKIP() << "localedef cannot make tr_TR.ISO-8859-9 here";

    EXPECT_TRUE(same_name("VistasQuendar", "VISTASQUENDAR"));
    EXPECT_TRUE(same_name("DefaultIsolationLevel", "defaultisolationlevel"));
    EXPECT_FALSE(same_name("\xC9", "\xE9"));  // É and é in ISO-8859-9
    EXPECT_FALSE(same_name("owner", "owners"));

}

}  // namespace
}  // namespace dorvane
