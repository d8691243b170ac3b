// The report's diagnostic sections on the running system, in a test executable that
// carries its own symbol table.
#include <gtest/gtest.h>

#include "Debug/StackTrace.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace reporttest {
int throwLine = 0;
[[gnu::noinline]] int Deepest(int x) {
  throwLine = __LINE__ + 1;
  if (x > 0) throw EKivGeneralError("three calls deep");
  return x;
}
[[gnu::noinline]] int Middle(int x) { return Deepest(x + 1) * 3; }
[[gnu::noinline]] int Outer(int x) { return Middle(x + 1) * 5; }
}  // namespace reporttest

namespace {

const std::u16string kSep(100, u'-');

int IndexOf(const TKivStringList& l, const std::u16string& text, int from = 0) {
  for (int i = from; i < l.Count(); ++i) {
    if (l.Get(i).find(text) != std::u16string::npos) return i;
  }
  return -1;
}

class ReportWin : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearLastExceptionStack();
    StartExceptionTracking();
  }
  void TearDown() override { StopExceptionTracking(); }
};

}  // namespace

TEST_F(ReportWin, AllFourSectionsInOrder) {
  EXPECT_THROW(reporttest::Outer(0), EKivGeneralError);
  TDiagnosticsInput in =
      CurrentDiagnosticsInput({{u"TKivButton", u"OkBtn"}, {u"TForm1", u"Form1"}});
  ASSERT_TRUE(in.stack);
  TKivStringList l;
  WriteDiagnostics(l, dfAll, in);

  int stack = IndexOf(l, u"Stack list, generated ");
  int system = IndexOf(l, u"System   : ");
  int modules = IndexOf(l, u"List of loaded modules:");
  int controls = IndexOf(l, u"Active Controls hierarchy:");
  ASSERT_EQ(stack, 0);
  ASSERT_GT(system, stack);
  ASSERT_GT(modules, system);
  ASSERT_GT(controls, modules);
  EXPECT_EQ(l.Get(stack), u"Stack list, generated " + FormatCaptureTime(in.stack->time));
  EXPECT_EQ(l.Get(system - 1), kSep);
  EXPECT_EQ(l.Get(modules - 1), kSep);
  EXPECT_EQ(l.Get(controls - 1), kSep);
  EXPECT_EQ(l.Get(controls + 1), u"TKivButton \"OkBtn\"");
  EXPECT_EQ(l.Get(l.Count() - 1), kSep);

  // The throw three calls deep names this unit, the procedure and the line, with the
  // offset into the module's code before it and the line offset in it.
  std::u16string first = l.Get(stack + 1);
  EXPECT_EQ(first.substr(0, 1), u"(");
  EXPECT_NE(first.find(WideFormat(u"] KivTrxExceptDlgReportWinTest.reporttest::Deepest (Line %d, "
                                  u"\"KivTrxExceptDlgReportWinTest.cpp\" + 2)",
                                  reporttest::throwLine)),
            std::u16string::npos)
      << WideToAnsi(first);
  int middle = IndexOf(l, u"KivTrxExceptDlgReportWinTest.reporttest::Middle (Line ", stack + 2);
  int outer = IndexOf(l, u"KivTrxExceptDlgReportWinTest.reporttest::Outer (Line ", middle + 1);
  EXPECT_GT(middle, stack);
  EXPECT_GT(outer, middle);
  EXPECT_LT(outer, system);

  // The processor line carries a measured, rounded frequency.
  EXPECT_EQ(l.Get(system + 1).substr(0, 11), u"Processor: ");
  EXPECT_NE(l.Get(system + 1).find(u" MHz "), std::u16string::npos);
  EXPECT_EQ(l.Get(system + 2).substr(0, 11), u"Display  : ");
}

TEST_F(ReportWin, MissingDataLeavesSectionsOut) {
  TDiagnosticsInput in;  // no stack list, no focused control
  TKivStringList l;
  WriteDiagnostics(l, dfStackList | dfActiveControls, in);
  EXPECT_EQ(l.Count(), 0);
  WriteDiagnostics(l, dfSystem, in);
  EXPECT_EQ(l.Count(), 4);
}

TEST_F(ReportWin, SystemLineNamesThisSystem) {
  TSystemSection s = GatherSystemSection();
  Platform::VersionInfo v;
  ASSERT_TRUE(Platform::GetVersionEx(v));
  EXPECT_EQ(s.os.major, v.major);
  EXPECT_EQ(s.os.nt, !ExpectWin9x());
  if (ExpectWin9x()) {
    EXPECT_EQ(WindowsVersionName(s.os).substr(0, 10), u"Windows 98");
    EXPECT_EQ(ProductTypeName(s.os), u"");
  } else {
    EXPECT_FALSE(ProductTypeName(s.os).empty());
  }
  EXPECT_GT(s.display.width, 0);
  EXPECT_GT(s.display.bitsPerPixel, 0);
}

TEST_F(ReportWin, ModulesWithVersionsAndRelocation) {
  UniqueHandle<ModuleTraits> first(LoadLibraryW(WStr(FixturePath(u"RelocFirst.dll"))));
  UniqueHandle<ModuleTraits> second(LoadLibraryW(WStr(FixturePath(u"RelocSecond.dll"))));
  UniqueHandle<ModuleTraits> none(LoadLibraryW(WStr(FixturePath(u"VerNone.dll"))));
  ASSERT_TRUE(first && second && none);
  std::vector<TModuleEntry> modules;
  ASSERT_TRUE(GatherModules(modules));
  TKivStringList l;
  WriteModulesSection(l, modules);

  auto lineOf = [&](HMODULE h, const std::u16string& name) {
    return IndexOf(l,
                   WideFormat(u"[%.8x] ", reinterpret_cast<std::uintptr_t>(h)) + FixturePath(name));
  };
  const std::u16string blanks(11, u' ');
  // The one loaded first sits at its preferred address; the other was moved.
  int a = lineOf(first.get(), u"RelocFirst.dll");
  ASSERT_GE(a, 0);
  EXPECT_EQ(l.Get(a + 1), blanks + u"1.2.3.4 - 1.2.3.4 first");
  EXPECT_EQ(l.Get(a + 2), blanks + u"Relocation fixture");
  int b = lineOf(second.get(), u"RelocSecond.dll");
  ASSERT_GE(b, 0);
  EXPECT_EQ(l.Get(b + 1), u"<6A000000> 1.2.3.5 - 1.2.3.5");  // no description line
  EXPECT_EQ(l.Get(b + 2).substr(0, 1), u"[");
  int n = lineOf(none.get(), u"VerNone.dll");
  ASSERT_GE(n, 0);
  EXPECT_EQ(l.Get(n + 1).substr(11), u"(no version info)");

  // Sorted by handle.
  std::uint64_t previous = 0;
  for (int i = 1; i + 1 < l.Count(); ++i) {
    if (l.Get(i)[0] != u'[') continue;
    std::uint64_t handle =
        std::stoull(WideToAnsi(l.Get(i).substr(1, l.Get(i).find(u']') - 1)), nullptr, 16);
    EXPECT_GT(handle, previous);
    previous = handle;
  }
}

TEST_F(ReportWin, SecondaryExceptionStackHasNoOffsets) {
  EXPECT_THROW(reporttest::Outer(0), EKivGeneralError);
  TKivStringList l;
  WriteSecondaryExceptionStack(l, EKivGeneralError("second"));
  ASSERT_GE(l.Count(), 5);
  EXPECT_EQ(l.Get(0), u"<----Secondary Exception Stack Trace---->");
  EXPECT_EQ(l.Get(1), u"EKivGeneralError");
  EXPECT_EQ(l.Get(2), u"second");
  EXPECT_EQ(l.Get(3), u"");
  EXPECT_EQ(l.Get(4), WideFormat(u"[%p] KivTrxExceptDlgReportWinTest.reporttest::Deepest (Line %d, "
                                 u"\"KivTrxExceptDlgReportWinTest.cpp\")",
                                 reinterpret_cast<const void*>(0), reporttest::throwLine)
                          .replace(1, sizeof(void*) * 2, l.Get(4).substr(1, sizeof(void*) * 2)));
}
