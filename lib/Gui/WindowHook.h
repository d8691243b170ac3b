// TWindowHook: replaces the window procedure of one window (a system control's, such
// as an MDI client, or a toolkit control's) with a handler, which may pass messages on
// to the previous procedure. Handlers run guarded, like every callback from Windows.
//
// When the hook goes, the previous procedure comes back. Another procedure set on the
// window after the hook (another subclass on top) would lose its place if the window
// procedure were simply set back, so then the hook's procedure stays in the chain and
// only passes messages on, until it is on top again or the window goes; a later hook
// of the same window takes that place over.
#pragma once

#include "Rtl/Win.h"

#include <functional>

class TComponent;
struct TWindowHookLink;

class TWindowHook {
 public:
  // Returns true when it handled the message (result in `result`); false passes it on.
  using Handler = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;

  // Raises EInvalidOperation "A window can carry one hook only" when the window has a
  // live hook already.
  TWindowHook(HWND window, Handler handler, TComponent* sender = nullptr);
  ~TWindowHook();
  TWindowHook(const TWindowHook&) = delete;
  TWindowHook& operator=(const TWindowHook&) = delete;

  HWND Window() const { return window_; }
  // False once the window is gone.
  bool Attached() const { return window_ != nullptr; }
  LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Detach();

  HWND window_;
  TWindowHookLink* link_ = nullptr;
  Handler handler_;
  TComponent* sender_;
};
