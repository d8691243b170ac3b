// A module's translation table as a PO catalog and back, for the translators' tool.
#include "KivTrx/KivTrxPoFile.h"

#include <map>

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

// The program's own texts by row id: what the translator translates from.
std::map<std::u16string, std::u16string> OriginalTexts(const std::u16string& programFile) {
  TKivTransTable table;
  table.LoadFromFile(programFile, programFile);
  std::map<std::u16string, std::u16string> texts;
  for (table.First(); !table.Eof(); table.Next()) texts[table.TranID()] = table.TranValue();
  return texts;
}

std::u16string OriginalOf(const std::map<std::u16string, std::u16string>& originals,
                          TKivTransTable& row) {
  auto it = originals.find(row.TranID());
  if (it != originals.end()) return it->second;
  // A row the program no longer has: the text before canonicalisation, else its own.
  return row.RefValue().empty() ? row.TranValue() : row.RefValue();
}

std::u16string Replace(std::u16string text, std::u16string_view from, std::u16string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::u16string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

std::string ExportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile) {
  const auto originals = OriginalTexts(programFile);
  TKivTransTable table;
  table.LoadFromFile(programFile, moduleFile);
  std::vector<TKivPoEntry> entries;
  for (table.First(); !table.Eof(); table.Next()) {
    TKivPoEntry entry;
    entry.Context = table.TranID();
    entry.Original = OriginalOf(originals, table);
    entry.Translated = table.Translated();
    // An untranslated row that still shows the program's text has no translation yet.
    if (entry.Translated || table.TranValue() != entry.Original)
      entry.Translation = table.TranValue();
    entry.Comment = table.Comment();
    entries.push_back(std::move(entry));
  }
  TKivPoHeader header;
  header.ProjectId = ExtractFileName(programFile);
  return WritePoCatalog(entries, header);
}

int ImportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile,
                    std::string_view catalog, std::vector<std::u16string>* unknownIds) {
  const std::vector<TKivPoEntry> entries = ReadPoCatalog(catalog);
  const auto originals = OriginalTexts(programFile);
  TKivTransTable table;
  table.LoadFromFile(programFile, moduleFile);
  int changed = 0;
  table.BeginBatch();
  try {
    for (const TKivPoEntry& entry : entries) {
      if (!table.FindTranID(entry.Context)) {
        if (unknownIds) unknownIds->push_back(entry.Context);
        continue;
      }
      std::u16string value = entry.Translation.empty() && !entry.Translated
                                 ? OriginalOf(originals, table)
                                 : entry.Translation;
      const std::u16string& comment = entry.Comment;
      if (value == table.TranValue() && entry.Translated == table.Translated() &&
          comment == table.Comment()) {
        continue;
      }
      table.Edit();
      try {
        table.SetTranValue(value);
        table.SetTranslated(entry.Translated);
        table.SetComment(comment);
        table.Post();
      } catch (Exception& e) {
        table.Cancel();
        e.SetMessage(Format("Entry %s: %s", WideToAnsi(entry.Context), e.Message()));
        throw;
      }
      ++changed;
    }
  } catch (...) {
    table.EndBatch();
    throw;
  }
  table.EndBatch();
  // An import that changes nothing leaves the module file as it was.
  if (changed > 0) table.SaveToFile(false);
  return changed;
}
