#include <gtest/gtest.h>

#include "Debug/StackTrace.h"
#include "Rtl/Format.h"

namespace {

std::u16string P(std::uintptr_t v) { return WideFormat(u"%p", reinterpret_cast<const void*>(v)); }

TCodeLocation Known() {
  TCodeLocation loc;
  loc.moduleBase = 0x400000;
  loc.moduleName = u"Plinth2000.exe";
  loc.unit = "PlinthMainFrm";
  loc.procedure = "TForm1::Timer1Timer";
  loc.sourceFile = "PlinthMainFrm.cpp";
  loc.procedureStart = 0x401000;
  loc.procedureFirstLine = 40;
  loc.line = 47;
  loc.lineStart = 0x401030;
  return loc;
}

}  // namespace

TEST(FormatCodeLocation, KnownLineWithEachSwitch) {
  TCodeLocation loc = Known();
  const std::uintptr_t a = 0x401036;
  EXPECT_EQ(FormatCodeLocation(a, loc, kSecondaryLogFormat),
            u"[" + P(a) + u"] PlinthMainFrm.TForm1::Timer1Timer (Line 47, \"PlinthMainFrm.cpp\")");
  EXPECT_EQ(FormatCodeLocation(a, loc, kStackSectionFormat),
            u"(" + P(0x36) + u") [" + P(a) +
                u"] PlinthMainFrm.TForm1::Timer1Timer (Line 47, \"PlinthMainFrm.cpp\" + 7)");
  EXPECT_EQ(
      FormatCodeLocation(a, loc, {false, true, false, false}),
      u"[" + P(a) + u"] PlinthMainFrm.TForm1::Timer1Timer (Line 47, \"PlinthMainFrm.cpp\") + $6");
  EXPECT_EQ(FormatCodeLocation(0x40102E, loc, {false, true, false, false}),
            u"[" + P(0x40102E) +
                u"] PlinthMainFrm.TForm1::Timer1Timer (Line 47, \"PlinthMainFrm.cpp\") - $2");
  EXPECT_EQ(FormatCodeLocation(a, loc, {true, false, false, false}),
            u"[" + P(a) +
                u"] {Plinth2000.exe} PlinthMainFrm.TForm1::Timer1Timer (Line 47, "
                u"\"PlinthMainFrm.cpp\")");
  // Without a known first line there is no line offset.
  loc.procedureFirstLine = 0;
  EXPECT_EQ(FormatCodeLocation(a, loc, {false, false, true, false}),
            u"[" + P(a) + u"] PlinthMainFrm.TForm1::Timer1Timer (Line 47, \"PlinthMainFrm.cpp\")");
}

TEST(FormatCodeLocation, ProcedureWithoutLine) {
  TCodeLocation loc = Known();
  loc.line = 0;
  loc.sourceFile.clear();
  EXPECT_EQ(FormatCodeLocation(0x4010AB, loc, {false, true, true, false}),
            u"[" + P(0x4010AB) + u"] PlinthMainFrm.TForm1::Timer1Timer + $AB");
  loc.unit.clear();
  EXPECT_EQ(FormatCodeLocation(0x4010AB, loc, kSecondaryLogFormat),
            u"[" + P(0x4010AB) + u"] TForm1::Timer1Timer");
}

TEST(FormatCodeLocation, UnknownAddress) {
  TCodeLocation loc;
  loc.moduleBase = 0x7C800000;  // a module without a table
  EXPECT_EQ(FormatCodeLocation(0x7C812345, loc, kStackSectionFormat),
            u"(" + P(0x11345) + u") [" + P(0x7C812345) + u"]");
  EXPECT_EQ(FormatCodeLocation(0x7C812345, loc, kSecondaryLogFormat), u"[" + P(0x7C812345) + u"]");
  // In no module at all there is no offset to give.
  EXPECT_EQ(FormatCodeLocation(0x1234, TCodeLocation(), kStackSectionFormat),
            u"[" + P(0x1234) + u"]");
}

TEST(EndsWithCall, RecognisesTheCallForms) {
  auto ends = [](std::vector<std::uint8_t> b) { return EndsWithCall(b.data(), b.size()); };
  EXPECT_TRUE(ends({0x90, 0x90, 0xE8, 1, 2, 3, 4}));  // call rel32
  EXPECT_TRUE(ends({0xFF, 0xD0}));                    // call eax
  EXPECT_TRUE(ends({0x41, 0xFF, 0xD3}));              // call r11
  EXPECT_TRUE(ends({0xFF, 0x10}));                    // call [eax]
  EXPECT_TRUE(ends({0xFF, 0x50, 0x08}));              // call [eax+8]
  EXPECT_TRUE(ends({0xFF, 0x14, 0x24}));              // call [esp]
  EXPECT_TRUE(ends({0xFF, 0x54, 0x24, 0x08}));        // call [esp+8]
  EXPECT_TRUE(ends({0xFF, 0x15, 1, 2, 3, 4}));        // call [rip+disp32]
  EXPECT_TRUE(ends({0xFF, 0x90, 1, 2, 3, 4}));        // call [eax+disp32]
  EXPECT_TRUE(ends({0xFF, 0x94, 0x24, 1, 2, 3, 4}));  // call [esp+disp32]
  EXPECT_TRUE(ends({0xFF, 0x14, 0x85, 1, 2, 3, 4}));  // call [eax*4+disp32]
  EXPECT_FALSE(ends({0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90}));
  EXPECT_FALSE(ends({0xFF, 0xE0}));        // jmp eax
  EXPECT_FALSE(ends({0xFF, 0x20}));        // jmp [eax]
  EXPECT_FALSE(ends({0xFF, 0x15, 1, 2}));  // too short for its operand
  EXPECT_FALSE(ends({}));
  EXPECT_FALSE(ends({0xE8, 1, 2, 3}));
}
