// Stand-in for SQLDMO.dll, the COM server the installer deploys when the build is
// not given the genuine redistributable files. Its self-registration entry points
// really write and remove the registration that the installer and its probes read:
// the ProgIDs "SQLDMO.Application" and "SQLDMO.Application.8.0" and the class's
// InprocServer32 = this library's full path.
//
// The entry points are exported by plain name (SqlDmoStandIn.def), as COM expects,
// also in the 32-bit build where the compiler would decorate them.
//
// Like the genuine server it imports its companion sqlresld.DLL (the stand-in of
// SqlResLdStandIn.cpp), so it loads only where that library is found: beside it.
//
// When the environment variable PLINTH_STANDIN_LOG names a file, each entry point
// appends one line "<entry point> <library path>" to it, so tests can see which
// copy was called.
#include <olectl.h>
#include <windows.h>

#include <string>
#include <vector>

extern "C" __declspec(dllimport) unsigned StandInResourceLanguage();

namespace {

HMODULE self = nullptr;
constexpr const wchar_t* kClsid = L"{5D1E5A10-3C2B-4E0F-9A51-7B2D0C4E8F01}";

std::wstring ModulePath() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  return std::wstring(path, n);
}

void Log(const wchar_t* entry) {
  wchar_t file[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"PLINTH_STANDIN_LOG", file, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  HANDLE h = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::wstring line = std::wstring(entry) + L" " + ModulePath() + L"\r\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(h);
}

bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

// Deletes a key with everything below it. (RegDeleteTreeW would do, but only from
// Vista on, and the stand-in must load wherever the program does.)
void DeleteTree(HKEY root, const std::wstring& key) {
  HKEY h;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    std::vector<std::wstring> children;
    wchar_t name[256];
    DWORD length = 256;
    for (DWORD i = 0;
         RegEnumKeyExW(h, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256) {
      children.emplace_back(name, length);
    }
    RegCloseKey(h);
    for (const std::wstring& child : children) DeleteTree(root, key + L"\\" + child);
  }
  RegDeleteKeyW(root, key.c_str());
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  Log(L"DllRegisterServer");
  if (StandInResourceLanguage() != 1033) return E_UNEXPECTED;
  std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsid;
  bool ok = SetValue(L"SQLDMO.Application", nullptr, L"SQLDMO Application") &&
            SetValue(L"SQLDMO.Application\\CLSID", nullptr, kClsid) &&
            SetValue(L"SQLDMO.Application\\CurVer", nullptr, L"SQLDMO.Application.8.0") &&
            SetValue(L"SQLDMO.Application.8.0", nullptr, L"SQLDMO Application") &&
            SetValue(L"SQLDMO.Application.8.0\\CLSID", nullptr, kClsid) &&
            SetValue(clsidKey, nullptr, L"SQLDMO Application") &&
            SetValue(clsidKey + L"\\ProgID", nullptr, L"SQLDMO.Application.8.0") &&
            SetValue(clsidKey + L"\\VersionIndependentProgID", nullptr, L"SQLDMO.Application") &&
            SetValue(clsidKey + L"\\InprocServer32", nullptr, ModulePath()) &&
            SetValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  Log(L"DllUnregisterServer");
  if (StandInResourceLanguage() != 1033) return E_UNEXPECTED;
  DeleteTree(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kClsid);
  DeleteTree(HKEY_CLASSES_ROOT, L"SQLDMO.Application.8.0");
  DeleteTree(HKEY_CLASSES_ROOT, L"SQLDMO.Application");
  return S_OK;
}
