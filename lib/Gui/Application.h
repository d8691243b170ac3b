// TApplication: the toolkit's application object. It owns the GUI thread's message
// loop, the application title, the main form and the application-wide handling of
// exceptions that escape event handlers.
#pragma once

#include <functional>
#include <string>

#include "Gui/Component.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Win.h"

class TForm;

class TApplication : public TComponent {
 public:
  // Receives every exception that escapes an event handler (the silent abort
  // excepted). Unset, the exception is shown in a plain message box.
  using ExceptionEvent = std::function<void(TComponent* sender, Exception& e)>;

  TApplication() : TComponent(nullptr) {}
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  // Initialises COM for the GUI thread (single-threaded apartment).
  void Initialize();
  // The set title, or by default the program file's name up to its first full stop,
  // every character after the first in lower case.
  std::u16string Title() const;
  void SetTitle(std::u16string title) { title_ = std::move(title); }

  TForm* MainForm() const { return mainForm_; }
  // The first form created becomes the main form; closing it ends the program.
  void FormCreated(TForm* form);
  void FormDestroyed(TForm* form);

  // Runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Processes the messages waiting in the queue, then returns.
  void ProcessMessages();

  // Called inside a catch block: hands the current exception to OnException or shows
  // it. Never throws.
  void HandleException(TComponent* sender);
  void ShowException(const Exception& e);
  ExceptionEvent OnException;

  // What the program returns to its caller when it ends.
  int ExitCode() const { return exitCode_; }
  void SetExitCode(int code) { exitCode_ = code; }

 private:
  std::u16string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool comInitialized_ = false;
  int exitCode_ = 0;
};

// The one application object of the process.
TApplication& Application();

// Runs an event handler inside the toolkit's exception handling: every callback from
// Windows into the toolkit goes through here, so no C++ exception unwinds through the
// system.
template <typename F>
void GuardedCall(TComponent* sender, F&& f) noexcept {
  try {
    f();
  } catch (...) {
    Application().HandleException(sender);
  }
}
