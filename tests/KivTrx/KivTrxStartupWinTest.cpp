// The program's resource source: the locale override in the registry, the thread
// locale's abbreviation, and finding the module in use again.
#include <gtest/gtest.h>

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

void SetValue(HKEY root, const wchar_t* key, const std::u16string& name, DWORD type,
              const void* data, DWORD size) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name.empty() ? nullptr : WStr(name), 0, type, static_cast<const BYTE*>(data),
                 size);
  RegCloseKey(h);
}

void SetString(HKEY root, const wchar_t* key, const std::u16string& name,
               const std::u16string& value) {
  SetValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

std::u16string ExeLongPath() {
  return GetLongPathText(Platform::GetModuleFileName(Platform::ProgramModule()));
}

// The override keys exist only while a test runs. The 9x run of this program shares the
// registry, so these tests run on the NT run alone.
class LocaleOverrideNtOnly : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kiv");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kiv");
  }
  static constexpr const wchar_t* kUser = L"Software\\Kiv\\Locales";
  static constexpr const wchar_t* kMachine = L"Software\\Kiv\\Locales";
  static constexpr const wchar_t* kToolkit = L"Software\\Kiv\\Toolkit\\Locales";
};

TEST_F(LocaleOverrideNtOnly, TheFirstKeyThatOpensDecides) {
  EXPECT_EQ(ReadLocaleOverride(), u"");
  SetString(HKEY_CURRENT_USER, kToolkit, u"", u"ITA");
  EXPECT_EQ(ReadLocaleOverride(), u"ITA");
  SetString(HKEY_LOCAL_MACHINE, kMachine, u"", u"FRA");
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  // The user's key, once it exists, decides even when it says nothing.
  SetString(HKEY_CURRENT_USER, kUser, u"Some other program.exe", u"ESP");
  EXPECT_EQ(ReadLocaleOverride(), u"");
}

TEST_F(LocaleOverrideNtOnly, TheProgramsOwnValueComesBeforeTheDefault) {
  SetString(HKEY_CURRENT_USER, kUser, u"", u"FRA");
  SetString(HKEY_CURRENT_USER, kUser, ExeLongPath(), u"DEU");
  EXPECT_EQ(ReadLocaleOverride(), u"DEU");
  // Present but empty: the default stands in.
  SetString(HKEY_CURRENT_USER, kUser, ExeLongPath(), u"");
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  // Not a string at all: read as absent, never an error at start-up.
  DWORD number = 7;
  SetValue(HKEY_CURRENT_USER, kUser, ExeLongPath(), REG_DWORD, &number, sizeof number);
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  SetValue(HKEY_CURRENT_USER, kUser, u"", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(ReadLocaleOverride(), u"");
}

TEST_F(LocaleOverrideNtOnly, TheModuleInUseIsFoundAgainUntilItsFileIsGone) {
  const std::u16string exe = ExeLongPath();
  EXPECT_EQ(FindResourceModuleFile(), exe);  // no module in use

  const std::u16string module = exe.substr(0, exe.rfind(u'.')) + u".QZ7";
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"TrxPrepared.dll")), WStr(module), FALSE));
  SetString(HKEY_CURRENT_USER, kUser, u"", u"QZ7");
  HMODULE chosen = ChooseResourceModule();
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(CurrentResourceInstance(), chosen);
  EXPECT_EQ(ResourceSource(), chosen);  // forms and strings come from it now
  EXPECT_TRUE(WideSameText(FindResourceModuleFile(), module));

  // Back to the program: the module is freed, and its file can go.
  EXPECT_EQ(SetResourceInstance(Platform::ProgramModule()), Platform::ProgramModule());
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  EXPECT_TRUE(DeleteFileW(WStr(module)));

  // A module in use whose file no candidate names any more.
  SetResourceInstance(
      Platform::LoadLibraryEx(FixturePath(u"TrxPrepared.dll"), LOAD_LIBRARY_AS_DATAFILE));
  try {
    FindResourceModuleFile();
    ADD_FAILURE() << "no error";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: Can not determine resource module.");
  }
  SetResourceInstance(Platform::ProgramModule());
}

TEST(ThreadLocale, GivesTheThreeLetterAbbreviation) {
  LCID saved = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(MAKELCID(0x0407, SORT_DEFAULT)));
  EXPECT_EQ(ThreadLocaleAbbreviation(), u"DEU");
  SetThreadLocale(saved);
}

TEST(StartTranslation, DoesNothingWithoutAModule) {
  ASSERT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  EXPECT_NO_THROW(StartTranslation());
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
}

}  // namespace
