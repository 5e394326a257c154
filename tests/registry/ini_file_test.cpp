#include "registry/ini_file.h"

#include <gtest/gtest.h>

namespace dorvane::modRegistro {
namespace {

struct Edit {
    const char* what;
    std::string before;
    std::string section;
    std::string name;
    std::string value;
    std::string after;
};

void PrintTo(const Edit& e, std::ostream* out) { *out << e.what; }

class IniEdit : public ::testing::TestWithParam<Edit> {};

TEST_P(IniEdit, ChangesOnlyTheValue) {
    const Edit& e = GetParam();
    const auto edited = set_ini_value(e.before, e.section, e.name, e.value);
    ASSERT_TRUE(edited.has_value());
    EXPECT_EQ(*edited, e.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniEdit,
    ::testing::Values(
        Edit{"replace keeps spacing and comments",
             "; top\n[A]\n# note\nKey = old\nOther=1\n\n[B]\nKey=b\n", "A", "Key", "new",
             "; top\n[A]\n# note\nKey = new\nOther=1\n\n[B]\nKey=b\n"},
        Edit{"append after the last entry, before blank lines and the next section",
             "[A]\nDriver=x\n\n; about B\n[B]\n", "A", "ArraySize", "1000",
             "[A]\nDriver=x\nArraySize=1000\n\n; about B\n[B]\n"},
        Edit{"CR LF file", "[A]\r\nDriver=x\r\nKey=1\r\n", "A", "Key", "2", "[A]\r\nDriver=x\r\nKey=2\r\n"},
        Edit{"CR LF file, appended", "[A]\r\nDriver=x\r\n", "A", "Key", "2", "[A]\r\nDriver=x\r\nKey=2\r\n"},
        Edit{"no final newline, appended", "[A]\nDriver=x", "A", "Key", "2", "[A]\nDriver=x\nKey=2"},
        Edit{"no final newline, replaced", "[A]\nKey=1", "A", "Key", "22", "[A]\nKey=22"},
        Edit{"CR LF, no final newline, appended", "[A]\r\nDriver=x", "A", "K", "v", "[A]\r\nDriver=x\r\nK=v"},
        Edit{"section and name in another letter case", "[vistas]\nARRAYSIZE = 5  \n", "VISTAS", "ArraySize",
             "1000", "[vistas]\nARRAYSIZE = 1000  \n"},
        Edit{"a section that appears twice: its first appearance",
             "[A]\nX=1\n[B]\n[A]\nKey=old\n", "A", "Key", "new", "[A]\nX=1\nKey=new\n[B]\n[A]\nKey=old\n"},
        Edit{"empty section", "[A]\n[B]\nK=1\n", "A", "K", "v", "[A]\nK=v\n[B]\nK=1\n"},
        Edit{"empty value", "[A]\nK =\nL=2\n", "A", "K", "v", "[A]\nK =v\nL=2\n"},
        Edit{"commented-out entry is not the entry", "[A]\n;K=1\n", "A", "K", "2", "[A]\nK=2\n;K=1\n"},
        Edit{"blanks around the section name", "  [ A ]  \nK=1\n", "A", "K", "2", "  [ A ]  \nK=2\n"},
        Edit{"value with \"=\" inside", "[A]\nK=a=b\n", "A", "K", "c", "[A]\nK=c\n"}),
    [](const ::testing::TestParamInfo<Edit>& info) { return "case" + std::to_string(info.index); });

TEST(IniEdit, MissingSectionIsNoEdit) {
    EXPECT_FALSE(set_ini_value("[A]\nK=1\n", "B", "K", "2").has_value());
    EXPECT_FALSE(set_ini_value("", "A", "K", "2").has_value());
    EXPECT_FALSE(set_ini_value("; [A]\nK=1\n", "A", "K", "2").has_value());
    EXPECT_FALSE(has_section("[AB]\n", "A"));
    EXPECT_TRUE(has_section("x\n[ab]", "AB"));
}

}  // namespace
}  // namespace dorvane::modRegistro
