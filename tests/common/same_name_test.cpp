// Names compare without regard to ASCII letter case in every locale: the
// program runs under whatever character set its environment names.
#include "common/same_name.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace dorvane {
namespace {

// In a Turkish single-byte locale the C library lowers "I" to a dotless
// "ı", which is no "i": a comparison through it would miss [VistasQuendar]
// written as [VISTASQUENDAR], or match "É" with "é".
TEST(SameName, FoldsAsciiLettersOnlyEvenInATurkishLocale) {
    testing::TempDir locales;
    const std::string make = "localedef -i tr_TR -f ISO-8859-9 " + (locales / "tr_TR.ISO-8859-9") + " 2>/dev/null";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "localedef cannot make tr_TR.ISO-8859-9 here";
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    setenv("LOCPATH", locales.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_CTYPE, "tr_TR.ISO-8859-9"), nullptr);

    EXPECT_TRUE(same_name("VistasQuendar", "VISTASQUENDAR"));
    EXPECT_TRUE(same_name("DefaultIsolationLevel", "defaultisolationlevel"));
    EXPECT_FALSE(same_name("\xC9", "\xE9"));  // É and é in ISO-8859-9
    EXPECT_FALSE(same_name("owner", "owners"));

    std::setlocale(LC_CTYPE, before.c_str());
    unsetenv("LOCPATH");
}

}  // namespace
}  // namespace dorvane
