#include "Debug/TrackedThreads.h"

#include <functional>
#include <thread>

// The host has no thread identifiers of the system's kind: a stable number per thread.
std::uint32_t CurrentThreadId() {
  return static_cast<std::uint32_t>(std::hash<std::thread::id>()(std::this_thread::get_id()));
}
