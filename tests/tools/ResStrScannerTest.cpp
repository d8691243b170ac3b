#include <gtest/gtest.h>

#include "ResStrScanner.h"

namespace {

TEST(ResStrScanner, FindsDeclarationsWithTheirTexts) {
  std::string source = R"(
#define KIV_RESOURCESTRING(Name, Text) ignored
KIV_RESOURCESTRING(Unit_SOne, u"Could not create %s");
  KIV_RESOURCESTRING( Unit_STwo ,
      u"Line\r\n\"quoted\" tab\t back\\ caf\u00e9 \x41");
MY_KIV_RESOURCESTRING(Not_Me, u"x");
)";
  auto decls = ScanResourceStrings(source, "unit.cpp");
  ASSERT_EQ(decls.size(), 2u);
  EXPECT_EQ(decls[0].name, "Unit_SOne");
  EXPECT_EQ(decls[0].text, u"Could not create %s");
  EXPECT_EQ(decls[1].name, "Unit_STwo");
  EXPECT_EQ(decls[1].text, u"Line\r\n\"quoted\" tab\t back\\ caf\u00e9 A");
}

TEST(ResStrScanner, Utf8SourceTextBecomesWide) {
  auto decls = ScanResourceStrings(
      "KIV_RESOURCESTRING(U_S, u\"Gr\xC3\xBC\xC3\x9F"
      "e\")",
      "u.cpp");
  ASSERT_EQ(decls.size(), 1u);
  EXPECT_EQ(decls[0].text, u"Gr\u00fc\u00dfe");
}

TEST(ResStrScanner, MalformedDeclarationsNameFileAndLine) {
  auto expectError = [](const std::string& src, const std::string& where) {
    try {
      ScanResourceStrings(src, "bad.cpp");
      ADD_FAILURE() << "accepted " << src;
    } catch (const ResStrScanError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(where, 0), 0u) << e.what();
    }
  };
  expectError("\n\nKIV_RESOURCESTRING(, u\"x\")", "bad.cpp:3:");
  expectError("KIV_RESOURCESTRING(A_B u\"x\")", "bad.cpp:1:");
  expectError("KIV_RESOURCESTRING(A_B, \"narrow\")", "bad.cpp:1:");
  expectError("KIV_RESOURCESTRING(A_B, u\"open", "bad.cpp:1:");
  expectError("KIV_RESOURCESTRING(A_B, u\"a\" u\"b\")", "bad.cpp:1:");
  expectError("KIV_RESOURCESTRING(A_B, u\"\\q\")", "bad.cpp:1:");
}

TEST(ResStrScanner, NumbersByNameAndRefusesDuplicates) {
  std::vector<ResStrDecl> decls = {{"B_Two", u"2"}, {"A_One", u"1"}, {"C_Three", u"3"}};
  NumberResourceStrings(decls, 4096);
  EXPECT_EQ(decls[0].name, "A_One");
  EXPECT_EQ(decls[0].id, 4096);
  EXPECT_EQ(decls[2].id, 4098);
  std::vector<ResStrDecl> dup = {{"A_One", u"1"}, {"A_One", u"again"}};
  EXPECT_THROW(NumberResourceStrings(dup, 1), ResStrScanError);
  std::vector<ResStrDecl> many = {{"A", u""}, {"B", u""}};
  EXPECT_THROW(NumberResourceStrings(many, 0xFFFF), ResStrScanError);
}

TEST(ResStrScanner, StringTableBlocksHoldSixteenCountedStrings) {
  std::vector<ResStrDecl> decls = {{"A", u"ab", 17}, {"B", u"", 18}, {"C", u"xyz", 40}};
  auto blocks = BuildStringTable(decls);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].resourceName, 2);  // ids 16..31
  EXPECT_EQ(blocks[1].resourceName, 3);  // ids 32..47
  // Block 2: slot 0 empty, slot 1 "ab", slot 2 empty string, then 13 empty slots.
  const auto& b = blocks[0].bytes;
  ASSERT_EQ(b.size(), 2u * (16 + 2));
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[2], 2);
  EXPECT_EQ(b[4], 'a');
  EXPECT_EQ(b[6], 'b');
  EXPECT_EQ(b[8], 0);
  EXPECT_EQ(blocks[1].bytes.size(), 2u * (16 + 3));
}

}  // namespace
