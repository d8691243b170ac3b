// TCriticalSection: the runtime's one lock, re-entrant for the thread that holds it.
// A critical section on Windows (present on every Windows the program is for); the
// host build stands in with a recursive mutex. Product code takes no other lock.
#pragma once

class TCriticalSection {
 public:
  TCriticalSection();
  ~TCriticalSection();
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Enter();
  void Leave();

 private:
  void* impl_;
};

// Holds a critical section for the lifetime of the guard.
class TLockGuard {
 public:
  explicit TLockGuard(TCriticalSection& lock) : lock_(lock) { lock_.Enter(); }
  ~TLockGuard() { lock_.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TCriticalSection& lock_;
};
