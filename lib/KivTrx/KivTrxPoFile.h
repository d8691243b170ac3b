// KivTrxPoFile: translation catalogs in the PO format that translators' editors use.
// One entry per translation-table row: the row's id as the entry's context, the
// original text as msgid, the translation as msgstr.
//
// What "translated" becomes in the file: a translated row with a text is a plain entry;
// a row with a text that is not marked translated carries the "fuzzy" flag; a row
// without a text has an empty msgstr. PO has no way to say "translated, and the
// translation is empty", so such a row carries the flag "translated-empty", which other
// tools keep and ignore.
//
// Files are UTF-8; texts in the entries are UTF-16. Line breaks in comments are "\n".
// Errors (malformed files, other charsets, plural forms, texts that UTF-8 cannot carry)
// raise EKivGeneralError; a reading error names the file's line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TKivPoEntry {
  std::u16string Context;      // msgctxt: the row's id
  std::u16string Original;     // msgid
  std::u16string Translation;  // msgstr
  bool Translated = false;
  std::u16string Comment;  // the translator's comment, lines separated by "\n"

  bool operator==(const TKivPoEntry&) const = default;
};

// What the header entry of a catalog says about it, besides its charset.
struct TKivPoHeader {
  std::u16string ProjectId;  // Project-Id-Version
  std::u16string Language;   // Language; not written when empty

  bool operator==(const TKivPoHeader&) const = default;
};

// The catalog as UTF-8 text with LF line ends, header entry first. Refuses a header
// value with a line break, and a text holding an unpaired surrogate.
std::string WritePoCatalog(const std::vector<TKivPoEntry>& entries, const TKivPoHeader& header);

// The live entries of a catalog in file order; obsolete entries ("#~") and the header
// are skipped. An entry without msgctxt gets an empty context. When `header` is given it
// receives the header's values (empty when the catalog has no header).
std::vector<TKivPoEntry> ReadPoCatalog(std::string_view utf8, TKivPoHeader* header = nullptr);

#ifdef _WIN32
// A module's translation table as a catalog: one entry per row, the program's own text
// as the original. Rows that are not translated and still show the program's text have
// an empty translation.
std::string ExportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile);
// Takes a catalog's translations, translated marks and comments into the module, each
// edit through the table's checks (a refused edit raises with the entry's id in front of
// the message, and nothing is saved). Entries for ids the module does not have are
// skipped and listed in `unknownIds`. Saves the module only when a row changed; returns
// how many did.
int ImportPoCatalog(const std::u16string& programFile, const std::u16string& moduleFile,
                    std::string_view catalog, std::vector<std::u16string>* unknownIds);
#endif
