// TWindowedObject: the one window pattern of the toolkit. Every window of the toolkit
// (forms, controls, MDI windows, the timer's and the application's utility windows)
// belongs to one such object and is served by one static window procedure, which
// attaches the object at WM_NCCREATE and detaches it at WM_NCDESTROY, dispatches each
// message to the object's WndProc, and never lets a C++ exception or a hardware fault
// unwind through the system: both go to the application's exception handling, and the
// window lives on.
//
// Window classes are registered once per process. A class can be based on a system
// control's class (superclassing): its windows then start with our procedure, and
// DefaultHandler passes what the object does not handle to the system control.
#pragma once

#include "Rtl/Win.h"

#include <cstdint>
#include <string>
#include <type_traits>

#include "Win/Handles.h"

class TComponent;

// What the window is created with; objects adjust it before their window is made.
struct TCreateParams {
  std::u16string className;  // the toolkit's class name for the window
  std::u16string baseClass;  // a system class to superclass, or empty
  UINT classStyle = CS_DBLCLKS;
  HBRUSH background = nullptr;
  std::u16string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  int width = CW_USEDEFAULT;
  int height = CW_USEDEFAULT;
  HWND parent = nullptr;
  HMENU menu = nullptr;  // a child's id, or a top-level window's menu
};

class TWindowedObject {
 public:
  TWindowedObject() = default;
  virtual ~TWindowedObject();
  TWindowedObject(const TWindowedObject&) = delete;
  TWindowedObject& operator=(const TWindowedObject&) = delete;

  HWND WindowHandle() const { return hwnd_.get(); }
  bool HandleAllocated() const { return hwnd_.valid(); }
  // Sends a message to the object's window procedure, as the system would.
  LRESULT Perform(UINT msg, WPARAM wp, LPARAM lp) { return WndProc(msg, wp, lp); }

  // The object a window of the toolkit belongs to; null for any other window.
  static TWindowedObject* FromHandle(HWND hwnd);

 protected:
  // Registers the class if needed and creates the window; raises the operating-system
  // error when either fails.
  void CreateWindowFor(const TCreateParams& params);
  // Destroys the window (its children with it); WM_NCDESTROY detaches the object.
  void DestroyWindowHandle();

  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) { return DefaultHandler(msg, wp, lp); }
  // What the window does by itself: the system control's procedure for superclassed
  // classes, DefWindowProc otherwise. MDI frames and children override it.
  virtual LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);
  // The window is gone (after WM_NCDESTROY).
  virtual void WindowDestroyed() {}
  // Who is named as the sender when a handler of this window raises.
  virtual TComponent* ExceptionSender() { return nullptr; }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static TWindowedObject* FromCreateStruct(LPARAM lp);
  static std::intptr_t DispatchGuarded(void* context);

  // Set at WM_NCCREATE, given up at WM_NCDESTROY (the system has destroyed it then).
  ::WindowHandle hwnd_;
  WNDPROC defaultProc_ = nullptr;
};

// Runs `f` the way the window procedure runs handlers: a C++ exception or a hardware
// fault inside it goes to the application's exception handling instead of unwinding
// into the caller (a callback from Windows). Returns false when `f` did not finish.
bool CallGuarded(TComponent* sender, void (*f)(void*), void* context) noexcept;
template <typename F>
bool CallGuarded(TComponent* sender, F&& f) noexcept {
  return CallGuarded(
      sender, [](void* c) { (*static_cast<std::remove_reference_t<F>*>(c))(); }, &f);
}
