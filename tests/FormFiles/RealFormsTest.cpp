// The real form files convert as the development tools would have them: text back to
// the same text, binary back to the same bytes.
#include <gtest/gtest.h>

#include <map>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "RealForms.h"
#include "Rtl/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Text files whose layout is not that of the current development tools, so that the
// converters' text differs from them (they still convert, and the text written for them
// converts back to the same binary).
const std::map<std::string, std::string> kTextExceptions = {
    {"005.dfm",
     "floats with 15 significant digits (\"410.104166666667\"), as older versions "
     "of the development tools wrote them; binary keeps no trace of the layout"},
    {"014.dfm",
     "floats with 15 significant digits (\"Date = 42510.4902508912\"), as older "
     "versions of the development tools wrote them"},
};

TEST(RealForms, TheSampleHoldsTextAndBinaryForms) {
  int text = 0;
  int binary = 0;
  for (const RealForm& f : RealForms()) (f.binary ? binary : text) += 1;
  EXPECT_EQ(text, 66);
  EXPECT_EQ(binary, 9);
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
    std::string text = FormBinaryToText(binary);
    int line = FirstDifferingLine(f.Text(), text);
    if (kTextExceptions.count(f.name)) {
      // Listed because it differs; once it does not, it belongs off the list.
      EXPECT_NE(line, 0) << "listed as an exception, but round-trips";
      EXPECT_EQ(FormTextToBinary(text), binary);
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
    Bytes back = AddFormResourceHeader(FormTextToBinary(text));
    EXPECT_TRUE(back == f.bytes);
    EXPECT_EQ(FormBinaryToText(back), text);
  }
}

}  // namespace
