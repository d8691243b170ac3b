// The [rename] lines that Windows 9x carries out at its next start, added to whatever
// WININIT.INI holds already.
#include <gtest/gtest.h>

#include "KivLX/KivLXSetupUtils.h"

namespace {

TEST(IniSectionLines, GoAfterTheSectionsLastEntryAndBeforeTheNextSection) {
  const std::string ini =
      "; made by another setup\r\n"
      "[Rename]\r\n"
      "C:\\WINDOWS\\SYSTEM\\A.DLL=C:\\WINDOWS\\SYSTEM\\A.NEW\r\n"
      "\r\n"
      "[Other]\r\n"
      "key=value\r\n";
  EXPECT_EQ(AddIniSectionLines(ini, "rename", {"NUL=C:\\OLD.DLL", "C:\\B.DLL=C:\\SDM1.TMP"}),
            "; made by another setup\r\n"
            "[Rename]\r\n"
            "C:\\WINDOWS\\SYSTEM\\A.DLL=C:\\WINDOWS\\SYSTEM\\A.NEW\r\n"
            "NUL=C:\\OLD.DLL\r\n"
            "C:\\B.DLL=C:\\SDM1.TMP\r\n"
            "\r\n"
            "[Other]\r\n"
            "key=value\r\n");
  // Headers and entries may be indented.
  EXPECT_EQ(AddIniSectionLines("  [rename]  \n a=b\n  [x]\n", "rename", {"c=d"}),
            "  [rename]  \r\n a=b\r\nc=d\r\n  [x]\r\n");
}

TEST(IniSectionLines, AMissingSectionOrFileIsMade) {
  EXPECT_EQ(AddIniSectionLines("", "rename", {"NUL=C:\\X.DLL"}), "[rename]\r\nNUL=C:\\X.DLL\r\n");
  EXPECT_EQ(AddIniSectionLines("[boot]\nshell=explorer.exe", "rename", {"a=b"}),
            "[boot]\r\nshell=explorer.exe\r\n[rename]\r\na=b\r\n");
  // An empty section gets the lines right below its header.
  EXPECT_EQ(AddIniSectionLines("[rename]\r\n\r\n[z]\r\n", "rename", {"a=b"}),
            "[rename]\r\na=b\r\n\r\n[z]\r\n");
}

}  // namespace
