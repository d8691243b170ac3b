#include "Debug/TrackedThreads.h"

#include <map>

#include "Rtl/Format.h"
#include "Rtl/Lock.h"

namespace {

struct Registered {
  std::u16string name, value;
};

struct Threads {
  TCriticalSection lock;
  std::map<std::uint32_t, Registered> registered;
  TThreadExceptionEvent event = nullptr;
};

Threads& State() {
  static Threads threads;
  return threads;
}

}  // namespace

// The calling thread's identifier (GetCurrentThreadId, or a stand-in on the host).
std::uint32_t CurrentThreadId();

void RegisterThread(std::uint32_t threadId, const std::u16string& name,
                    const std::u16string& value) {
  Threads& t = State();
  TLockGuard guard(t.lock);
  t.registered[threadId] = {name, value};
}

void UnregisterThread(std::uint32_t threadId) {
  Threads& t = State();
  TLockGuard guard(t.lock);
  t.registered.erase(threadId);
}

std::u16string ThreadDescription(std::uint32_t threadId) {
  Threads& t = State();
  TLockGuard guard(t.lock);
  auto it = t.registered.find(threadId);
  if (it == t.registered.end()) return {};
  return WideFormat(u"%.8x [%s] \"%s\"", threadId, it->second.name, it->second.value);
}

void SetThreadExceptionEvent(TThreadExceptionEvent event) {
  Threads& t = State();
  TLockGuard guard(t.lock);
  t.event = event;
}

TThreadExceptionEvent ThreadExceptionEvent() {
  Threads& t = State();
  TLockGuard guard(t.lock);
  return t.event;
}

bool RunTrackedThread(const std::u16string& name, const std::u16string& value,
                      const std::function<void()>& body) {
  std::uint32_t id = CurrentThreadId();
  RegisterThread(id, name, value);
  bool ok = true;
  try {
    body();
  } catch (...) {
    ok = false;
    if (TThreadExceptionEvent event = ThreadExceptionEvent()) {
      try {
        event({id, std::current_exception()});
      } catch (...) {
        // The report of a dying thread must not take the process with it.
      }
    }
  }
  UnregisterThread(id);
  return ok;
}
