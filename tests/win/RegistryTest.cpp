// ReadInstallValue against the registry itself: the product's key is written, read back
// through the menu's query and removed again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "system/Module1.h"

namespace {

constexpr char kProductKey[] = "SOFTWARE\\Quintaral\\Quintaral\\Quintaral";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    }
    void Store(DWORD type, const std::string& bytes) {
        ASSERT_EQ(RegSetValueExA(key_, "DisplayName", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    static std::wstring Read() { return ReadInstallValue(L"Quintaral", L"DisplayName"); }

    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, ReadsTheProductNameWhateverTheValuesType) {
    Store(REG_SZ, std::string("Quintaral", 10));
    EXPECT_EQ(Read(), L"Quintaral");
    Store(REG_EXPAND_SZ, std::string("Quintaral", 10));
    EXPECT_EQ(Read(), L"Quintaral");
    Store(REG_MULTI_SZ, std::string("Quintaral\0Other\0", 17));
    EXPECT_EQ(Read(), L"Quintaral") << "the text ends at the first NUL";
    Store(REG_BINARY, "Quintaral");
    EXPECT_EQ(Read(), L"Quintaral") << "stored without a terminating NUL";
    Store(REG_DWORD, std::string("\x51\x00\x00\x00", 4));
    EXPECT_EQ(Read(), L"Q");
    Store(REG_SZ, std::string("quintaral", 10));
    EXPECT_EQ(Read(), L"quintaral") << "letter case is kept for the comparison";
}

TEST_F(RegistryTest, AnswersEmptyWhereNothingCanBeRead) {
    EXPECT_EQ(Read(), L"") << "a key without the value";
    Store(REG_SZ, std::string(2999, 'q'));  // 3000 bytes with its NUL
    EXPECT_EQ(Read(), L"");
    Store(REG_SZ, std::string(2047, 'q'));  // 2048 bytes with its NUL: just fits
    EXPECT_EQ(Read(), std::wstring(2047, L'q'));
    Store(REG_NONE, "");
    EXPECT_EQ(Read(), L"");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    EXPECT_EQ(Read(), L"") << "no key";
}

}  // namespace
