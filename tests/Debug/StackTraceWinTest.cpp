// The facility in a test executable that carries its own symbol table: the stacks of
// throws and faults name this file's unit, procedures and lines.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "Debug/ModuleList.h"
#include "Debug/StackTrace.h"
#include "Debug/TrackedThreads.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Win/SehGuard.h"
#include "WinTestSupport.h"

namespace stacktest {
int throwLine = 0, level2Line = 0, level1Line = 0, faultLine = 0;

[[gnu::noinline]] int Level3(int x) {
  throwLine = __LINE__ + 1;
  if (x > 0) throw EKivGeneralError("three calls deep");
  return x;
}
constexpr int kLevel2FirstLine = __LINE__ + 1;
[[gnu::noinline]] int Level2(int x) {
  level2Line = __LINE__ + 1;
  int r = Level3(x + 1);
  return r * 3;
}
[[gnu::noinline]] int Level1(int x) {
  level1Line = __LINE__ + 1;
  int r = Level2(x + 1);
  return r * 5;
}
[[gnu::noinline]] int OutOfRange(const std::vector<int>& v) {
  int r = v.at(v.size() + 2);
  return r * 7;
}
[[gnu::noinline]] std::intptr_t Crash(void* address) {
  faultLine = __LINE__ + 1;
  *static_cast<volatile int*>(address) = 1;
  return 0;
}

// A procedure that holds inlined code, which calls the thrower; and code of a header
// (std::function's call) inlined into another.
int inlinedThrowLine = 0, holdsInlinedCallLine = 0, functionCallLine = 0;
[[gnu::noinline]] int Thrower(int x) {
  inlinedThrowLine = __LINE__ + 1;
  if (x > 0) throw EKivGeneralError("thrown below inlined code");
  return x;
}
[[gnu::always_inline]] inline int InlinedStep(int x) {
  int r = Thrower(x + 1);
  return r * 11;
}
constexpr int kHoldsInlinedFirstLine = __LINE__ + 1;
[[gnu::noinline]] int HoldsInlined(int x) {
  holdsInlinedCallLine = __LINE__ + 1;
  int r = InlinedStep(x);
  return r * 13;
}
constexpr int kCallsThroughFunctionFirstLine = __LINE__ + 1;
[[gnu::noinline]] int CallsThroughFunction(const std::function<int(int)>& f, int x) {
  functionCallLine = __LINE__ + 1;
  int r = f(x);
  return r * 17;
}

// Calls that return before the throw, and a frame whose unwritten space keeps their
// return addresses.
[[gnu::noinline]] int LeftOverC(volatile int* x) { return *x + 1; }
[[gnu::noinline]] int LeftOverB(int x) {
  volatile int local[4] = {x, x, x, x};
  int r = LeftOverC(local);
  return r * 3;
}
[[gnu::noinline]] int LeftOverA(int x) {
  volatile int local[4] = {x, x, x, x};
  int r = LeftOverB(local[1]);
  return r * 5;
}
[[gnu::noinline]] int ThrowsOverLeftOvers(int x) {
  volatile char unwritten[256];
  if (x > 0) throw EKivGeneralError("thrown over left-over values");
  unwritten[0] = 0;
  return unwritten[0];
}
[[gnu::noinline]] int CallsLeftOversThenThrows(int x) {
  int a = LeftOverA(x);
  int r = ThrowsOverLeftOvers(a);
  return r * 7;
}
}  // namespace stacktest

namespace {

std::vector<std::string> Entries(const TStackList& s, const TAddressFormat& f) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.addresses.size(); ++i)
    out.push_back(WideToAnsi(FormatStackEntry(s, i, f)));
  return out;
}

// The entries of the live call chain.
std::vector<std::string> LiveEntries(const TStackList& s, const TAddressFormat& f) {
  std::vector<std::string> out;
  for (std::size_t i : LiveStackEntries(s)) out.push_back(WideToAnsi(FormatStackEntry(s, i, f)));
  return out;
}

// The index of the first entry at or after `from` that contains `text`, or -1.
long Find(const std::vector<std::string>& entries, const std::string& text, long from = 0) {
  for (std::size_t i = from; i < entries.size(); ++i) {
    if (entries[i].find(text) != std::string::npos) return static_cast<long>(i);
  }
  return -1;
}

std::string Expect(const char* procedure, int line) {
  return Format("] StackTraceWinTest.stacktest::%s (Line %d, \"StackTraceWinTest.cpp\"", procedure,
                line);
}
// The same in the report's form, with the line's offset from the procedure's first.
std::string ExpectWithOffset(const char* procedure, int line, int firstLine) {
  return Expect(procedure, line) + Format(" + %d)", line - firstLine);
}

class StackTraceWin : public ::testing::Test {
 protected:
  void SetUp() override {
    StopExceptionTracking();
    SetTrackingOptions(TTrackingOptions());
    ClearLastExceptionStack();
    StartExceptionTracking();
  }
  void TearDown() override { StopExceptionTracking(); }
};

}  // namespace

TEST_F(StackTraceWin, ThrowThreeCallsDeepNamesUnitProcedureAndLine) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  EXPECT_THROW(stacktest::Level1(1), EKivGeneralError);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  EXPECT_EQ(s.threadId, GetCurrentThreadId());
  EXPECT_FALSE(s.startsWithFault);
  EXPECT_EQ(s.time.year, before.wYear);
  EXPECT_EQ(s.time.day, before.wDay);

  std::vector<std::string> e = Entries(s, kSecondaryLogFormat);
  ASSERT_FALSE(e.empty());
  // The most recent call first: the throw, then its callers in order.
  EXPECT_NE(e[0].find(Expect("Level3", stacktest::throwLine)), std::string::npos) << e[0];
  long l2 = Find(e, Expect("Level2", stacktest::level2Line), 1);
  long l1 = Find(e, Expect("Level1", stacktest::level1Line), l2 + 1);
  EXPECT_GT(l2, 0);
  EXPECT_GT(l1, l2);
  // The raise address is the return address into the thrower: the first entry.
  EXPECT_EQ(s.raiseAddress, s.addresses[0]);

  // The stack section's switches: offset into the module's code, line offset.
  std::string line = WideToAnsi(FormatStackEntry(s, 0, kStackSectionFormat));
  auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
  std::string prefix =
      Format("(%p) [%p]", reinterpret_cast<const void*>(s.addresses[0] - base - 4096),
             reinterpret_cast<const void*>(s.addresses[0]));
  EXPECT_EQ(line.substr(0, prefix.size()), prefix);
  EXPECT_NE(line.find("\"StackTraceWinTest.cpp\" + "), std::string::npos) << line;
}

TEST_F(StackTraceWin, EntriesInInlinedCodeNameTheProcedureThatHoldsItsCall) {
  EXPECT_THROW(stacktest::HoldsInlined(1), EKivGeneralError);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  std::vector<std::string> e = LiveEntries(s, kStackSectionFormat);
  // The thrower itself is no inline: its own line, counted from its first.
  EXPECT_NE(e[0].find(Expect("Thrower", stacktest::inlinedThrowLine)), std::string::npos) << e[0];
  // The call in the inlined step is shown as the line of the procedure that holds it.
  long held = Find(e, ExpectWithOffset("HoldsInlined", stacktest::holdsInlinedCallLine,
                                       stacktest::kHoldsInlinedFirstLine));
  EXPECT_GT(held, 0) << ::testing::PrintToString(e);
  EXPECT_EQ(Find(e, "InlinedStep"), -1) << ::testing::PrintToString(e);
}

TEST_F(StackTraceWin, HeaderCodeInlinedIntoAProcedureCountsInItsOwnFile) {
  std::function<int(int)> f = [](int x) { return stacktest::Level1(x); };
  EXPECT_THROW(stacktest::CallsThroughFunction(f, 1), EKivGeneralError);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  std::vector<std::string> e = LiveEntries(s, kStackSectionFormat);
  long l1 = Find(e, ExpectWithOffset("Level1", stacktest::level1Line, stacktest::level1Line - 2));
  long call = Find(e,
                   ExpectWithOffset("CallsThroughFunction", stacktest::functionCallLine,
                                    stacktest::kCallsThroughFunctionFirstLine),
                   l1 + 1);
  EXPECT_GT(l1, 0) << ::testing::PrintToString(e);
  EXPECT_GT(call, l1) << ::testing::PrintToString(e);
  // This file's procedures show this file's lines, and no offset runs backwards.
  for (const std::string& entry : e) {
    if (entry.find("StackTraceWinTest.stacktest::") != std::string::npos) {
      EXPECT_NE(entry.find("\"StackTraceWinTest.cpp\""), std::string::npos) << entry;
    }
    EXPECT_EQ(entry.find(" + -"), std::string::npos) << entry;
  }
}

TEST_F(StackTraceWin, ReturnAddressesOfCallsThatReturnedAreLeftOut) {
  EXPECT_THROW(stacktest::CallsLeftOversThenThrows(1), EKivGeneralError);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  ASSERT_TRUE(s.scanned);
  std::vector<std::string> all = Entries(s, kSecondaryLogFormat);
  // The scan finds them: the calls of LeftOverB and LeftOverC left them behind.
  ASSERT_GE(Find(all, "stacktest::LeftOverB"), 0) << ::testing::PrintToString(all);
  std::vector<std::string> live = LiveEntries(s, kSecondaryLogFormat);
  EXPECT_EQ(Find(live, "stacktest::LeftOver"), -1) << ::testing::PrintToString(live);
  // The live chain goes on past the dropped values, in order.
  EXPECT_EQ(Find(live, "stacktest::ThrowsOverLeftOvers"), 0) << ::testing::PrintToString(live);
  long caller = Find(live, "stacktest::CallsLeftOversThenThrows");
  EXPECT_GT(caller, 0) << ::testing::PrintToString(live);
  EXPECT_GT(Find(live, "StackTraceWin_ReturnAddressesOfCallsThatReturnedAreLeftOut_Test", caller),
            caller)
      << ::testing::PrintToString(live);
}

TEST_F(StackTraceWin, ThrowFromInsideTheStandardLibraryIsSeen) {
  std::vector<int> v(3);
  EXPECT_THROW(stacktest::OutOfRange(v), std::out_of_range);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  std::vector<std::string> e = Entries(s, kSecondaryLogFormat);
  // The return address lies in the inlined vector::at, whose line it names.
  EXPECT_GE(Find(e, "] StackTraceWinTest.stacktest::OutOfRange (Line "), 0)
      << ::testing::PrintToString(e);
  EXPECT_GE(Find(e, "__throw_out_of_range_fmt"), 0) << ::testing::PrintToString(e);
}

TEST_F(StackTraceWin, NothingIsRecordedWhileTrackingIsStopped) {
  StopExceptionTracking();
  EXPECT_THROW(stacktest::Level1(1), EKivGeneralError);
  TStackList s;
  EXPECT_FALSE(LastExceptionStack(s));
}

TEST_F(StackTraceWin, FramesInsteadOfScanning) {
  StopExceptionTracking();
  SetTrackingOptions({false, true, true});
  StartExceptionTracking();
  EXPECT_THROW(stacktest::Level1(1), EKivGeneralError);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  std::vector<std::string> e = Entries(s, kSecondaryLogFormat);
  EXPECT_GE(Find(e, Expect("Level1", stacktest::level1Line)), 0) << ::testing::PrintToString(e);
}

#if defined(__x86_64__)
// The 64-bit build can guard a call against faults (Rtl/SehGuard.h); the guard turns
// the fault into EAccessViolation, whose throw must not replace the fault's stack.
TEST_F(StackTraceWin, AccessViolationThroughTheVectoredHandler) {
  EXPECT_THROW(CallWithSehGuard(&stacktest::Crash, nullptr), EAccessViolation);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  ASSERT_TRUE(s.startsWithFault);
  EXPECT_EQ(s.raiseAddress, s.addresses[0]);
  std::vector<std::string> e = Entries(s, kSecondaryLogFormat);
  EXPECT_NE(e[0].find(Expect("Crash", stacktest::faultLine)), std::string::npos) << e[0];
}

namespace {
LONG CALLBACK ToolkitGuard(EXCEPTION_POINTERS* p) {
  if (p->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    DebugNotifyHardwareFault(p->ExceptionRecord, p->ContextRecord);
    DebugNotifyHardwareFault(p->ExceptionRecord, p->ContextRecord);  // recorded once
  }
  return EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace

// Where the system has no vectored handlers the toolkit's guards report faults.
TEST_F(StackTraceWin, AccessViolationReportedByTheToolkit) {
  StopExceptionTracking();
  SetTrackingOptions({true, true, false});
  StartExceptionTracking();
  void* guard = AddVectoredExceptionHandler(1, &ToolkitGuard);
  EXPECT_THROW(CallWithSehGuard(&stacktest::Crash, reinterpret_cast<void*>(16)), EAccessViolation);
  RemoveVectoredExceptionHandler(guard);
  TStackList s;
  ASSERT_TRUE(LastExceptionStack(s));
  ASSERT_TRUE(s.startsWithFault);
  std::vector<std::string> e = Entries(s, kSecondaryLogFormat);
  EXPECT_NE(e[0].find(Expect("Crash", stacktest::faultLine)), std::string::npos) << e[0];

  // A later throw of the program's own replaces it as usual.
  EXPECT_THROW(stacktest::Level1(1), EKivGeneralError);
  ASSERT_TRUE(LastExceptionStack(s));
  EXPECT_FALSE(s.startsWithFault);
}
#endif

TEST(LocateCodeAddress, ModulesWithoutTableGiveTheModuleOnly) {
  auto kernel = reinterpret_cast<std::uintptr_t>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount"));
  TCodeLocation loc = LocateCodeAddress(kernel, false);
  EXPECT_NE(loc.moduleBase, 0u);
  EXPECT_TRUE(loc.procedure.empty());
  EXPECT_EQ(WideToAnsi(FormatCodeLocation(kernel, loc, kSecondaryLogFormat)),
            Format("[%p]", reinterpret_cast<const void*>(kernel)));
  // Memory that holds no module.
  int local = 0;
  EXPECT_EQ(LocateCodeAddress(reinterpret_cast<std::uintptr_t>(&local)).moduleBase, 0u);
}

TEST(LocateCodeAddress, OwnCode) {
  auto address = reinterpret_cast<std::uintptr_t>(&stacktest::Level2);
  TCodeLocation loc = LocateCodeAddress(address, false);
  EXPECT_EQ(loc.unit, "StackTraceWinTest");
  EXPECT_EQ(loc.procedure, "stacktest::Level2");
  EXPECT_EQ(loc.procedureStart, address);
  EXPECT_EQ(loc.sourceFile, "StackTraceWinTest.cpp");
  EXPECT_EQ(loc.procedureFirstLine, static_cast<std::uint32_t>(stacktest::kLevel2FirstLine));
  EXPECT_EQ(loc.moduleName.substr(0, 12), u"plinth_debug");
}

namespace {
std::uint32_t eventThread = 0;
std::string eventMessage;
std::u16string describedInside;
void OnThreadException(const TThreadException& e) {
  eventThread = e.threadId;
  describedInside = ThreadDescription(e.threadId);
  try {
    std::rethrow_exception(e.exception);
  } catch (const Exception& x) {
    eventMessage = x.Message();
  }
}
}  // namespace

TEST(TrackedThreads, ExceptionEndingAWorkerReachesTheEvent) {
  SetThreadExceptionEvent(&OnThreadException);
  UniqueHandle<KernelTraits> thread =
      StartTrackedThread(u"Copier", u"SQLDMO.dll", [] { throw EKivGeneralError("disk full"); });
  ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
  SetThreadExceptionEvent(nullptr);
  DWORD id = GetThreadId(thread.get());
  EXPECT_EQ(eventThread, id);
  EXPECT_EQ(eventMessage, "disk full");
  EXPECT_EQ(describedInside, WideFormat(u"%.8x [Copier] \"SQLDMO.dll\"", id));
  EXPECT_EQ(ThreadDescription(id), u"");  // unregistered when it ended
  DWORD code = 0;
  GetExitCodeThread(thread.get(), &code);
  EXPECT_EQ(code, 1u);
}

TEST(ModuleList, EnumeratesThisProcess) {
  std::vector<TLoadedModule> modules;
  ASSERT_TRUE(EnumerateLoadedModules(modules));
  HMODULE self = GetModuleHandleW(nullptr);
  bool found = false;
  for (const TLoadedModule& m : modules) {
    if (m.handle == self) {
      found = true;
      EXPECT_NE(m.path.find(u"plinth_debug_tests"), std::u16string::npos);
      EXPECT_EQ(PreferredLoadAddress(m), reinterpret_cast<std::uintptr_t>(self));
    }
  }
  EXPECT_TRUE(found);
  EXPECT_GT(modules.size(), 2u);
}

TEST(ModuleList, RelocatedLibraryKeepsItsPreferredAddress) {
  UniqueHandle<ModuleTraits> first(LoadLibraryW(WStr(FixturePath(u"RelocFirst.dll"))));
  UniqueHandle<ModuleTraits> second(LoadLibraryW(WStr(FixturePath(u"RelocSecond.dll"))));
  ASSERT_TRUE(first && second);
  TLoadedModule a{first.get(), FixturePath(u"RelocFirst.dll")};
  TLoadedModule b{second.get(), FixturePath(u"RelocSecond.dll")};
  // Both ask for the same address; one of them cannot have it.
  EXPECT_EQ(PreferredLoadAddress(a), 0x6A000000u);
  EXPECT_EQ(PreferredLoadAddress(b), 0x6A000000u);
  EXPECT_NE(first.get(), second.get());
  PeHeaders layout;
  ASSERT_TRUE(LoadedImageLayout(second.get(), layout));
  EXPECT_GT(layout.sections.size(), 1u);
}
