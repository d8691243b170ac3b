#include "Gui/WindowHook.h"

#include "Gui/WindowedObject.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/PlatformGui.h"

namespace {
// The hook of a window is kept in a window property of this name.
const char kHookProperty[] = "KivWindowHook";

TWindowHook* HookOf(HWND hwnd) { return static_cast<TWindowHook*>(GetPropA(hwnd, kHookProperty)); }
}  // namespace

TWindowHook::TWindowHook(HWND window, Handler handler, TComponent* sender)
    : window_(window), handler_(std::move(handler)), sender_(sender) {
  if (!window_ || HookOf(window_)) {
    throw EInvalidOperation("A window can carry one hook only");
  }
  if (!SetPropA(window_, kHookProperty, this)) RaiseLastOSError();
  previous_ = reinterpret_cast<WNDPROC>(
      Platform::SetWindowLongPtr(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc)));
}

TWindowHook::~TWindowHook() { Detach(); }

void TWindowHook::Detach() {
  if (!window_) return;
  // Another hook set after this one keeps its place; ours then only stops handling.
  if (reinterpret_cast<WNDPROC>(Platform::GetWindowLongPtr(window_, GWLP_WNDPROC)) == &HookProc) {
    Platform::SetWindowLongPtr(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  }
  RemovePropA(window_, kHookProperty);
  window_ = nullptr;
  handler_ = nullptr;
}

LRESULT TWindowHook::CallPrevious(UINT msg, WPARAM wp, LPARAM lp) {
  if (!window_ || !previous_) return 0;
  return Platform::CallWindowProc(previous_, window_, msg, wp, lp);
}

LRESULT CALLBACK TWindowHook::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWindowHook* hook = HookOf(hwnd);
  if (!hook) return Platform::DefWindowProc(hwnd, msg, wp, lp);
  WNDPROC previous = hook->previous_;
  if (msg == WM_NCDESTROY) {
    // The window goes: give it its own procedure back first.
    hook->Detach();
    return Platform::CallWindowProc(previous, hwnd, msg, wp, lp);
  }
  LRESULT result = 0;
  bool handled = false;
  if (hook->handler_) {
    CallGuarded(hook->sender_, [&] { handled = hook->handler_(msg, wp, lp, result); });
  }
  return handled ? result : Platform::CallWindowProc(previous, hwnd, msg, wp, lp);
}
