#include "KivLX/KivLXUtils.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "Gui/Application.h"
#include "Gui/Graphics.h"
#include "Gui/PlatformGui.h"
#include "Gui/Screen.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"

bool FileExists(const std::u16string& name) {
  Platform::FindData data;
  FindHandle find(Platform::FindFirstFile(name, data));
  if (!find) return false;
  if (data.attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  FILETIME local;
  WORD dosDate;
  WORD dosTime;
  SYSTEMTIME st;
  // Not every system refuses years past the DOS range in the conversion, so the
  // range is checked here as well.
  return FileTimeToLocalFileTime(&data.lastWriteTime, &local) &&
         FileTimeToSystemTime(&local, &st) && st.wYear >= 1980 && st.wYear <= 2107 &&
         FileTimeToDosDateTime(&local, &dosDate, &dosTime);
}

bool DirectoryExists(const std::u16string& name) {
  DWORD attributes = Platform::GetFileAttributes(name);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::u16string& dir) {
  if (dir.empty()) throw EKivGeneralError("Unable to create directory");
  std::u16string path = ExcludeTrailingSlash(dir);
  if (path.size() < 3 || DirectoryExists(path)) return true;
  std::u16string parent = ExtractFilePath(path);
  if (parent == path) return true;
  return ForceDirectories(parent) && Platform::CreateDirectory(path);
}

void ForceDirectoriesOrRaise(const std::u16string& dir) {
  if (!ForceDirectories(dir)) {
    throw EKivGeneralError(Format(LoadAnsiResString(KivLXUtils_SFileCouldntCreate), dir));
  }
}

bool SetCurrentDir(const std::u16string& dir) { return Platform::SetCurrentDirectory(dir); }

std::u16string GetWindowsFolder() { return Platform::GetWindowsDirectory(); }

std::u16string GetSystemFolder() { return Platform::GetSystemDirectory(); }

void AssertFileExists(const std::u16string& name) {
  AssertTrue(FileExists(name), "Internal Error: File does not exist: " + WideToAnsi(name));
}

void ForceDeleteFile(const std::u16string& name) {
  if (Platform::DeleteFile(name)) return;
  if (FileExists(name) || DirectoryExists(name)) {
    DWORD attributes = Platform::GetFileAttributes(name);
    KIV_THROW_LAST_ERROR_IF(attributes == INVALID_FILE_ATTRIBUTES);
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      KIV_THROW_IF_WIN32_FALSE(
          Platform::SetFileAttributes(name, attributes & ~FILE_ATTRIBUTE_READONLY));
    }
  }
  KIV_THROW_IF_WIN32_FALSE(Platform::DeleteFile(name));
}

void DeleteFileIfExists(const std::u16string& name) {
  if (FileExists(name)) ForceDeleteFile(name);
}

std::u16string GetModuleFileName(HMODULE module) {
  return KIV_THROW_LAST_ERROR_IF_EMPTY(Platform::GetModuleFileName(module));
}

std::u16string FindModulePath(const std::u16string& name) {
  ModuleHandle module(Platform::LoadLibraryEx(name, DONT_RESOLVE_DLL_REFERENCES));
  if (!module) return {};
  return GetModuleFileName(module.get());
}

void HardenDllSearchPath() {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  using AddDirFn = void*(WINAPI*)(PCWSTR);
  // All three are looked up at run time: the oldest systems have none of them.
  auto setDllDirectory =
      Platform::FindSystemFunction<SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryW");
  if (!setDllDirectory || !setDllDirectory(L"")) {
    // Before XP SP1 the search cannot leave out the current folder, so the current
    // folder becomes one nobody can plant in.
    std::u16string system = GetSystemFolder();
    if (!system.empty()) SetCurrentDir(system);
    return;
  }
  // Where the system offers it, the default search list is stricter still: the
  // program's folder and the system folder, to which the Windows folder is added
  // back for libraries that live there.
  auto setDefault =
      Platform::FindSystemFunction<SetDefaultFn>("kernel32.dll", "SetDefaultDllDirectories");
  auto addDir = Platform::FindSystemFunction<AddDirFn>("kernel32.dll", "AddDllDirectory");
  if (!setDefault || !addDir) return;
  if (setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) {
    std::u16string windows = GetWindowsFolder();
    if (!windows.empty()) addDir(WStr(windows));
  }
}

HMODULE LoadLibraryBesideItsCompanions(const std::u16string& fileName) {
  // With the safe search flags (Windows 8, or 7 with its update) the library's own
  // folder joins the hardened default list; elsewhere the older flag puts that folder
  // first in the standard search. Either way the current folder plays no part.
  DWORD flags =
      Platform::FindSystemFunction<void*(WINAPI*)(PCWSTR)>("kernel32.dll", "AddDllDirectory")
          ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
          : LOAD_WITH_ALTERED_SEARCH_PATH;
  return Platform::LoadLibraryEx(fileName, flags);
}

std::uint64_t ClockSeed() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) ^
         (static_cast<std::uint64_t>(GetCurrentProcessId()) << 20) ^ GetTickCount();
}

bool IsBlankChar(char16_t c) { return Platform::GetCharType(c) & (C1_SPACE | C1_BLANK); }

// ---- temporary folders and files ----

namespace {
// Created by the unit's start-up, freed by its shut-down.
std::unique_ptr<TKivStringList> folderList;
std::unique_ptr<TKivStringList> fileList;

// Taken by a file or folder of any kind (whatever its time stamp).
bool PathTaken(const std::u16string& path) {
  return Platform::GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

std::u16string HexOfLowWord(int n) { return WideFormat(u"%x", static_cast<unsigned>(n) & 0xFFFFu); }
}  // namespace

TKivStringList* GarbageCollectedFolderList() { return folderList.get(); }
TKivStringList* GarbageCollectedFileList() { return fileList.get(); }

std::u16string GetTempFolder() { return Platform::GetTempPath(); }

std::u16string NewTempFolder() {
  // Asked first: a folder made after the unit's end would never be removed.
  AssertListAssigned(folderList.get(), "GarbageCollectedFolderList");
  std::u16string path;
  do {
    path = IncludeTrailingSlash(GetTempFolder() + u"Temp" + IntToWide(RandomNumber()));
  } while (PathTaken(ExcludeTrailingSlash(path)));
  ForceDirectoriesOrRaise(path);
  folderList->Add(path);
  return path;
}

std::u16string NewTempFileName(const std::u16string& suffix, const std::u16string& folder,
                               const std::u16string& prefix) {
  std::u16string dir = folder == kWideGetTempPath ? GetTempFolder() : folder;
  dir = IncludeTrailingSlash(dir);
  ForceDirectoriesOrRaise(dir);
  std::u16string path;
  do {
    path = dir + prefix + u"-" + HexOfLowWord(RandomNumber()) + suffix;
  } while (PathTaken(path));
  return path;
}

std::u16string NewTempFile(const std::u16string& suffix) {
  AssertListAssigned(fileList.get(), "GarbageCollectedFileList");
  std::u16string path = NewTempFileName(suffix, kWideGetTempPath, u"tmp");
  fileList->Add(path);
  return path;
}

void RemoveTempFolder(const std::u16string& path) {
  try {
    if (DirectoryExists(path)) {
      ShellDelete(path, FOF_NOCONFIRMATION | FOF_NOERRORUI);
    }
    AssertListAssigned(folderList.get(), "GarbageCollectedFolderList");
    int i = folderList->IndexOf(path);
    if (i >= 0) folderList->Delete(i);
  } catch (...) {
    // Clean-up never fails; a folder that stayed is tried again at shut-down.
  }
}

void CollectTempFolders() {
  if (!folderList) return;
  for (int i = folderList->Count() - 1; i >= 0; --i) {
    if (i < folderList->Count()) RemoveTempFolder(folderList->Get(i));
  }
  folderList->Clear();
}

void CollectTempFiles() {
  if (!fileList) return;
  for (int i = 0; i < fileList->Count(); ++i) {
    // Whatever the file's time stamp or attributes; a file still in use stays.
    const std::u16string& name = fileList->Get(i);
    DWORD attributes = Platform::GetFileAttributes(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      Platform::SetFileAttributes(name, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    Platform::DeleteFile(name);
  }
  fileList->Clear();
}

// ---- shell services ----

void ShellFileOperation(HWND window, UINT operation, const std::u16string& from,
                        const std::u16string& to, FILEOP_FLAGS flags, const std::u16string& title) {
  bool aborted = false;
  int result = Platform::SHFileOperation(window, operation, from, to, flags, title, aborted);
  if (result != 0 || aborted) throw EAbort();
}

void ShellDelete(const std::u16string& path, FILEOP_FLAGS flags) {
  // The shell takes a folder by its name, not with a trailing backslash.
  ShellFileOperation(Application().Handle(), FO_DELETE, ExcludeTrailingSlash(path), u"", flags,
                     u"");
}

void ShellExecuteChecked(HWND window, const std::u16string& verb, const std::u16string& file,
                         int show, const std::u16string& parameters,
                         const std::u16string& directory) {
  HINSTANCE result = Platform::ShellExecute(window, verb, file, parameters, directory, show);
  CheckShellResult(reinterpret_cast<std::intptr_t>(result), verb, file);
}

void ShellOpen(const std::u16string& file, const std::u16string& parameters,
               const std::u16string& directory, int show) {
  ShellExecuteChecked(Application().Handle(), u"open", file, show, parameters, directory);
}

// ---- the running program ----

std::u16string GetProgramPath() { return GetModuleFileName(GetModuleHandleW(nullptr)); }

std::u16string GetProgramFolder() { return ExtractFilePath(GetProgramPath()); }

std::u16string GetLongNameOf(const std::u16string& path) {
  // A wildcard would let the search name some other entry.
  if (ExtractFileName(path).find_first_of(u"*?") != std::u16string::npos) return path;
  Platform::FindData data;
  FindHandle find(Platform::FindFirstFile(path, data));
  return find ? data.name : path;
}

namespace {

// The length of the part of an absolute path that no component can shorten: "C:\"
// or "\\server\share\".
std::size_t RootLength(const std::u16string& path) {
  std::u16string drive = ExtractFileDrive(path);
  return drive.size() < path.size() && path[drive.size()] == u'\\' ? drive.size() + 1
                                                                   : drive.size();
}

std::u16string LongPathOfAbsolute(const std::u16string& path) {
  std::size_t root = RootLength(path);
  if (path.size() <= root) return path;
  std::size_t slash = path.rfind(u'\\');
  if (slash == std::u16string::npos) return GetLongNameOf(path);
  std::u16string name = GetLongNameOf(path);
  // Not found: the component as written, not the whole path again.
  if (name == path) name = path.substr(slash + 1);
  std::u16string parent = path.substr(0, std::max(slash, root));
  return IncludeTrailingSlash(LongPathOfAbsolute(parent)) + name;
}

}  // namespace

std::u16string GetLongPathText(const std::u16string& path) {
  if (path.empty()) return {};
  std::u16string full = Platform::GetFullPathName(path);
  if (full.empty()) full = path;
  // A folder given with its trailing backslash keeps it.
  if (full.size() > RootLength(full) && full.back() == u'\\') {
    return IncludeTrailingSlash(LongPathOfAbsolute(ExcludeTrailingSlash(full)));
  }
  return LongPathOfAbsolute(full);
}

// ---- the Office version table ----

namespace {
// The program file each application's install folder holds.
constexpr const char16_t* kOfficeExes[kOfficeAppCount] = {u"WINWORD.EXE", u"EXCEL.EXE",
                                                          u"OUTLOOK.EXE", u"MSACCESS.EXE"};
std::u16string officeVersions[kOfficeAppCount];
}  // namespace

std::u16string OfficeAppVersion(TOfficeApps app) { return officeVersions[app]; }

// ---- the screen-cursor stack ----

namespace {
// Created by the unit's start-up, freed by its shut-down.
std::unique_ptr<std::vector<int>> screenCursors;

std::vector<int>& ScreenCursors() {
  if (!screenCursors) throw EKivInternalError("Internal Error: ScreenCursorStack not assigned.");
  return *screenCursors;
}
}  // namespace

void PushScreenCursor(int cursor) {
  ScreenCursors().push_back(Screen().Cursor());
  Screen().SetCursor(cursor);
}

void PopScreenCursor() {
  std::vector<int>& stack = ScreenCursors();
  int cursor = crDefault;
  if (!stack.empty()) {
    cursor = stack.back();
    stack.pop_back();
  }
  Screen().SetCursor(cursor);
}

int ScreenCursorDepth() { return static_cast<int>(ScreenCursors().size()); }

void InitializeKivLXUtils() {
  screenCursors = std::make_unique<std::vector<int>>();
  folderList = std::make_unique<TKivStringList>();
  fileList = std::make_unique<TKivStringList>();
  for (int i = 0; i < kOfficeAppCount; ++i) {
    officeVersions[i] = GetOfficeAppVersion(OfficeAppName(TOfficeApps(i)), kOfficeExes[i]);
  }
}

void FinalizeKivLXUtils() {
  CollectTempFolders();
  CollectTempFiles();
  screenCursors.reset();
  folderList.reset();
  fileList.reset();
  for (std::u16string& v : officeVersions) v.clear();
}
