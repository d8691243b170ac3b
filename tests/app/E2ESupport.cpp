#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

const std::u16string kDefaultBinn = u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\";

std::u16string InstallerPath() {
  std::u16string relative = TestExeDir() + u"..\\..\\bin\\Plinth2000.exe";
  wchar_t full[MAX_PATH];
  DWORD n = GetFullPathNameW(WStr(relative), MAX_PATH, full, nullptr);
  return FromWStr(full, n);
}

Installer::Installer() : Installer(InstallerPath(), TestExeDir()) {}

Installer::Installer(const std::u16string& startDir) : Installer(InstallerPath(), startDir) {}

Installer::Installer(const std::u16string& program, const std::u16string& startDir)
    : Installer(InstallerStart{program, startDir, u"", nullptr}) {}

Installer::Installer(const InstallerStart& start) {
  std::u16string cmd = u"\"" + start.program + u"\"";
  if (!start.arguments.empty()) cmd += u" " + start.arguments;
  std::u16string startDir = start.startDir.empty() ? TestExeDir() : start.startDir;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (start.standardOutput) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = start.standardOutput;
  }
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(WStr(start.program), WStr(cmd), nullptr, nullptr,
                      start.standardOutput != nullptr, 0, nullptr, WStr(startDir), &si, &pi)) {
    ADD_FAILURE() << "cannot start the installer: " << SysErrorMessage(GetLastError());
    return;
  }
  process_.reset(pi.hProcess);
  CloseHandle(pi.hThread);
  pid_ = pi.dwProcessId;
  tid_ = pi.dwThreadId;
}

DWORD Installer::Wait(DWORD ms, bool pumpMessages) {
  if (!process_) return 0xFFFFFFFF;
  HANDLE process = process_.get();
  DWORD start = GetTickCount();
  DWORD waited = WAIT_TIMEOUT;
  for (DWORD elapsed = 0; elapsed <= ms; elapsed = GetTickCount() - start) {
    waited =
        MsgWaitForMultipleObjects(1, &process, FALSE, ms - elapsed, pumpMessages ? QS_ALLINPUT : 0);
    if (waited != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  if (waited != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the installer did not end in time";
    TerminateProcess(process_.get(), 999);
    WaitForSingleObject(process_.get(), 5000);
    return 0xFFFFFFFF;
  }
  endTick_ = GetTickCount();
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

// ---- window creations ----

namespace {

struct Creation {
  bool messageOnly = false;
  DWORD time = 0;
  DWORD thread = 0;
  DWORD pid = 0;  // 0 when the window was gone before its event came in
  std::u16string className;
};
std::vector<Creation>* creations = nullptr;
HWINEVENTHOOK creationHook = nullptr;

void CALLBACK OnCreation(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG, DWORD thread,
                         DWORD time) {
  if (object != OBJID_WINDOW || !h || !creations) return;
  Creation c;
  c.time = time;
  c.thread = thread;
  GetWindowThreadProcessId(h, &c.pid);
  wchar_t name[128];
  int n = GetClassNameW(h, name, 128);
  c.className = n > 0 ? FromWStr(name, n) : u"(a window gone already)";
  // A message-only window (COM's for its single-threaded apartment, say) has no
  // place on any screen.
  n = GetClassNameW(GetAncestor(h, GA_PARENT), name, 128);
  c.messageOnly = n > 0 && FromWStr(name, n) == u"Message";
  creations->push_back(std::move(c));
}

// The events come in as messages of this thread.
void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  } while (GetTickCount() - start < ms);
}

}  // namespace

WindowCreations::WindowCreations() {
  creations = new std::vector<Creation>;
  creationHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &OnCreation, 0,
                                 0, WINEVENT_OUTOFCONTEXT);
  EXPECT_NE(creationHook, nullptr) << "window creations cannot be watched";
}

WindowCreations::~WindowCreations() {
  if (creationHook) UnhookWinEvent(creationHook);
  creationHook = nullptr;
  delete creations;
  creations = nullptr;
}

std::vector<std::u16string> WindowCreations::Of(const Installer& installer) {
  PumpFor(500);
  std::vector<std::u16string> classes;
  for (const Creation& c : *creations) {
    // Process and thread ids come back for others once the installer has ended.
    bool before = !installer.EndTick() || static_cast<LONG>(installer.EndTick() - c.time) >= 0;
    if (!c.messageOnly && before &&
        (c.pid == installer.ProcessId() || c.thread == installer.MainThreadId())) {
      classes.push_back(c.className);
    }
  }
  return classes;
}

DWORD RunWithoutWindows(const InstallerStart& start) {
  WindowCreations windows;
  Installer installer(start);
  DWORD code = installer.Wait(60000, true);
  std::vector<std::u16string> seen = windows.Of(installer);
  std::string names;
  for (const std::u16string& c : seen) names += " " + WideToAnsi(c);
  EXPECT_TRUE(seen.empty()) << "windows of the run:" << names;
  return code;
}

DWORD RunWithoutWindows(const std::u16string& arguments) {
  InstallerStart start;
  start.arguments = arguments;
  return RunWithoutWindows(start);
}

// ---- the installer's log ----

namespace {
// "2024-03-07 09:05:01  " before each event's text; its further lines are indented.
constexpr std::size_t kStampLength = 21;
}  // namespace

std::vector<std::u16string> RunLogEvents(const std::u16string& file) {
  std::vector<std::u16string> events;
  if (!FileExists(file)) {
    ADD_FAILURE() << "no log at " << WideToAnsi(file);
    return events;
  }
  std::vector<std::uint8_t> bytes = ReadFileBytes(file);
  std::string text(bytes.begin(), bytes.end());
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(text.rfind(bom, 0), 0u) << "the log starts without a byte-order mark";
  EXPECT_EQ(text.find(bom, 1), std::string::npos) << "a second byte-order mark";
  for (std::u16string& line : SplitLines(Utf8ToWide(text.substr(bom.size())))) {
    if (line.empty()) continue;
    bool stamped = line.size() >= kStampLength && line[4] == u'-' && line[7] == u'-' &&
                   line[10] == u' ' && line[13] == u':' && line[16] == u':';
    bool further = line.size() > kStampLength && Trim(line.substr(0, kStampLength)).empty();
    EXPECT_TRUE(stamped || further) << "not a line of the log: " << WideToUtf8(line);
    events.push_back(line.substr(std::min(line.size(), kStampLength)));
  }
  return events;
}

std::string LinesText(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const auto& l : lines) out += WideToUtf8(l) + "\n";
  return out;
}

// ---- what an install leaves ----

namespace {

struct PayloadRow {
  const char16_t* name;
  bool inResources;
  TVersionNumber version;
};
const PayloadRow kPayload[] = {
    {u"SQLDMO.dll", false, MakeVersion(2000, 80, 760, 0)},
    {u"sqlresld.DLL", false, MakeVersion(2000, 80, 382, 0)},
    {u"sqlsvc.DLL", false, MakeVersion(2000, 80, 760, 0)},
    {u"w95scm.DLL", false, MakeVersion(2000, 80, 760, 0)},
    {u"sqlsvc.RLL", true, MakeVersion(2000, 80, 194, 0)},
    {u"SQLDMO.RLL", true, MakeVersion(2000, 80, 760, 0)},
};

std::u16string ReadDefault(HKEY root, const std::u16string& key) {
  HKEY h;
  if (RegOpenKeyExW(root, WStr(key), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return u"";
  }
  wchar_t buf[MAX_PATH];
  DWORD size = sizeof buf;
  DWORD type = 0;
  LONG rc = RegQueryValueExW(h, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return u"";
  return FromWStr(buf, size / sizeof(wchar_t)).c_str();
}

}  // namespace

std::u16string SystemDir() { return IncludeTrailingSlash(GetSystemFolder()); }

std::u16string ServerPath(const std::u16string& progId) {
  std::u16string clsid = ReadDefault(HKEY_CLASSES_ROOT, progId + u"\\CLSID");
  if (clsid.empty()) return u"";
  return ReadDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + clsid + u"\\InprocServer32");
}

TVersionNumber InstalledSqlDmoVersion() {
  std::u16string server = ServerPath(u"SQLDMO.Application.8.0");
  if (server.empty()) server = ServerPath(u"SQLDMO.Application");
  return server.empty() ? 0 : GetFileVersion(server);
}

void ExpectInstalledIn(const std::u16string& binn) {
  for (const PayloadRow& row : kPayload) {
    std::u16string file = binn + (row.inResources ? u"Resources\\1033\\" : u"") + row.name;
    ASSERT_TRUE(FileExists(file)) << WideToAnsi(file);
    EXPECT_EQ(FormatVersion(vfFull, GetFileVersion(file)), FormatVersion(vfFull, row.version))
        << WideToAnsi(file);
    // Written with the letter case of the table.
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(WStr(file), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_EQ(FromWStr(data.cFileName), row.name);
  }
  EXPECT_TRUE(FileExists(SystemDir() + u"sqlunirl.dll"));
  EXPECT_TRUE(WideSameText(ServerPath(u"SQLDMO.Application"), binn + u"SQLDMO.dll"));
  EXPECT_TRUE(WideSameText(ServerPath(u"SQLDMO.Application.8.0"), binn + u"SQLDMO.dll"));
  EXPECT_EQ(InstalledSqlDmoVersion(), MakeVersion(2000, 80, 760, 0));
}
