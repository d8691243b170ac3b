// Times the translation framework under Wine. Run by bench/wine/trx-bench.sh.
//
//   bench_trx_rebuild rebuild   the rebuild of a resource module of 20,000 resource
//                               strings and 200 forms made for another build (median of
//                               the rounds, each in a fresh process, in seconds), and
//                               its peak working set against the module's size
//   bench_trx_rebuild scaling   the same at 20,000, 50,000 and 100,000 rows
//   bench_trx_rebuild phases    the rebuild's steps one by one
//   bench_trx_rebuild keep-files, round DIR, remove-files DIR
//                               the files of the measured rebuild made and kept, one
//                               round on them, and their removal: for rounds paired
//                               with another program's
//   bench_trx_rebuild startup   the start-up check, ChooseResourceModule and
//                               StartTranslation, with a current module against a start
//                               with none (each in a fresh process; medians, in ms)
#include "Rtl/Win.h"
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "KivTrx/KivTrxUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"

namespace {

// What a program carries: resource strings, and forms of labels whose captions are
// translatable (with the form's own caption, labels + 1 rows a form).
struct TProgramSize {
  int strings;
  int forms;
  int labelsPerForm;
  int Rows() const { return strings + forms * (labelsPerForm + 1); }
};

// The rebuild measured against msgmerge's 20,000 entries.
constexpr TProgramSize kMeasured{20000, 200, 10};
constexpr int kFirstStringId = 4096;
constexpr std::uint32_t kGerman = 0x0407;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string FormText(int n, int labels) {
  std::string props, objects;
  for (int i = 0; i < labels; ++i) {
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
void MakeProgram(const std::u16string& file, const TProgramSize& size) {
  WriteMinimalLibraryImage(file);
  TStringTableBlocks blocks;
  std::u16string map;
  for (int id = kFirstStringId; id < kFirstStringId + size.strings; ++id) {
    if (blocks.empty() || StringTableBlock(id) != StringTableBlock(StringIdOf(*blocks.back(), 0))) {
      blocks.push_back(std::make_unique<TKivStringList>());
    }
    blocks.back()->AddObject(WideFormat(u"Message %d: %s", id, u"the %s could not be read."),
                             reinterpret_cast<void*>(static_cast<std::intptr_t>(id)));
    map += WideFormat(u"%d=BenchUnit_SMessage%d\r\n", id, id);
  }
  TDfmForms forms;
  TDfmPropertyList flat;
  for (int n = 0; n < size.forms; ++n) {
    forms.push_back(std::make_unique<TDfmForm>());
    forms.back()->Parse(FormText(n, size.labelsPerForm), &flat);
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
  table.SetOrdinalOrder(true);  // the order is not what is measured
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

// A program and, beside it, a translated module made for another build.
struct TBenchFiles {
  std::u16string dir, program, module, aged;
};

TBenchFiles MakeFiles(const TProgramSize& size) {
  TBenchFiles f;
  f.dir = TempFolder();
  f.program = f.dir + u"BenchApp.exe";
  MakeProgram(f.program, size);
  f.module = CreateResourceModule(f.program, kGerman);
  TranslateAll(f.program, f.module);
  SetGuid(f.module, u"{F0E1D2C3-B4A5-4697-8879-6A5B4C3D2E1F}");
  f.aged = f.dir + u"aged.bin";
  CopyFileW(WStr(f.module), WStr(f.aged), FALSE);
  return f;
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  KIV_THROW_IF_WIN32_FALSE(GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters));
  return counters;
}

template <class F>
void Phase(const char* name, F&& work) {
  double t0 = Now();
  work();
  const PROCESS_MEMORY_COUNTERS m = MemoryCounters();
  std::printf("  %-40s %8.1f ms, working set %6.1f MB (peak %6.1f MB)\n", name, (Now() - t0) * 1e3,
              m.WorkingSetSize / 1048576.0, m.PeakWorkingSetSize / 1048576.0);
}

// The rebuild's steps one by one, for finding where its time goes.
int Phases() {
  const TBenchFiles f = MakeFiles(kMeasured);
  Phase("(made the files)", [] {});
  const std::u16string fresh = f.dir + u"fresh.bin";
  TTransTableContents oldContents, newContents;
  Phase("read the old module", [&] { oldContents = ReadTransTableModule(f.aged); });
  {
    std::unique_ptr<TTransTableTranslations> old;
    TKivTransTable rebuilt;
    rebuilt.SetOrdinalOrder(true);
    Phase("the old module's translations",
          [&] { old = std::make_unique<TTransTableTranslations>(std::move(oldContents)); });
    Phase("read the program", [&] { newContents = ReadTransTableModule(f.program); });
    Phase("fill the new table", [&] { rebuilt.Load(std::move(newContents), fresh, false); });
    Phase("copy translations", [&] { rebuilt.CopyTranslations(*old, true); });
    Phase("free the translations", [&] { old.reset(); });
    Phase("canonical formats", [&] { rebuilt.CanonicalizeFormats(); });
    Phase("write the module", [&] {
      WriteMinimalLibraryImage(fresh);
      rebuilt.Save(false, [&](const TDfmForms& forms, const TStringTableBlocks& blocks,
                              const TTransTableTexts& texts) {
        TResourceUpdate update(fresh, true);
        CopyResourcesToUpdate(f.program, update.get());
        WriteTransTableResources(update.get(), forms, blocks, texts);
        update.Commit();
      });
    });
    Phase("free the table", [&] { rebuilt.Close(); });
  }
  TKivTransTable sorted;
  Phase("a table in the locale's order", [&] { sorted.LoadFromFile(f.program, f.aged); });
  DeleteFileW(WStr(fresh));
  DeleteFileW(WStr(f.module));
  DeleteFileW(WStr(f.aged));
  DeleteFileW(WStr(f.program));
  RemoveDirectoryW(WStr(f.dir));
  return 0;
}

void RemoveFiles(const TBenchFiles& f) {
  DeleteFileW(WStr(f.module));
  DeleteFileW(WStr(f.aged));
  DeleteFileW(WStr(f.program));
  RemoveDirectoryW(WStr(f.dir));
}

// One rebuild in a fresh process, so that its peak working set is the rebuild's own:
// prints the seconds, the peak and the working set before the rebuild, in bytes.
int RebuildChild(const std::u16string& program, const std::u16string& module) {
  const double before = static_cast<double>(MemoryCounters().WorkingSetSize);
  double t0 = Now();
  UpdateTranslationResource(program, module);
  const double seconds = Now() - t0;
  std::printf("%.4f %.0f %.0f\n", seconds, static_cast<double>(MemoryCounters().PeakWorkingSetSize),
              before);
  return 0;
}

std::string RunChild(const std::u16string& arguments);

struct TRebuildFigures {
  double seconds;
  double peakBytes;
  double startBytes;  // the process before the rebuild: the runtime and the program
  double moduleBytes;
};

double FileBytes(const std::u16string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(WStr(file), GetFileExInfoStandard, &data);
  return static_cast<double>(data.nFileSizeLow) + 4294967296.0 * data.nFileSizeHigh;
}

// One rebuild of the aged module in its own process.
TRebuildFigures RebuildRound(const TBenchFiles& f) {
  CopyFileW(WStr(f.aged), WStr(f.module), FALSE);
  std::string out = RunChild(u"rebuild-child \"" + f.program + u"\" \"" + f.module + u"\"");
  TRebuildFigures m{};
  if (std::sscanf(out.c_str(), "%lf %lf %lf", &m.seconds, &m.peakBytes, &m.startBytes) != 3) {
    throw EKivGeneralError("The rebuild failed: " + out);
  }
  m.moduleBytes = FileBytes(f.module);
  return m;
}

// The median rebuild of the aged module, each round in its own process.
TRebuildFigures MeasureRebuild(const TBenchFiles& f, int rounds) {
  std::vector<double> seconds, peaks, starts;
  double moduleBytes = 0;
  for (int r = 0; r < rounds; ++r) {
    const TRebuildFigures m = RebuildRound(f);
    seconds.push_back(m.seconds);
    peaks.push_back(m.peakBytes);
    starts.push_back(m.startBytes);
    moduleBytes = m.moduleBytes;
  }
  return {Median(seconds), Median(peaks), Median(starts), moduleBytes};
}

// The files of the measured size, kept for rounds run one at a time beside another
// program's: prints the folder they are in.
int KeepFiles() {
  std::printf("%s\n", WideToAnsi(MakeFiles(kMeasured).dir).c_str());
  return 0;
}

TBenchFiles FilesIn(const std::u16string& dir) {
  return {dir, dir + u"BenchApp.exe", ResourceModuleFileName(dir + u"BenchApp.exe", kGerman),
          dir + u"aged.bin"};
}

// One round on kept files: the seconds, the peak working set, the working set before
// the rebuild and the module's size, in bytes.
int OneRound(const std::u16string& dir) {
  const TRebuildFigures m = RebuildRound(FilesIn(dir));
  std::printf("%.4f %.0f %.0f %.0f\n", m.seconds, m.peakBytes, m.startBytes, m.moduleBytes);
  return 0;
}

int Rebuild() {
  const TBenchFiles f = MakeFiles(kMeasured);
  const TRebuildFigures m = MeasureRebuild(f, 9);
  std::printf("rebuild of %d strings and %d forms (%d rows): %.3f s (median of 9)\n",
              kMeasured.strings, kMeasured.forms, kMeasured.Rows(), m.seconds);
  std::printf(
      "rebuild peak working set: %.1f MB, %.1fx the module's %.2f MB (target under 20x); "
      "%.1f MB of it the process before the rebuild, the rebuild's own %.1f MB = %.1fx\n",
      m.peakBytes / 1048576, m.peakBytes / m.moduleBytes, m.moduleBytes / 1048576,
      m.startBytes / 1048576, (m.peakBytes - m.startBytes) / 1048576,
      (m.peakBytes - m.startBytes) / m.moduleBytes);
  RemoveFiles(f);
  return 0;
}

// The rebuild at three sizes of the same mix, half strings and half form rows: the
// time per row stays when nothing grows faster than the rows.
int Scaling() {
  double first = 0;
  for (int rows : {20000, 50000, 100000}) {
    const int forms = rows / 2 / 51;
    const TProgramSize size{rows - forms * 51, forms, 50};
    const TBenchFiles f = MakeFiles(size);
    const TRebuildFigures m = MeasureRebuild(f, 3);
    const double perRow = m.seconds / size.Rows() * 1e6;
    if (first == 0) first = perRow;
    std::printf(
        "rebuild of %6d rows (%d strings, %d forms): %.3f s, %.1f us a row (%.2fx the "
        "smallest's), peak %.1f MB = %.1fx the module, the rebuild's own %.1fx (median of 3)\n",
        size.Rows(), size.strings, size.forms, m.seconds, perRow, perRow / first,
        m.peakBytes / 1048576, m.peakBytes / m.moduleBytes,
        (m.peakBytes - m.startBytes) / m.moduleBytes);
    RemoveFiles(f);
  }
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

// Runs this program with the arguments and returns what it printed.
std::string RunChild(const std::u16string& arguments) {
  std::u16string cmd = u"\"" + SelfPath() + u"\" " + arguments;
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
  return out;
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
  for (int r = 0; r < 9; ++r) current.push_back(std::atof(RunChild(u"startup-child").c_str()));
  DeleteFileW(WStr(module));
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kiv");
  for (int r = 0; r < 9; ++r) none.push_back(std::atof(RunChild(u"startup-child").c_str()));
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
    if (mode == u"phases") rc = Phases();
    if (mode == u"scaling") rc = Scaling();
    if (mode == u"rebuild-child" && argc > 3)
      rc = RebuildChild(FromWStr(argv[2]), FromWStr(argv[3]));
    if (mode == u"startup-child") rc = StartupChild();
    if (mode == u"keep-files") rc = KeepFiles();
    if (mode == u"round" && argc > 2) rc = OneRound(FromWStr(argv[2]));
    if (mode == u"remove-files" && argc > 2) {
      RemoveFiles(FilesIn(FromWStr(argv[2])));
      rc = 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    rc = 1;
  }
  FinalizeKivTrxResourceUtils();
  FinalizeKivTrxLanguages();
  FinalizeKivTrxDfmUtils();
  FinalizeKivLXUtils();
  if (rc == 2) std::fprintf(stderr, "usage: bench_trx_rebuild rebuild|scaling|phases|startup\n");
  return rc;
}
