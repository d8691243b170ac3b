// The real form files convert as the development tools would have them: text back to
// the same text, binary back to the same bytes, and every string, after each of the
// conversions, with the same characters (8-bit strings with the same bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormCompare.h"
#include "FormFiles/FormText.h"
#include "RealForms.h"
#include "Rtl/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Text files whose layout is not that of the current development tools, so that the
// converters' text differs from them (they still convert, and the text written for them
// holds the same values).
const char* const kFifteenDigits =
    "floats with 15 significant digits, as older versions of the development tools "
    "wrote them; binary keeps no trace of the layout";
const std::map<std::string, std::string> kTextExceptions = {
    {"forms-real/005.dfm", std::string(kFifteenDigits) + " (\"410.104166666667\")"},
    {"forms-real/014.dfm", std::string(kFifteenDigits) + " (\"Date = 42510.4902508912\")"},
    {"forms-encodings/089.dfm", std::string(kFifteenDigits) + " (\"LWSensitivity = 0.1\")"},
};

// The strings of what a conversion read against those of what it wrote.
void ExpectSameStrings(const std::vector<TFormStringAt>& read,
                       const std::vector<TFormStringAt>& written, const char* conversion) {
  std::size_t i = FirstStringChange(read, written);
  if (i == std::string::npos) return;
  ADD_FAILURE() << conversion << ": string " << i + 1 << " of " << read.size() << " (at "
                << (i < read.size() ? read[i].where : 0) << ") changes";
}

std::vector<TFormStringAt> BinaryStrings(const Bytes& b) {
  return FormBinaryStrings(b.data(), b.size());
}

TEST(RealForms, TheSamplesHoldTextAndBinaryForms) {
  std::map<std::string, std::pair<int, int>> counts;  // folder: text, binary
  for (const RealForm& f : RealForms()) {
    auto& [text, binary] = counts[f.name.substr(0, f.name.find('/'))];
    (f.binary ? binary : text) += 1;
  }
  EXPECT_EQ(counts["forms-real"], std::make_pair(66, 9));
  EXPECT_EQ(counts["forms-encodings"], std::make_pair(10, 6));
  for (const auto& [name, reason] : kTextExceptions) {
    bool found = false;
    for (const RealForm& f : RealForms()) found = found || (f.name == name && !f.binary);
    EXPECT_TRUE(found) << name;
  }
}

TEST(RealForms, TextComesBackUnchangedFromBinary) {
  for (const RealForm& f : RealForms()) {
    if (f.binary) continue;
    SCOPED_TRACE(f.name);
    Bytes binary;
    ASSERT_NO_THROW(binary = FormTextToBinary(f.Text()));
    ExpectSameStrings(FormTextStrings(f.Text()), BinaryStrings(binary), "text to binary");
    std::string text = FormBinaryToText(binary);
    ExpectSameStrings(BinaryStrings(binary), FormTextStrings(text), "binary to text");
    int line = FirstDifferingLine(f.Text(), text);
    if (kTextExceptions.count(f.name)) {
      // Listed because it differs; once it does not, it belongs off the list.
      EXPECT_NE(line, 0) << "listed as an exception, but round-trips";
      EXPECT_EQ(FormTextToBinary(text), binary) << "not the same values";
    } else {
      EXPECT_EQ(line, 0) << "first differing line " << line;
    }
  }
}

TEST(RealForms, BinaryComesBackByteForByteFromText) {
  for (const RealForm& f : RealForms()) {
    if (!f.binary) continue;
    SCOPED_TRACE(f.name);
    std::string text;
    ASSERT_NO_THROW(text = FormBinaryToText(f.bytes));
    ExpectSameStrings(BinaryStrings(f.bytes), FormTextStrings(text), "binary to text");
    Bytes back = AddFormResourceHeader(FormTextToBinary(text));
    ExpectSameStrings(FormTextStrings(text), BinaryStrings(back), "text to binary");
    if (back != f.bytes) {
      TFormComparison c =
          CompareBinaryForms(f.bytes.data(), f.bytes.size(), back.data(), back.size());
      ADD_FAILURE() << (c.sameContent ? "a value comes back in another kind at offset "
                                      : "the content changes at offset ")
                    << (c.sameContent ? c.kindOffset : c.contentOffset);
    }
    EXPECT_EQ(FormBinaryToText(back), text);
  }
}

// The faults that older forms met: a code page 1251 caption of binary (an 8-bit string)
// turned into other letters, and the same caption in text came back as "#" codes.
TEST(RealForms, CyrillicOfOlderFormsStaysTheSameBytes) {
  auto find = [](std::string_view name) {
    const auto& forms = RealForms();
    auto it =
        std::find_if(forms.begin(), forms.end(), [&](const RealForm& f) { return f.name == name; });
    return it == forms.end() ? RealForm() : *it;
  };
  // "Диспетчер процессов" and "Отметка земли в начале" in code page 1251.
  const std::string dispatcher =
      "\xC4\xE8\xF1\xEF\xE5\xF2\xF7\xE5\xF0 \xEF\xF0\xEE\xF6\xE5\xF1\xF1\xEE\xE2";
  const std::string mark =
      "\xCE\xF2\xEC\xE5\xF2\xEA\xE0 \xE7\xE5\xEC\xEB\xE8 \xE2 \xED\xE0\xF7\xE0\xEB\xE5";
  RealForm binary = find("forms-encodings/083.dfm");
  ASSERT_TRUE(binary.binary);
  std::string text = FormBinaryToText(binary.bytes);
  EXPECT_NE(text.find("  Caption = '" + dispatcher + "'\r\n"), std::string::npos);

  RealForm older = find("forms-encodings/078.dfm");
  ASSERT_NE(older.Text().find("'" + mark + "'"), std::string_view::npos);
  Bytes compiled = FormTextToBinary(older.Text());
  Bytes value = {0x06, static_cast<std::uint8_t>(mark.size())};
  value.insert(value.end(), mark.begin(), mark.end());
  EXPECT_NE(std::search(compiled.begin(), compiled.end(), value.begin(), value.end()),
            compiled.end());
}

}  // namespace
