#include "E2ESupport.h"

#include <gtest/gtest.h>

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "WinTestSupport.h"

std::u16string InstallerPath() {
  std::u16string relative = TestExeDir() + u"..\\..\\bin\\Plinth2000.exe";
  wchar_t full[MAX_PATH];
  DWORD n = GetFullPathNameW(WStr(relative), MAX_PATH, full, nullptr);
  return FromWStr(full, n);
}

Installer::Installer() : Installer(InstallerPath(), TestExeDir()) {}

Installer::Installer(const std::u16string& startDir) : Installer(InstallerPath(), startDir) {}

Installer::Installer(const std::u16string& program, const std::u16string& startDir) {
  std::u16string cmd = u"\"" + program + u"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(WStr(program), WStr(cmd), nullptr, nullptr, FALSE, 0, nullptr, WStr(startDir),
                      &si, &pi)) {
    ADD_FAILURE() << "cannot start the installer: " << SysErrorMessage(GetLastError());
    return;
  }
  process_.reset(pi.hProcess);
  CloseHandle(pi.hThread);
  pid_ = pi.dwProcessId;
}

DWORD Installer::Wait(DWORD ms) {
  if (!process_) return 0xFFFFFFFF;
  if (WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the installer did not end in time";
    TerminateProcess(process_.get(), 999);
    WaitForSingleObject(process_.get(), 5000);
    return 0xFFFFFFFF;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

HWND Installer::FindWindowOfClass(const wchar_t* cls, DWORD ms) const {
  struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
  } s{pid_, cls, nullptr};
  for (DWORD waited = 0; waited < ms; waited += 50) {
    EnumWindows(
        [](HWND h, LPARAM p) CALLBACK -> BOOL {
          auto s = reinterpret_cast<Search*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(h, &pid);
          wchar_t name[64];
          if (pid == s->pid && GetClassNameW(h, name, 64) && wcscmp(name, s->cls) == 0 &&
              IsWindowVisible(h)) {
            s->found = h;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(50);
  }
  return nullptr;
}

std::u16string WindowText(HWND h) {
  wchar_t buf[2048];
  int n = GetWindowTextW(h, buf, 2048);
  return FromWStr(buf, n > 0 ? n : 0);
}
