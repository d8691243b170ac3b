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

// The file name with its extension replaced by `ext` (which starts with "."). Only a
// "." after the last "\" or ":" starts an extension; without one, `ext` is appended.
std::u16string ReplaceFileExt(const std::u16string& fileName, const std::u16string& ext);

// A resource module's file name for `langId`: the executable itself when the language
// is the executable's own (the language of its version resource, `exeLanguage`), else
// the executable's name with the language's abbreviation from `langs` as extension
// ("???" for a language not in the list).
std::u16string ResourceModuleFileName(const std::u16string& exeFileName, std::uint16_t exeLanguage,
                                      std::uint32_t langId, const TKivTrxLangs& langs);
// The language a module file is for: the executable's own when the names are the same
// (letter case aside), else the language of the module's extension (0 when unknown).
std::uint16_t ResourceModuleLanguage(const std::u16string& exeFileName, std::uint16_t exeLanguage,
                                     const std::u16string& moduleFileName,
                                     const TKivTrxLangs& langs);

#ifdef _WIN32
// The same, with the executable's language read from its version resource and the
// global list.
std::u16string ResourceModuleFileName(const std::u16string& exeFileName, std::uint32_t langId);
std::uint16_t ResourceModuleLanguage(const std::u16string& exeFileName,
                                     const std::u16string& moduleFileName);
#endif

// Exists between InitializeKivTrxLanguages and FinalizeKivTrxLanguages.
extern TKivTrxLangs* TrxLangs;

void InitializeKivTrxLanguages();
void FinalizeKivTrxLanguages();
