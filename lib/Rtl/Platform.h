// The system calls that exist in a wide and an 8-bit form, behind one wrapper each.
//
// On the 9x platform the 8-bit form is called, with text converted through the
// system code page both ways; elsewhere the wide form. Each wrapper returns what the
// system call returns and leaves GetLastError() as the call left it.
#pragma once

#include "Rtl/Win.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// True on the Windows 9x family (Windows 95, 98, Me), and wherever the environment
// variable PLINTH_FORCE_9X is "1" (a test run of the 8-bit branch).
bool IsWin9x();

// Files and directories.
DWORD GetFileAttributes(const std::u16string& name);
BOOL SetFileAttributes(const std::u16string& name, DWORD attributes);
BOOL DeleteFile(const std::u16string& name);
// Fails when the target exists.
BOOL MoveFile(const std::u16string& from, const std::u16string& to);
// With MOVEFILE_REPLACE_EXISTING, puts the file in the target's place in one step. The
// 9x family exports the call but does not carry it out (it fails).
BOOL MoveFileEx(const std::u16string& from, const std::u16string& to, DWORD flags);
BOOL CreateDirectory(const std::u16string& name);
BOOL RemoveDirectory(const std::u16string& name);
BOOL SetCurrentDirectory(const std::u16string& name);
std::u16string GetCurrentDirectory();
// The full path of a file name (relative ones against the current folder); the name
// unchanged when the call fails.
std::u16string FullPathName(const std::u16string& name);
HANDLE CreateFile(const std::u16string& name, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags);
// Windows and system directories, asked with a buffer of MAX_PATH characters (a
// bigger one when the answer is longer) and cut at the first NUL; empty when the call
// fails.
std::u16string GetWindowsDirectory();
std::u16string GetSystemDirectory();
std::u16string GetTempPath();
// The short (8.3) form of an existing file's path; empty when the call fails.
std::u16string GetShortPathName(const std::u16string& name);
// Creates an empty file with a new name "<prefix>XXXX.tmp" in `dir` and returns its
// path; empty when the call fails.
std::u16string GetTempFileName(const std::u16string& dir, const std::u16string& prefix);

// A find-first search entry, in wide text whatever form was called.
struct FindData {
  DWORD attributes = 0;
  FILETIME lastWriteTime{};
  std::uint64_t size = 0;
  std::u16string name;
};
// INVALID_HANDLE_VALUE when nothing is found.
HANDLE FindFirstFile(const std::u16string& pattern, FindData& data);
BOOL FindNextFile(HANDLE find, FindData& data);

// Modules and resources.
// The running program's module. (The wide GetModuleHandleW is a failing stub on 9x.)
HMODULE ProgramModule();
// A function of `module` by name, as the pointer type `Fn`; null if it has none. (The
// detour through a plain function pointer keeps the compiler from warning about a
// cast between function types, which is what a run-time lookup is.)
template <typename Fn>
Fn ModuleFunction(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
// A function of a loaded system library that older systems lack, looked up at run
// time: null where the system has none, and the caller takes its fallback.
template <typename Fn>
Fn FindSystemFunction(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  return module ? ModuleFunction<Fn>(module, name) : nullptr;
}
HMODULE LoadLibrary(const std::u16string& name);
HMODULE LoadLibraryEx(const std::u16string& name, DWORD flags);
// A module already loaded in the process, without taking a reference; null if none.
HMODULE GetModuleHandle(const std::u16string& name);
// The module's file name, whole however long, or empty with GetLastError() set when
// the call fails.
std::u16string GetModuleFileName(HMODULE module);
// Names and types are strings or MAKEINTRESOURCE values (pass a null text pointer and
// the numeric id).
HRSRC FindResource(HMODULE module, const std::u16string& name, const std::u16string& type);
HRSRC FindResource(HMODULE module, const std::u16string& name, WORD type);

// Resource enumeration. A type or name comes as an integer id or as a name, in wide
// text whatever form was called (the 8-bit enumeration on 9x, its names converted).
struct ResourceId {
  WORD id = 0;          // when `name` is empty
  std::u16string name;  // the name of a named type or resource
};
// Identifiers in the calls below are the system's: MAKEINTRESOURCE values or names.
// Each answers false, with GetLastError() set, when the system's call fails.
bool EnumResourceTypes(HMODULE module, std::vector<ResourceId>& types);
bool EnumResourceNames(HMODULE module, const wchar_t* type, std::vector<ResourceId>& names);
bool EnumResourceLanguages(HMODULE module, const wchar_t* type, const wchar_t* name,
                           std::vector<WORD>& languages);
// The resource of exactly that type, name and language.
HRSRC FindResourceEx(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language);

// Version information.
DWORD GetFileVersionInfoSize(const std::u16string& name);
BOOL GetFileVersionInfo(const std::u16string& name, DWORD size, void* buffer);
// Queries a value; for string values `text` receives the value as wide text, cut to
// the length the system returned (in characters) and to the end of the block of
// `blockSize` bytes. Returns false when the query fails.
bool VerQueryValueRaw(const void* block, const std::u16string& subBlock, const void*& data,
                      UINT& length);
bool VerQueryValueString(const void* block, std::size_t blockSize, const std::u16string& subBlock,
                         std::u16string& text);

// Registry.
LONG RegOpenKeyEx(HKEY root, const std::u16string& subKey, REGSAM access, HKEY& result);
LONG RegCreateKeyEx(HKEY root, const std::u16string& subKey, REGSAM access, HKEY& result);
// Raw value query; string data comes in the encoding of the form that was called
// (UTF-16 on NT, the system code page on 9x).
LONG RegQueryValueEx(HKEY key, const std::u16string& name, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetStringValue(HKEY key, const std::u16string& name, DWORD type,
                       const std::u16string& value);
LONG RegSetDwordValue(HKEY key, const std::u16string& name, DWORD value);
LONG RegDeleteValue(HKEY key, const std::u16string& name);
LONG RegDeleteKey(HKEY key, const std::u16string& subKey);

// Text.
// Locale-aware comparison: CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN (a failed
// call compares as equal).
int CompareString(LCID locale, DWORD flags, std::u16string_view a, std::u16string_view b);
std::u16string CharUpper(std::u16string s);
std::u16string CharLower(std::u16string s);

// The system's text for an error code, or empty when it has none.
std::u16string FormatMessageText(DWORD code);

// The system's version. `extended` tells whether the product type, suite mask and
// service-pack numbers were given (NT 4.0 SP6 and later).
struct VersionInfo {
  DWORD platformId = 0;
  DWORD major = 0, minor = 0, build = 0;
  std::u16string csd;  // the service-pack text
  bool extended = false;
  WORD servicePackMajor = 0, servicePackMinor = 0;
  WORD suiteMask = 0;
  BYTE productType = 0;
};
bool GetVersionEx(VersionInfo& info);

// Locales.
// The ids of the locales the system reports for `flags` (LCID_SUPPORTED or
// LCID_INSTALLED), in the system's order; empty when the call fails.
std::vector<LCID> EnumSystemLocales(DWORD flags);
// A date or a time in the locale's form (flags as GetDateFormat / GetTimeFormat
// take them); empty when the call fails.
std::u16string GetDateFormat(LCID locale, DWORD flags, const SYSTEMTIME& time);
std::u16string GetTimeFormat(LCID locale, DWORD flags, const SYSTEMTIME& time);
// One item of locale information; empty when the call fails.
std::u16string GetLocaleInfo(LCID locale, LCTYPE type);

// System names, paths and disks.
// The computer's name (asked with a buffer of 16 characters) and the logged-on user's
// (255), cut at the first NUL; empty when the call fails.
std::u16string GetComputerName();
std::u16string GetUserName();
// The absolute form of a path (a buffer of MAX_PATH characters); empty when the call
// fails.
std::u16string GetFullPathName(const std::u16string& name);
BOOL GetDiskFreeSpace(const std::u16string& root, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                      DWORD& freeClusters, DWORD& totalClusters);
// The CT_CTYPE1 bits (C1_SPACE, C1_BLANK, ...) of one character; 0 when the system
// gives none. The 8-bit branch knows only characters of one byte in the code page.
WORD GetCharType(char16_t c);

// A text the system wrote into a fixed buffer, cut at its first NUL: for the wrappers of
// this layer and of the ones above it.
template <typename CharT>
std::basic_string<CharT> CutAtNul(std::basic_string<CharT> s) {
  auto nul = s.find(CharT(0));
  if (nul != std::basic_string<CharT>::npos) s.resize(nul);
  return s;
}

}  // namespace Platform
