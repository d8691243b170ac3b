#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "KivLX/KivLXRegistry.h"
#include "Rtl/Exceptions.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

std::string MessageOf(const std::function<void()>& op) {
  try {
    op();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no exception)";
}

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

TEST_F(KivLXRegistryTest, StringsStoredWithoutTheirNul) {
  // The system adds a NUL it finds right after the data, so the data is followed by
  // more text here.
  const wchar_t wide[] = L"abcd";
  SetRaw(key_.Key(), L"Wide", REG_SZ, wide, 2 * sizeof(wchar_t));
  EXPECT_EQ(reg_.ReadString(u"Wide"), u"ab");
  EXPECT_EQ(reg_.ReadAnsiString(u"Wide"), "ab");
  ASSERT_EQ(
      RegSetValueExA(key_.Key(), "Narrow", 0, REG_SZ, reinterpret_cast<const BYTE*>("xyzw"), 3),
      ERROR_SUCCESS);
  // The 9x family ignores the count of 8-bit string data and stores up to the NUL.
  EXPECT_EQ(reg_.ReadString(u"Narrow"), ExpectWin9x() ? u"xyzw" : u"xyz");
  EXPECT_EQ(reg_.ReadAnsiString(u"Narrow"), ExpectWin9x() ? "xyzw" : "xyz");
  const wchar_t expand[] = L"%TEMP%\\x!";
  SetRaw(key_.Key(), L"Expand", REG_EXPAND_SZ, expand, sizeof expand - 2 * sizeof(wchar_t));
  EXPECT_EQ(reg_.ReadString(u"Expand"), u"%TEMP%\\x");
}

// Half a character at the end of wide data is kept, not dropped and not written past
// the buffer. (The 9x form converts whole characters only.)
TEST_F(KivLXRegistryTest, OddByteCountKeepsTheLastHalfCharacterNtOnly) {
  const wchar_t text[] = L"abcd";
  SetRaw(key_.Key(), L"Odd", REG_SZ, text, 5);
  EXPECT_EQ(reg_.ReadString(u"Odd"), u"abc");
  SetRaw(key_.Key(), L"One", REG_SZ, "z", 1);
  EXPECT_EQ(reg_.ReadString(u"One"), u"z");
  SetRaw(key_.Key(), L"OddExpand", REG_EXPAND_SZ, L"%A%B", 7);
  EXPECT_EQ(reg_.ReadString(u"OddExpand"), u"%A%B");
}

TEST_F(KivLXRegistryTest, LongValuesComeBackWhole) {
  std::u16string longText(40000, u'x');
  longText += u"end";
  SetRaw(key_.Key(), L"Long", REG_SZ, longText.c_str(),
         static_cast<DWORD>((longText.size() + 1) * sizeof(char16_t)));
  EXPECT_EQ(reg_.ReadString(u"Long"), longText);
}

// Another thread keeps changing the value between a read's size query and its data
// query: every read gives one of the values whole, none fails.
struct ValueFlipper {
  HKEY key = nullptr;
  std::u16string shortText = u"short";
  std::u16string longText = std::u16string(3000, u'L');
  std::atomic<bool> stop{false};

  static DWORD WINAPI Run(void* self) {
    auto& f = *static_cast<ValueFlipper*>(self);
    for (int i = 0; !f.stop; ++i) {
      const std::u16string& v = i % 2 ? f.longText : f.shortText;
      RegSetValueExW(f.key, L"Moving", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                     static_cast<DWORD>((v.size() + 1) * sizeof(char16_t)));
    }
    return 0;
  }
};

TEST_F(KivLXRegistryTest, AValueThatGrowsBetweenTheTwoQueriesIsReadAgain) {
  ValueFlipper flipper;
  SetRaw(key_.Key(), L"Moving", REG_SZ, flipper.shortText.c_str(), 12);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, WStr(key_.SubKey()), 0, KEY_SET_VALUE, &flipper.key),
            ERROR_SUCCESS);
  RegKeyHandle writerKey(flipper.key);
  KernelHandle writer(CreateThread(nullptr, 0, &ValueFlipper::Run, &flipper, 0, nullptr));
  ASSERT_TRUE(writer);
  int failures = 0;
  int torn = 0;
  for (int i = 0; i < 3000; ++i) {
    try {
      std::u16string v = reg_.ReadString(u"Moving");
      if (v != flipper.shortText && v != flipper.longText) ++torn;
    } catch (const ERegistryException&) {
      ++failures;
    }
  }
  flipper.stop = true;
  WaitForSingleObject(writer.get(), INFINITE);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(torn, 0);
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
  SetRaw(key_.Key(), L"Multi", REG_MULTI_SZ, L"a\0b\0", 10);
  EXPECT_EQ(MessageOf([&] { reg_.ReadString(u"Multi"); }), "Invalid data type for 'Multi'");
  EXPECT_EQ(MessageOf([&] { reg_.ReadAnsiString(u"Number"); }), "Invalid data type for 'Number'");
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
