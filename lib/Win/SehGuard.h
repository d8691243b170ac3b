// Runs foreign code (a COM server's entry point, say) so that a structured exception
// escaping it — an access violation, or an exception of another language's runtime —
// comes back as a C++ exception of this program instead of ending the process.
#pragma once

#include <cstdint>

#include "Rtl/Exceptions.h"

// Base of the exceptions made from structured exceptions.
class EExternal : public Exception {
 public:
  EExternal(std::string message, std::uint32_t code) : Exception(std::move(message)), code_(code) {}
  std::uint32_t ExceptionCode() const { return code_; }
  const char* ClassName() const override { return "EExternal"; }

 private:
  std::uint32_t code_;
};
// "Access violation at address %p in module '%s'. %s of address %p"
KIV_DECLARE_EXCEPTION(EAccessViolation, EExternal);
// "External exception %x"
KIV_DECLARE_EXCEPTION(EExternalException, EExternal);

#ifdef _WIN32
#include "Rtl/Win.h"

// Calls fn(arg) and returns its result. A structured exception that nothing inside
// fn handles ends the call (the cleanup of the frames it abandons runs) and is raised
// here as EAccessViolation or EExternalException. Both builds guard: the x86-64 one
// through the unwind tables, the 32-bit one through a handler record on FS:[0],
// which Windows 98 and NT 4.0 know alike. fn must not let a C++ exception out: the
// guard would take it for a foreign one.
std::intptr_t CallWithSehGuard(std::intptr_t (*fn)(void*), void* arg);

// Told of every fault a guard takes, with the fault's context, before the frames above
// the guard are gone (the stack-walking facility records the fault's stack here).
// Null for none; set at start-up, before any guarded call runs.
using TSehFaultObserver = void (*)(const EXCEPTION_RECORD* record, const CONTEXT* context);
void SetSehFaultObserver(TSehFaultObserver observer);
#endif
