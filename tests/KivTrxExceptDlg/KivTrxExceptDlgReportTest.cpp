#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"

using ::testing::ElementsAre;

namespace {

std::vector<std::u16string> Lines(const TKivStringList& l) {
  std::vector<std::u16string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Get(i));
  return out;
}
const std::u16string kSep(100, u'-');

class ExtraInfoError : public EKivGeneralError, public IKivExceptionExtraInfo {
 public:
  using EKivGeneralError::EKivGeneralError;
  std::u16string ExtraInfo() const override { return u"first\r\nsecond"; }
};

}  // namespace

TEST(ReportHead, AddressMessageAndSeparator) {
  TReportHead head = ReportHeadOf(EKivGeneralError("Cannot open the file"));
  head.raiseAddress = 0x4012AB;
  TKivStringList l;
  WriteReportHead(l, head);
  EXPECT_THAT(Lines(l), ElementsAre(u"Exception class: EKivGeneralError",
                                    u"Exception address: " +
                                        WideFormat(u"%p", reinterpret_cast<const void*>(0x4012AB)),
                                    u"Exception message: Cannot open the file", kSep));
}

TEST(ReportHead, ThreadOleCodeAndExtraInfo) {
  TReportHead head = ReportHeadOf(EOleSysError("Class not registered", -2147221164));
  head.thread = u"00000A2C [Worker] \"job\"";
  TKivStringList l;
  WriteReportHead(l, head);
  EXPECT_THAT(Lines(l),
              ElementsAre(u"Exception class: EOleSysError", u"Thread: 00000A2C [Worker] \"job\"",
                          u"Exception message: Class not registered",
                          u"OLE Exception Code: 0x80040154 (-2147221164)", kSep));

  TKivStringList extra;
  WriteReportHead(extra, ReportHeadOf(ExtraInfoError("With details")));
  ASSERT_EQ(extra.Count(), 7);
  EXPECT_EQ(extra.Get(3), u"---- Extra Info BEGIN ----");
  EXPECT_EQ(extra.Get(4), u"first\r\nsecond");  // one entry, its breaks kept
  EXPECT_EQ(extra.Get(5), u"---- Extra Info END ----");
}

TEST(ReportHead, AnOSErrorNamesTheFailedCallAndItsPlace) {
  const TSourcePlace where = TSourcePlace::current();
  TKivStringList l;
  WriteReportHead(l, ReportHeadOf(EOSError("System Error.  Code: 5.\r\nAccess is denied", 5,
                                           TFailedCall{"CreateFileW(name)", where})));
  ASSERT_EQ(l.Count(), 5);
  EXPECT_EQ(l.Get(2), u"Exception message: System Error.  Code: 5.\r\nAccess is denied");
  // The place as the repository names it, whatever folder the build ran in.
  EXPECT_EQ(l.Get(3),
            WideFormat(u"Failed call: CreateFileW(name) "
                       u"(tests/KivTrxExceptDlg/KivTrxExceptDlgReportTest.cpp, line %d, in %s)",
                       static_cast<int>(where.line()), where.function_name()));
  // An OS error raised without a failure macro has no such line.
  TKivStringList plain;
  WriteReportHead(plain, ReportHeadOf(EOSError("System Error.  Code: 5.", 5)));
  EXPECT_EQ(plain.Count(), 4);
}

TEST(ReportHead, ForeignExceptionsNameTheirType) {
  EXPECT_EQ(ReportHeadOf(std::out_of_range("vector::at")).className, "std::out_of_range");
  EXPECT_EQ(ReportHeadOf(std::out_of_range("vector::at")).message, "vector::at");
  EXPECT_EQ(ReportHeadOf(EForeignException("std::out_of_range", "x")).className,
            "std::out_of_range");
}

TEST(ErrorFiles, NumbersGoOnPastFourDigitsAndNeverReplaceAFile) {
  std::set<std::u16string> present;
  auto exists = [&](const std::u16string& name) { return present.count(name) > 0; };
  EXPECT_EQ(NextErrorFileName(u"C:\\App\\Errors\\", u"App", exists),
            u"C:\\App\\Errors\\App_Error_0001.txt");
  for (int n = 1; n <= 9999; ++n) {
    present.insert(WideFormat(u"C:\\App\\Errors\\App_Error_%.4d.txt", n));
  }
  EXPECT_EQ(NextErrorFileName(u"C:\\App\\Errors\\", u"App", exists),
            u"C:\\App\\Errors\\App_Error_10000.txt");
  // The lowest free number is taken, a gap first.
  present.erase(u"C:\\App\\Errors\\App_Error_0002.txt");
  EXPECT_EQ(NextErrorFileName(u"C:\\App\\Errors\\", u"App", exists),
            u"C:\\App\\Errors\\App_Error_0002.txt");
}

TEST(ReportSections, StackList) {
  TKivStringList l;
  WriteStackListSection(l, u"08.12.2026 10:15:02", {u"[00401000]", u"[00402000] A.B"});
  EXPECT_THAT(Lines(l), ElementsAre(u"Stack list, generated 08.12.2026 10:15:02", u"[00401000]",
                                    u"[00402000] A.B", kSep));
}

TEST(ReportSections, SystemLineBuildIsHexadecimal) {
  TSystemSection s;
  s.os.nt = true;
  s.os.major = 5;
  s.os.minor = 1;
  s.os.build = 2600;
  s.os.servicePack = u"Service Pack 2";
  s.os.extended = true;
  s.os.productType = 1;
  TProcessorInfo p;
  p.manufacturer = u"Intel";
  p.name = u"Pentium III";
  p.frequencyMHz = 732;
  p.mmx = true;
  s.processor = p;
  s.display = {1024, 768, 32};
  TKivStringList l;
  WriteSystemSection(l, s);
  EXPECT_THAT(
      Lines(l),
      ElementsAre(
          u"System   : Windows XP Professional, Version: 5.1, Build: A28, \"Service Pack 2\"",
          u"Processor: Intel, Pentium III, 733 MHz MMX", u"Display  : 1024x768 pixels, 32 bpp",
          kSep));

  s.processor->mmx = false;
  s.processor->fdivCorrect = false;
  TKivStringList bug;
  WriteSystemSection(bug, s);
  EXPECT_EQ(bug.Get(1), u"Processor: Intel, Pentium III, 733 MHz  [FDIV Bug]");
}

TEST(ReportSections, ProcessorFailureTakesThreeLines) {
  TSystemSection s;
  s.processorErrorClass = "EKivGeneralError";
  s.processorErrorMessage = "no CPUID";
  TKivStringList l;
  WriteSystemSection(l, s);
  const std::u16string dashes = u"---------------- Exception during CPU Info --------------";
  ASSERT_EQ(l.Count(), 6);
  EXPECT_EQ(l.Get(1), dashes);
  EXPECT_EQ(l.Get(2), u"EKivGeneralError: no CPUID");
  EXPECT_EQ(l.Get(3), dashes);
  EXPECT_EQ(l.Get(4), u"Display  : 0x0 pixels, 0 bpp");
}

TEST(ReportSections, ModulesSortedWithIndentAndVersions) {
  std::vector<TModuleEntry> modules(3);
  modules[0] = {0x77000000,
                u"C:\\windows\\system32\\KERNEL32.dll",
                0x77000000,
                true,
                u"5.1.2600.0",
                u"5.1.2600.0 (xpclient.010817-1148)",
                u"Windows NT BASE API Client DLL"};
  modules[1] = {0x00400000, u"C:\\Plinth2000.exe", 0x00400000, false, u"", u"", u""};
  modules[2] = {0x10010000, u"C:\\fx\\Reloc.dll", 0x10000000, true, u"1.2.3.4", u"1.2.3.4", u""};
  TKivStringList l;
  WriteModulesSection(l, modules);
  EXPECT_THAT(Lines(l),
              ElementsAre(u"List of loaded modules:", u"[00400000] C:\\Plinth2000.exe",
                          u"           (no version info)", u"[10010000] C:\\fx\\Reloc.dll",
                          u"<10000000> 1.2.3.4 - 1.2.3.4",
                          u"[77000000] C:\\windows\\system32\\KERNEL32.dll",
                          u"           5.1.2600.0 - 5.1.2600.0 (xpclient.010817-1148)",
                          u"           Windows NT BASE API Client DLL", kSep));
}

TEST(ReportSections, ActiveControls) {
  TKivStringList none;
  WriteActiveControlsSection(none, {});
  EXPECT_EQ(none.Count(), 0);
  TKivStringList l;
  WriteActiveControlsSection(
      l, {{u"TKivButton", u"OkBtn"}, {u"TKivPanel", u""}, {u"TForm1", u"Form1"}});
  EXPECT_THAT(Lines(l), ElementsAre(u"Active Controls hierarchy:", u"TKivButton \"OkBtn\"",
                                    u"TKivPanel \"\"", u"TForm1 \"Form1\"", kSep));
}

TEST(ReportSections, CaptureTimeAtMidnightHasNoTime) {
  TCaptureTime midnight{2026, 12, 8, 0, 0, 0, 0};
  TCaptureTime later{2026, 12, 8, 0, 0, 1, 0};
  std::u16string date = FormatCaptureTime(midnight);
  EXPECT_FALSE(date.empty());
  EXPECT_EQ(FormatCaptureTime(later).substr(0, date.size()), date);
  EXPECT_GT(FormatCaptureTime(later).size(), date.size() + 1);
}

TEST(DetailsFont, FallsBackToCourierNewThenToTheFormsFont) {
  std::set<std::u16string> fonts = {u"Lucida Console", u"Courier New"};
  auto installed = [&](const std::u16string& name) { return fonts.count(name) > 0; };
  EXPECT_EQ(DetailsFontName(u"Lucida Console", installed), u"Lucida Console");
  fonts.erase(u"Lucida Console");
  EXPECT_EQ(DetailsFontName(u"Lucida Console", installed), u"Courier New");
  fonts.clear();
  EXPECT_EQ(DetailsFontName(u"Lucida Console", installed), u"");
}
