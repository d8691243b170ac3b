// A module's translation table as a PO catalog and back, for the translators' tool.
#include "KivTrx/KivTrxPoFile.h"

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"

namespace {

TOriginalTexts OriginalTexts(const std::u16string& programFile) {
  TKivTransTable table;
  table.LoadFromFile(programFile, programFile);
  TOriginalTexts texts;
  for (table.First(); !table.Eof(); table.Next()) texts[table.TranID()] = table.TranValue();
  return texts;
}

// The catalog's language as the gettext tools name languages ("de_DE", "en" for a
// neutral one); the module's extension when the system cannot name it.
std::u16string CatalogLanguage(const std::u16string& programFile,
                               const std::u16string& moduleFile) {
  const std::uint16_t language = ResourceModuleLanguage(programFile, moduleFile);
  if (language != 0) {
    const LCID locale = MAKELCID(language, SORT_DEFAULT);
    std::u16string name = Platform::GetLocaleInfo(locale, LOCALE_SISO639LANGNAME);
    std::u16string country = Platform::GetLocaleInfo(locale, LOCALE_SISO3166CTRYNAME);
    if (!name.empty()) {
      return SUBLANGID(language) == SUBLANG_NEUTRAL || country.empty() ? name
                                                                       : name + u"_" + country;
    }
  }
  std::u16string ext = ExtractFileExt(moduleFile);
  return ext.empty() ? ext : ext.substr(1);
}

// The module file's last change, in UTC.
std::u16string RevisionDate(const std::u16string& moduleFile) {
  Platform::FindData data;
  FindHandle find(Platform::FindFirstFile(moduleFile, data));
  if (!find) return {};
  SYSTEMTIME t{};
  if (!FileTimeToSystemTime(&data.lastWriteTime, &t)) return {};
  return AnsiToWide(
      Format("%.4d-%.2d-%.2d %.2d:%.2d+0000", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute));
}

}  // namespace

std::string ExportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile) {
  const TOriginalTexts originals = OriginalTexts(programFile);
  TKivTransTable table;
  table.LoadFromFile(programFile, moduleFile);
  TKivPoHeader header;
  header.ProjectId = ExtractFileName(programFile);
  header.Language = CatalogLanguage(programFile, moduleFile);
  header.RevisionDate = RevisionDate(moduleFile);
  return WritePoCatalog(CatalogEntries(table, originals), header);
}

TKivPoImport ImportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile,
                             std::string_view catalog) {
  const std::vector<TKivPoEntry> entries = ReadPoCatalog(catalog);
  const TOriginalTexts originals = OriginalTexts(programFile);
  TKivTransTable table;
  table.LoadFromFile(programFile, moduleFile);
  TKivPoImport result = ImportCatalogEntries(table, originals, entries);
  // An import that changes nothing leaves the module file as it was.
  if (result.Changed > 0) table.SaveToFile(false);
  return result;
}
