#include "Debug/TrackedThreads.h"

#include <memory>

#include "Rtl/Exceptions.h"

std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

namespace {

struct Start {
  std::u16string name, value;
  std::function<void()> body;
};

DWORD WINAPI ThreadMain(void* arg) {
  std::unique_ptr<Start> start(static_cast<Start*>(arg));
  return RunTrackedThread(start->name, start->value, start->body) ? 0 : 1;
}

}  // namespace

UniqueHandle<KernelTraits> StartTrackedThread(const std::u16string& name,
                                              const std::u16string& value,
                                              std::function<void()> body) {
  auto start = std::make_unique<Start>(Start{name, value, std::move(body)});
  DWORD id = 0;
  UniqueHandle<KernelTraits> thread(
      KIV_THROW_LAST_ERROR_IF_NULL(CreateThread(nullptr, 0, &ThreadMain, start.get(), 0, &id)));
  (void)start.release();  // the thread owns it now
  return thread;
}
