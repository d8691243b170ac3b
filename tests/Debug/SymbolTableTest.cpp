#include <gtest/gtest.h>

#include <random>

#include "Debug/SymbolTable.h"

using namespace SymbolTable;

namespace {

// Three procedures of two units; rows cover the first two, the third has none.
std::vector<std::uint8_t> SampleTable() {
  std::vector<Procedure> procs = {
      {0x2000, "TForm1::Timer1Timer", "PlinthMainFrm", 40, "PlinthMainFrm.cpp"},
      {0x1000, "Install", "SqlDmoDeploy", 10, "SqlDmoDeploy.cpp"},
      {0x3000, "memcpy", "", 0, ""},
  };
  std::vector<LineRow> rows = {
      {0x1000, 10, "SqlDmoDeploy.cpp"},
      {0x1010, 12, "SqlDmoDeploy.cpp"},
      {0x1010, 13, "SqlDmoDeploy.cpp"},  // same address: the last row wins
      {0x1020, 99, "Format.h"},
      {0x1030, 14, "SqlDmoDeploy.cpp"},
      {0x1040, 0, ""},  // end of sequence
      {0x2000, 40, "PlinthMainFrm.cpp"},
      {0x2008, 41, "PlinthMainFrm.cpp"},
      {0x2010, 0, ""},
  };
  return Build(procs, rows, 0x4000);
}

}  // namespace

TEST(SymbolTable, FindsProcedureLineAndFile) {
  std::vector<std::uint8_t> t = SampleTable();
  Reader r(t);
  ASSERT_TRUE(r.Valid());
  EXPECT_EQ(r.ProcedureCount(), 3u);

  auto loc = r.Find(0x1015);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->unit, "SqlDmoDeploy");
  EXPECT_EQ(loc->procedure, "Install");
  EXPECT_EQ(loc->procedureRva, 0x1000u);
  EXPECT_EQ(loc->procedureEndRva, 0x2000u);
  EXPECT_EQ(loc->procedureFirstLine, 10u);
  EXPECT_EQ(loc->procedureFile, "SqlDmoDeploy.cpp");
  EXPECT_EQ(loc->line, 13u);
  EXPECT_EQ(loc->lineRva, 0x1010u);
  EXPECT_EQ(loc->file, "SqlDmoDeploy.cpp");

  loc = r.Find(0x1024);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->line, 99u);
  EXPECT_EQ(loc->file, "Format.h");  // an inlined header line
  EXPECT_EQ(r.Find(0x1030)->file, "SqlDmoDeploy.cpp");

  loc = r.Find(0x2009);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->procedure, "TForm1::Timer1Timer");
  EXPECT_EQ(loc->line, 41u);
}

TEST(SymbolTable, CodeWithoutLinesOrProcedureIsPartlyOrWhollyUnknown) {
  std::vector<std::uint8_t> t = SampleTable();
  Reader r(t);
  // Past the end of a sequence, still inside the procedure: no line.
  auto loc = r.Find(0x1800);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->procedure, "Install");
  EXPECT_EQ(loc->line, 0u);
  EXPECT_EQ(loc->file, "");
  loc = r.Find(0x3004);
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->procedure, "memcpy");
  EXPECT_EQ(loc->unit, "");
  EXPECT_EQ(loc->line, 0u);
  EXPECT_EQ(loc->procedureFile, "");
  EXPECT_EQ(loc->procedureEndRva, 0x4000u);  // the last one ends with the code
  EXPECT_FALSE(r.Find(0x0FFF));              // before the first procedure
  EXPECT_FALSE(r.Find(0x4000));              // past the code
}

TEST(SymbolTable, ManyEntriesAcrossBlocks) {
  std::vector<Procedure> procs;
  std::vector<LineRow> rows;
  for (std::uint32_t i = 0; i < 1000; ++i) {
    procs.push_back(
        {0x1000 + i * 0x100, "P" + std::to_string(i), "U" + std::to_string(i % 7), i + 1, ""});
    for (std::uint32_t k = 0; k < 4; ++k) {
      rows.push_back({0x1000 + i * 0x100 + k * 0x20, i * 10 + k + 1, "F" + std::to_string(i % 3)});
    }
  }
  std::vector<std::uint8_t> t = Build(procs, rows, 0x1000 + 1000 * 0x100);
  Reader r(t);
  for (std::uint32_t i = 0; i < 1000; i += 37) {
    for (std::uint32_t k = 0; k < 4; ++k) {
      auto loc = r.Find(0x1000 + i * 0x100 + k * 0x20 + 5);
      ASSERT_TRUE(loc) << i;
      EXPECT_EQ(loc->procedure, "P" + std::to_string(i));
      // Ends where the next begins, also across the end of a block of entries.
      EXPECT_EQ(loc->procedureEndRva, 0x1000 + (i + 1) * 0x100);
      EXPECT_EQ(loc->unit, "U" + std::to_string(i % 7));
      EXPECT_EQ(loc->line, i * 10 + k + 1);
      EXPECT_EQ(loc->file, "F" + std::to_string(i % 3));
    }
  }
}

TEST(SymbolTable, DamagedTablesKnowNothingAndNeverReadOutside) {
  std::vector<std::uint8_t> good = SampleTable();
  EXPECT_FALSE(Reader({}).Valid());
  EXPECT_FALSE(Reader(std::span(good).first(40)).Valid());  // truncated header
  std::vector<std::uint8_t> placeholder(4096, 0);
  std::copy_n("KIVDEBUG reserved", 17, placeholder.begin());
  EXPECT_FALSE(Reader(placeholder).Valid());
  EXPECT_FALSE(Reader(placeholder).Find(0x1000));

  // Every truncation and many random corruptions: lookups end, answer or not.
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + n);
    Reader r(cut);
    for (std::uint32_t rva : {0x1000u, 0x1015u, 0x2009u, 0x3004u}) (void)r.Find(rva);
  }
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::uint8_t> bad = good;
    for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
    Reader r(bad);
    for (std::uint32_t rva : {0x1000u, 0x1015u, 0x2009u, 0x3004u}) {
      if (auto loc = r.Find(rva)) {
        EXPECT_LE(loc->procedureRva, rva);
      }
    }
  }
}

TEST(SymbolTable, UnitOfSourceFile) {
  EXPECT_EQ(UnitOfSourceFile("/work/lib/KivLX/KivLXSetupUtilsWin.cpp"), "KivLXSetupUtils");
  EXPECT_EQ(UnitOfSourceFile("C:\\src\\CodePageHost.cpp"), "CodePage");
  EXPECT_EQ(UnitOfSourceFile("PlinthMainFrm.cpp"), "PlinthMainFrm");
  EXPECT_EQ(UnitOfSourceFile("./mingw-w64-crt/crt/crtexe.c"), "crtexe");
  EXPECT_EQ(UnitOfSourceFile("lib/Rtl/Win.h"), "Win");  // nothing but the ending
}

TEST(SymbolTable, ProcedureNameDropsParametersAndReturnType) {
  EXPECT_EQ(ProcedureName("TForm1::Timer1Timer(TObject*)"), "TForm1::Timer1Timer");
  EXPECT_EQ(ProcedureName("int twice<int>(int)"), "twice<int>");
  EXPECT_EQ(ProcedureName("std::vector<int, std::allocator<int> >::at(unsigned long) const"),
            "std::vector<int, std::allocator<int> >::at");
  EXPECT_EQ(ProcedureName("(anonymous namespace)::Scan(int const*, int)"),
            "(anonymous namespace)::Scan");
  EXPECT_EQ(ProcedureName("operator new(unsigned long)"), "operator new");
  EXPECT_EQ(ProcedureName("Foo::operator()(int) const"), "Foo::operator()");
  EXPECT_EQ(ProcedureName("Foo::operator<(Foo const&) const"), "Foo::operator<");
  EXPECT_EQ(ProcedureName("Foo::operator bool() const"), "Foo::operator bool");
  EXPECT_EQ(ProcedureName("f(int) [clone .cold]"), "f");
  EXPECT_EQ(ProcedureName("WinMain@16"), "WinMain");
  EXPECT_EQ(ProcedureName("mainCRTStartup"), "mainCRTStartup");
  EXPECT_EQ(ProcedureName("void (anonymous namespace)::Run<char>(std::basic_string_view<char>)"),
            "(anonymous namespace)::Run<char>");
}
