// KivTrxLanguages: the table of languages the system supports, keyed by the short
// abbreviation that is also the extension of a resource module (ENU, DEU, a neutral
// EN, or 02.ENU when ENU is taken), with the language id and a display name.
//
// The table is built from a locale source: the system's locales, or a table a test
// supplies. It is sorted case-insensitively by "abbreviation|name" and read-only once
// built.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Rtl/KivStringList.h"

struct TSystemLocale {
  std::uint32_t Lcid = 0;
  std::u16string AbbrevLangName;  // three letters, e.g. ENU
  std::u16string Name;            // localised name
};

class TLocaleSource {
 public:
  virtual ~TLocaleSource() = default;
  // Every supported locale, in the system's order.
  virtual std::vector<TSystemLocale> Locales() = 0;
  // The language name of `langId` with the default sort order: English or localised.
  // Empty when the system has none.
  virtual std::u16string LanguageName(std::uint16_t langId, bool english) = 0;
};

// The system's locales (on the host, a small stand-in table of Western locales).
std::unique_ptr<TLocaleSource> CreateSystemLocaleSource();

class TKivTrxLangs {
 public:
  // Built from the system's locales.
  TKivTrxLangs();
  // Built from `source`. Locales without an abbreviation of their own (empty, or the
  // system's placeholder "ZZZ") get no entry. A repeated abbreviation of a default
  // sub-language raises
  // EAssertionFailed; one that stays repeated after its sub-language prefix raises
  // EStringListError "String list does not allow duplicates".
  explicit TKivTrxLangs(TLocaleSource& source);
  TKivTrxLangs(const TKivTrxLangs&) = delete;
  TKivTrxLangs& operator=(const TKivTrxLangs&) = delete;

  int Count() const { return list_.Count(); }
  std::u16string Abbr(int index) const;
  std::u16string Name(int index) const;
  std::uint16_t LangID(int index) const;
  // A leading "." is ignored, letter case too; -1 when absent.
  int IndexOfAbbr(std::u16string_view abbr) const;
  int IndexOfLangID(std::uint16_t langId) const;
  // "???" when the id is not in the list.
  std::u16string AbbrOfLangID(std::uint16_t langId) const;
  // 0 when the abbreviation is not in the list.
  std::uint16_t LangIDOfAbbr(std::u16string_view abbr) const;
  // The entries, "abbreviation|name", each with its language id as object.
  const TKivStringList& Items() const { return list_; }

  void LoadSystemLanguages(TLocaleSource& source);

 private:
  TKivStringList list_;
};

// Exists between InitializeKivTrxLanguages and FinalizeKivTrxLanguages.
extern TKivTrxLangs* TrxLangs;

void InitializeKivTrxLanguages();
void FinalizeKivTrxLanguages();
