#include <gtest/gtest.h>

#include "Rtl/ResourceString.h"

namespace {

KIV_RESOURCESTRING(ResourceStringTest_SGreeting, u"Hello %s");

TEST(ResourceString, DeclaredTextIsTheFallback) {
  EXPECT_STREQ(ResourceStringTest_SGreeting.name, "ResourceStringTest_SGreeting");
  EXPECT_EQ(LoadResString(ResourceStringTest_SGreeting), u"Hello %s");
  EXPECT_EQ(LoadAnsiResString(ResourceStringTest_SGreeting), "Hello %s");
}

TEST(ResourceString, MapRoundTripsAndIgnoresPaddingAndJunk) {
  std::u16string text = FormatResStrMap({{4096, "A_One"}, {4097, "B_Two"}, {65535, "Z_Last"}});
  EXPECT_EQ(text, u"4096=A_One\r\n4097=B_Two\r\n65535=Z_Last\r\n");
  std::u16string padded = text + std::u16string(20, u'\0');
  auto entries = ParseResStrMap(padded);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].id, 4096);
  EXPECT_EQ(entries[2].name, "Z_Last");
  auto junk = ParseResStrMap(u"=x\r\n12a=y\r\n70000=big\r\n0=zero\r\n5=\r\nno equals\r\n7=ok");
  ASSERT_EQ(junk.size(), 1u);
  EXPECT_EQ(junk[0].id, 7);
  EXPECT_EQ(junk[0].name, "ok");
}

}  // namespace
