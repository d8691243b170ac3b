#include <gtest/gtest.h>

#include "KivLX/KivLXVerUtils.h"

namespace {

TEST(KivLXVerUtils, MakeSplitPackRoundTrip) {
  TVersionNumber v = MakeVersion(2000, 80, 194, 7);
  EXPECT_EQ(v, 0x07D0005000C20007ull);
  TVersionParts p = SplitVersion(v);
  EXPECT_EQ(p.major, 2000);
  EXPECT_EQ(p.minor, 80);
  EXPECT_EQ(p.release, 194);
  EXPECT_EQ(p.build, 7);
  EXPECT_EQ(PackVersion(MakeVersion(1998, 11, 1, 0)), 0x07CE000Bu);
  EXPECT_EQ(VersionMajor(MakeVersion(1998, 11, 1, 0)), 1998);
  EXPECT_EQ(PackVersion(MakeVersion(2000, 80, 194, 0)), 0x07D00050u);
  // The extremes of each part stay in their own part.
  TVersionParts max = SplitVersion(MakeVersion(65535, 0, 65535, 0));
  EXPECT_EQ(max.major, 65535);
  EXPECT_EQ(max.minor, 0);
  EXPECT_EQ(max.release, 65535);
  EXPECT_EQ(max.build, 0);
}

TEST(KivLXVerUtils, PackedVersionsCompareAsSignedIntegers) {
  auto packed = [](int major, int minor) {
    return static_cast<std::int32_t>(PackVersion(MakeVersion(major, minor, 0, 0)));
  };
  EXPECT_LT(packed(2000, 9), 0x07D0000A);
  EXPECT_GE(packed(2000, 10), 0x07D0000A);
  EXPECT_GT(packed(2000, 80), packed(1998, 11));
  EXPECT_GT(packed(32767, 0), packed(2000, 80));
}

TEST(KivLXVerUtils, FormatStyles) {
  TVersionNumber v = MakeVersion(2000, 80, 194, 0);
  EXPECT_EQ(FormatVersion(vfFull, v), u"2000.80.194.0");
  EXPECT_EQ(FormatVersion(vfRelease, v), u"2000.80.194");
  EXPECT_EQ(FormatVersion(vfRevision, v), u"2000.80 r194");
  EXPECT_EQ(FormatVersion(vfShort, v), u"2000.80");
  EXPECT_EQ(FormatVersion(vfFull, MakeVersion(65535, 65535, 65535, 65535)),
            u"65535.65535.65535.65535");  // unsigned parts
  EXPECT_EQ(FormatVersion(vfFull, 0), u"0.0.0.0");
  EXPECT_EQ(FormatVersion(static_cast<TVersionFormat>(7), v), u"");
}

}  // namespace
