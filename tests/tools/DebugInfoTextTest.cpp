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

namespace {

// A procedure with an inlined helper from its own file and a header's code inlined
// into that, and the compiler's cold part of it.
constexpr const char* kInlinedLines = R"(
/work/app/Main.cpp:
File name                            Line number    Starting address    View    Stmt
Main.cpp                                      70         0x140001000               x
Main.cpp                                      60         0x140001010               x
std_function.h                               591         0x140001018               x
Main.cpp                                      61         0x140001020               x
Main.cpp                                      72         0x140001030               x
Main.cpp                                      74         0x140001040               x
Main.cpp                                      61         0x140001048               x
Main.cpp                                       -         0x140001050
/work/app/Main.cpp:
File name                            Line number    Starting address    View    Stmt
Main.cpp                                      80         0x140001100               x
Main.cpp                                       -         0x140001110
)";

constexpr const char* kInlinedSymbols =
    "0000000140001000 T Run(int)\n"
    "0000000140001100 t Run(int) [clone .cold]\n";

// addr2line -a -i for the rows: inlined code first, then where it was called from.
constexpr const char* kInlines =
    "0x0000000140001000\n/work/app/Main.cpp:70\n"
    "0x0000000140001010\n/work/app/Main.cpp:60\n/work/app/Main.cpp:71\n"
    "0x0000000140001018\n/usr/include/c++/bits/std_function.h:591\n"
    "/work/app/Main.cpp:61 (discriminator 2)\n/work/app/Main.cpp:71\n"
    "0x0000000140001020\n/work/app/Main.cpp:61\n/work/app/Main.cpp:71\n"
    "0x0000000140001030\n/work/app/Main.cpp:72\n"
    "0x0000000140001040\n??:0\n"
    "0x0000000140001048\n/work/app/Main.cpp:61\n"
    "0x0000000140001100\n/work/app/Main.cpp:80\n";

}  // namespace

TEST(DebugInfoText, RowAddressesAreTheRowsWithALine) {
  EXPECT_EQ(RowAddresses(ParseDecodedLines(kInlinedLines)),
            "0x140001000\n0x140001010\n0x140001018\n0x140001020\n0x140001030\n0x140001040\n"
            "0x140001048\n0x140001100\n");
}

TEST(DebugInfoText, OutermostLinesAreTheLastCallSites) {
  std::map<std::uint64_t, OutermostLine> o = ParseOutermostLines(kInlines);
  ASSERT_EQ(o.size(), 7u);  // the address addr2line does not know is left out
  EXPECT_EQ(o[0x140001000].line, 70u);
  EXPECT_EQ(o[0x140001000].inlinedLine, 0u);
  EXPECT_EQ(o[0x140001018].line, 71u);
  EXPECT_EQ(o[0x140001018].file, "Main.cpp");
  // The inlined procedure's own line there: the call of the header's code in it.
  EXPECT_EQ(o[0x140001018].inlinedLine, 61u);
  EXPECT_EQ(o[0x140001018].inlinedFile, "Main.cpp");
  EXPECT_EQ(o.count(0x140001040), 0u);
}

TEST(DebugInfoText, InlinedCodeTakesTheLineThatCalledIt) {
  TableInput in =
      MakeTableInput(ParseDecodedLines(kInlinedLines), ParseSymbols(kInlinedSymbols), 0x140000000,
                     0x140001000, 0x140002000, ParseOutermostLines(kInlines));
  std::vector<std::uint8_t> table = SymbolTable::Build(in.procedures, in.rows, 0x2000);
  SymbolTable::Reader r(table);
  // The helper's and the header's lines become the call in Run; an address
  // addr2line could not place keeps its row.
  for (std::uint32_t rva : {0x1010u, 0x1018u, 0x1024u}) {
    auto loc = r.Find(rva);
    ASSERT_TRUE(loc) << rva;
    EXPECT_EQ(loc->procedure, "Run");
    EXPECT_EQ(loc->line, 71u) << rva;
    EXPECT_EQ(loc->file, "Main.cpp");
  }
  EXPECT_EQ(r.Find(0x1034)->line, 72u);
  EXPECT_EQ(r.Find(0x1044)->line, 74u);
  // A piece of the helper that addr2line does not place in it (an exception handler,
  // say) has a line among the helper's: it is the helper's call too.
  EXPECT_EQ(r.Find(0x104A)->line, 71u);
  auto run = r.Find(0x1000);
  EXPECT_EQ(run->procedureFirstLine, 70u);
  EXPECT_EQ(run->procedureFile, "Main.cpp");
  // The cold part counts from the procedure's own first line.
  auto cold = r.Find(0x1104);
  ASSERT_TRUE(cold);
  EXPECT_EQ(cold->procedure, "Run");
  EXPECT_EQ(cold->line, 80u);
  EXPECT_EQ(cold->procedureFirstLine, 70u);
}

TEST(DebugInfoText, FirstLineIsTheSmallestOfTheProceduresFile) {
  // Without addr2line's help the header line stays, and does not count.
  TableInput in = MakeTableInput(ParseDecodedLines(kInlinedLines), ParseSymbols(kInlinedSymbols),
                                 0x140000000, 0x140001000, 0x140002000);
  ASSERT_EQ(in.procedures.size(), 2u);
  EXPECT_EQ(in.procedures[0].file, "Main.cpp");
  EXPECT_EQ(in.procedures[0].firstLine, 60u);
}
