// TCallbackGuard: keeps C++ exceptions from unwinding through the system.
//
// A function that the system calls back (an enumeration callback, say) runs its body
// through Run(): an exception thrown there is caught and kept, and the callback
// answers the value that tells the system to stop. Once the system call has
// returned, RethrowIfFailed() throws the kept exception on the caller's side.
//
//   TCallbackGuard guard;   // reachable from the callback
//   BOOL CALLBACK Each(...) { return guard.Run(FALSE, [&] { ...; return TRUE; }); }
//   EnumSomething(Each, ...);
//   guard.RethrowIfFailed();
#pragma once

#include <exception>
#include <utility>

class TCallbackGuard {
 public:
  // Runs `body` and returns its result; returns `stop` when it throws, and also
  // without running it once an earlier call has failed (a system that ignores the
  // stop answer gets nothing more done).
  template <typename R, typename Body>
  R Run(R stop, Body&& body) noexcept {
    if (failure_) return stop;
    try {
      return std::forward<Body>(body)();
    } catch (...) {
      failure_ = std::current_exception();
      return stop;
    }
  }

  bool Failed() const { return failure_ != nullptr; }

  // Throws the exception a callback kept, if any (once; the guard is clear again).
  void RethrowIfFailed() {
    if (!failure_) return;
    std::exception_ptr failure = std::exchange(failure_, nullptr);
    std::rethrow_exception(failure);
  }

 private:
  std::exception_ptr failure_;
};
