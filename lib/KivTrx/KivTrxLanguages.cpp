#include "KivTrx/KivTrxLanguages.h"

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

TKivTrxLangs* TrxLangs = nullptr;

namespace {

void* IdToObject(std::uint16_t id) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id));
}
std::uint16_t ObjectToId(void* object) {
  return static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(object));
}

std::u16string_view AbbrOf(std::u16string_view entry) { return entry.substr(0, entry.find(u'|')); }

// The system answers "ZZZ" for locales that have no abbreviation of their own (and
// nothing when the call fails). Such a locale cannot name a resource module, and
// several of them are default sub-languages, which would otherwise trip the duplicate
// check at start-up.
bool HasOwnAbbreviation(std::u16string_view abbr) {
  return !abbr.empty() && !WideSameText(abbr, u"ZZZ");
}

}  // namespace

TKivTrxLangs::TKivTrxLangs() {
  std::unique_ptr<TLocaleSource> source = CreateSystemLocaleSource();
  LoadSystemLanguages(*source);
}

TKivTrxLangs::TKivTrxLangs(TLocaleSource& source) { LoadSystemLanguages(source); }

void TKivTrxLangs::LoadSystemLanguages(TLocaleSource& source) {
  list_.Clear();
  list_.SetSorted(true);
  list_.SetDuplicates(TDuplicates::dupError);
  TKivStringList neutrals;  // two-letter candidates, unsorted

  std::vector<TSystemLocale> locales = source.Locales();
  for (const TSystemLocale& locale : locales) {
    if (!HasOwnAbbreviation(locale.AbbrevLangName)) continue;
    std::uint16_t primary = locale.Lcid & 0x3FF;
    std::uint16_t sub = (locale.Lcid >> 10) & 0x3F;
    std::u16string abbr = locale.AbbrevLangName;
    int index;
    if (list_.Find(abbr, index)) {
      KIV_ASSERT(sub != 1, "");
      abbr = WideFormat(u"%.2x.", sub) + abbr;
    }
    list_.AddObject(abbr, IdToObject(static_cast<std::uint16_t>((sub << 10) | primary)));
    if (sub == 1) neutrals.AddObject(locale.AbbrevLangName.substr(0, 2), IdToObject(primary));
  }

  // A neutral entry only for a language that has a default and another sub-language.
  for (const TSystemLocale& locale : locales) {
    if (((locale.Lcid >> 10) & 0x3F) == 1) continue;
    int i = neutrals.IndexOfObject(IdToObject(locale.Lcid & 0x3FF));
    if (i < 0) continue;
    list_.AddObject(neutrals.Get(i), neutrals.Objects(i));
    neutrals.Delete(i);
  }

  list_.SetSorted(false);
  for (int i = 0; i < list_.Count(); ++i) {
    std::uint16_t id = LangID(i);
    std::u16string name = source.LanguageName(id, (id >> 10) == 0);
    list_.Put(i, list_.Get(i) + u"|" + name);
  }
  list_.SetSorted(true);
}

std::u16string TKivTrxLangs::Abbr(int index) const {
  return std::u16string(AbbrOf(list_.Get(index)));
}

std::u16string TKivTrxLangs::Name(int index) const {
  const std::u16string& entry = list_.Get(index);
  std::size_t bar = entry.find(u'|');
  return bar == std::u16string::npos ? std::u16string() : entry.substr(bar + 1);
}

std::uint16_t TKivTrxLangs::LangID(int index) const { return ObjectToId(list_.Objects(index)); }

int TKivTrxLangs::IndexOfAbbr(std::u16string_view abbr) const {
  if (!abbr.empty() && abbr[0] == u'.') abbr.remove_prefix(1);
  // The entry, if any, is where "abbr|" would be inserted: it starts with that text.
  int index = 0;
  list_.Find(std::u16string(abbr) + u"|", index);
  if (index < Count() && WideSameText(AbbrOf(list_.Get(index)), abbr)) return index;
  return -1;
}

int TKivTrxLangs::IndexOfLangID(std::uint16_t langId) const {
  return list_.IndexOfObject(IdToObject(langId));
}

std::u16string TKivTrxLangs::AbbrOfLangID(std::uint16_t langId) const {
  int i = IndexOfLangID(langId);
  return i < 0 ? u"???" : Abbr(i);
}

std::uint16_t TKivTrxLangs::LangIDOfAbbr(std::u16string_view abbr) const {
  int i = IndexOfAbbr(abbr);
  return i < 0 ? 0 : LangID(i);
}

void InitializeKivTrxLanguages() {
  if (!TrxLangs) TrxLangs = new TKivTrxLangs();
}

void FinalizeKivTrxLanguages() {
  delete TrxLangs;
  TrxLangs = nullptr;
}

std::u16string ReplaceFileExt(const std::u16string& fileName, const std::u16string& ext) {
  std::size_t i = fileName.find_last_of(u".\\:");
  if (i != std::u16string::npos && fileName[i] == u'.') return fileName.substr(0, i) + ext;
  return fileName + ext;
}

std::u16string ResourceModuleFileName(const std::u16string& exeFileName, std::uint16_t exeLanguage,
                                      std::uint32_t langId, const TKivTrxLangs& langs) {
  const auto language = static_cast<std::uint16_t>(langId & 0xFFFF);
  if (language == exeLanguage) return exeFileName;
  return ReplaceFileExt(exeFileName, std::u16string(u".").append(langs.AbbrOfLangID(language)));
}

std::uint16_t ResourceModuleLanguage(const std::u16string& exeFileName, std::uint16_t exeLanguage,
                                     const std::u16string& moduleFileName,
                                     const TKivTrxLangs& langs) {
  if (WideSameText(exeFileName, moduleFileName)) return exeLanguage;
  std::size_t i = moduleFileName.find_last_of(u".\\:");
  std::u16string ext =
      i != std::u16string::npos && moduleFileName[i] == u'.' ? moduleFileName.substr(i + 1) : u"";
  return langs.LangIDOfAbbr(ext);
}
