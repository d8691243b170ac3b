// trxpo: a resource module's translations as a PO catalog for the translators' own
// editors, and back.
//
//   trxpo export <program> <module> <catalog.po>
//   trxpo import <program> <module> <catalog.po>
//
// Export writes one entry per row of the module's translation table. Import takes the
// catalog's translations, flags and comments through the table's own checks and saves
// the module only when something changed; a refused translation ends it with exit code
// 1 and the module unchanged. Entries for rows the module lacks, and entries made for
// another text of the program, are named and skipped.
#include "Rtl/Win.h"

#include <cstdio>
#include <string>
#include <vector>

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxPoFile.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
  std::fputs(
      "usage: trxpo export <program> <module> <catalog.po>\n"
      "       trxpo import <program> <module> <catalog.po>\n",
      stderr);
  return kUsageError;
}

void WriteCatalog(const std::u16string& file, const std::string& text) {
  TFileStream out(file, FileMode::Create);
  out.WriteBuffer(text.data(), text.size());
}

// A text on one line of the console, its line breaks and quotes escaped as in a catalog.
std::string Quoted(const std::u16string& text) {
  std::string out = "\"";
  for (char c : WideToAnsi(text)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out + "\"";
}

std::string ReadCatalog(const std::u16string& file) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

int Run(const std::u16string& command, const std::u16string& program, const std::u16string& module,
        const std::u16string& catalog) {
  if (command == u"export") {
    WriteCatalog(catalog, ExportPoCatalog(program, module));
    std::printf("Exported the translations of %s to %s.\n", WideToAnsi(module).c_str(),
                WideToAnsi(catalog).c_str());
    return 0;
  }
  if (command == u"import") {
    TKivPoImport result = ImportPoCatalog(program, module, ReadCatalog(catalog));
    for (const std::u16string& id : result.UnknownIds) {
      std::fprintf(stderr, "trxpo: %s has no row %s; the entry was skipped.\n",
                   WideToAnsi(module).c_str(), WideToAnsi(id).c_str());
    }
    for (const TKivPoStaleEntry& stale : result.StaleEntries) {
      std::fprintf(stderr,
                   "trxpo: the entry %s was made for another text of the program; it was "
                   "skipped.\n  catalog: %s\n  program: %s\n",
                   WideToAnsi(stale.Id).c_str(), Quoted(stale.CatalogText).c_str(),
                   Quoted(stale.ProgramText).c_str());
    }
    if (result.Changed == 0) {
      std::printf("Nothing to change in %s.\n", WideToAnsi(module).c_str());
    } else {
      std::printf("%d rows of %s changed.\n", result.Changed, WideToAnsi(module).c_str());
    }
    return 0;
  }
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return Usage();
  InitializeKivLXUtils();
  InitializeKivTrxDfmUtils();
  InitializeKivTrxLanguages();
  InitializeKivTrxResourceUtils();
  int rc;
  try {
    rc = Run(FromWStr(argv[1]), GetLongPathText(FromWStr(argv[2])),
             GetLongPathText(FromWStr(argv[3])), FromWStr(argv[4]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "trxpo: %s\n", e.what());
    rc = 1;
  }
  FinalizeKivTrxResourceUtils();
  FinalizeKivTrxLanguages();
  FinalizeKivTrxDfmUtils();
  FinalizeKivLXUtils();
  return rc;
}
