#include "Gui/Application.h"

#include "Rtl/Win.h"
#include <commctrl.h>
#include <objbase.h>

#include "Gui/Forms.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Screen.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

const TClassInfo TApplication::kClassInfo{
    "TApplication", &TComponent::kClassInfo, nullptr, {}, {}, {}};

TApplication& Application() {
  static TApplication app;
  return app;
}

// ---- utility windows ----

TUtilityWindow::TUtilityWindow(Handler handler, TComponent* sender, const std::u16string& caption,
                               DWORD style)
    : handler_(std::move(handler)), sender_(sender) {
  TCreateParams p;
  p.className = u"KivUtilityWindow";
  p.caption = caption;
  // A hidden top-level window: the 9x family has no message-only windows.
  p.style = style;
  p.x = p.y = 0;
  p.width = p.height = 0;
  CreateWindowFor(p);
}

TUtilityWindow::~TUtilityWindow() {
  handler_ = nullptr;
  DestroyWindowHandle();
}

LRESULT TUtilityWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (handler_ && handler_(msg, wp, lp, result)) return result;
  return DefaultHandler(msg, wp, lp);
}

// ---- the application ----

TApplication::~TApplication() {
  window_.reset();
  if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() {
  if (!comInitialized_)
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // The status bar, tool bar and tooltip classes; every system has this entry.
  InitCommonControls();
  RegisterToolkitClasses();
  Handle();
}

HWND TApplication::Handle() {
  if (!window_) {
    window_ = std::make_unique<TUtilityWindow>(
        [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
          return AppWindowMessage(msg, wp, lp, result);
        },
        this, Title(), WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX);
  }
  return window_->Handle();
}

bool TApplication::AppWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_ACTIVATEAPP:
      active_ = wp != 0;
      return false;
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      return true;
    case WM_QUERYENDSESSION:
      result = TRUE;
      return true;
    default:
      return false;
  }
}

std::u16string TApplication::Title() const {
  if (!title_.empty()) return title_;
  std::u16string path = Platform::GetModuleFileName(nullptr);
  std::size_t slash = path.find_last_of(u"\\:");
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find(u'.'));
  if (name.size() > 1) name = name.substr(0, 1) + Platform::CharLower(name.substr(1));
  return name;
}

void TApplication::SetTitle(std::u16string title) {
  title_ = std::move(title);
  if (window_) Platform::SetWindowText(window_->Handle(), Title());
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Run() {
  if (mainForm_ && !mainForm_->Visible()) mainForm_->Show();
  while (!terminated_) HandleMessage();
  while (!exitProcs_.empty()) {
    std::function<void()> proc = std::move(exitProcs_.back());
    exitProcs_.pop_back();
    CallGuarded(this, proc);
  }
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::CancelTerminate() {
  MSG msg;
  while (Platform::PeekMessage(msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  terminated_ = false;
}

bool TApplication::IsKeyMessage(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR) {
    return false;
  }
  TWinControl* control = FindControl(msg.hwnd);
  // A window of a system control inside ours (a combo box's edit) speaks for it.
  for (HWND h = msg.hwnd; !control && h; h = GetParent(h)) control = FindControl(h);
  TForm* form = control ? GetParentForm(control) : nullptr;
  if (!form) return false;
  if (msg.message == WM_SYSCHAR) return form->DialogChar(CharFromMessage(msg.hwnd, msg.wParam));
  auto key = static_cast<WORD>(msg.wParam);
  TShiftState shift = KeyboardShiftState();
  if (form->KeyPreview() && form != control) {
    // The form sees the key first; a handler that zeroes it ends it there.
    if (form->DoKeyDown(key, shift)) return true;
  }
  // Menu shortcuts come before the focused control, as users expect; an MDI child's
  // keys reach its frame's menu too.
  if (form->IsShortCut(key, shift)) return true;
  if (form->FormStyle() == TFormStyle::fsMDIChild && mainForm_ && mainForm_ != form &&
      mainForm_->IsShortCut(key, shift)) {
    return true;
  }
  if (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE) {
    LRESULT code =
        Platform::SendMessage(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
    bool wanted =
        (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) || (key == VK_TAB && (code & DLGC_WANTTAB));
    if (!wanted && form->DialogKey(key, shift)) return true;
  }
  return false;
}

bool TApplication::IsMdiMessage(MSG& msg) {
  if (!mainForm_ || !mainForm_->ClientHandle()) return false;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  return TranslateMDISysAccel(mainForm_->ClientHandle(), &msg) != 0;
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!Platform::PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
  } else {
    DispatchOne(msg);
  }
  return true;
}

void TApplication::DispatchOne(MSG& msg) {
  bool handled = false;
  if (OnMessage) {
    CallGuarded(this, [&] { handled = OnMessage(msg); });
  }
  if (!handled) {
    CallGuarded(this, [&] { handled = IsKeyMessage(msg) || IsMdiMessage(msg); });
  }
  if (!handled) {
    TranslateMessage(&msg);
    Platform::DispatchMessage(msg);
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  // 0 is the quit message; -1, a failed call, must not spin the loop either.
  if (Platform::GetMessage(msg, nullptr, 0, 0) > 0) {
    DispatchOne(msg);
  } else {
    terminated_ = true;
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
    if (terminated_) break;
  }
}

void TApplication::HandleException(TComponent* sender) {
  try {
    try {
      throw;
    } catch (const EAbort&) {
      return;  // the silent abort is never reported
    } catch (Exception& e) {
      if (OnException) {
        OnException(sender, e);
      } else {
        ShowException(e);
      }
    } catch (const std::exception& e) {
      // The event takes the library's exceptions: this one keeps its real class name.
      EForeignException wrapped(ExceptionClassName(e), e.what());
      if (OnException) {
        OnException(sender, wrapped);
      } else {
        ShowException(wrapped);
      }
    } catch (...) {
      EForeignException unknown(CurrentExceptionClassName(),
                                "An exception of an unknown kind occurred");
      if (OnException) {
        OnException(sender, unknown);
      } else {
        ShowException(unknown);
      }
    }
  } catch (...) {
    // A failing handler must not take the message loop down with it.
    Platform::MessageBox(nullptr, u"An exception occurred while reporting an exception.", Title(),
                         MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  }
}

void TApplication::ShowException(const Exception& e) {
  std::u16string text = AnsiToWide(e.Message());
  if (!text.empty() && text.back() > u'.') text += u".";
  HWND owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->WindowHandle() : nullptr;
  Platform::MessageBox(owner, text, Title(), MB_OK | MB_ICONSTOP);
}
