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
  loc.procedureFile = "PlinthMainFrm.cpp";
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

TEST(FormatCodeLocation, LineOffsetsOnlyForwardWithinTheProceduresFile) {
  TCodeLocation loc = Known();
  const std::uintptr_t a = 0x401036;
  loc.line = 40;
  EXPECT_EQ(FormatCodeLocation(a, loc, kStackSectionFormat),
            u"(" + P(0x36) + u") [" + P(a) +
                u"] PlinthMainFrm.TForm1::Timer1Timer (Line 40, \"PlinthMainFrm.cpp\" + 0)");
  // A line of a header cannot be counted from a line of the source file.
  loc.line = 591;
  loc.sourceFile = "std_function.h";
  EXPECT_EQ(FormatCodeLocation(a, loc, kStackSectionFormat),
            u"(" + P(0x36) + u") [" + P(a) +
                u"] PlinthMainFrm.TForm1::Timer1Timer (Line 591, \"std_function.h\")");
  // Nor a line before the procedure's start.
  loc.line = 12;
  loc.sourceFile = "PlinthMainFrm.cpp";
  EXPECT_EQ(FormatCodeLocation(a, loc, kStackSectionFormat),
            u"(" + P(0x36) + u") [" + P(a) +
                u"] PlinthMainFrm.TForm1::Timer1Timer (Line 12, \"PlinthMainFrm.cpp\")");
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

namespace {

TEntryFacts Entry(std::string procedure, std::string callee = {},
                  std::optional<std::vector<std::string>> tail = std::vector<std::string>{}) {
  TEntryFacts e;
  e.procedure = std::move(procedure);
  e.callee = std::move(callee);
  e.tailCallees = [tail] { return tail; };
  return e;
}

}  // namespace

TEST(LiveCallChain, LeftOverReturnAddressesAreDropped) {
  // Thrower was called by Caller, Caller by Main; in between lie values of calls that
  // have returned: operator new's call of malloc, and Helper's call of Other.
  std::vector<bool> live = LiveCallChain({
      Entry("Thrower"),
      Entry("operator new", "malloc"),
      Entry("Caller", "Thrower"),
      Entry("Helper", "Other"),
      Entry("Main", "Caller"),
  });
  EXPECT_EQ(live, (std::vector<bool>{true, false, true, false, true}));
}

TEST(LiveCallChain, WhatCannotBeToldIsKept) {
  std::vector<bool> live = LiveCallChain({
      Entry("Thrower"),
      Entry("Caller"),           // an indirect call: its target is not known
      Entry("", ""),             // code without a table
      Entry("Main", "Caller"),   // matched with the kept indirect call
      Entry("Start", "Helper"),  // Helper holds no kept entry
  });
  EXPECT_EQ(live, (std::vector<bool>{true, true, true, true, false}));
}

TEST(LiveCallChain, CallsIntoCodeWithoutATableMatchOnlySuchCode) {
  // Left over: malloc's call in the system library, and operator new's call of it.
  // Live: the program's message loop called the system, which called back.
  const std::string& lib = kCodeWithoutTable;
  std::vector<bool> live = LiveCallChain({
      Entry("WndProc"),
      Entry(lib, lib),
      Entry("operator new", lib),
      Entry(lib),  // the system's indirect call of the window procedure
      Entry(lib, lib),
      Entry("MessageLoop", lib),
      Entry("Main", "MessageLoop"),
  });
  EXPECT_EQ(live, (std::vector<bool>{true, false, false, true, true, true, true}));
}

TEST(LiveCallChain, TailCallsAreFollowed) {
  // Main called Wrapper, which jumped on to Thrower instead of returning.
  std::vector<bool> live = LiveCallChain({
      Entry("Thrower"),
      Entry("Main", "Wrapper", {{"Other", "Thrower"}}),
      Entry("Start", "Main"),
  });
  EXPECT_EQ(live, (std::vector<bool>{true, true, true}));
  // Without the jump Main is left over; a wrapper that may jump anywhere keeps it.
  live = LiveCallChain({Entry("Thrower"), Entry("Main", "Wrapper", {{"Other"}})});
  EXPECT_EQ(live, (std::vector<bool>{true, false}));
  live = LiveCallChain({Entry("Thrower"), Entry("Main", "Wrapper", std::nullopt)});
  EXPECT_EQ(live, (std::vector<bool>{true, true}));
}
