#include "Gui/Timer.h"

#include "Gui/Application.h"
#include "FormFiles/FormBinary.h"
#include "Gui/FormStreaming.h"
#include "Rtl/Exceptions.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr const wchar_t* kClassName = L"TPUtilWindow";
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) RaiseLastOSError();
  }
  // A message-only window: the timer needs a queue to post to, nothing visible.
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                            nullptr);
  if (!window_) RaiseLastOSError();
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Update();
}

TTimer::~TTimer() {
  if (running_) KillTimer(window_, kTimerId);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

bool TTimer::ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) {
  if (name == "Interval") {
    std::int64_t ms = reader.ReadInteger();
    if (ms < 0 || ms > 0x7FFFFFFF) RaisePropertyError(*this, name, "Invalid property value");
    SetInterval(static_cast<unsigned>(ms));
  } else if (name == "Enabled") {
    SetEnabled(reader.ReadBoolean());
  } else if (name == "OnTimer") {
    std::string method = reader.ReadIdent();
    OnTimer = root.FindMethod(method);
    if (!OnTimer) RaisePropertyError(*this, name, "Method " + method + " not found");
  } else {
    return TComponent::ReadProperty(name, reader, root);
  }
  return true;
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(unsigned ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  Update();
}

void TTimer::Update() {
  if (running_) {
    KillTimer(window_, kTimerId);
    running_ = false;
  }
  if (enabled_ && interval_ > 0) {
    if (!SetTimer(window_, kTimerId, interval_, nullptr)) RaiseLastOSError();
    running_ = true;
  }
}

LRESULT CALLBACK TTimer::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    auto timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (timer && timer->enabled_ && timer->OnTimer) {
      GuardedCall(timer, [timer] { timer->OnTimer(timer); });
    }
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}
