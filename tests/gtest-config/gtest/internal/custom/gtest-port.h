// GoogleTest's hook for local configuration, used by the Windows test builds only.
//
// The win32 thread model has no std::mutex or std::condition_variable, which
// GoogleTest's one-shot start signal for threads is built on; this one is a Windows
// event instead. GoogleTest's own locks already use Windows critical sections.
#ifndef PLINTH_GTEST_CUSTOM_PORT_H_
#define PLINTH_GTEST_CUSTOM_PORT_H_

#ifdef _WIN32
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif

#endif  // PLINTH_GTEST_CUSTOM_PORT_H_
