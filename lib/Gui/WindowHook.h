// TWindowHook: replaces the window procedure of one window (a system control's, such
// as an MDI client, or a toolkit control's) with a handler, which may pass messages on
// to the previous procedure. The previous procedure comes back when the hook is
// destroyed, or by itself when the window goes. Handlers run guarded, like every
// callback from Windows.
#pragma once

#include "Rtl/Win.h"

#include <functional>

class TComponent;

class TWindowHook {
 public:
  // Returns true when it handled the message (result in `result`); false passes it on.
  using Handler = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;

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
  WNDPROC previous_ = nullptr;
  Handler handler_;
  TComponent* sender_;
};
