#include "Debug/StackTrace.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <typeinfo>

#include "Debug/ModuleList.h"
#include "Debug/SymbolTable.h"
#include "Rtl/Lock.h"
#include "Rtl/Platform.h"
#include "Win/SehGuard.h"

namespace {

struct CodeRange {
  std::uintptr_t start, end;
};

// A module's symbol table, read where the module is mapped, and its name.
struct ModuleSymbols {
  std::uint32_t timeDateStamp = 0;
  std::uint32_t sizeOfImage = 0;
  std::u16string name;
  SymbolTable::Reader reader{{}};
};

bool ReadModuleSymbols(HMODULE module, ModuleSymbols& symbols) {
  PeHeaders layout;
  if (!LoadedImageLayout(module, layout)) return false;
  auto base = reinterpret_cast<std::uintptr_t>(module);
  symbols.timeDateStamp = layout.timeDateStamp;
  symbols.sizeOfImage = layout.sizeOfImage;
  std::u16string path = Platform::GetModuleFileName(module);
  symbols.name = path.substr(path.find_last_of(u"\\/:") + 1);
  std::span<const std::uint8_t> table;
  for (const PeSection& s : layout.sections) {
    if (s.name == SymbolTable::kSectionName && s.virtualAddress < layout.sizeOfImage) {
      std::uint32_t size = std::min(s.virtualSize, layout.sizeOfImage - s.virtualAddress);
      table = {reinterpret_cast<const std::uint8_t*>(base + s.virtualAddress), size};
      break;
    }
  }
  symbols.reader = SymbolTable::Reader(table);
  return true;
}

// Whether the image mapped at `module` is still the one `symbols` was read from:
// its header's time stamp and size, read where the caller found it mapped.
// `mbi` describes the memory the address lies in.
bool SameImage(HMODULE module, const MEMORY_BASIC_INFORMATION& mbi, const ModuleSymbols& symbols) {
  PeHeaders layout;
  // A mapped image's header page is always there to read; only the 9x family, which
  // does not say what memory is an image, needs the full check.
  bool read = mbi.Type == MEM_IMAGE ? ReadPeHeaders(reinterpret_cast<const std::uint8_t*>(module),
                                                    kMappedHeaderSize, layout) == nullptr
                                    : LoadedImageLayout(module, layout);
  return read && layout.timeDateStamp == symbols.timeDateStamp &&
         layout.sizeOfImage == symbols.sizeOfImage;
}

// Everything the facility owns, behind its one lock.
struct Facility {
  TCriticalSection lock;
  TTrackingOptions options;
  bool tracking = false;
  void* vectoredHandler = nullptr;

  // Code ranges of the loaded modules, sorted, for telling return addresses.
  std::vector<CodeRange> ranges;
  bool rangesBuilt = false;

  bool hasStack = false;
  TStackList last;
  // The last fault recorded, so that a fault seen by both the vectored handler and
  // the toolkit's guard is recorded once.
  std::uint32_t faultThread = 0;
  const void* faultAddress = nullptr;
  std::uintptr_t faultStack = 0;

  std::map<std::uintptr_t, ModuleSymbols> symbols;
};

Facility& State() {
  static Facility facility;
  return facility;
}

// Per-thread capture buffer, so that a throw allocates nothing once the buffers
// exist, and the guard against capturing while capturing.
struct ThreadCapture {
  std::uintptr_t addresses[kMaxStackEntries];
  bool busy = false;
  // A fault was recorded on this thread and no C++ exception has been raised since:
  // a guard that turns the fault into an EExternal must not replace its stack.
  bool faultPending = false;
};
thread_local ThreadCapture threadCapture;

// GCC takes the segment-relative read in NtCurrentTeb for an access to a zero-length
// array and warns; the read is what the system documents.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
[[gnu::noinline]] const NT_TIB* ThreadBlock() {
  return reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
}
#pragma GCC diagnostic pop

template <typename F>
F KernelProc(const char* name) {
  return Platform::FindSystemFunction<F>("kernel32.dll", name);
}

std::vector<CodeRange> BuildCodeRanges() {
  std::vector<CodeRange> ranges;
  std::vector<TLoadedModule> modules;
  if (!EnumerateLoadedModules(modules)) return ranges;
  for (const TLoadedModule& m : modules) {
    PeHeaders layout;
    if (!LoadedImageLayout(m.handle, layout)) continue;
    auto base = reinterpret_cast<std::uintptr_t>(m.handle);
    for (const PeSection& s : layout.sections) {
      if (s.IsCode() && s.virtualSize > 0 && s.virtualAddress < layout.sizeOfImage) {
        std::uint32_t size = std::min(s.virtualSize, layout.sizeOfImage - s.virtualAddress);
        ranges.push_back({base + s.virtualAddress, base + s.virtualAddress + size});
      }
    }
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const CodeRange& a, const CodeRange& b) { return a.start < b.start; });
  return ranges;
}

// The code ranges to scan against; the caller holds the lock.
const std::vector<CodeRange>& CodeRanges(Facility& f) {
  if (!f.rangesBuilt || !f.options.keepModuleList) {
    f.ranges = BuildCodeRanges();
    f.rangesBuilt = true;
  }
  return f.ranges;
}

const CodeRange* RangeOf(const std::vector<CodeRange>& ranges, std::uintptr_t v) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), v,
                             [](std::uintptr_t x, const CodeRange& r) { return x < r.start; });
  if (it == ranges.begin()) return nullptr;
  --it;
  return v < it->end ? &*it : nullptr;
}

// Searches [from, to) of the stack for return addresses into loaded code.
std::size_t ScanStack(const std::uintptr_t* from, const std::uintptr_t* to,
                      const std::vector<CodeRange>& ranges, std::uintptr_t* out, std::size_t count,
                      std::size_t max) {
  if (ranges.empty()) return count;
  std::uintptr_t lo = ranges.front().start;
  std::uintptr_t hi = ranges.back().end;
  for (const std::uintptr_t* p = from; p < to && count < max; ++p) {
    std::uintptr_t v = *p;
    if (v <= lo || v >= hi) continue;
    const CodeRange* r = RangeOf(ranges, v);
    if (!r || v == r->start) continue;
    std::size_t before = std::min<std::uintptr_t>(7, v - r->start);
    if (EndsWithCall(reinterpret_cast<const std::uint8_t*>(v - before), before)) out[count++] = v;
  }
  return count;
}

using CaptureBackTrace = USHORT(WINAPI*)(ULONG, ULONG, PVOID*, PULONG);

// Fills the thread's buffer with the stack from `stackPointer` (the first slot to
// look at), after `first` when it is not 0. Without raw scanning the frames are
// followed where the system can (skipping `ownFrames` of the facility's callers);
// otherwise, and where it cannot, the stack is scanned. Returns the number of
// addresses.
[[gnu::noinline]] std::size_t CaptureInto(ThreadCapture& t, const std::uintptr_t* stackPointer,
                                          std::uintptr_t first, bool rawScan, ULONG ownFrames,
                                          bool& scanned) {
  std::size_t count = 0;
  scanned = false;
  if (first) t.addresses[count++] = first;
  if (!rawScan && !first) {
    static const auto capture = KernelProc<CaptureBackTrace>("RtlCaptureStackBackTrace");
    // Before Vista the frames skipped and captured must stay below 63 together.
    const ULONG frames = 62 - ownFrames - 1;
    USHORT n = capture
                   ? capture(ownFrames + 1, frames, reinterpret_cast<PVOID*>(t.addresses), nullptr)
                   : 0;
    if (n > 0) return n;
  }
  scanned = true;
  const NT_TIB* tib = ThreadBlock();
  auto base = static_cast<const std::uintptr_t*>(tib->StackBase);
  auto limit = static_cast<const std::uintptr_t*>(tib->StackLimit);
  if (stackPointer < limit || stackPointer >= base) return count;
  Facility& f = State();
  TLockGuard guard(f.lock);
  return ScanStack(stackPointer, base, CodeRanges(f), t.addresses, count, kMaxStackEntries);
}

TCaptureTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

void Publish(const ThreadCapture& t, std::size_t count, std::uintptr_t raiseAddress,
             bool startsWithFault, bool scanned) {
  Facility& f = State();
  TLockGuard guard(f.lock);
  f.last.time = Now();
  f.last.threadId = GetCurrentThreadId();
  f.last.raiseAddress = raiseAddress;
  f.last.startsWithFault = startsWithFault;
  f.last.scanned = scanned;
  f.last.addresses.assign(t.addresses, t.addresses + count);
  f.hasStack = true;
}

// Whether a handler of EExternal would catch an object of the thrown type.
bool IsExternal(const std::type_info* thrown, void* object) {
  void* adjusted = object;
  return thrown && typeid(EExternal).__do_catch(thrown, &adjusted, 1);
}

[[gnu::noinline]] void RecordThrow(const std::uintptr_t* stackPointer, std::uintptr_t raiseAddress,
                                   const std::type_info* thrown, void* object) {
  ThreadCapture& t = threadCapture;
  if (t.busy) return;
  bool faultPending = t.faultPending;
  t.faultPending = false;
  if (faultPending && IsExternal(thrown, object)) return;  // the fault's stack stays
  t.busy = true;
  try {
    // Frames of the facility: this function and the throw wrapper.
    bool scanned = false;
    std::size_t n = CaptureInto(t, stackPointer, 0, State().options.rawStackScan, 2, scanned);
    Publish(t, n, raiseAddress, false, scanned);
  } catch (...) {
    // Out of memory while keeping the list: the throw goes on without it.
  }
  t.busy = false;
}

bool IsHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
      return true;
    default:
      // A stack overflow leaves too little stack to record it safely.
      return false;
  }
}

std::uintptr_t StackPointerOf(const CONTEXT* c) {
#if defined(__x86_64__)
  return c->Rsp;
#else
  return c->Esp;
#endif
}

LONG CALLBACK VectoredHandler(EXCEPTION_POINTERS* pointers) {
  if (pointers && pointers->ExceptionRecord && pointers->ContextRecord &&
      IsHardwareFault(pointers->ExceptionRecord->ExceptionCode)) {
    DebugNotifyHardwareFault(pointers->ExceptionRecord, pointers->ContextRecord);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

// Every C++ throw of the program passes here (-Wl,--wrap=__cxa_throw).
extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, void* type, void* destructor);

[[noreturn]] void __wrap___cxa_throw(void* object, void* type, void* destructor) {
  if (State().tracking) {
    // The slot above this function's frame holds its return address into the thrower.
    auto frame = static_cast<const std::uintptr_t*>(__builtin_frame_address(0));
    RecordThrow(frame + 1, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)),
                static_cast<const std::type_info*>(type), object);
  }
  __real___cxa_throw(object, type, destructor);
}
}

void SetTrackingOptions(const TTrackingOptions& options) {
  Facility& f = State();
  TLockGuard guard(f.lock);
  f.options = options;
}

TTrackingOptions TrackingOptions() {
  Facility& f = State();
  TLockGuard guard(f.lock);
  return f.options;
}

void StartExceptionTracking() {
  using AddHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
  Facility& f = State();
  TLockGuard guard(f.lock);
  if (f.tracking) return;
  // Vectored handlers exist from Windows XP on; before, faults arrive only through
  // DebugNotifyHardwareFault.
  static const auto add = KernelProc<AddHandler>("AddVectoredExceptionHandler");
  if (add && f.options.vectoredHandler) f.vectoredHandler = add(1, &VectoredHandler);
  // Built now, so that a fault handler never has to load the enumeration library.
  CodeRanges(f);
  f.tracking = true;
}

void StopExceptionTracking() {
  using RemoveHandler = ULONG(WINAPI*)(PVOID);
  Facility& f = State();
  TLockGuard guard(f.lock);
  if (!f.tracking) return;
  static const auto remove = KernelProc<RemoveHandler>("RemoveVectoredExceptionHandler");
  if (f.vectoredHandler && remove) remove(f.vectoredHandler);
  f.vectoredHandler = nullptr;
  f.tracking = false;
}

bool ExceptionTrackingActive() {
  Facility& f = State();
  TLockGuard guard(f.lock);
  return f.tracking;
}

bool LastExceptionStack(TStackList& stack) {
  Facility& f = State();
  TLockGuard guard(f.lock);
  if (!f.hasStack) return false;
  stack = f.last;
  return true;
}

void ClearLastExceptionStack() {
  Facility& f = State();
  TLockGuard guard(f.lock);
  f.hasStack = false;
  f.last = TStackList();
  f.faultAddress = nullptr;
}

void DebugNotifyHardwareFault(const EXCEPTION_RECORD* record, const CONTEXT* context) {
  if (!record || !context) return;
  Facility& f = State();
  std::uintptr_t sp = StackPointerOf(context);
  {
    TLockGuard guard(f.lock);
    if (!f.tracking) return;
    if (f.faultThread == GetCurrentThreadId() && f.faultAddress == record->ExceptionAddress &&
        f.faultStack == sp) {
      return;  // already recorded
    }
    f.faultThread = GetCurrentThreadId();
    f.faultAddress = record->ExceptionAddress;
    f.faultStack = sp;
  }
  ThreadCapture& t = threadCapture;
  if (t.busy) return;
  t.busy = true;
  try {
    auto at = reinterpret_cast<std::uintptr_t>(record->ExceptionAddress);
    bool scanned = false;
    std::size_t n =
        CaptureInto(t, reinterpret_cast<const std::uintptr_t*>(sp), at, true, 0, scanned);
    Publish(t, n, at, true, scanned);
    t.faultPending = true;
  } catch (...) {
  }
  t.busy = false;
}

void CaptureCurrentStack(TStackList& stack) {
  ThreadCapture& t = threadCapture;
  auto frame = static_cast<const std::uintptr_t*>(__builtin_frame_address(0));
  bool scanned = false;
  std::size_t n = CaptureInto(t, frame + 1, 0, State().options.rawStackScan, 1, scanned);
  stack.time = Now();
  stack.threadId = GetCurrentThreadId();
  stack.raiseAddress = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  stack.startsWithFault = false;
  stack.scanned = scanned;
  stack.addresses.assign(t.addresses, t.addresses + n);
}

TCodeLocation LocateCodeAddress(std::uintptr_t address, bool returnAddress) {
  TCodeLocation loc;
  MEMORY_BASIC_INFORMATION mbi{};
  if (!VirtualQuery(reinterpret_cast<const void*>(address), &mbi, sizeof mbi) ||
      mbi.State != MEM_COMMIT || !mbi.AllocationBase) {
    return loc;
  }
  auto module = static_cast<HMODULE>(mbi.AllocationBase);
  auto base = reinterpret_cast<std::uintptr_t>(module);

  Facility& f = State();
  TLockGuard guard(f.lock);
  auto cached = f.symbols.find(base);
  if (cached == f.symbols.end() || !SameImage(module, mbi, cached->second)) {
    // First sight of this module, or another one is now mapped where it was.
    ModuleSymbols symbols;
    if (!ReadModuleSymbols(module, symbols)) {
      if (cached != f.symbols.end()) f.symbols.erase(cached);
      return loc;
    }
    cached = f.symbols.insert_or_assign(base, std::move(symbols)).first;
  }
  const ModuleSymbols& symbols = cached->second;
  if (address - base >= symbols.sizeOfImage) return loc;
  loc.moduleBase = base;
  loc.moduleName = symbols.name;
  std::uint32_t rva = static_cast<std::uint32_t>(address - base);
  if (returnAddress && rva > 0) --rva;
  if (std::optional<SymbolTable::Location> found = symbols.reader.Find(rva)) {
    loc.unit = found->unit;
    loc.procedure = found->procedure;
    loc.sourceFile = found->file;
    loc.procedureStart = base + found->procedureRva;
    loc.procedureEnd = base + found->procedureEndRva;
    loc.procedureFirstLine = found->procedureFirstLine;
    loc.procedureFile = found->procedureFile;
    loc.line = found->line;
    loc.lineStart = base + found->lineRva;
  }
  return loc;
}

std::u16string FormatStackEntry(const TStackList& stack, std::size_t index,
                                const TAddressFormat& format) {
  std::uintptr_t a = stack.addresses.at(index);
  return FormatCodeLocation(a, LocateCodeAddress(a, stack.IsReturnAddress(index)), format);
}

namespace {

// Reads `count` bytes at `address` when they lie in committed memory of one image.
bool ReadImageBytes(std::uintptr_t address, void* out, std::size_t count) {
  MEMORY_BASIC_INFORMATION mbi{};
  if (!VirtualQuery(reinterpret_cast<const void*>(address), &mbi, sizeof mbi) ||
      mbi.State != MEM_COMMIT || (mbi.Protect & (PAGE_NOACCESS | PAGE_GUARD)) ||
      address + count > reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize) {
    return false;
  }
  std::memcpy(out, reinterpret_cast<const void*>(address), count);
  return true;
}

std::int32_t Rel32(const std::uint8_t* b) {
  std::uint32_t v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return static_cast<std::int32_t>(v);
}

// Where code at `target` leads: through jumps to other code (import thunks and the
// like), as far as a few hops.
std::uintptr_t FollowJumps(std::uintptr_t target) {
  for (int hop = 0; hop < 3; ++hop) {
    std::uint8_t b[6];
    if (!ReadImageBytes(target, b, sizeof b)) return target;
    if (b[0] == 0xE9) {
      target = target + 5 + static_cast<std::intptr_t>(Rel32(b + 1));
    } else if (b[0] == 0xFF && b[1] == 0x25) {
#if defined(__x86_64__)
      std::uintptr_t slot = target + 6 + static_cast<std::intptr_t>(Rel32(b + 2));
#else
      std::uintptr_t slot = static_cast<std::uint32_t>(Rel32(b + 2));
#endif
      if (!ReadImageBytes(slot, &target, sizeof target)) return target;
    } else {
      return target;
    }
  }
  return target;
}

// How LiveCallChain names the procedure of a location: its module and name; all code
// of modules without a table as one; nothing for an address in no module.
std::string ProcedureKey(const TCodeLocation& loc) {
  if (loc.procedure.empty()) return loc.moduleBase != 0 ? kCodeWithoutTable : std::string();
  return std::to_string(loc.moduleBase) + "!" + loc.procedure;
}

// Whether `modrm` (after FF) makes an indirect jump: FF /4 or FF /5.
bool IsIndirectJump(std::uint8_t modrm) {
  int reg = (modrm >> 3) & 7;
  return reg == 4 || reg == 5;
}

// Adds the procedures the code of procedure `loc` jumps to without returning (jumps to
// a procedure's first instruction), and theirs to `depth` levels. False when the code
// may jump anywhere: it holds an indirect jump (a call through a pointer in tail
// position looks like one; so does a switch's jump table, which cannot be told from
// it here).
bool AddTailCallees(const TCodeLocation& loc, std::vector<std::string>& out, int depth) {
  constexpr std::uintptr_t kMaxScan = 64 * 1024;
  if (loc.procedureEnd <= loc.procedureStart || loc.procedureEnd - loc.procedureStart > kMaxScan)
    return false;
  std::vector<std::uint8_t> code(loc.procedureEnd - loc.procedureStart);
  if (!ReadImageBytes(loc.procedureStart, code.data(), code.size())) return false;
  for (std::size_t i = 0; i + 2 <= code.size(); ++i) {
    if (code[i] == 0xFF && IsIndirectJump(code[i + 1])) return false;
    if (code[i] != 0xE9 || i + 5 > code.size()) continue;
    std::uintptr_t target =
        FollowJumps(loc.procedureStart + i + 5 + static_cast<std::intptr_t>(Rel32(&code[i + 1])));
    if (target >= loc.procedureStart && target < loc.procedureEnd) continue;
    TCodeLocation to = LocateCodeAddress(target, false);
    std::string key = ProcedureKey(to);
    if (key.empty() || (!to.procedure.empty() && to.procedureStart != target)) continue;
    if (std::find(out.begin(), out.end(), key) != out.end()) continue;
    out.push_back(key);
    if (depth > 1 && !to.procedure.empty() && !AddTailCallees(to, out, depth - 1)) return false;
  }
  return true;
}

TEntryFacts EntryFacts(const TStackList& stack, std::size_t index) {
  std::uintptr_t a = stack.addresses[index];
  bool returnAddress = stack.IsReturnAddress(index);
  TEntryFacts facts;
  facts.procedure = ProcedureKey(LocateCodeAddress(a, returnAddress));
  std::uint8_t call[5];
  if (!returnAddress || a < 5 || !ReadImageBytes(a - 5, call, sizeof call) || call[0] != 0xE8)
    return facts;
  std::uintptr_t target = FollowJumps(a + static_cast<std::intptr_t>(Rel32(call + 1)));
  TCodeLocation callee = LocateCodeAddress(target, false);
  // A call into the middle of a procedure is no call the compiler made: not told.
  if (!callee.procedure.empty() && callee.procedureStart != target) return facts;
  facts.callee = ProcedureKey(callee);
  if (callee.procedure.empty()) return facts;
  facts.tailCallees = [callee]() -> std::optional<std::vector<std::string>> {
    std::vector<std::string> tail;
    if (!AddTailCallees(callee, tail, 2)) return std::nullopt;
    return tail;
  };
  return facts;
}

}  // namespace

std::vector<std::size_t> LiveStackEntries(const TStackList& stack) {
  std::vector<std::size_t> indexes;
  if (!stack.scanned) {
    for (std::size_t i = 0; i < stack.addresses.size(); ++i) indexes.push_back(i);
    return indexes;
  }
  std::vector<TEntryFacts> facts;
  for (std::size_t i = 0; i < stack.addresses.size(); ++i) facts.push_back(EntryFacts(stack, i));
  std::vector<bool> live = LiveCallChain(facts);
  for (std::size_t i = 0; i < live.size(); ++i) {
    if (live[i]) indexes.push_back(i);
  }
  return indexes;
}
