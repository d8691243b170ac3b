// Any text through the DFM text model: a parse either fails with an exception and
// leaves the flat property list as it was, or yields a tree whose flat list holds
// every property and that renders; the rendering parses again or fails cleanly. (It
// need not render the same: a header such as "object :A:B" reads back differently, and
// only text the converter wrote has to survive the round trip, which the binary
// target checks.) The string readers survive every value.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/Exceptions.h"

namespace {

std::size_t CountProperties(TDfmObject& node) {
  std::size_t n = node.Properties.size();
  for (auto& p : node.Properties) {
    if (p->Items) {
      for (auto& item : *p->Items) n += CountProperties(*item);
    }
  }
  for (auto& child : node.Children) n += CountProperties(*child);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDfmForm form;
  TDfmProperty sentinel;
  TDfmPropertyList properties{&sentinel};
  try {
    form.Parse(std::string_view(reinterpret_cast<const char*>(data), size), &properties);
  } catch (const Exception&) {
    FUZZ_CHECK(properties.size() == 1);
    return 0;
  }
  FUZZ_CHECK(properties.size() == 1 + CountProperties(form));
  std::string text = form.AsText();
  try {
    TDfmForm again;
    again.Parse(text, nullptr);
    again.AsText();
  } catch (const Exception&) {
  }
  for (std::size_t i = 1; i < properties.size(); ++i) {
    try {
      DfmStringToWide(properties[i]->Value);
      TKivStringList list;
      ReadDfmWideStringList(properties[i]->Value, list);
    } catch (const Exception&) {
    }
  }
  return 0;
}
