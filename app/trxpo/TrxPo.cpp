// trxpo: a resource module's translations as a PO catalog for the translators' own
// editors, and back.
//
//   trxpo export <program> <module> <catalog.po>
//   trxpo import <program> <module> <catalog.po>
//
// Export writes one entry per row of the module's translation table. Import takes the
// catalog's translations, flags and comments through the table's own checks and saves
// the module only when something changed.
#include "Rtl/Win.h"

#include <cstdio>
#include <string>
#include <vector>

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxPoFile.h"
#include "KivTrx/KivTrxResourceUtils.h"
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
    std::vector<std::u16string> unknown;
    int changed = ImportPoCatalog(program, module, ReadCatalog(catalog), &unknown);
    for (const std::u16string& id : unknown) {
      std::fprintf(stderr, "trxpo: %s has no row %s; the entry was skipped.\n",
                   WideToAnsi(module).c_str(), WideToAnsi(id).c_str());
    }
    if (changed == 0) {
      std::printf("Nothing to change in %s.\n", WideToAnsi(module).c_str());
    } else {
      std::printf("%d rows of %s changed.\n", changed, WideToAnsi(module).c_str());
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
