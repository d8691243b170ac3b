// KivTrxPoFile: translation catalogs in the PO format that translators' editors use.
// One entry per translation-table row: the row's id as the entry's context, the
// original text as msgid, the translation as msgstr.
//
// What "translated" becomes in the file: a translated row with a text is a plain entry;
// a row with a translator's text that is not marked translated carries the "fuzzy"
// flag; a row without one has an empty msgstr. PO has no way to say "translated, and
// the translation is empty", so such a row carries the flag "translated-empty", which
// other tools keep and ignore. An original that takes format arguments carries the
// flag with which editors and msgfmt check its translation's format.
//
// Files are UTF-8; texts in the entries are UTF-16. Line breaks in comments are "\n".
// Errors (malformed files, other charsets, plural forms, texts that UTF-8 cannot carry)
// raise EKivGeneralError; a reading error names the file's line.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

class TKivTransTable;

struct TKivPoEntry {
  std::u16string Context;      // msgctxt: the row's id
  std::u16string Original;     // msgid
  std::u16string Translation;  // msgstr
  bool Translated = false;
  std::u16string Comment;     // the translator's comment, lines separated by "\n"
  bool FormatString = false;  // the original takes format arguments

  bool operator==(const TKivPoEntry&) const = default;
};

// What the header entry of a catalog says about it, besides its charset.
struct TKivPoHeader {
  std::u16string ProjectId;     // Project-Id-Version
  std::u16string Language;      // Language; not written when empty
  std::u16string RevisionDate;  // PO-Revision-Date, "YYYY-MM-DD HH:MM+ZZZZ"

  bool operator==(const TKivPoHeader&) const = default;
};

// The catalog as UTF-8 text with LF line ends, header entry first. Refuses a header
// value with a line break, and a text holding an unpaired surrogate.
std::string WritePoCatalog(const std::vector<TKivPoEntry>& entries, const TKivPoHeader& header);

// The live entries of a catalog in file order; obsolete entries ("#~") and the header
// are skipped. An entry without msgctxt gets an empty context. When `header` is given it
// receives the header's values (empty when the catalog has no header).
std::vector<TKivPoEntry> ReadPoCatalog(std::string_view utf8, TKivPoHeader* header = nullptr);

// The program's own text of each row, by row id: what the translator translates from.
using TOriginalTexts = std::map<std::u16string, std::u16string>;

// The catalog of a module's table. The original is the program's text, or for a row
// the program no longer has, the row's text before canonicalisation. An untranslated
// row that shows the program's text (its format in any spelling) has no translation;
// a translation that no longer takes the original's arguments is not marked
// translated, so that the translator sees it again. A row whose id came before, in any
// letter case, is left out: an import could not tell the two apart.
std::vector<TKivPoEntry> CatalogEntries(TKivTransTable& table, const TOriginalTexts& originals);

// An entry made for another text of the program than the one it has now.
struct TKivPoStaleEntry {
  std::u16string Id;
  std::u16string CatalogText;
  std::u16string ProgramText;
};

struct TKivPoImport {
  int Changed = 0;                             // rows changed
  std::vector<std::u16string> UnknownIds;      // entries for rows the module lacks
  std::vector<TKivPoStaleEntry> StaleEntries;  // skipped, not taken as translations
};

// Takes the catalog's translations, translated marks and comments into the table, each
// edit through the table's checks, a string's format against the program's original. A
// refused edit raises with the entry's id in front of the message and leaves the rows
// that came before it changed in the table only. Entries for unknown ids and entries
// whose msgid is not the program's text are skipped and listed. A comment of several
// lines becomes one, its lines joined with spaces.
TKivPoImport ImportCatalogEntries(TKivTransTable& table, const TOriginalTexts& originals,
                                  const std::vector<TKivPoEntry>& entries);

#ifdef _WIN32
// A module's translation table as a catalog, its header naming the module's language
// and the module file's last change.
std::string ExportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile);
// ImportCatalogEntries on the module's table; the module is saved only when a row
// changed, and not at all when an edit is refused.
TKivPoImport ImportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile,
                             std::string_view catalog);
#endif
