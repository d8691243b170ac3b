// Worker threads the facility knows: their registered descriptions, and the event
// that receives an exception that ends one of them.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

// Registers a thread under a name and a value (what it works on, say); a second
// registration replaces the first.
void RegisterThread(std::uint32_t threadId, const std::u16string& name,
                    const std::u16string& value);
void UnregisterThread(std::uint32_t threadId);
// "%.8x [%s] \"%s\"" with the identifier, name and value; empty for a thread that was
// never registered.
std::u16string ThreadDescription(std::uint32_t threadId);

// An exception that ended a tracked worker thread.
struct TThreadException {
  std::uint32_t threadId = 0;
  std::exception_ptr exception;
};
using TThreadExceptionEvent = void (*)(const TThreadException& e);
// The event is called on the worker thread itself, while the thread is still
// registered. Null (the default) lets the exception end the thread unreported.
void SetThreadExceptionEvent(TThreadExceptionEvent event);
TThreadExceptionEvent ThreadExceptionEvent();

// Runs a worker thread's body as a tracked thread: registered under `name` and
// `value` while it runs, and an exception that escapes the body goes to the event.
// Returns false when the body ended by an exception.
bool RunTrackedThread(const std::u16string& name, const std::u16string& value,
                      const std::function<void()>& body);

#ifdef _WIN32
#include "Win/Handles.h"
// Starts a worker thread that runs `body` as a tracked thread. Raises EOSError when
// the thread cannot be created.
UniqueHandle<KernelTraits> StartTrackedThread(const std::u16string& name,
                                              const std::u16string& value,
                                              std::function<void()> body);
#endif
