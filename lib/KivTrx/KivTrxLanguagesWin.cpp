#include "KivTrx/KivTrxLanguages.h"

#include "KivLX/KivLXVerUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"

namespace {

class TWindowsLocaleSource : public TLocaleSource {
 public:
  std::vector<TSystemLocale> Locales() override {
    std::vector<TSystemLocale> locales;
    for (LCID lcid : Platform::EnumSystemLocales(LCID_SUPPORTED)) {
      TSystemLocale locale;
      locale.Lcid = lcid;
      locale.AbbrevLangName = Platform::GetLocaleInfo(lcid, LOCALE_SABBREVLANGNAME);
      locale.Name = Platform::GetLocaleInfo(lcid, LOCALE_SLANGUAGE);
      locales.push_back(std::move(locale));
    }
    return locales;
  }

  std::u16string LanguageName(std::uint16_t langId, bool english) override {
    return Platform::GetLocaleInfo(MAKELCID(langId, SORT_DEFAULT),
                                   english ? LOCALE_SENGLANGUAGE : LOCALE_SLANGUAGE);
  }
};

}  // namespace

std::unique_ptr<TLocaleSource> CreateSystemLocaleSource() {
  return std::make_unique<TWindowsLocaleSource>();
}

namespace {

const TKivTrxLangs& GlobalLangs() {
  if (!TrxLangs) throw EKivInternalError("Internal Error: TrxLangs not assigned.");
  return *TrxLangs;
}

std::uint16_t ExeLanguage(const std::u16string& exeFileName) {
  return static_cast<std::uint16_t>(GetFileLanguage(exeFileName) & 0xFFFF);
}

}  // namespace

std::u16string ResourceModuleFileName(const std::u16string& exeFileName, std::uint32_t langId) {
  return ResourceModuleFileName(exeFileName, ExeLanguage(exeFileName), langId, GlobalLangs());
}

std::uint16_t ResourceModuleLanguage(const std::u16string& exeFileName,
                                     const std::u16string& moduleFileName) {
  return ResourceModuleLanguage(exeFileName, ExeLanguage(exeFileName), moduleFileName,
                                GlobalLangs());
}
