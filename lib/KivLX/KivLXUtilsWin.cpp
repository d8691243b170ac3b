#include "KivLX/KivLXUtils.h"

#include <memory>
#include <vector>

#include "Gui/Graphics.h"
#include "Gui/Screen.h"

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Handles.h"
#include "Rtl/Platform.h"

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
    if (attributes == INVALID_FILE_ATTRIBUTES) RaiseLastOSError();
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      if (!Platform::SetFileAttributes(name, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        RaiseLastOSError();
      }
    }
  }
  if (!Platform::DeleteFile(name)) RaiseLastOSError();
}

void DeleteFileIfExists(const std::u16string& name) {
  if (FileExists(name)) ForceDeleteFile(name);
}

std::u16string GetModuleFileName(HMODULE module) {
  std::u16string name = Platform::GetModuleFileName(module);
  if (name.empty()) RaiseLastOSError();
  return name;
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

void InitializeKivLXUtils() { screenCursors = std::make_unique<std::vector<int>>(); }

void FinalizeKivLXUtils() { screenCursors.reset(); }
