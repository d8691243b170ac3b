// Floats of form files: ten bytes that are a valid extended value come back exactly from
// their form text; any text is refused or reads as a value whose form text reads back
// as the same value; conversions to and from double agree with each other.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FormFiles/FormFloat.h"
#include "FuzzCheck.h"

namespace {

void CheckTextRoundTrip(const TExtended& x) {
  std::string text;
  AppendFormFloat(text, x);
  TExtended back;
  FUZZ_CHECK(ParseExtended(text, back) == TFloatParse::Ok);
  FUZZ_CHECK(back == x);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= TExtended::kSize) {
    TExtended x = TExtended::Load(data);
    if (x.IsValidFinite()) {
      CheckTextRoundTrip(x);
      double d = ExtendedToDouble(x);
      if (std::isfinite(d)) {
        double again = ExtendedToDouble(ExtendedFromDouble(d));
        FUZZ_CHECK(std::memcmp(&again, &d, sizeof d) == 0);
        std::string date;
        AppendFormDate(date, d);
        double read = 0;
        auto r = std::from_chars(date.data(), date.data() + date.size(), read);
        FUZZ_CHECK(r.ec == std::errc() && r.ptr == date.data() + date.size());
        FUZZ_CHECK(std::memcmp(&read, &d, sizeof d) == 0);
      }
    }
  }
  TExtended parsed;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (ParseExtended(text, parsed) == TFloatParse::Ok) {
    FUZZ_CHECK(parsed.IsValidFinite());
    CheckTextRoundTrip(parsed);
  }
  return 0;
}
