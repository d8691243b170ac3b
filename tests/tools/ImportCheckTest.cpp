#include <gtest/gtest.h>

#include "ImportCheck.h"

namespace {

PeImport Named(const char* dll, const char* function) { return {dll, function, 0}; }

TEST(ImportCheck, FunctionsOnBothOldSystemsPassOthersAreNamedWithWhy) {
  ImportAllowList allowed(PLINTH_EXPORT_LISTS);
  EXPECT_EQ(allowed.Refusal(Named("KERNEL32.dll", "GetTickCount")), "");
  EXPECT_EQ(allowed.Refusal(Named("kernel32.DLL", "SetFilePointer")), "");
  EXPECT_EQ(allowed.Refusal(Named("KERNEL32.dll", "GetTickCount64")),
            "is not exported by both Windows 98 SE and NT 4.0 SP6 (first in kernel32 6.0 "
            "(Vista)): look it up at run time");
  // Names are exact: a near miss in letter case is another function.
  EXPECT_NE(allowed.Refusal(Named("KERNEL32.dll", "gettickcount")), "");
  EXPECT_EQ(allowed.Refusal(Named("USER32.dll", "NoSuchFunctionAnywhere")),
            "is not exported by both Windows 98 SE and NT 4.0 SP6: look it up at run time");
  EXPECT_EQ(allowed.Refusal(Named("dbghelp.dll", "StackWalk")),
            "comes from a library without an export list");
  EXPECT_EQ(allowed.Refusal({"COMCTL32.dll", "", 17}),
            "imported by ordinal: name it, or look it up at run time");
}

TEST(ImportCheck, ExtraLinesAllowExactlyWhatTheyName) {
  ImportAllowList allowed(PLINTH_EXPORT_LISTS);
  allowed.AddExtra(
      "# the unwinder\n"
      "KERNEL32.dll!RtlVirtualUnwind   # only on x64\n"
      "  user32 ! GetWindowLongPtrW\r\n"
      "comctl32!#17\n"
      "not a line of the form\n");
  EXPECT_EQ(allowed.Refusal(Named("kernel32.dll", "RtlVirtualUnwind")), "");
  EXPECT_EQ(allowed.Refusal(Named("USER32.dll", "GetWindowLongPtrW")), "");
  EXPECT_EQ(allowed.Refusal({"comctl32.dll", "", 17}), "");
  EXPECT_NE(allowed.Refusal({"comctl32.dll", "", 18}), "");
  EXPECT_NE(allowed.Refusal(Named("kernel32.dll", "RtlUnwindEx")), "");
  EXPECT_NE(allowed.Refusal(Named("gdi32.dll", "RtlVirtualUnwind")), "");
}

TEST(ImportCheck, LibrariesCheckedAlongMayBeImportedFrom) {
  ImportAllowList allowed(PLINTH_EXPORT_LISTS);
  EXPECT_NE(allowed.Refusal(Named("sqlresld.DLL", "StandInResourceLanguage")), "");
  allowed.AddOwnLibrary("build/win32/payload/sqlresld.DLL");
  EXPECT_EQ(allowed.Refusal(Named("SQLRESLD.dll", "StandInResourceLanguage")), "");
  EXPECT_NE(allowed.Refusal(Named("sqlsvc.dll", "Anything")), "");
}

TEST(ImportCheck, ListLinesDropCommentsAndBlanks) {
  EXPECT_EQ(ListLines("# head\n\nAddAtomA\r\n  AddAtomW  \n#x\nB # tail\n"),
            (std::vector<std::string>{"AddAtomA", "AddAtomW", "B"}));
  EXPECT_EQ(LibraryKey("KERNEL32.dll"), "kernel32");
  EXPECT_EQ(LibraryKey("msvcrt"), "msvcrt");
  EXPECT_EQ(LibraryKey(".dll"), ".dll");
}

}  // namespace
