#include <gtest/gtest.h>

#include "DebugInfoText.h"

namespace {

constexpr const char* kLines = R"(
x.exe:     file format pei-x86-64

Contents of the .debug_line section:

./mingw-w64-crt/crt/crtexe.c:
File name                            Line number    Starting address    View    Stmt
crtexe.c                                     118         0x140001000               x
crtexe.c                                     123         0x140001008       2       x
crtexe.c                                       -         0x140001010
/work/lib/KivLX/KivLXSetupUtilsWin.cpp:
File name                            Line number    Starting address    View    Stmt
KivLXSetupUtilsWin.cpp                        40         0x140001020               x
/usr/lib/gcc/x86_64-w64-mingw32/12-win32/include/c++/bits/stl_vector.h:
stl_vector.h                                 526         0x140001028       1       x
/work/lib/KivLX/KivLXSetupUtilsWin.cpp:
KivLXSetupUtilsWin.cpp                        42         0x140001030               x
KivLXSetupUtilsWin.cpp                        45         0x140001040
KivLXSetupUtilsWin.cpp                         -         0x140001050
my file.cpp:
File name                            Line number    Starting address    View    Stmt
my file.cpp                                    7         0x140001060               x
my file.cpp                                    -         0x140001070
)";

constexpr const char* kSymbols =
    "0000000140001000 T mainCRTStartup\n"
    "0000000140001000 t .text\n"
    "0000000140001020 t (anonymous namespace)::Deploy(std::u16string const&, int)\n"
    "0000000140001020 T DeployAlias\n"
    "0000000140001060 T f()\n"
    "0000000140005000 D someData\n"
    "0000000140001065 t .l_end\n"
    "garbage line\n";

}  // namespace

TEST(DebugInfoText, ReadsUnitsRowsAndEndsOfSequence) {
  DecodedLines d = ParseDecodedLines(kLines);
  ASSERT_EQ(d.units.size(), 3u);
  EXPECT_EQ(d.units[1], "/work/lib/KivLX/KivLXSetupUtilsWin.cpp");
  EXPECT_EQ(d.units[2], "my file.cpp");
  ASSERT_EQ(d.rows.size(), 10u);
  EXPECT_EQ(d.rows[2].line, 0u);  // end of sequence
  EXPECT_EQ(d.rows[4].file, "stl_vector.h");
  EXPECT_EQ(d.rows[4].unit, 1u);
  EXPECT_EQ(d.rows[8].file, "my file.cpp");
  EXPECT_EQ(d.rows[8].address, 0x140001060u);
}

TEST(DebugInfoText, ReadsCodeSymbolsOnly) {
  std::vector<TextSymbol> s = ParseSymbols(kSymbols);
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[1].name, "(anonymous namespace)::Deploy(std::u16string const&, int)");
  EXPECT_EQ(s[1].type, 't');
}

TEST(DebugInfoText, TableInputNamesUnitsAndFirstLines) {
  TableInput in = MakeTableInput(ParseDecodedLines(kLines), ParseSymbols(kSymbols), 0x140000000,
                                 0x140001000, 0x140002000);
  ASSERT_EQ(in.procedures.size(), 3u);
  EXPECT_EQ(in.procedures[0].name, "mainCRTStartup");
  EXPECT_EQ(in.procedures[0].unit, "crtexe");
  EXPECT_EQ(in.procedures[0].firstLine, 118u);
  // The global name wins over a local one at the same address.
  EXPECT_EQ(in.procedures[1].name, "DeployAlias");
  EXPECT_EQ(in.procedures[1].rva, 0x1020u);
  EXPECT_EQ(in.procedures[1].unit, "KivLXSetupUtils");
  EXPECT_EQ(in.procedures[1].firstLine, 40u);
  EXPECT_EQ(in.procedures[2].unit, "my file");

  std::vector<std::uint8_t> table = SymbolTable::Build(in.procedures, in.rows, 0x2000);
  SymbolTable::Reader r(table);
  auto loc = r.Find(0x102C);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->file, "stl_vector.h");
  EXPECT_EQ(loc->line, 526u);
  EXPECT_EQ(r.Find(0x1044)->line, 45u);
  EXPECT_EQ(r.Find(0x1054)->line, 0u);
}
