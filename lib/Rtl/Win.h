// The one way Windows headers enter the code: <windows.h>, minus the macros whose
// names the library's units use for their own functions, plus the casts between
// std::u16string and the system's wchar_t strings (both UTF-16 on Windows).
#pragma once

#ifndef _WIN32
#error "Rtl/Win.h is for the Windows build only"
#endif

#include <windows.h>

#include <string>
#include <string_view>

#undef GetModuleFileName
#undef GetModuleHandle
#undef FindResource
#undef FindResourceEx
#undef EnumResourceTypes
#undef EnumResourceNames
#undef EnumResourceLanguages
#undef BeginUpdateResource
#undef UpdateResource
#undef EndUpdateResource
#undef LoadString
#undef CompareString
#undef CharUpper
#undef CharLower
#undef GetFileAttributes
#undef SetFileAttributes
#undef CreateFile
#undef GetWindowsDirectory
#undef GetSystemDirectory
#undef FindFirstFile
#undef FindNextFile
#undef LoadLibraryEx
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegDeleteValue
#undef RegSetValueEx
#undef RegDeleteKey
#undef GetLocaleInfo
#undef GetDateFormat
#undef GetTimeFormat
#undef EnumSystemLocales
#undef GetObject
#undef DeleteFile
#undef CopyFile
#undef MoveFile
#undef MoveFileEx
#undef CreateDirectory
#undef RemoveDirectory
#undef GetClassName
#undef MessageBox
#undef LoadLibrary
#undef FormatMessage
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetTempPath
#undef GetTempFileName
#undef GetShortPathName
#undef GetUserName
#undef GetComputerName
#undef ShellExecute
#undef SHFileOperation
#undef GetFullPathName
#undef GetDiskFreeSpace
#undef GetVersionEx
#undef RegisterClass
#undef CreateWindow
#undef SendMessage
#undef PostMessage
#undef DrawText
#undef GetWindowText
#undef SetWindowText
#undef CreateWindowEx
#undef DefWindowProc
#undef CallWindowProc
#undef DefFrameProc
#undef DefMDIChildProc
#undef GetWindowLongPtr
#undef SetWindowLongPtr
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
#undef RegisterWindowMessage
#undef GetClassInfo
#undef AppendMenu
#undef TextOut
#undef CreateFont
#undef GetTextExtentPoint32
#undef EnumFontFamiliesEx
#undef GetEnvironmentVariable

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* WStr(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline wchar_t* WStr(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }
inline std::u16string FromWStr(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string FromWStr(const wchar_t* s, std::size_t n) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}
