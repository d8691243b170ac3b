// PO catalogs: reading any bytes either works or raises a clear error; a catalog that
// reads is written and read again to the same entries and header. Entries made from the
// input's UTF-16 units are written and read back unchanged, unless a text holds an
// unpaired surrogate, which writing refuses.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "KivTrx/KivTrxPoFile.h"
#include "Rtl/Exceptions.h"

namespace {

void CheckReadCatalogRoundTrips(std::string_view text) {
  TKivPoHeader header;
  std::vector<TKivPoEntry> entries;
  try {
    entries = ReadPoCatalog(text, &header);
  } catch (const EKivGeneralError&) {
    return;
  }
  std::string written = WritePoCatalog(entries, header);
  TKivPoHeader headerAgain;
  FUZZ_CHECK(ReadPoCatalog(written, &headerAgain) == entries);
  FUZZ_CHECK(headerAgain == header);
}

// Fields of one entry per record, separated by U+FFFF; records by U+FFFE.
void CheckEntriesRoundTrip(const std::uint8_t* data, std::size_t size) {
  std::vector<TKivPoEntry> entries(1);
  int field = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    TKivPoEntry& e = entries.back();
    if (c == 0xFFFE) {
      entries.emplace_back();
      field = 0;
    } else if (c == 0xFFFF) {
      ++field;
      e.Translated = !e.Translated;
    } else {
      std::u16string* texts[] = {&e.Context, &e.Original, &e.Translation, &e.Comment};
      *texts[field % 4] += c;
    }
  }
  std::string written;
  try {
    written = WritePoCatalog(entries, {u"fuzz", u"xx", u""});
  } catch (const EKivGeneralError&) {
    return;
  }
  FUZZ_CHECK(ReadPoCatalog(written) == entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckReadCatalogRoundTrips(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckEntriesRoundTrip(data, size);
  return 0;
}
