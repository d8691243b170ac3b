#include "KivLX/KivLXRegistry.h"

#include <gtest/gtest.h>

#include "Rtl/Exceptions.h"
#include "WinTestSupport.h"

namespace {

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
}

class KivLXRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg_.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg_.OpenKeyReadOnly(key_.SubKey()));
  }
  TestRegKey key_;
  TKivRegistryLX reg_;
};

TEST_F(KivLXRegistryTest, MissingValueGivesEmptyOrTheDefault) {
  EXPECT_FALSE(reg_.ValueExists(u"SQLPath"));
  EXPECT_EQ(reg_.ReadString(u"SQLPath"), u"");
  EXPECT_EQ(reg_.ReadString(u"SQLPath", u"fallback"), u"fallback");
}

TEST_F(KivLXRegistryTest, StringsAndUnexpandedExpandableStrings) {
  const wchar_t path[] = L"C:\\Tools";
  SetRaw(key_.Key(), L"SQLPath", REG_SZ, path, sizeof path);
  const wchar_t expand[] = L"%SystemRoot%\\x";
  SetRaw(key_.Key(), L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_TRUE(reg_.ValueExists(u"SQLPath"));
  EXPECT_EQ(reg_.ReadString(u"SQLPath"), u"C:\\Tools");
  EXPECT_EQ(reg_.ReadString(u"SQLPath", u"fallback"), u"C:\\Tools");
  EXPECT_EQ(reg_.ReadString(u"Expand"), u"%SystemRoot%\\x");
}

TEST_F(KivLXRegistryTest, DefaultValueOfAKey) {
  const wchar_t server[] = L"C:\\Binn\\sqldmo.dll";
  SetRaw(key_.Key(), nullptr, REG_SZ, server, sizeof server);
  EXPECT_EQ(reg_.ReadString(u""), u"C:\\Binn\\sqldmo.dll");
}

TEST_F(KivLXRegistryTest, OddlyStoredStrings) {
  const wchar_t twoStrings[] = L"first\0second";
  SetRaw(key_.Key(), L"Embedded", REG_SZ, twoStrings, sizeof twoStrings);
  EXPECT_EQ(reg_.ReadString(u"Embedded"), u"first");
  const wchar_t noNul[] = {L'a', L'b'};
  SetRaw(key_.Key(), L"NoNul", REG_SZ, noNul, sizeof noNul);
  EXPECT_EQ(reg_.ReadString(u"NoNul"), u"ab");
  SetRaw(key_.Key(), L"Empty", REG_SZ, L"", 2);
  EXPECT_EQ(reg_.ReadString(u"Empty", u"default"), u"");
}

TEST_F(KivLXRegistryTest, WrongTypeRaisesInvalidDataType) {
  DWORD number = 5;
  SetRaw(key_.Key(), L"Number", REG_DWORD, &number, sizeof number);
  SetRaw(key_.Key(), L"Blob", REG_BINARY, "\x01\x02", 2);
  try {
    reg_.ReadString(u"Number");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Number'");
  }
  EXPECT_THROW(reg_.ReadString(u"Blob", u"default"), ERegistryException);
}

TEST(KivLXRegistry, OpeningAMissingKeyFails) {
  TKivRegistryLX reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.OpenKeyReadOnly(u"SOFTWARE\\Plinth\\Does\\Not\\Exist"));
  EXPECT_FALSE(reg.OpenKey(u"SOFTWARE\\Plinth\\Does\\Not\\Exist", false));
  EXPECT_EQ(reg.ReadString(u"x", u"d"), u"d");  // no key: no value
}

TEST(KivLXRegistry, WritesRoundTripThroughTheRuntimeClass) {
  TestRegKey key;
  TKivRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKey(key.SubKey() + u"\\Sub", true));
  reg.WriteString(u"Name", u"Value");
  reg.WriteInteger(u"Count", 7);
  EXPECT_EQ(reg.ReadString(u"Name"), u"Value");
  EXPECT_EQ(reg.ReadAnsiString(u"Name"), "Value");
  EXPECT_EQ(reg.ReadInteger(u"Count"), 7u);
  EXPECT_THROW(reg.ReadAnsiString(u"Count"), ERegistryException);
  EXPECT_TRUE(reg.DeleteValue(u"Name"));
  EXPECT_FALSE(reg.ValueExists(u"Name"));
}

}  // namespace
