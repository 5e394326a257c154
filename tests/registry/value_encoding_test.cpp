#include "registry/value_encoding.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "registry/mod_registro.h"

namespace dorvane::modRegistro {
namespace {

ValueBytes bytes(const std::string& s) { return ValueBytes(s.begin(), s.end()); }

TEST(ValueEncoding, TextIsCountedWithItsNul) {
    EXPECT_EQ(encode_value("1000", reg_sz), bytes(std::string("1000\0", 5)));
    EXPECT_EQ(encode_value("REPEATABLE READ", reg_sz).size(), 16u);
    EXPECT_EQ(encode_value("READ UNCOMMITTED", reg_sz).size(), 17u);
    EXPECT_EQ(encode_value("", reg_sz), ValueBytes{0});
}

TEST(ValueEncoding, NumbersAreFourLittleEndianBytes) {
    EXPECT_EQ(encode_value("1000", reg_dword), (ValueBytes{0xE8, 0x03, 0x00, 0x00}));
    EXPECT_EQ(encode_value("-1", reg_dword), (ValueBytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(encode_value(" 2147483647 ", reg_dword), (ValueBytes{0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(encode_value("-2147483648", reg_dword), (ValueBytes{0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(encode_value("2.5", reg_dword), (ValueBytes{2, 0, 0, 0}));  // half to even
}

TEST(ValueEncoding, WhatIsNoNumberInRangeIsRefused) {
    for (const char* text : {"", "abc", "10x", "2147483648", "-2147483649", "1e99999", " "}) {
        EXPECT_THROW(encode_value(text, reg_dword), Error) << text;
    }
}

TEST(ValueEncoding, OtherTypesAreRefused) {
    for (const std::int32_t type : {0, 2, 3, 7, 11, -1}) EXPECT_THROW(encode_value("1", type), Error) << type;
}

TEST(ValueEncoding, StoredTextReadsBackAsTheValue) {
    EXPECT_EQ(value_as_text(encode_value("READ UNCOMMITTED", reg_sz), reg_sz), "READ UNCOMMITTED");
    EXPECT_EQ(value_as_text(encode_value("1000", reg_dword), reg_dword), "1000");
    EXPECT_EQ(value_as_text(encode_value("-7", reg_dword), reg_dword), "-7");
    EXPECT_THROW(value_as_text(ValueBytes{1, 2}, reg_dword), Error);
}

}  // namespace
}  // namespace dorvane::modRegistro
