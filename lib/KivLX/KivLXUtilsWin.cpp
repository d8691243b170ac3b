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
  SetDllDirectoryW(L"");
  // Where the system offers it, the default search list is stricter still: the
  // program's folder and the system folder, to which the Windows folder is added
  // back for libraries that live there. Looked up at run time: older systems lack it.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  using AddDirFn = void*(WINAPI*)(PCWSTR);
  auto setDefault = reinterpret_cast<SetDefaultFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  auto addDir = reinterpret_cast<AddDirFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "AddDllDirectory")));
  if (!setDefault || !addDir) return;
  if (setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) {
    std::u16string windows = GetWindowsFolder();
    if (!windows.empty()) addDir(WStr(windows));
  }
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
