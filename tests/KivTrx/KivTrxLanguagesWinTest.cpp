// The language list on the system's real locales (Wine's table), through the wide
// calls and, in the Windows 98 run, the 8-bit ones.
#include <gtest/gtest.h>

#include "KivTrx/KivTrxLanguages.h"
#include "Rtl/Platform.h"
#include "WinTestSupport.h"

namespace {

class SystemLanguages : public ::testing::Test {
 protected:
  void SetUp() override { InitializeKivTrxLanguages(); }
  void TearDown() override { FinalizeKivTrxLanguages(); }
};

TEST_F(SystemLanguages, KnowsTheCommonLocalesAndTheirNeutrals) {
  ASSERT_NE(TrxLangs, nullptr);
  EXPECT_GT(TrxLangs->Count(), 50);
  EXPECT_EQ(TrxLangs->LangIDOfAbbr(u"ENU"), 0x0409);
  EXPECT_EQ(TrxLangs->LangIDOfAbbr(u".deu"), 0x0407);
  EXPECT_EQ(TrxLangs->AbbrOfLangID(0x0409), u"ENU");
  EXPECT_EQ(TrxLangs->AbbrOfLangID(0x040C), u"FRA");
  int en = TrxLangs->IndexOfAbbr(u"EN");
  ASSERT_GE(en, 0);
  EXPECT_EQ(TrxLangs->LangID(en), 0x0009);
  EXPECT_EQ(TrxLangs->Name(en), u"English");
  EXPECT_FALSE(TrxLangs->Name(TrxLangs->IndexOfAbbr(u"ENU")).empty());
  EXPECT_EQ(TrxLangs->AbbrOfLangID(0x7FFF), u"???");
}

TEST_F(SystemLanguages, EveryEntryIsFoundByItsAbbreviationAndId) {
  // The binary search runs on the system's own collation.
  for (int i = 0; i < TrxLangs->Count(); ++i) {
    std::u16string abbr = TrxLangs->Abbr(i);
    EXPECT_EQ(TrxLangs->IndexOfAbbr(abbr), i) << std::string(abbr.begin(), abbr.end());
    EXPECT_EQ(TrxLangs->LangIDOfAbbr(abbr), TrxLangs->LangID(i));
    EXPECT_GE(TrxLangs->IndexOfLangID(TrxLangs->LangID(i)), 0);
  }
}

TEST_F(SystemLanguages, TheExecutablesOwnLanguageComesFromItsVersionResource) {
  // A library whose version resource is German first, then US English.
  const std::u16string german = FixturePath(u"VerGerman.dll");
  const std::u16string base = german.substr(0, german.size() - 4);
  EXPECT_EQ(ResourceModuleFileName(german, 0x0407), german);
  EXPECT_EQ(ResourceModuleFileName(german, 0x0409), base + u".ENU");
  EXPECT_EQ(ResourceModuleLanguage(german, german), 0x0407);
  EXPECT_EQ(ResourceModuleLanguage(german, base + u".ENU"), 0x0409);
  // Without a version resource no language is the executable's own.
  const std::u16string none = FixturePath(u"VerNone.dll");
  EXPECT_EQ(ResourceModuleLanguage(none, none), 0);
}

TEST(PlatformLocales, EnumerationAndInformation) {
  std::vector<LCID> locales = Platform::EnumSystemLocales(LCID_SUPPORTED);
  EXPECT_NE(std::find(locales.begin(), locales.end(), 0x0409u), locales.end());
  EXPECT_EQ(Platform::GetLocaleInfo(0x0409, LOCALE_SABBREVLANGNAME), u"ENU");
  EXPECT_EQ(Platform::GetLocaleInfo(0x0009, LOCALE_SENGLANGUAGE), u"English");
  EXPECT_EQ(Platform::GetLocaleInfo(0x0409, 0xFFFF), u"");
}

}  // namespace
