// The host has no locale database: a few Western locales stand in for it, enough for
// the unit to initialise and for tools built on the host.
#include "KivTrx/KivTrxLanguages.h"

namespace {

struct HostLocale {
  std::uint16_t id;
  const char16_t* abbr;
  const char16_t* name;
};

constexpr HostLocale kLocales[] = {
    {0x0407, u"DEU", u"German (Germany)"},        {0x0807, u"DES", u"German (Switzerland)"},
    {0x0409, u"ENU", u"English (United States)"}, {0x0809, u"ENG", u"English (United Kingdom)"},
    {0x040C, u"FRA", u"French (France)"},         {0x080C, u"FRB", u"French (Belgium)"},
    {0x0410, u"ITA", u"Italian (Italy)"},         {0x0413, u"NLD", u"Dutch (Netherlands)"},
};

constexpr HostLocale kNeutrals[] = {
    {0x07, u"DE", u"German"},  {0x09, u"EN", u"English"}, {0x0C, u"FR", u"French"},
    {0x10, u"IT", u"Italian"}, {0x13, u"NL", u"Dutch"},
};

class THostLocaleSource : public TLocaleSource {
 public:
  std::vector<TSystemLocale> Locales() override {
    std::vector<TSystemLocale> locales;
    for (const HostLocale& l : kLocales) locales.push_back({l.id, l.abbr, l.name});
    return locales;
  }

  std::u16string LanguageName(std::uint16_t langId, bool english) override {
    for (const HostLocale& l : kLocales) {
      if (l.id == langId) return l.name;
    }
    for (const HostLocale& l : kNeutrals) {
      if (l.id == langId) return l.name;
    }
    return {};
  }
};

}  // namespace

std::unique_ptr<TLocaleSource> CreateSystemLocaleSource() {
  return std::make_unique<THostLocaleSource>();
}
