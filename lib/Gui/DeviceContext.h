// Owners for drawing state borrowed from the system: a window's device context, which
// goes back to the window it came from, and an object selected into a device context,
// which gives its place back to the object it displaced.
#pragma once

#include "Rtl/Win.h"

#include <utility>

// A device context taken with GetDC (the client area; the screen for a null window)
// or GetWindowDC (the whole window), released to the same window on every exit path.
// get() is null when the system gave none.
class WindowDC {
 public:
  static WindowDC Client(HWND window) { return WindowDC(window, GetDC(window)); }
  static WindowDC Whole(HWND window) { return WindowDC(window, GetWindowDC(window)); }

  WindowDC(WindowDC&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&&) = delete;
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}

  HWND window_;
  HDC dc_;
};

// Selects `object` into `dc` for its own lifetime; the object it displaced is selected
// back at the end, so the caller may then delete `object`.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
