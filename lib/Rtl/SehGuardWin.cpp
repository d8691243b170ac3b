#include "Rtl/SehGuard.h"

#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

#if defined(__x86_64__)

namespace {

struct SehFault {
  bool happened = false;
  DWORD code = 0;
  void* address = nullptr;
  ULONG_PTR info[2] = {0, 0};
  DWORD infoCount = 0;
};

std::string ModuleNameAt(void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module)) {
    return "";
  }
  std::u16string path = Platform::GetModuleFileName(module);
  std::size_t slash = path.find_last_of(u"\\:");
  return WideToAnsi(slash == std::u16string::npos ? path : path.substr(slash + 1));
}

[[noreturn]] void RaiseExternal(const SehFault& f) {
  if (f.code == EXCEPTION_ACCESS_VIOLATION && f.infoCount >= 2) {
    const char* access = f.info[0] == 1 ? "Write" : f.info[0] == 8 ? "Execute" : "Read";
    throw EAccessViolation(Format("Access violation at address %p in module '%s'. %s of address %p",
                                  f.address, ModuleNameAt(f.address), access,
                                  reinterpret_cast<void*>(f.info[1])),
                           f.code);
  }
  throw EExternalException(Format("External exception %x", f.code), f.code);
}

}  // namespace

extern "C" {
std::intptr_t PlinthSehGuardedCall(std::intptr_t (*fn)(void*), void* arg, SehFault* fault);
void PlinthSehGuardRecover();

// Called by the system for an exception that nothing between the fault and the
// guarded call handled: note it and unwind to the guard's recovery point.
EXCEPTION_DISPOSITION PlinthSehGuardHandler(EXCEPTION_RECORD* rec, void* frame, CONTEXT* context,
                                            DISPATCHER_CONTEXT* dispatch) {
  if (rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
    return ExceptionContinueSearch;
  }
  // The guarded call keeps the fault record 32 bytes above its frame.
  SehFault* fault = *reinterpret_cast<SehFault**>(static_cast<char*>(frame) + 32);
  fault->happened = true;
  fault->code = rec->ExceptionCode;
  fault->address = rec->ExceptionAddress;
  fault->infoCount = rec->NumberParameters < 2 ? rec->NumberParameters : 2;
  for (DWORD i = 0; i < fault->infoCount; ++i) fault->info[i] = rec->ExceptionInformation[i];
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

std::intptr_t CallWithSehGuard(std::intptr_t (*fn)(void*), void* arg) {
  SehFault fault;
  std::intptr_t result = PlinthSehGuardedCall(fn, arg, &fault);
  if (fault.happened) RaiseExternal(fault);
  return result;
}

#else

std::intptr_t CallWithSehGuard(std::intptr_t (*fn)(void*), void* arg) { return fn(arg); }

#endif
