// The program's resource source: the locale override in the registry, the thread
// locale's abbreviation, and finding the module in use again.
#include <gtest/gtest.h>

#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "ResourceImage.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

void SetValue(HKEY root, const wchar_t* key, const std::u16string& name, DWORD type,
              const void* data, DWORD size) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name.empty() ? nullptr : WStr(name), 0, type, static_cast<const BYTE*>(data),
                 size);
  RegCloseKey(h);
}

void SetString(HKEY root, const wchar_t* key, const std::u16string& name,
               const std::u16string& value) {
  SetValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

std::u16string ExeLongPath() {
  return GetLongPathText(Platform::GetModuleFileName(Platform::ProgramModule()));
}

// The override keys exist only while a test runs. The 9x run of this program shares the
// registry, so these tests run on the NT run alone.
class LocaleOverrideNtOnly : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kiv");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kiv");
  }
  static constexpr const wchar_t* kUser = L"Software\\Kiv\\Locales";
  static constexpr const wchar_t* kMachine = L"Software\\Kiv\\Locales";
  static constexpr const wchar_t* kToolkit = L"Software\\Kiv\\Toolkit\\Locales";
};

TEST_F(LocaleOverrideNtOnly, TheFirstKeyThatOpensDecides) {
  EXPECT_EQ(ReadLocaleOverride(), u"");
  SetString(HKEY_CURRENT_USER, kToolkit, u"", u"ITA");
  EXPECT_EQ(ReadLocaleOverride(), u"ITA");
  SetString(HKEY_LOCAL_MACHINE, kMachine, u"", u"FRA");
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  // The user's key, once it exists, decides even when it says nothing.
  SetString(HKEY_CURRENT_USER, kUser, u"Some other program.exe", u"ESP");
  EXPECT_EQ(ReadLocaleOverride(), u"");
}

TEST_F(LocaleOverrideNtOnly, TheProgramsOwnValueComesBeforeTheDefault) {
  SetString(HKEY_CURRENT_USER, kUser, u"", u"FRA");
  SetString(HKEY_CURRENT_USER, kUser, ExeLongPath(), u"DEU");
  EXPECT_EQ(ReadLocaleOverride(), u"DEU");
  // Present but empty: the default stands in.
  SetString(HKEY_CURRENT_USER, kUser, ExeLongPath(), u"");
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  // Not a string at all: read as absent, never an error at start-up.
  DWORD number = 7;
  SetValue(HKEY_CURRENT_USER, kUser, ExeLongPath(), REG_DWORD, &number, sizeof number);
  EXPECT_EQ(ReadLocaleOverride(), u"FRA");
  SetValue(HKEY_CURRENT_USER, kUser, u"", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(ReadLocaleOverride(), u"");
}

TEST_F(LocaleOverrideNtOnly, TheModuleInUseIsFoundAgainUntilItsFileIsGone) {
  const std::u16string exe = ExeLongPath();
  EXPECT_EQ(FindResourceModuleFile(), exe);  // no module in use

  const std::u16string module = exe.substr(0, exe.rfind(u'.')) + u".QZ7";
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"TrxPrepared.dll")), WStr(module), FALSE));
  SetString(HKEY_CURRENT_USER, kUser, u"", u"QZ7");
  HMODULE chosen = ChooseResourceModule();
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(CurrentResourceInstance(), chosen);
  EXPECT_EQ(ResourceSource(), chosen);  // forms and strings come from it now
  EXPECT_TRUE(WideSameText(FindResourceModuleFile(), module));

  // Back to the program: the module is freed, and its file can go.
  EXPECT_EQ(SetResourceInstance(Platform::ProgramModule()), Platform::ProgramModule());
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  EXPECT_TRUE(DeleteFileW(WStr(module)));

  // A module in use whose file no candidate names any more.
  SetResourceInstance(
      Platform::LoadLibraryEx(FixturePath(u"TrxPrepared.dll"), LOAD_LIBRARY_AS_DATAFILE));
  try {
    FindResourceModuleFile();
    ADD_FAILURE() << "no error";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: Can not determine resource module.");
  }
  SetResourceInstance(Platform::ProgramModule());
}

// Answers the message boxes this process shows while it lives, and keeps their texts.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() { thread_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr); }
  ~MessageBoxWatcher() {
    stop_ = true;
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
  }
  std::vector<std::u16string> Texts() {
    Sleep(200);  // a box answered just now has gone
    return texts_;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto watcher = static_cast<MessageBoxWatcher*>(self);
    while (!watcher->stop_) {
      EnumWindows(&Answer, reinterpret_cast<LPARAM>(watcher));
      Sleep(50);
    }
    return 0;
  }
  static BOOL CALLBACK Answer(HWND h, LPARAM p) {
    auto watcher = reinterpret_cast<MessageBoxWatcher*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[16];
    if (pid != GetCurrentProcessId() || !IsWindowVisible(h) || !GetClassNameW(h, cls, 16) ||
        wcscmp(cls, L"#32770") != 0) {
      return TRUE;
    }
    std::u16string text;
    EnumChildWindows(
        h,
        [](HWND child, LPARAM q) CALLBACK -> BOOL {
          wchar_t c[16];
          GetClassNameW(child, c, 16);
          wchar_t buf[512];
          int n = GetWindowTextW(child, buf, 512);
          auto out = reinterpret_cast<std::u16string*>(q);
          if (_wcsicmp(c, L"Static") == 0 && n > static_cast<int>(out->size())) {
            *out = FromWStr(buf, n);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    watcher->texts_.push_back(text);
    PostMessageW(h, WM_COMMAND, IDOK, 0);
    Sleep(100);
    return FALSE;
  }

  HANDLE thread_ = nullptr;
  volatile bool stop_ = false;
  std::vector<std::u16string> texts_;
};

TEST(LocaleCodePage, WarnsOnlyOnWindows9xWhenTheLanguageNeedsAnotherCodePage) {
  MessageBoxWatcher watcher;
  CheckLocaleCodePage(0x0411);  // Japanese: code page 932
  std::vector<std::u16string> texts = watcher.Texts();
  if (ExpectWin9x()) {
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              u"The current System Locale does not support the display of Japanese "
              u"characters.\r\nThe user interface may appear garbled.");
  } else {
    EXPECT_TRUE(texts.empty());
  }
  if (GetACP() == 1252) {
    CheckLocaleCodePage(0x0407);  // German shares the system's code page
    EXPECT_EQ(watcher.Texts().size(), texts.size());
  }
}

// A module that loads but would fault the system's resource calls is never made the
// resource source: the start-up check names it and the program runs untranslated.
TEST_F(LocaleOverrideNtOnly, ADamagedModuleIsNamedAndNotUsed) {
  const std::u16string exe = ExeLongPath();
  const std::u16string module = exe.substr(0, exe.rfind(u'.')) + u".QZ8";
  const std::vector<std::uint8_t> bytes =
      Damaged(ReadFileBytes(FixturePath(u"TrxPrepared.dll")), ModuleDamage::DirectoryOutside);
  {
    TFileStream out(module, FileMode::Create);
    out.WriteBuffer(bytes.data(), bytes.size());
  }
  SetString(HKEY_CURRENT_USER, kUser, u"", u"QZ8");
  EXPECT_EQ(ChooseResourceModule(), nullptr);
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  {
    MessageBoxWatcher watcher;
    StartTranslation();
    EXPECT_EQ(watcher.Texts(),
              std::vector<std::u16string>{u"The translation resource " + module +
                                          u" is damaged.  The application will run without a "
                                          u"translation."});
  }
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  EXPECT_EQ(ReadFileBytes(module), bytes);
  EXPECT_TRUE(DeleteFileW(WStr(module)));
  // The next choice starts afresh.
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kiv");
  EXPECT_EQ(ChooseResourceModule(), nullptr);
  MessageBoxWatcher quiet;
  StartTranslation();
  EXPECT_TRUE(quiet.Texts().empty());
}

TEST(ThreadLocale, GivesTheThreeLetterAbbreviation) {
  LCID saved = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(MAKELCID(0x0407, SORT_DEFAULT)));
  EXPECT_EQ(ThreadLocaleAbbreviation(), u"DEU");
  SetThreadLocale(saved);
}

TEST(StartTranslation, DoesNothingWithoutAModule) {
  ASSERT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
  EXPECT_NO_THROW(StartTranslation());
  EXPECT_EQ(CurrentResourceInstance(), Platform::ProgramModule());
}

}  // namespace
