#include "Gui/WindowedObject.h"

#include <map>

#include "Gui/Application.h"
#include "Gui/PlatformGui.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Win/SehGuard.h"

namespace {

// The classes this process registered, by class atom: the system procedure of a
// superclassed class, or null for the toolkit's own. Windows get their messages on
// the GUI thread only, so the table needs no lock.
std::map<ATOM, WNDPROC>& RegisteredClasses() {
  static std::map<ATOM, WNDPROC> classes;
  return classes;
}
std::map<std::u16string, ATOM>& ClassAtoms() {
  static std::map<std::u16string, ATOM> atoms;
  return atoms;
}

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

ATOM EnsureClass(const TCreateParams& p, WNDPROC proc, WNDPROC& baseProc) {
  auto it = ClassAtoms().find(p.className);
  if (it != ClassAtoms().end()) {
    baseProc = RegisteredClasses()[it->second];
    return it->second;
  }
  Platform::WindowClass wc;
  baseProc = nullptr;
  if (!p.baseClass.empty()) {
    KIV_THROW_IF_WIN32_FALSE(Platform::GetClassInfo(nullptr, p.baseClass, wc));
    baseProc = wc.proc;
  } else {
    wc.style = p.classStyle;
    wc.cursor = Platform::LoadSystemCursor(32512);  // IDC_ARROW
    wc.background = p.background;
  }
  wc.name = p.className;
  wc.proc = proc;
  wc.instance = ModuleInstance();
  // A superclass keeps the system class's style, extra bytes, cursor and brush.
  ATOM atom = KIV_THROW_IF_WIN32_FALSE(Platform::RegisterClass(wc));
  ClassAtoms()[p.className] = atom;
  RegisteredClasses()[atom] = baseProc;
  return atom;
}

WNDPROC BaseProcOf(HWND hwnd) {
  ATOM atom = Platform::GetClassAtom(hwnd);
  auto it = RegisteredClasses().find(atom);
  return it == RegisteredClasses().end() ? nullptr : it->second;
}

struct Dispatch {
  TWindowedObject* object;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  LRESULT result;
  TComponent* sender;
};

}  // namespace

TWindowedObject::~TWindowedObject() { DestroyWindowHandle(); }

TWindowedObject* TWindowedObject::FromHandle(HWND hwnd) {
  if (!hwnd || RegisteredClasses().empty()) return nullptr;
  ATOM atom = Platform::GetClassAtom(hwnd);
  if (RegisteredClasses().find(atom) == RegisteredClasses().end()) return nullptr;
  return reinterpret_cast<TWindowedObject*>(Platform::GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

TWindowedObject* TWindowedObject::FromCreateStruct(LPARAM lp) {
  // The 8-bit and wide structures share their layout up to the texts.
  auto cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
  if (!cs || !cs->lpCreateParams) return nullptr;
  // An MDI child gets its creation data inside the MDI creation structure.
  if (cs->dwExStyle & WS_EX_MDICHILD) {
    auto mdi = static_cast<const MDICREATESTRUCTW*>(cs->lpCreateParams);
    return reinterpret_cast<TWindowedObject*>(mdi->lParam);
  }
  return static_cast<TWindowedObject*>(cs->lpCreateParams);
}

void TWindowedObject::CreateWindowFor(const TCreateParams& p) {
  WNDPROC baseProc = nullptr;
  EnsureClass(p, &StaticWndProc, baseProc);
  defaultProc_ = baseProc;
  HWND hwnd = Platform::CreateWindowEx(p.exStyle, p.className, p.caption, p.style, p.x, p.y,
                                       p.width, p.height, p.parent, p.menu, ModuleInstance(), this);
  if (!hwnd) {
    DWORD error = GetLastError();
    (void)hwnd_.release();
    KIV_THROW_WIN32(error, "CreateWindowEx");
  }
}

void TWindowedObject::DestroyWindowHandle() { hwnd_.reset(); }

LRESULT TWindowedObject::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  HWND h = hwnd_.get();
  if (!h) return 0;
  if (defaultProc_) return Platform::CallWindowProc(defaultProc_, h, msg, wp, lp);
  return Platform::DefWindowProc(h, msg, wp, lp);
}

std::intptr_t TWindowedObject::DispatchGuarded(void* context) {
  auto d = static_cast<Dispatch*>(context);
  try {
    d->result = d->object->WndProc(d->msg, d->wp, d->lp);
  } catch (...) {
    Application().HandleException(d->sender);
  }
  return 0;
}

LRESULT CALLBACK TWindowedObject::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWindowedObject* object = nullptr;
  if (msg == WM_NCCREATE) {
    object = FromCreateStruct(lp);
    if (object) {
      object->hwnd_.reset(hwnd);
      Platform::SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    }
  } else {
    object = reinterpret_cast<TWindowedObject*>(Platform::GetWindowLongPtr(hwnd, GWLP_USERDATA));
  }
  if (!object) {
    WNDPROC base = BaseProcOf(hwnd);
    return base ? Platform::CallWindowProc(base, hwnd, msg, wp, lp)
                : Platform::DefWindowProc(hwnd, msg, wp, lp);
  }
  Dispatch d{object, msg, wp, lp, 0, nullptr};
  d.sender = object->ExceptionSender();
  try {
    CallWithSehGuard(&DispatchGuarded, &d);
  } catch (...) {
    // A hardware fault in a handler, raised again here as an exception.
    Application().HandleException(d.sender);
  }
  if (msg == WM_NCDESTROY) {
    Platform::SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    if (object->hwnd_.get() == hwnd) {
      (void)object->hwnd_.release();
      object->WindowDestroyed();
    }
  }
  return d.result;
}

namespace {
struct GuardedRun {
  void (*f)(void*);
  void* context;
  TComponent* sender;
  bool finished;
};

std::intptr_t RunGuarded(void* p) {
  auto g = static_cast<GuardedRun*>(p);
  try {
    g->f(g->context);
    g->finished = true;
  } catch (...) {
    Application().HandleException(g->sender);
  }
  return 0;
}
}  // namespace

bool CallGuarded(TComponent* sender, void (*f)(void*), void* context) noexcept {
  GuardedRun g{f, context, sender, false};
  try {
    CallWithSehGuard(&RunGuarded, &g);
  } catch (...) {
    Application().HandleException(sender);
  }
  return g.finished;
}
