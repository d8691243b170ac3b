// What the end-to-end tests share: where the installer under test lies, the installer
// run as a child process whose windows the test can find and read, and what an
// install leaves on the machine.
#pragma once

#include "Rtl/Win.h"

#include <string>
#include <vector>

#include "KivLX/KivLXVerUtils.h"
#include "Win/Handles.h"

// The installer under test: this build's own.
std::u16string InstallerPath();

// How the installer is started.
struct InstallerStart {
  std::u16string program = InstallerPath();
  std::u16string startDir;          // empty: the test program's folder
  std::u16string arguments;         // after the program's name, as a command line has them
  HANDLE standardOutput = nullptr;  // inherited as the installer's standard output
};

// The installer (or a copy of it at `program`) as a child process, started from
// `startDir`.
class Installer {
 public:
  explicit Installer(const std::u16string& startDir);
  Installer();
  Installer(const std::u16string& program, const std::u16string& startDir);
  explicit Installer(const InstallerStart& start);

  // The exit code, or a failure when it does not end in time. With `pumpMessages`
  // this thread's messages are handled meanwhile (window-creation events come so).
  DWORD Wait(DWORD ms = 60000, bool pumpMessages = false);
  // A visible top-level window of the installer with the given class, waited for.
  HWND FindWindowOfClass(const wchar_t* cls, DWORD ms = 30000) const;
  DWORD ProcessId() const { return pid_; }
  DWORD MainThreadId() const { return tid_; }
  // The tick count at which Wait saw it end; 0 before.
  DWORD EndTick() const { return endTick_; }

 private:
  KernelHandle process_;
  DWORD pid_ = 0;
  DWORD tid_ = 0;
  DWORD endTick_ = 0;
};

std::u16string WindowText(HWND h);

// Every window that any process creates while this object lives, hidden and
// short-lived ones included (the system's window-creation events), apart from
// message-only windows, which can never be shown. Make it before the process it
// watches starts.
class WindowCreations {
 public:
  WindowCreations();
  ~WindowCreations();
  WindowCreations(const WindowCreations&) = delete;
  WindowCreations& operator=(const WindowCreations&) = delete;

  // The class names of the windows the installer created, once the events that are
  // on their way have come in.
  std::vector<std::u16string> Of(const Installer& installer);
};

// The exit code of a run with `arguments` that nobody watches; fails the test when
// it shows any window or does not end in time.
DWORD RunWithoutWindows(const std::u16string& arguments);
DWORD RunWithoutWindows(const InstallerStart& start);

// The lines of the installer's log without their time stamps, each checked to have
// one (or to be a further line of an event); the file is checked to start with one
// byte-order mark.
std::vector<std::u16string> RunLogEvents(const std::u16string& file);
// Lines for a failure message, one a line.
std::string LinesText(const std::vector<std::u16string>& lines);

// ---- what an install leaves ----

extern const std::u16string kDefaultBinn;
std::u16string SystemDir();
// The server registered for a ProgID, as the installer's kind of program sees it.
std::u16string ServerPath(const std::u16string& progId);
TVersionNumber InstalledSqlDmoVersion();
// The six files in `binn` at their versions and letter cases, "sqlunirl.dll" in the
// system folder, and the server registered from `binn`.
void ExpectInstalledIn(const std::u16string& binn);
