// The stack-walking facility: records the stack of every exception raised in the
// process and maps code addresses to module, unit, procedure and line.
//
// Capture happens where an exception is raised: every C++ throw (the link wraps
// __cxa_throw, so throws from inside the standard library are seen too) and every
// hardware fault, seen by a vectored exception handler where the system has one and
// by DebugNotifyHardwareFault, which the toolkit's guarded window procedures call
// with the fault's records (the only way on systems without vectored handlers).
//
// Code addresses are resolved with the symbol and line table that an executable
// carries in its "KIVDEBUG" section (Debug/SymbolTable.h); a module without one gives
// procedure-less locations.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A local date and time.
struct TCaptureTime {
  std::uint16_t year = 0, month = 0, day = 0;
  std::uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The stack recorded when an exception was raised.
struct TStackList {
  TCaptureTime time;
  std::uint32_t threadId = 0;
  // The code address at which the exception was raised: the call of the throw, or
  // the faulting instruction.
  std::uintptr_t raiseAddress = 0;
  // Code addresses found on the stack, most recent call first. All are return
  // addresses, except the first of a hardware fault's list: the faulting instruction.
  std::vector<std::uintptr_t> addresses;
  bool startsWithFault = false;
  // Found by searching the stack rather than by following frames: values left over
  // from calls that have returned may be among them (see LiveCallChain).
  bool scanned = false;

  bool IsReturnAddress(std::size_t index) const { return !(startsWithFault && index == 0); }
};

// What is known of a code address; empty texts and zero numbers are unknown.
struct TCodeLocation {
  std::uintptr_t moduleBase = 0;  // 0 when the address lies in no module
  std::u16string moduleName;      // file name without folder
  std::string unit;
  std::string procedure;
  std::string sourceFile;
  std::uintptr_t procedureStart = 0;
  std::uintptr_t procedureEnd = 0;
  std::uint32_t procedureFirstLine = 0;
  std::string procedureFile;  // the file of the procedure's first line
  std::uint32_t line = 0;
  std::uintptr_t lineStart = 0;
};

// The four switches of address formatting.
struct TAddressFormat {
  bool moduleName = false;      // "{module} " after the address
  bool addressOffset = false;   // " + $%x" from the procedure's or line's start
  bool lineOffset = false;      // " + %d" lines from the procedure's first line
  bool virtualAddress = false;  // "(%p) " offset into the module's code first
};
// The exception report's stack section and the secondary-exception log.
inline constexpr TAddressFormat kStackSectionFormat{false, false, true, true};
inline constexpr TAddressFormat kSecondaryLogFormat{false, false, false, false};

// One stack entry as text: "[%p]" for an unknown address, "[%p] unit.procedure" for
// a known procedure, "[%p] unit.procedure (Line %u, \"file\")" for a known line,
// each with what the switches add. Hexadecimal digits are upper case, "%p" as wide
// as a pointer. A line offset is counted only within the file of the procedure's
// first line and never backwards; elsewhere it is left out.
std::u16string FormatCodeLocation(std::uintptr_t address, const TCodeLocation& location,
                                  const TAddressFormat& format);

// Whether the bytes just before `address` end with a call instruction (E8 rel32 or
// one of the FF /2 forms), i.e. whether `address` can be a return address. `before`
// holds the up to seven bytes that precede it, the last one adjacent.
bool EndsWithCall(const std::uint8_t* before, std::size_t count);

// The tracking options, set before tracking starts.
struct TTrackingOptions {
  // Search the stack for return addresses instead of following frame links.
  bool rawStackScan = true;
  // Build the list of loaded modules' code ranges on first use and keep it.
  bool keepModuleList = true;
  // Take hardware faults from the system's vectored handler where it has one;
  // without it they arrive only through DebugNotifyHardwareFault.
  bool vectoredHandler = true;
};

// What can be told of one entry of a scanned stack list, for telling the live call
// chain from left-over values. Procedures are told apart by module and name (the
// parts a compiler splits off a procedure keep its name); code of modules without a
// table (the system's libraries) is one procedure, kCodeWithoutTable.
inline const std::string kCodeWithoutTable = "*";
struct TEntryFacts {
  // The procedure that holds the entry (its call); empty when unknown.
  std::string procedure;
  // The procedure the call before a return address leads to: the direct call's
  // target. Empty when that cannot be told (an indirect call, or a target that is
  // no procedure's start).
  std::string callee;
  // The procedures the callee may have jumped on to in place of returning (tail
  // calls); none when it may jump anywhere (an indirect jump). Asked only when the
  // callee itself is not matched.
  std::function<std::optional<std::vector<std::string>>()> tailCallees;
};
// Which entries belong to the live call chain. The first entry (the raise) always
// does; a later one does unless its call leads to a procedure that no entry kept
// before it holds, and that could not have jumped on to one of them. Code without a
// table calls this program's only through other code without a table (a callback),
// so a call into it matches only such an entry.
std::vector<bool> LiveCallChain(const std::vector<TEntryFacts>& entries);

// At most this many addresses are kept per stack list.
inline constexpr std::size_t kMaxStackEntries = 256;

#ifdef _WIN32
#include "Rtl/Win.h"

void SetTrackingOptions(const TTrackingOptions& options);
TTrackingOptions TrackingOptions();

// Exception tracking: once started, every exception raised in the process records
// its stack list. Stopping keeps the last list.
void StartExceptionTracking();
void StopExceptionTracking();
bool ExceptionTrackingActive();

// A copy of the stack list of the most recent exception in the process; false when
// none has been recorded yet.
bool LastExceptionStack(TStackList& stack);
// Forgets the recorded list (tests).
void ClearLastExceptionStack();

// Records the stack of a hardware fault, from the fault's context. Safe to call for
// a fault that the vectored handler has already recorded: it is recorded once.
void DebugNotifyHardwareFault(const EXCEPTION_RECORD* record, const CONTEXT* context);

// Captures the current thread's stack now, as a throw would (benchmarks, tests).
[[gnu::noinline]] void CaptureCurrentStack(TStackList& stack);

// The location of a code address. A return address is looked up one byte earlier,
// in the call that pushed it, so that it names the calling line.
TCodeLocation LocateCodeAddress(std::uintptr_t address, bool returnAddress = true);

// One stack entry of `stack` formatted.
std::u16string FormatStackEntry(const TStackList& stack, std::size_t index,
                                const TAddressFormat& format);

// The indexes of the entries that belong to the live call chain (LiveCallChain);
// every index for a list that was not scanned.
std::vector<std::size_t> LiveStackEntries(const TStackList& stack);
#endif
