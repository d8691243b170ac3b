#include "Win/SehGuard.h"

#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

namespace {

// What the guard notes of a structured exception before it resumes.
struct SehFault {
  bool happened = false;
  DWORD code = 0;
  void* address = nullptr;
  ULONG_PTR info[2] = {0, 0};
  DWORD infoCount = 0;
};

TSehFaultObserver faultObserver = nullptr;

void NoteFault(SehFault& fault, const EXCEPTION_RECORD& rec, const CONTEXT* context) {
  if (faultObserver && context) faultObserver(&rec, context);
  fault.happened = true;
  fault.code = rec.ExceptionCode;
  fault.address = rec.ExceptionAddress;
  fault.infoCount = rec.NumberParameters < 2 ? rec.NumberParameters : 2;
  for (DWORD i = 0; i < fault.infoCount; ++i) fault.info[i] = rec.ExceptionInformation[i];
}

// The module holding `address`. GetModuleHandleExW is missing before XP; there the
// allocation base of the address's region is the module's handle.
HMODULE ModuleAt(void* address) {
  using GetModuleHandleExFn = BOOL(WINAPI*)(DWORD, LPCWSTR, HMODULE*);
  static const auto getModuleHandleEx =
      Platform::FindSystemFunction<GetModuleHandleExFn>("kernel32.dll", "GetModuleHandleExW");
  HMODULE module = nullptr;
  if (getModuleHandleEx && getModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                 GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                             static_cast<LPCWSTR>(address), &module)) {
    return module;
  }
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(address, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT) {
    return nullptr;
  }
  return static_cast<HMODULE>(info.AllocationBase);
}

std::string ModuleNameAt(void* address) {
  HMODULE module = ModuleAt(address);
  if (!module) return "";
  std::u16string path = Platform::GetModuleFileName(module);
  std::size_t slash = path.find_last_of(u"\\:");
  return WideToAnsi(slash == std::u16string::npos ? path : path.substr(slash + 1));
}

// The exception of this program that stands for a structured exception.
[[noreturn]] void RaiseExternal(const SehFault& f) {
  if (f.code == EXCEPTION_ACCESS_VIOLATION && f.infoCount >= 2) {
    const char* access = f.info[0] == 1 ? "Write" : f.info[0] == 8 ? "Execute" : "Read";
    throw EAccessViolation(
        Format("Access violation at address %p in module '%s'. %s of address %p", f.address,
               ModuleNameAt(f.address), access, reinterpret_cast<void*>(f.info[1])),
        f.code);
  }
  throw EExternalException(Format("External exception %x", f.code), f.code);
}

}  // namespace

extern "C" {
std::intptr_t PlinthSehGuardedCall(std::intptr_t (*fn)(void*), void* arg, SehFault* fault);
void PlinthSehGuardRecover();
}

#if defined(__x86_64__)

extern "C" {
// Called by the system for an exception that nothing between the fault and the
// guarded call handled: note it and unwind to the guard's recovery point.
EXCEPTION_DISPOSITION PlinthSehGuardHandler(EXCEPTION_RECORD* rec, void* frame, CONTEXT* context,
                                            DISPATCHER_CONTEXT* dispatch) {
  if (rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
    return ExceptionContinueSearch;
  }
  // The guarded call keeps the fault record 32 bytes above its frame.
  NoteFault(**reinterpret_cast<SehFault**>(static_cast<char*>(frame) + 32), *rec, context);
  RtlUnwindEx(frame, reinterpret_cast<void*>(&PlinthSehGuardRecover), rec, nullptr, context,
              dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at the recovery point
}
}

// The guarded call: a frame with an exception handler, which plain C++ cannot give
// under this compiler. Arguments: rcx = fn, rdx = arg, r8 = fault record.
asm(R"(
  .text
  .p2align 4
  .globl PlinthSehGuardedCall
  .def PlinthSehGuardedCall; .scl 2; .type 32; .endef
  .seh_proc PlinthSehGuardedCall
PlinthSehGuardedCall:
  pushq %rbx
  .seh_pushreg %rbx
  subq $48, %rsp
  .seh_stackalloc 48
  .seh_endprologue
  .seh_handler PlinthSehGuardHandler, @except
  movq %r8, 32(%rsp)
  movq %rcx, %rax
  movq %rdx, %rcx
  callq *%rax
  nop
  .globl PlinthSehGuardRecover
PlinthSehGuardRecover:
  addq $48, %rsp
  popq %rbx
  ret
  .seh_endproc
)");

#elif defined(__i386__)

// The 32-bit systems, 9x and NT alike, find exception handlers through a chain of
// records on the stack whose head is FS:[0]. The guarded call pushes one:
//
//   record + 0  the previous head
//   record + 4  PlinthSehGuardHandler
//   record + 8  the fault record to fill
//
// An exception that nothing closer handles reaches the handler, which notes it, has
// the system unwind every record above this one (their cleanup runs) and resumes at
// the recovery point with the stack pointer at the record; the guarded call's own
// frame, above it on the stack, restores the registers the caller relies on.
struct GuardRecord {
  void* next;
  void* handler;
  SehFault* fault;
};

extern "C" {
[[noreturn]] void PlinthSehUnwindAndResume(GuardRecord* record, EXCEPTION_RECORD* rec);

EXCEPTION_DISPOSITION __cdecl PlinthSehGuardHandler(EXCEPTION_RECORD* rec, void* frame,
                                                    CONTEXT* context, void*) {
  if (rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
    return ExceptionContinueSearch;
  }
  auto* record = static_cast<GuardRecord*>(frame);
  NoteFault(*record->fault, *rec, context);
  PlinthSehUnwindAndResume(record, rec);
}
}

asm(R"(
  .text
  .p2align 4
  .globl _PlinthSehGuardedCall
  .def _PlinthSehGuardedCall; .scl 2; .type 32; .endef
_PlinthSehGuardedCall:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  pushl 16(%ebp)
  pushl $_PlinthSehGuardHandler
  pushl %fs:0
  movl %esp, %fs:0
  pushl 12(%ebp)
  calll *8(%ebp)
  addl $4, %esp
  .globl _PlinthSehGuardRecover
_PlinthSehGuardRecover:
  movl (%esp), %ecx
  movl %ecx, %fs:0
  addl $12, %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret

  .p2align 4
  .globl _PlinthSehUnwindAndResume
  .def _PlinthSehUnwindAndResume; .scl 2; .type 32; .endef
_PlinthSehUnwindAndResume:
  pushl $0
  pushl 12(%esp)
  pushl $1f
  pushl 16(%esp)
  call _RtlUnwind@16
1:
  movl 4(%esp), %esp
  xorl %eax, %eax
  jmp _PlinthSehGuardRecover
)");

// The system accepts this handler because the GNU linker gives the image neither a
// table of safe handlers nor the flag that forbids handlers (NO_SEH): with either,
// the handler would have to be in the table.

#else
#error "no structured-exception guard for this processor"
#endif

void SetSehFaultObserver(TSehFaultObserver observer) { faultObserver = observer; }

std::intptr_t CallWithSehGuard(std::intptr_t (*fn)(void*), void* arg) {
  SehFault fault;
  std::intptr_t result = PlinthSehGuardedCall(fn, arg, &fault);
  if (fault.happened) RaiseExternal(fault);
  return result;
}
