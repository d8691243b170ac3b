#include "Gui/WindowHook.h"

#include <memory>

#include "Gui/PlatformGui.h"
#include "Gui/WindowedObject.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"

// Our place in a window's chain of procedures: the procedure below ours, and the hook
// handling messages there (none while the place only passes them on). It lives as
// long as the hook procedure is in the chain.
struct TWindowHookLink {
  WNDPROC previous = nullptr;
  TWindowHook* hook = nullptr;
};

namespace {
// The link of a window is kept in a window property of this name.
const char kLinkProperty[] = "KivWindowHook";

TWindowHookLink* LinkOf(HWND hwnd) {
  return static_cast<TWindowHookLink*>(GetPropA(hwnd, kLinkProperty));
}

bool OnTop(HWND hwnd, WNDPROC proc) {
  return reinterpret_cast<WNDPROC>(Platform::GetWindowLongPtr(hwnd, GWLP_WNDPROC)) == proc;
}

void Forget(HWND hwnd, TWindowHookLink* link) {
  RemovePropA(hwnd, kLinkProperty);
  delete link;
}

// Takes our procedure out of the chain (it must be on top) and forgets the link.
void Unlink(HWND hwnd, TWindowHookLink* link) {
  Platform::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link->previous));
  Forget(hwnd, link);
}
}  // namespace

TWindowHook::TWindowHook(HWND window, Handler handler, TComponent* sender)
    : window_(window), handler_(std::move(handler)), sender_(sender) {
  TWindowHookLink* link = window_ ? LinkOf(window_) : nullptr;
  if (!window_ || (link && link->hook)) {
    throw EInvalidOperation("A window can carry one hook only");
  }
  if (link) {
    // A former hook's place, still in the chain: this hook takes it over.
    link->hook = this;
    link_ = link;
    return;
  }
  auto fresh = std::make_unique<TWindowHookLink>();
  KIV_THROW_IF_WIN32_FALSE(SetPropA(window_, kLinkProperty, fresh.get()));
  fresh->hook = this;
  fresh->previous = reinterpret_cast<WNDPROC>(
      Platform::SetWindowLongPtr(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc)));
  link_ = fresh.release();
}

TWindowHook::~TWindowHook() { Detach(); }

void TWindowHook::Detach() {
  if (!window_) return;
  if (link_->hook == this) {
    link_->hook = nullptr;
    if (OnTop(window_, &HookProc)) Unlink(window_, link_);
  }
  window_ = nullptr;
  link_ = nullptr;
  handler_ = nullptr;
}

LRESULT TWindowHook::CallPrevious(UINT msg, WPARAM wp, LPARAM lp) {
  if (!window_ || !link_->previous) return 0;
  return Platform::CallWindowProc(link_->previous, window_, msg, wp, lp);
}

LRESULT CALLBACK TWindowHook::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWindowHookLink* link = LinkOf(hwnd);
  if (!link) return Platform::DefWindowProc(hwnd, msg, wp, lp);
  WNDPROC previous = link->previous;
  if (msg == WM_NCDESTROY) {
    // The window goes: its own procedure gets the last message.
    if (link->hook) link->hook->Detach();
    if (LinkOf(hwnd) == link) Forget(hwnd, link);
    return Platform::CallWindowProc(previous, hwnd, msg, wp, lp);
  }
  TWindowHook* hook = link->hook;
  if (!hook) {
    // A place left by a gone hook: leave the chain once nothing sits above it.
    if (OnTop(hwnd, &HookProc)) Unlink(hwnd, link);
    return Platform::CallWindowProc(previous, hwnd, msg, wp, lp);
  }
  LRESULT result = 0;
  bool handled = false;
  if (hook->handler_) {
    CallGuarded(hook->sender_, [&] { handled = hook->handler_(msg, wp, lp, result); });
  }
  return handled ? result : Platform::CallWindowProc(previous, hwnd, msg, wp, lp);
}
