#include <gtest/gtest.h>

#include "FormFiles/ShortCut.h"
#include "Rtl/Exceptions.h"

namespace {

TEST(ShortCut, DisplayTexts) {
  EXPECT_EQ(ShortCutToText(0), u"");
  EXPECT_EQ(ShortCutToText(scCtrl | scShift | 0x74), u"Ctrl+Shift+F5");
  EXPECT_EQ(ShortCutToText(scCtrl | 'S'), u"Ctrl+S");
  EXPECT_EQ(ShortCutToText(scAlt | 0x0D), u"Alt+Enter");
  EXPECT_EQ(ShortCutToText(0x6B), u"Num +");
  EXPECT_EQ(ShortCutToText(scShift | 0x2E), u"Shift+Del");
  EXPECT_EQ(ShortCutToText(0x87), u"F24");
  EXPECT_EQ(ShortCutToText(scCtrl | 0x07), u"Ctrl+$07");  // a key without a name
  EXPECT_EQ(ShortCutToText(0x1041), u"$1041");            // bits outside key and modifiers
}

TEST(ShortCut, EveryValueReadsBackFromItsText) {
  for (std::uint32_t v = 0; v <= 0xFFFF; ++v) {
    TShortCut back = 1;
    ASSERT_TRUE(TryTextToShortCut(ShortCutToText(static_cast<TShortCut>(v)), back)) << v;
    ASSERT_EQ(back, v);
  }
}

TEST(ShortCut, ReadingIgnoresCaseModifierOrderAndBlanks) {
  EXPECT_EQ(TextToShortCut(u"shift+CTRL+f5"), scCtrl | scShift | 0x74);
  EXPECT_EQ(TextToShortCut(u"  Alt+num 3 "), scAlt | 0x63);
  EXPECT_EQ(TextToShortCut(u"Ctrl+="), scCtrl | 0xBB);
  EXPECT_EQ(TextToShortCut(u""), 0);
}

TEST(ShortCut, UnknownTextIsAnErrorNotNoShortcut) {
  for (const char16_t* bad :
       {u"Strg+S", u"Ctrl+", u"Ctrl++", u"F25", u"F0", u"Ctrl+$1234", u"$12345"}) {
    TShortCut sc = 0x1234;
    EXPECT_FALSE(TryTextToShortCut(bad, sc));
    EXPECT_THROW(TextToShortCut(bad), EConvertError);
  }
  try {
    TextToShortCut(u"Strg+S");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid shortcut text: Strg+S");
  }
}

}  // namespace
