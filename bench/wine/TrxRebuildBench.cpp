// Times the translation framework under Wine. Run by bench/wine/trx-bench.sh.
//
//   bench_trx_rebuild rebuild   the rebuild of a resource module of 20,000 resource
//                               strings and 200 forms made for another build (median of
//                               the rounds, in seconds)
//   bench_trx_rebuild startup   the start-up check, ChooseResourceModule and
//                               StartTranslation, with a current module against a start
//                               with none (each in a fresh process; medians, in ms)
#include "Rtl/Win.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

namespace {

constexpr int kStrings = 20000;
constexpr int kForms = 200;
constexpr int kLabelsPerForm = 10;
constexpr int kFirstStringId = 4096;
constexpr std::uint32_t kGerman = 0x0407;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string FormText(int n) {
  std::string props, objects;
  for (int i = 0; i < kLabelsPerForm; ++i) {
    props += Format("%s    'Label%d.Caption'", i ? "\r\n" : "", i);
    objects += Format(
        "  object Label%d: TKivLabel\r\n    Left = 8\r\n    Top = %d\r\n"
        "    Caption = 'Text %d of form %d'\r\n  end\r\n",
        i, 8 + 20 * i, i, n);
  }
  return Format(
      "object Form%d: TForm%d\r\n  Caption = 'Form number %d'\r\n"
      "  KivTranslatableProps.WideStrings = (\r\n    'Caption'\r\n%s)\r\n%send\r\n",
      n, n, n, props, objects);
}

// A program's resources as the build gives them: its string table with the map naming
// every string, its forms, and its build GUID.
void MakeProgram(const std::u16string& file) {
  WriteMinimalLibraryImage(file);
  TStringTableBlocks blocks;
  std::u16string map;
  for (int id = kFirstStringId; id < kFirstStringId + kStrings; ++id) {
    if (blocks.empty() || StringTableBlock(id) != StringTableBlock(StringIdOf(*blocks.back(), 0))) {
      blocks.push_back(std::make_unique<TKivStringList>());
    }
    blocks.back()->AddObject(WideFormat(u"Message %d: %s", id, u"the %s could not be read."),
                             reinterpret_cast<void*>(static_cast<std::intptr_t>(id)));
    map += WideFormat(u"%d=BenchUnit_SMessage%d\r\n", id, id);
  }
  TDfmForms forms;
  TDfmPropertyList flat;
  for (int n = 0; n < kForms; ++n) {
    forms.push_back(std::make_unique<TDfmForm>());
    forms.back()->Parse(FormText(n), &flat);
  }
  TResourceUpdate update(file, false);
  WriteStringTables(update.get(), blocks);
  SaveFormsToModule(update.get(), forms);
  SaveRcText(update.get(), u"KIV.DRC", map);
  SaveRcText(update.get(), u"KIV_TRX_GUID", u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}");
  update.Commit();
}

void SetGuid(const std::u16string& module, const std::u16string& guid) {
  TResourceUpdate update(module, false);
  SaveRcText(update.get(), u"KIV_TRX_GUID", guid);
  update.Commit();
}

// Every row translated, as a finished translation is.
void TranslateAll(const std::u16string& program, const std::u16string& module) {
  TKivTransTable table;
  table.LoadFromFile(program, module);
  table.BeginBatch();
  for (table.First(); !table.Eof(); table.Next()) {
    table.Edit();
    table.SetTranValue(u"DE " + table.TranValue());
    table.SetTranslated(true);
    table.Post();
  }
  table.EndBatch();
  table.SaveToFile(false);
}

std::u16string TempFolder() {
  wchar_t buf[MAX_PATH];
  GetTempPathW(MAX_PATH, buf);
  std::u16string dir = FromWStr(buf) + WideFormat(u"trx-bench-%d\\", GetCurrentProcessId());
  CreateDirectoryW(WStr(dir), nullptr);
  return dir;
}

int Rebuild() {
  const std::u16string dir = TempFolder();
  const std::u16string program = dir + u"BenchApp.exe";
  MakeProgram(program);
  const std::u16string module = CreateResourceModule(program, kGerman);
  TranslateAll(program, module);
  SetGuid(module, u"{F0E1D2C3-B4A5-4697-8879-6A5B4C3D2E1F}");
  const std::u16string aged = dir + u"aged.bin";
  CopyFileW(WStr(module), WStr(aged), FALSE);

  std::vector<double> rounds;
  for (int r = 0; r < 5; ++r) {
    CopyFileW(WStr(aged), WStr(module), FALSE);
    double t0 = Now();
    UpdateTranslationResource(program, module);
    rounds.push_back(Now() - t0);
  }
  std::printf("rebuild of %d strings and %d forms: %.3f s (median of %zu)\n", kStrings, kForms,
              Median(rounds), rounds.size());
  DeleteFileW(WStr(module));
  DeleteFileW(WStr(aged));
  DeleteFileW(WStr(program));
  RemoveDirectoryW(WStr(dir));
  return 0;
}

// ---- start-up ----

std::u16string SelfPath() { return Platform::GetModuleFileName(Platform::ProgramModule()); }

// One start in a fresh process: prints the milliseconds of the check.
int StartupChild() {
  double t0 = Now();
  ChooseResourceModule();
  StartTranslation();
  std::printf("%.3f\n", (Now() - t0) * 1e3);
  return 0;
}

double RunChild() {
  std::u16string cmd = u"\"" + SelfPath() + u"\" startup-child";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &sa, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, WStr(cmd), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    KIV_THROW_WIN32(GetLastError(), "CreateProcessW");
  }
  CloseHandle(write);
  std::string out;
  char buf[256];
  DWORD n = 0;
  while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(read);
  return std::atof(out.c_str());
}

void SetOverride(const wchar_t* abbreviation) {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kiv\\Locales", 0, nullptr, 0, KEY_WRITE, nullptr,
                  &key, nullptr);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(abbreviation),
                 static_cast<DWORD>((wcslen(abbreviation) + 1) * 2));
  RegCloseKey(key);
}

int Startup() {
  const std::u16string self = SelfPath();
  const std::u16string module = CreateResourceModule(self, kGerman);
  SetOverride(L"DEU");
  std::vector<double> current, none;
  for (int r = 0; r < 9; ++r) current.push_back(RunChild());
  DeleteFileW(WStr(module));
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kiv");
  for (int r = 0; r < 9; ++r) none.push_back(RunChild());
  std::printf(
      "start-up check with a current module: %.2f ms, with none: %.2f ms "
      "(medians of 9): %.2f ms more\n",
      Median(current), Median(none), Median(current) - Median(none));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::u16string mode = argc > 1 ? FromWStr(argv[1]) : u"";
  InitializeKivLXUtils();
  InitializeKivTrxDfmUtils();
  InitializeKivTrxLanguages();
  InitializeKivTrxResourceUtils();
  int rc = 2;
  try {
    if (mode == u"rebuild") rc = Rebuild();
    if (mode == u"startup") rc = Startup();
    if (mode == u"startup-child") rc = StartupChild();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    rc = 1;
  }
  FinalizeKivTrxResourceUtils();
  FinalizeKivTrxLanguages();
  FinalizeKivTrxDfmUtils();
  FinalizeKivLXUtils();
  if (rc == 2) std::fprintf(stderr, "usage: bench_trx_rebuild rebuild|startup\n");
  return rc;
}
