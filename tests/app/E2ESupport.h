// What the end-to-end tests share: where the installer under test lies, and the
// installer run as a child process whose windows the test can find and read.
#pragma once

#include "Rtl/Win.h"

#include <string>

#include "Rtl/Handles.h"

// The installer under test: this build's own.
std::u16string InstallerPath();

// The installer (or a copy of it at `program`) as a child process, started from
// `startDir`.
class Installer {
 public:
  explicit Installer(const std::u16string& startDir);
  Installer();
  Installer(const std::u16string& program, const std::u16string& startDir);

  // The exit code, or a failure when it does not end in time.
  DWORD Wait(DWORD ms = 60000);
  // A visible top-level window of the installer with the given class, waited for.
  HWND FindWindowOfClass(const wchar_t* cls, DWORD ms = 30000) const;

 private:
  KernelHandle process_;
  DWORD pid_ = 0;
};

std::u16string WindowText(HWND h);
