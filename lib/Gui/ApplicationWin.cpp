#include "Gui/Application.h"

#include <objbase.h>

#include "Gui/Forms.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

TApplication& Application() {
  static TApplication app;
  return app;
}

TApplication::~TApplication() {
  if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() {
  if (comInitialized_) return;
  comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
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

void TApplication::FormCreated(TForm* form) {
  if (!mainForm_) mainForm_ = form;
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Run() {
  MSG msg;
  while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  terminated_ = true;
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
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
      Exception wrapped(e.what());
      if (OnException) {
        OnException(sender, wrapped);
      } else {
        ShowException(wrapped);
      }
    }
  } catch (...) {
    // A failing handler must not take the message loop down with it.
    MessageBoxW(nullptr, L"An exception occurred while reporting an exception.",
                WStr(Title()), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  }
}

void TApplication::ShowException(const Exception& e) {
  HWND owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
  std::u16string text = AnsiToWide(e.Message());
  MessageBoxW(owner, WStr(text), WStr(Title()), MB_OK | MB_ICONSTOP);
}
