// The installer with a translation: a copy of the real program in a folder of its own,
// with a resource module beside it that the framework made and a translator edited.
// At start the program checks the module against its own build and, when it was made
// for another build, rebuilds it keeping the translations, and shows its forms in the
// translated language. A damaged module, or a rebuild ended part-way, never costs a
// start or a translation.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "E2ESupport.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "KivTrx/KivTrxUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "ResourceImage.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

constexpr std::uint32_t kGerman = 0x0407;
const std::u16string kOtherBuild = u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}";
const std::u16string kTranslatedCaption = u"SQL-DMO-Installation";
// Resource strings of the program that the test translates or drops.
const std::u16string kOkString = u"KivTrxExceptDlg_SOKBtn";
const std::u16string kEmailString = u"KivTrxExceptDlg_SSendEmailBtn";
const std::u16string kNewString = u"KivTrxExceptDlg_SDetailsBtn";

struct Row {
  std::u16string value;
  bool translated = false;
  std::u16string comment;
  bool operator==(const Row&) const = default;
};
using Rows = std::map<std::u16string, Row>;

Rows ReadRows(const std::u16string& exe, const std::u16string& module) {
  TKivTransTable table;
  table.LoadFromFile(exe, module);
  Rows rows;
  for (table.First(); !table.Eof(); table.Next()) {
    rows[table.TranID()] = Row{table.TranValue(), table.Translated(), table.Comment()};
  }
  return rows;
}

void Translate(TKivTransTable& table, const std::u16string& id, const std::u16string& value,
               bool translated, const std::u16string& comment) {
  ASSERT_TRUE(table.FindTranID(id)) << WideToAnsi(id);
  table.Edit();
  table.SetTranValue(value);
  table.SetTranslated(translated);
  table.SetComment(comment);
  table.Post();
}

std::vector<std::uint8_t> FileBytes(const std::u16string& file) { return ReadFileBytes(file); }

void WriteFileBytes(const std::u16string& file, const std::vector<std::uint8_t>& bytes) {
  TFileStream out(file, FileMode::Create);
  out.WriteBuffer(bytes.data(), bytes.size());
}

FILETIME WriteTime(const std::u16string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(WStr(file), GetFileExInfoStandard, &data));
  return data.ftLastWriteTime;
}

// The text of a message box of the program, which is then closed with OK.
std::u16string AnswerMessageBox(const Installer& program) {
  HWND box = program.FindWindowOfClass(L"#32770");
  if (!box) return u"(no message box)";
  std::u16string text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        wchar_t cls[32];
        GetClassNameW(child, cls, 32);
        auto out = reinterpret_cast<std::u16string*>(p);
        if (_wcsicmp(cls, L"Static") == 0) {
          std::u16string t = WindowText(child);
          if (t.size() > out->size()) *out = t;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return text;
}

// A copy of the program in a folder of its own, where a module beside it cannot reach
// the other tests' runs, and the locale override that picks the module's language.
class Translation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitializeKivLXUtils();
    InitializeKivTrxDfmUtils();
    InitializeKivTrxLanguages();
    InitializeKivTrxResourceUtils();
  }
  static void TearDownTestSuite() {
    FinalizeKivTrxResourceUtils();
    FinalizeKivTrxLanguages();
    FinalizeKivTrxDfmUtils();
    FinalizeKivLXUtils();
  }

  void SetUp() override {
    if (Platform::IsWin9x()) {
      // The program (and the tool, started there) and this test edit resources through
      // the update library; this test takes it from the fixtures' folder, so the copy
      // beside the program can go.
      CopyUpdateLibrary(dir_.Path());
      SetDllDirectoryW(WStr(ExtractFilePath(FixturePath(u"unicows\\kiv_unicows.dll"))));
    }
    ASSERT_TRUE(CopyFileW(WStr(InstallerPath()), WStr(exe_), FALSE));
  }
  void TearDown() override {
    if (Platform::IsWin9x()) SetDllDirectoryW(nullptr);
  }

  static void CopyUpdateLibrary(const std::u16string& dir) {
    ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"unicows\\kiv_unicows.dll")),
                          WStr(dir + u"kiv_unicows.dll"), FALSE));
  }

  void Override(const std::u16string& abbreviation) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kiv\\Locales", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(abbreviation.c_str()),
                   static_cast<DWORD>((abbreviation.size() + 1) * 2));
    RegCloseKey(key);
  }

  // A German module made for this build, with the main form's caption translated.
  std::u16string MakeTranslatedModule() {
    std::u16string module = CreateResourceModule(exe_, kGerman);
    TKivTransTable table;
    table.LoadFromFile(exe_, module);
    Translate(table, u"Form1.Caption", kTranslatedCaption, true, u"Checked by the translator");
    Translate(table, kOkString, u"Gut", false, u"");
    Translate(table, kEmailString, u"E-Mail senden", true, u"");
    table.SaveToFile(false);
    Override(u"DEU");
    return module;
  }

  // Makes the module look like one made for an earlier build: another GUID, a label
  // the program no longer has, a string it no longer has, and one string the earlier
  // build did not have yet.
  void AgeModule(const std::u16string& module) {
    TDfmForms forms;
    TDfmPropertyList flat;
    TStringTableBlocks blocks;
    std::u16string map, flags;
    {
      ModuleHandle loaded(Platform::LoadLibraryEx(module, LOAD_LIBRARY_AS_DATAFILE));
      ASSERT_TRUE(loaded);
      LoadFormsFromModule(loaded.get(), module, forms, flat);
      ReadStringTables(loaded.get(), blocks);
      map = ReadRcDataText(loaded.get(), u"KIV.DRC");
      flags = ReadRcDataText(loaded.get(), u"KIV.XRS");
    }
    // The earlier main form had a label, translated.
    for (auto& form : forms) {
      if (form->ObjectName != "Form1") continue;
      std::string text = form->AsText();
      auto at = text.find("'Caption')");
      ASSERT_NE(at, std::string::npos) << text;
      text.replace(at, 10, "'Caption'\r\n    'OldLabel.Caption')");
      at = text.rfind("end");
      text.insert(at, "  object OldLabel: TKivLabel\r\n    Caption = 'Alt'\r\n  end\r\n");
      flat.clear();
      form->Parse(text, &flat);
    }
    // A string the program no longer has, translated; and one it has that the
    // earlier build did not.
    auto removed = std::make_unique<TKivStringList>();
    removed->AddObject(u"Entfernt", reinterpret_cast<void*>(std::intptr_t{60000}));
    blocks.push_back(std::move(removed));
    map += u"60000=Old_SRemoved\r\n";
    std::u16string line;
    for (const std::u16string& l : SplitLines(map)) {
      if (l.size() > kNewString.size() && l.ends_with(u"=" + kNewString)) line = l + u"\r\n";
    }
    ASSERT_FALSE(line.empty());
    map.erase(map.find(line), line.size());
    flags += u"\r\nForm1.OldLabel.Caption=TRUE\r\nOld_SRemoved=TRUE";

    TResourceUpdate update(module, false);
    SaveFormsToModule(update.get(), forms);
    WriteStringTables(update.get(), blocks);
    SaveRcText(update.get(), u"KIV.DRC", map);
    SaveRcText(update.get(), u"KIV.XRS", flags);
    SaveRcText(update.get(), u"KIV_TRX_GUID", kOtherBuild);
    update.Commit();
  }

  // The module aged above, rebuilt for this build with its translations, and nothing
  // left beside it.
  void ExpectRebuiltForThisBuild(const std::u16string& module) {
    EXPECT_TRUE(IsResourceModulePrepared(module));
    EXPECT_EQ(ReadModuleGuid(module), ReadModuleGuid(exe_));
    EXPECT_FALSE(FileExists(module + u".previous"));
    EXPECT_FALSE(FileExists(module + u".new"));
    Rows rebuilt = ReadRows(exe_, module);
    // Surviving rows keep their translations, flags and comments.
    EXPECT_EQ(rebuilt[u"Form1.Caption"],
              (Row{kTranslatedCaption, true, u"Checked by the translator"}));
    EXPECT_EQ(rebuilt[kEmailString], (Row{u"E-Mail senden", true, u""}));
    // A row not marked translated is not carried over; the program's text stands.
    EXPECT_EQ(rebuilt[kOkString], (Row{u"OK", false, u""}));
    // What the program no longer has is gone; what is new is there, untranslated.
    EXPECT_FALSE(rebuilt.count(u"Form1.OldLabel.Caption"));
    EXPECT_FALSE(rebuilt.count(u"Old_SRemoved"));
    ASSERT_TRUE(rebuilt.count(kNewString));
    EXPECT_FALSE(rebuilt[kNewString].translated);
    EXPECT_EQ(rebuilt[kNewString].value, u"&Details");
  }

  // Runs the program; returns the main form's caption while it was shown.
  std::u16string RunAndReadCaption(DWORD expectedExit = 0) {
    Installer program(exe_, dir_.Path());
    HWND form = program.FindWindowOfClass(L"TForm1");
    std::u16string caption = form ? WindowText(form) : u"(no main form)";
    EXPECT_EQ(program.Wait(), expectedExit);
    return caption;
  }

  TempDir dir_;
  std::u16string exe_ = dir_ / u"Plinth2000.exe";
};

TEST_F(Translation, AModuleOfThisBuildIsUsedUntouched) {
  std::u16string module = MakeTranslatedModule();
  std::vector<std::uint8_t> before = FileBytes(module);
  FILETIME written = WriteTime(module);
  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);
  EXPECT_EQ(FileBytes(module), before);
  FILETIME after = WriteTime(module);
  EXPECT_EQ(CompareFileTime(&after, &written), 0);
}

TEST_F(Translation, AModuleOfAnEarlierBuildIsRebuiltWithItsTranslations) {
  std::u16string module = MakeTranslatedModule();
  AgeModule(module);
  Rows old = ReadRows(exe_, module);
  ASSERT_TRUE(old.count(u"Form1.OldLabel.Caption"));
  ASSERT_TRUE(old.count(u"Old_SRemoved"));
  ASSERT_FALSE(old.count(kNewString));

  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);

  ExpectRebuiltForThisBuild(module);

  // And the next start finds it current.
  std::vector<std::uint8_t> bytes = FileBytes(module);
  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);
  EXPECT_EQ(FileBytes(module), bytes);
}

TEST_F(Translation, AModuleThatWasNotPreparedIsLeftAside) {
  std::u16string module = exe_.substr(0, exe_.size() - 3) + u"DEU";
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"TrxNoMap.dll")), WStr(module), FALSE));
  std::vector<std::uint8_t> before = FileBytes(module);
  Override(u"DEU");
  Installer program(exe_, dir_.Path());
  EXPECT_EQ(AnswerMessageBox(program),
            u"The translation resource was not properly prepared.  The application will run "
            u"without a translation.");
  HWND form = program.FindWindowOfClass(L"TForm1");
  EXPECT_EQ(form ? WindowText(form) : u"(no main form)", u"SQL-DMO Install");
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_EQ(FileBytes(module), before);
}

TEST_F(Translation, ARebuildThatFailsKeepsTheOldModuleWhole) {
  std::u16string module = MakeTranslatedModule();
  AgeModule(module);
  std::vector<std::uint8_t> before = FileBytes(module);
  if (Platform::IsWin9x()) {
    // Without the update library the rebuild cannot write the new module.
    ASSERT_TRUE(DeleteFileW(WStr(dir_ / u"kiv_unicows.dll")));
    Installer program(exe_, dir_.Path());
    EXPECT_EQ(AnswerMessageBox(program),
              u"Translation resource editing is not available on this version of Windows.");
    EXPECT_EQ(program.Wait(), 0u);
  } else {
    // A module under a name that no language has cannot be made again under that name.
    std::u16string odd = exe_.substr(0, exe_.size() - 3) + u"XQ1";
    ASSERT_TRUE(MoveFileW(WStr(module), WStr(odd)));
    module = odd;
    Override(u"XQ1");
    Installer program(exe_, dir_.Path());
    EXPECT_NE(AnswerMessageBox(program), u"(no message box)");
    HWND form = program.FindWindowOfClass(L"TForm1");
    EXPECT_EQ(form ? WindowText(form) : u"(no main form)", u"SQL-DMO Install");
    EXPECT_EQ(program.Wait(), 0u);
  }
  EXPECT_EQ(FileBytes(module), before);
  EXPECT_FALSE(FileExists(module + u".previous"));
  EXPECT_FALSE(FileExists(module + u".new"));
}

// Every start with a damaged module is an untranslated start that names the file, and
// the file stays as it is.
TEST_F(Translation, ADamagedModuleGivesAnUntranslatedStartThatNamesIt) {
  const std::u16string module = MakeTranslatedModule();
  const std::vector<std::uint8_t> whole = FileBytes(module);
  const std::u16string named = GetLongPathText(module);
  for (ModuleDamage damage : kEveryModuleDamage) {
    SCOPED_TRACE(DamageName(damage));
    const std::vector<std::uint8_t> bytes = Damaged(whole, damage);
    WriteFileBytes(module, bytes);
    Installer program(exe_, dir_.Path());
    EXPECT_EQ(AnswerMessageBox(program), u"The translation resource " + named +
                                             u" is damaged.  The application will run without a "
                                             u"translation.");
    HWND form = program.FindWindowOfClass(L"TForm1");
    EXPECT_EQ(form ? WindowText(form) : u"(no main form)", u"SQL-DMO Install");
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_EQ(FileBytes(module), bytes);
  }
}

// The environment variable that ends a run at a step of the rebuild, for one scope.
class StopRebuildAt {
 public:
  explicit StopRebuildAt(const char* step) { SetEnvironmentVariableA(kRebuildStopVariable, step); }
  ~StopRebuildAt() { SetEnvironmentVariableA(kRebuildStopVariable, nullptr); }
  StopRebuildAt(const StopRebuildAt&) = delete;
  StopRebuildAt& operator=(const StopRebuildAt&) = delete;
};

class InterruptedRebuild : public Translation, public ::testing::WithParamInterface<std::string> {};

// The process ends at a step of the rebuild as a kill or a power loss would end it.
TEST_P(InterruptedRebuild, TheNextStartHasEveryTranslationAndALaterRebuildKeepsThem) {
  const std::string step = GetParam();
  if (!Platform::IsWin9x() && (step == "set-aside" || step == "placed")) {
    GTEST_SKIP() << "a step of the 9x family's rebuild";
  }
  if (Platform::IsWin9x() && step == "replaced")
    GTEST_SKIP() << "a step of the NT family's rebuild";
  const std::u16string module = MakeTranslatedModule();
  AgeModule(module);
  {
    StopRebuildAt stop(step.c_str());
    Installer program(exe_, dir_.Path());
    EXPECT_EQ(program.Wait(), kRebuildStoppedExitCode);
  }
  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);
  ExpectRebuiltForThisBuild(module);

  AgeModule(module);
  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);
  ExpectRebuiltForThisBuild(module);
}

INSTANTIATE_TEST_SUITE_P(EachStep, InterruptedRebuild,
                         ::testing::Values("old-read", "module-prepared", "image-written",
                                           "translated", "replaced", "set-aside", "placed"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_F(Translation, ANeutralModuleServesTheLocalesSubLanguage) {
  // The thread locale is English (United States), ENU; there is no module ENU but one
  // for the neutral EN, and no override.
  std::u16string module = MakeTranslatedModule();
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kiv", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegDeleteKeyW(key, L"Locales");
  RegCloseKey(key);
  std::u16string neutral = exe_.substr(0, exe_.size() - 3) + u"EN";
  ASSERT_TRUE(MoveFileW(WStr(module), WStr(neutral)));
  ASSERT_EQ(ThreadLocaleAbbreviation(), u"ENU");
  EXPECT_EQ(RunAndReadCaption(), kTranslatedCaption);
}

// The translators' tool, run like the program.
struct ToolRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // standard output and error
};

ToolRun RunTool(const std::u16string& args, const std::u16string& startDir) {
  std::u16string tool = ExtractFilePath(InstallerPath()) + u"trxpo.exe";
  std::u16string cmd = u"\"" + tool + u"\" " + args;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  EXPECT_TRUE(CreatePipe(&read, &write, &sa, 0));
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  PROCESS_INFORMATION pi{};
  ToolRun run;
  if (!CreateProcessW(WStr(tool), WStr(cmd), nullptr, nullptr, TRUE, 0, nullptr, WStr(startDir),
                      &si, &pi)) {
    ADD_FAILURE() << "cannot start " << WideToAnsi(tool);
    CloseHandle(read);
    CloseHandle(write);
    return run;
  }
  CloseHandle(write);
  char buf[512];
  DWORD n = 0;
  while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) run.output.append(buf, n);
  WaitForSingleObject(pi.hProcess, 60000);
  GetExitCodeProcess(pi.hProcess, &run.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(read);
  return run;
}

std::string FileText(const std::u16string& file) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

void WriteFileText(const std::u16string& file, const std::string& text) {
  TFileStream out(file, FileMode::Create);
  out.WriteBuffer(text.data(), text.size());
}

TEST_F(Translation, ACatalogGoesOutAndComesBackThroughTheTablesChecks) {
  std::u16string module = MakeTranslatedModule();
  std::u16string catalog = dir_ / u"de.po";
  std::u16string args = u"\"" + exe_ + u"\" \"" + module + u"\" \"" + catalog + u"\"";
  ToolRun out = RunTool(u"export " + args, dir_.Path());
  ASSERT_EQ(out.exitCode, 0u) << out.output;
  std::string po = FileText(catalog);
  EXPECT_NE(po.find("# Checked by the translator\nmsgctxt \"Form1.Caption\"\n"
                    "msgid \"SQL-DMO Install\"\nmsgstr \"SQL-DMO-Installation\"\n"),
            std::string::npos)
      << po;
  // A text not marked translated is a fuzzy entry; an untranslated row has none.
  EXPECT_NE(po.find("#, fuzzy\nmsgctxt \"" + WideToAnsi(kOkString) +
                    "\"\nmsgid \"OK\"\n"
                    "msgstr \"Gut\"\n"),
            std::string::npos)
      << po;
  EXPECT_NE(po.find("msgctxt \"" + WideToAnsi(kNewString) +
                    "\"\nmsgid \"&Details\"\n"
                    "msgstr \"\"\n"),
            std::string::npos)
      << po;
  // The module keeps this format in another spelling, and nobody translated it.
  EXPECT_NE(po.find("\n\n#, object-pascal-format\n"
                    "msgctxt \"KivTrxExceptDlg_RsOleExceptionCode\"\n"
                    "msgid \"OLE Exception Code: 0x%0:.8x (%0:d)\"\nmsgstr \"\"\n"),
            std::string::npos)
      << po;
  EXPECT_NE(po.find("\"Language: de_DE\\n\"\n"), std::string::npos) << po;

  // Back without edits: the module is not even rewritten.
  std::vector<std::uint8_t> before = FileBytes(module);
  out = RunTool(u"import " + args, dir_.Path());
  ASSERT_EQ(out.exitCode, 0u) << out.output;
  EXPECT_EQ(FileBytes(module), before);

  // A translator's edit comes back as a translated row.
  std::string edited = po;
  std::string untranslated =
      "msgctxt \"" + WideToAnsi(kNewString) + "\"\nmsgid \"&Details\"\nmsgstr \"\"\n";
  edited.replace(edited.find(untranslated), untranslated.size(),
                 "# Short\n# and sweet\nmsgctxt \"" + WideToAnsi(kNewString) +
                     "\"\nmsgid \"&Details\"\nmsgstr \"&Einzelheiten\"\n");
  // An entry from an older catalog, made for another text of the main form's caption.
  const std::string caption = "msgctxt \"Form1.Caption\"\nmsgid \"SQL-DMO Install\"\n";
  edited.replace(edited.find(caption), caption.size(),
                 "msgctxt \"Form1.Caption\"\nmsgid \"SQL-DMO Setup\"\n");
  const std::string translated = "msgstr \"SQL-DMO-Installation\"";
  edited.replace(edited.find(translated), translated.size(), "msgstr \"SQL-DMO-Einrichtung\"");
  WriteFileText(catalog, edited);
  out = RunTool(u"import " + args, dir_.Path());
  ASSERT_EQ(out.exitCode, 0u) << out.output;
  for (const char* said : {"the entry Form1.Caption was made for another text of the program; "
                           "it was skipped.",
                           "  catalog: \"SQL-DMO Setup\"", "  program: \"SQL-DMO Install\""}) {
    EXPECT_NE(out.output.find(said), std::string::npos) << out.output;
  }
  Rows rows = ReadRows(exe_, module);
  EXPECT_EQ(rows[kNewString], (Row{u"&Einzelheiten", true, u"Short and sweet"}));
  EXPECT_EQ(rows[u"Form1.Caption"], (Row{kTranslatedCaption, true, u"Checked by the translator"}));

  // A translation that does not take the original's arguments is refused with the
  // row's id, and the module stays as it was.
  before = FileBytes(module);
  const std::string exceptionClass =
      "msgctxt \"KivTrxExceptDlg_RsExceptionClass\"\nmsgid \"Exception class: %s\"\nmsgstr \"\"\n";
  ASSERT_NE(po.find(exceptionClass), std::string::npos) << po;
  std::string wrongFormat = po;
  wrongFormat.replace(wrongFormat.find(exceptionClass), exceptionClass.size(),
                      "msgctxt \"KivTrxExceptDlg_RsExceptionClass\"\nmsgid \"Exception class: "
                      "%s\"\nmsgstr \"Ausnahmeklasse: %d\"\n");
  WriteFileText(catalog, wrongFormat);
  out = RunTool(u"import " + args, dir_.Path());
  EXPECT_EQ(out.exitCode, 1u);
  EXPECT_NE(out.output.find("Entry KivTrxExceptDlg_RsExceptionClass: Argument types for index 0 "
                            "do not match. (s <> d)"),
            std::string::npos)
      << out.output;
  EXPECT_EQ(FileBytes(module), before);

  // A damaged catalog is refused with its line, and the module stays as it was.
  before = FileBytes(module);
  WriteFileText(catalog, "msgctxt \"Form1.Caption\"\nmsgid \"SQL-DMO Install\"\nmsgstr\n");
  out = RunTool(u"import " + args, dir_.Path());
  EXPECT_EQ(out.exitCode, 1u);
  EXPECT_NE(out.output.find("line 3"), std::string::npos) << out.output;
  EXPECT_EQ(FileBytes(module), before);
}

// A silent run: the texts of its log come from the module like every other text, and
// a module made for another build is left as it is, since rebuilding it shows windows.
TEST_F(Translation, ASilentRunsLogIsTranslatedToo) {
  std::u16string module = MakeTranslatedModule();
  {
    TKivTransTable table;
    table.LoadFromFile(exe_, module);
    Translate(table, u"PlinthRun_SExitCode", u"R\u00FCckgabewert %s", true, u"");
    table.SaveToFile(false);
  }
  const std::u16string log = dir_ / u"run.log";
  InstallerStart start{exe_, dir_.Path(), u"/quiet /log \"" + log + u"\""};
  EXPECT_EQ(RunWithoutWindows(start), 0u);
  std::vector<std::u16string> events = RunLogEvents(log);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), u"R\u00FCckgabewert 0 (success)");
}

TEST_F(Translation, ASilentRunLeavesAModuleOfAnEarlierBuildAlone) {
  std::u16string module = MakeTranslatedModule();
  AgeModule(module);
  std::vector<std::uint8_t> before = FileBytes(module);
  const std::u16string log = dir_ / u"run.log";
  InstallerStart start{exe_, dir_.Path(), u"/quiet /log \"" + log + u"\""};
  EXPECT_EQ(RunWithoutWindows(start), 0u);
  EXPECT_EQ(FileBytes(module), before);
  EXPECT_FALSE(FileExists(module + u".previous"));
  std::vector<std::u16string> events = RunLogEvents(log);
  EXPECT_NE(std::find(events.begin(), events.end(),
                      u"The resource module " + module +
                          u" is not for this build: the program's texts are used."),
            events.end())
      << LinesText(events);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), u"Exit code 0 (success)");
}

}  // namespace
