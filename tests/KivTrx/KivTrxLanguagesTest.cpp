#include <gtest/gtest.h>

#include <map>

#include "KivTrx/KivTrxLanguages.h"
#include "Rtl/Exceptions.h"
#include "Rtl/WideText.h"

namespace {

// A locale table fed to the list instead of the system's.
class TableSource : public TLocaleSource {
 public:
  explicit TableSource(std::vector<TSystemLocale> locales) : locales_(std::move(locales)) {}

  std::vector<TSystemLocale> Locales() override { return locales_; }

  std::u16string LanguageName(std::uint16_t langId, bool english) override {
    nameCalls.push_back({langId, english});
    if (english) return u"English name " + IntToWide(langId);
    for (const TSystemLocale& l : locales_) {
      if ((l.Lcid & 0xFFFF) == langId) return l.Name;
    }
    return {};
  }

  std::vector<std::pair<std::uint16_t, bool>> nameCalls;

 private:
  std::vector<TSystemLocale> locales_;
};

std::vector<TSystemLocale> SampleLocales() {
  return {
      {0x0407, u"DEU", u"Deutsch (Deutschland)"},
      {0x0409, u"ENU", u"English (United States)"},
      {0x0411, u"JPN", u"Japanese"},  // a language with a single sub-language
      {0x0807, u"DES", u"Deutsch (Schweiz)"},
      {0x0809, u"ENG", u"English (United Kingdom)"},
      {0x0C09, u"ENU", u"English (Australia)"},  // repeats ENU: not the default
      {0x1009, u"ENC", u"English (Canada)"},
  };
}

std::vector<std::u16string> Abbrs(const TKivTrxLangs& langs) {
  std::vector<std::u16string> out;
  for (int i = 0; i < langs.Count(); ++i) out.push_back(langs.Abbr(i));
  return out;
}

TEST(KivTrxLanguages, EntriesForEveryLocaleAndNeutralsForLanguagesWithSeveral) {
  TableSource source(SampleLocales());
  TKivTrxLangs langs(source);
  std::vector<std::u16string> abbrs = Abbrs(langs);
  std::sort(abbrs.begin(), abbrs.end());
  EXPECT_EQ(abbrs, (std::vector<std::u16string>{u"03.ENU", u"DE", u"DES", u"DEU", u"EN", u"ENC",
                                                u"ENG", u"ENU", u"JPN"}));
  EXPECT_EQ(langs.LangIDOfAbbr(u"03.ENU"), 0x0C09);
  EXPECT_EQ(langs.LangIDOfAbbr(u"EN"), 0x0009);  // once, though three sub-languages share it
  EXPECT_EQ(langs.LangIDOfAbbr(u"DE"), 0x0007);
  EXPECT_EQ(langs.AbbrOfLangID(0x0011), u"???");  // Japanese has no neutral entry

  for (int i = 1; i < langs.Count(); ++i) {
    EXPECT_LE(WideCompareText(langs.Items().Get(i - 1), langs.Items().Get(i)), 0) << i;
  }
}

TEST(KivTrxLanguages, NeutralEntriesCarryTheEnglishNameOthersTheLocalisedOne) {
  TableSource source(SampleLocales());
  TKivTrxLangs langs(source);
  EXPECT_EQ(langs.Name(langs.IndexOfAbbr(u"EN")), u"English name 9");
  EXPECT_EQ(langs.Name(langs.IndexOfAbbr(u"DES")), u"Deutsch (Schweiz)");
  EXPECT_EQ(langs.Items().Get(langs.IndexOfAbbr(u"JPN")), u"JPN|Japanese");
  int english = 0;
  for (auto [id, isEnglish] : source.nameCalls) {
    EXPECT_EQ(isEnglish, (id >> 10) == 0) << id;
    english += isEnglish;
  }
  EXPECT_EQ(english, 2);
  EXPECT_EQ(source.nameCalls.size(), 9u);
}

TEST(KivTrxLanguages, LookupsIgnoreALeadingDotAndCaseAndPreferTheExactAbbreviation) {
  TableSource source(SampleLocales());
  TKivTrxLangs langs(source);
  int enu = langs.IndexOfAbbr(u"ENU");
  ASSERT_GE(enu, 0);
  EXPECT_EQ(langs.IndexOfAbbr(u".enu"), enu);
  EXPECT_EQ(langs.IndexOfAbbr(u"Enu"), enu);
  EXPECT_EQ(langs.LangID(enu), 0x0409);
  EXPECT_NE(langs.IndexOfAbbr(u"EN"), enu);  // EN is a prefix of ENU, not a match
  EXPECT_EQ(langs.IndexOfAbbr(u"E"), -1);
  EXPECT_EQ(langs.IndexOfAbbr(u"ENUX"), -1);
  EXPECT_EQ(langs.IndexOfAbbr(u""), -1);
  EXPECT_EQ(langs.IndexOfAbbr(u"."), -1);
  EXPECT_EQ(langs.LangIDOfAbbr(u"XYZ"), 0);
  EXPECT_EQ(langs.IndexOfLangID(0x0809), langs.IndexOfAbbr(u"ENG"));
  EXPECT_EQ(langs.AbbrOfLangID(0x0807), u"DES");
  EXPECT_EQ(langs.IndexOfLangID(0x7FFF), -1);
  for (int i = 0; i < langs.Count(); ++i) EXPECT_EQ(langs.IndexOfAbbr(langs.Abbr(i)), i);
}

TEST(KivTrxLanguages, RepeatedDefaultAbbreviationIsAnAssertion) {
  TableSource source({{0x0809, u"ENG", u""}, {0x0409, u"ENG", u""}});
  try {
    TKivTrxLangs langs(source);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Assertion failure (lib/KivTrx/KivTrxLanguages, line ", 0), 0u)
        << e.Message();
  }
}

TEST(KivTrxLanguages, LocalesWithoutAnAbbreviationOfTheirOwnGetNoEntry) {
  // Systems answer ZZZ for newer locales, several of them default sub-languages.
  TableSource source({{0x0451, u"BOI", u"Tibetan"},
                      {0x0466, u"ZZZ", u""},
                      {0x0467, u"zzz", u""},
                      {0x0C51, u"ZZZ", u"Tibetan (Bhutan)"},
                      {0x0468, u"", u""}});
  TKivTrxLangs langs(source);
  std::vector<std::u16string> abbrs = Abbrs(langs);
  std::sort(abbrs.begin(), abbrs.end());
  EXPECT_EQ(abbrs, (std::vector<std::u16string>{u"BO", u"BOI"}));
  EXPECT_EQ(langs.LangIDOfAbbr(u"BO"), 0x0051);  // Tibetan still has two locales
  EXPECT_EQ(langs.AbbrOfLangID(0x0466), u"???");
}

TEST(KivTrxLanguages, AbbreviationStillRepeatedAfterItsPrefixIsADuplicateError) {
  TableSource source({{0x0409, u"ENU", u""}, {0x0809, u"ENU", u""}, {0x0809, u"ENU", u""}});
  try {
    TKivTrxLangs langs(source);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
}

TEST(KivTrxLanguages, GlobalListLivesBetweenInitializeAndFinalize) {
  EXPECT_EQ(TrxLangs, nullptr);
  InitializeKivTrxLanguages();
  ASSERT_NE(TrxLangs, nullptr);
  EXPECT_GT(TrxLangs->Count(), 0);
  EXPECT_EQ(TrxLangs->LangIDOfAbbr(u"ENU"), 0x0409);
  FinalizeKivTrxLanguages();
  EXPECT_EQ(TrxLangs, nullptr);
}

TEST(KivTrxLanguages, ResourceModulesAreNamedByTheLanguagesAbbreviation) {
  TableSource source(SampleLocales());
  TKivTrxLangs langs(source);
  const std::u16string exe = u"C:\\Apps\\Plinth2000.exe";
  // The executable's own language is the executable; the sort order does not count.
  EXPECT_EQ(ResourceModuleFileName(exe, 0x0409, 0x00010409, langs), exe);
  EXPECT_EQ(ResourceModuleFileName(exe, 0x0409, 0x0407, langs), u"C:\\Apps\\Plinth2000.DEU");
  EXPECT_EQ(ResourceModuleFileName(exe, 0, 0x0809, langs), u"C:\\Apps\\Plinth2000.ENG");
  EXPECT_EQ(ResourceModuleFileName(exe, 0x0409, 0x0466, langs), u"C:\\Apps\\Plinth2000.???");
  // Only a dot after the last folder separator starts an extension.
  EXPECT_EQ(ResourceModuleFileName(u"C:\\v1.2\\Plinth", 0, 0x0407, langs), u"C:\\v1.2\\Plinth.DEU");
  EXPECT_EQ(ReplaceFileExt(u"C:Plinth", u".DEU"), u"C:Plinth.DEU");
  EXPECT_EQ(ReplaceFileExt(u"a.b.exe", u".JPN"), u"a.b.JPN");
}

TEST(KivTrxLanguages, AModulesLanguageComesFromItsExtension) {
  TableSource source(SampleLocales());
  TKivTrxLangs langs(source);
  const std::u16string exe = u"C:\\Apps\\Plinth2000.exe";
  EXPECT_EQ(ResourceModuleLanguage(exe, 0x0409, u"C:\\Apps\\Plinth2000.deu", langs), 0x0407);
  EXPECT_EQ(ResourceModuleLanguage(exe, 0x0409, u"c:\\apps\\PLINTH2000.EXE", langs), 0x0409);
  EXPECT_EQ(ResourceModuleLanguage(exe, 0x0409, u"C:\\Apps\\Plinth2000.XYZ", langs), 0);
  EXPECT_EQ(ResourceModuleLanguage(exe, 0x0409, u"C:\\Apps.DEU\\Plinth2000", langs), 0);
}

}  // namespace
