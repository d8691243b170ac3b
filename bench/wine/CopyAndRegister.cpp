// The floor for an install: copy the seven files to where the installer puts them and
// register the server, with nothing else around it.
//
//   bench_copyreg SOURCE_DIR BINN_DIR SYSTEM_DIR
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  std::wstring src = argv[1], binn = argv[2], sys = argv[3];
  std::wstring res = binn + L"Resources\\1033\\";
  CreateDirectoryW(binn.c_str(), nullptr);
  CreateDirectoryW((binn + L"Resources").c_str(), nullptr);
  CreateDirectoryW(res.c_str(), nullptr);
  const wchar_t* toBinn[] = {L"SQLDMO.dll", L"sqlresld.DLL", L"sqlsvc.DLL", L"w95scm.DLL"};
  const wchar_t* toRes[] = {L"sqlsvc.RLL", L"SQLDMO.RLL"};
  for (const wchar_t* f : toBinn) {
    if (!CopyFileW((src + f).c_str(), (binn + f).c_str(), FALSE)) return 1;
  }
  for (const wchar_t* f : toRes) {
    if (!CopyFileW((src + f).c_str(), (res + f).c_str(), FALSE)) return 1;
  }
  CopyFileW((src + L"sqlunirl.dll").c_str(), (sys + L"sqlunirl.dll").c_str(), FALSE);
  HMODULE server = LoadLibraryW((binn + L"SQLDMO.dll").c_str());
  if (!server) return 1;
  auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(server, "DllRegisterServer")));
  HRESULT hr = reg ? reg() : E_FAIL;
  FreeLibrary(server);
  return SUCCEEDED(hr) ? 0 : 1;
}
