// TApplication: the toolkit's application object. It owns the GUI thread's message
// loop (with its pre-translation: key preview, dialog keys, MDI accelerators), the
// application window (the hidden window that carries the program's own task-bar
// button and owns the forms), the title, the main form, and the application-wide
// handling of exceptions that escape event handlers.
#pragma once

#include "Rtl/Win.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Gui/Component.h"
#include "Gui/WindowedObject.h"
#include "Rtl/Exceptions.h"

class TForm;

// A hidden window of the toolkit that is no control: the timer's, the application's.
class TUtilityWindow : public TWindowedObject {
 public:
  // Returns true when it handled the message (result in `result`).
  using Handler = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;

  explicit TUtilityWindow(Handler handler, TComponent* sender = nullptr,
                          const std::u16string& caption = u"", DWORD style = WS_POPUP);
  ~TUtilityWindow() override;
  HWND Handle() const { return WindowHandle(); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  TComponent* ExceptionSender() override { return sender_; }

 private:
  Handler handler_;
  TComponent* sender_;
};

class TApplication : public TComponent {
  KIV_CLASS_INFO()

 public:
  // Receives every exception that escapes an event handler (the silent abort
  // excepted). Unset, the exception is shown in a plain message box.
  using ExceptionEvent = std::function<void(TComponent* sender, Exception& e)>;
  // Sees every message before it is dispatched; true means handled.
  using MessageEvent = std::function<bool(MSG& msg)>;

  TApplication() : TComponent(nullptr) {}
  ~TApplication() override;

  // Initialises COM for the GUI thread (single-threaded apartment) and the common
  // controls, and makes the application window.
  void Initialize();
  // The application window, made on first use.
  HWND Handle();
  // The set title, or by default the program file's name up to its first full stop,
  // every character after the first in lower case.
  std::u16string Title() const;
  void SetTitle(std::u16string title);

  TForm* MainForm() const { return mainForm_; }
  // Creates a form of class T owned by the application and stores it in `ref`; the
  // first form made this way becomes the main form, whose closing ends the program.
  template <typename T>
  void CreateForm(T*& ref);
  void FormCreated(TForm* form) {}
  void FormDestroyed(TForm* form);

  // Shows the main form and runs the message loop until Terminate, then runs the
  // exit procedures, last added first.
  void Run();
  void AddExitProc(std::function<void()> proc) { exitProcs_.push_back(std::move(proc)); }
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Takes back a terminate request the message loop has not ended on yet.
  void CancelTerminate();
  // Waits for one message and handles it; the quit message ends the loop (Terminated).
  void HandleMessage();
  // Handles the messages waiting in the queue, then returns.
  void ProcessMessages();
  // True while the application is the active one (it has the active window).
  bool Active() const { return active_; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }

  // Called inside a catch block: hands the current exception to OnException or shows
  // it. Never throws.
  void HandleException(TComponent* sender);
  void ShowException(const Exception& e);
  ExceptionEvent OnException;
  MessageEvent OnMessage;

  // What the program returns to its caller when it ends.
  int ExitCode() const { return exitCode_; }
  void SetExitCode(int code) { exitCode_ = code; }

 private:
  // Handles one waiting message; false when none waits.
  bool ProcessMessage(MSG& msg);
  // Passes a message other than the quit message to OnMessage, the key and MDI
  // handling, then to its window.
  void DispatchOne(MSG& msg);
  bool IsKeyMessage(MSG& msg);
  bool IsMdiMessage(MSG& msg);
  bool AppWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  std::u16string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool comInitialized_ = false;
  bool active_ = false;
  bool showHint_ = true;
  int exitCode_ = 0;
  std::unique_ptr<TUtilityWindow> window_;
  std::vector<std::function<void()>> exitProcs_;
};

// The one application object of the process.
TApplication& Application();

#include "Gui/Forms.h"

template <typename T>
void TApplication::CreateForm(T*& ref) {
  T* form = TForm::Create<T>(this);
  ref = form;
  if (!mainForm_) mainForm_ = form;
}
