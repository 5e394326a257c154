// The registry writer against the real Windows registry (run under Wine).
#include "registry/mod_registro.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace dorvane::modRegistro {
namespace {

const char key[] = "Software\\dorvane-tests";

struct Stored {
    DWORD type = 0;
    std::vector<unsigned char> data;
};

class Win32Registry : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
        HKEY created = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(created);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key); }

    static std::int32_t write(const std::string& name, const std::string& value, std::int32_t type,
                              const std::string& subkey = key) {
        return escribir_valor_registro(hkey_current_user, subkey, name, value, type);
    }
    static bool read(const std::string& name, Stored& out) {
        DWORD size = 0;
        if (RegGetValueA(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &out.type, nullptr, &size) !=
            ERROR_SUCCESS)
            return false;
        out.data.resize(size);
        return RegGetValueA(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &out.type,
                            out.data.data(), &size) == ERROR_SUCCESS;
    }
};

TEST_F(Win32Registry, TextIsStoredWithOneNulAndCountedWithIt) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"1000", 5}, {"REPEATABLE READ", 16}, {"READ UNCOMMITTED", 17}, {"", 1}};
    for (const auto& [text, bytes] : cases) {
        ASSERT_EQ(write("V", text, reg_sz), 0) << text;
        Stored stored;
        ASSERT_TRUE(read("V", stored)) << text;
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
        ASSERT_EQ(stored.data.size(), bytes) << text;
        EXPECT_EQ(std::string(stored.data.begin(), stored.data.end() - 1), text);
        EXPECT_EQ(stored.data.back(), 0);
    }
}

TEST_F(Win32Registry, NumbersAreFourLittleEndianBytesAndReplaceAnyEarlierType) {
    ASSERT_EQ(write("ArraySize", "text first", reg_sz), 0);
    ASSERT_EQ(write("ArraySize", "1000", reg_dword), 0);
    Stored stored;
    ASSERT_TRUE(read("ArraySize", stored));
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.data, (std::vector<unsigned char>{0xE8, 0x03, 0x00, 0x00}));
}

TEST_F(Win32Registry, RefusedWritesLeaveNothingBehind) {
    Stored stored;
    EXPECT_EQ(write("V", "x", REG_EXPAND_SZ), -1);
    EXPECT_EQ(write("V", "x", REG_BINARY), -1);
    EXPECT_EQ(write("V", "not a number", reg_dword), -1);
    EXPECT_EQ(write("V", "4294967296", reg_dword), -1);
    EXPECT_FALSE(read("V", stored));
    EXPECT_EQ(write("V", "x", reg_sz, std::string(key) + "\\Missing"), -1);
    HKEY missing = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(key) + "\\Missing").c_str(), 0, KEY_READ, &missing),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace dorvane::modRegistro
