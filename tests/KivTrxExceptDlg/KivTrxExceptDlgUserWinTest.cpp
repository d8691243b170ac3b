// The exception dialog as a user drives it: keys and mouse clicks go through the
// system's input queue to the dialog on screen, from a second thread, while the
// dialog runs its modal loop. Each test runs in a fresh machine of its own, so no
// other program's window takes the input, and with the stand-in MAPI32.DLL.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000) {
  for (DWORD waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

std::u16string TextOf(HWND h) {
  std::vector<wchar_t> buf(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0) + 1);
  LRESULT n = SendMessageW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  return FromWStr(buf.data(), static_cast<std::size_t>(n));
}

// The dialog's controls as a user sees them: buttons by caption, the message above
// the details.
struct DialogWindows {
  HWND dialog = nullptr;
  HWND message = nullptr, details = nullptr;
  HWND detailsBtn = nullptr, clipboardBtn = nullptr, emailBtn = nullptr, okBtn = nullptr;
};

DialogWindows FindDialogWindows(HWND dialog) {
  struct Search {
    DialogWindows w;
    int topMemo = INT_MAX;
  } s;
  s.w.dialog = dialog;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        auto s = reinterpret_cast<Search*>(p);
        wchar_t cls[32];
        GetClassNameW(child, cls, 32);
        std::u16string text = TextOf(child);
        RECT r;
        GetWindowRect(child, &r);
        if (wcscmp(cls, L"TKivMemo") == 0) {
          if (r.top < s->topMemo) {
            s->w.details = s->w.message;
            s->w.message = child;
            s->topMemo = r.top;
          } else {
            s->w.details = child;
          }
        } else if (text.find(u"Details") != std::u16string::npos) {
          s->w.detailsBtn = child;
        } else if (text == u"Copy to Clipboard") {
          s->w.clipboardBtn = child;
        } else if (text == u"Send Email") {
          s->w.emailBtn = child;
        } else if (text == u"OK") {
          s->w.okBtn = child;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.w;
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Presses the keys in order and lets them go in reverse.
void PressKeys(std::initializer_list<WORD> keys) {
  for (WORD k : keys) SendKey(k, false);
  for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) SendKey(*k, true);
}

// Clicks the middle of a window `count` times in a row (2: a double click), with Shift
// held when asked. One batch of input with one time stamp: on a loaded machine two
// batches can lie further apart than the double-click time.
void Click(HWND h, int count = 1, bool withShift = false) {
  RECT r;
  GetWindowRect(h, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  const DWORD now = GetTickCount();
  std::vector<INPUT> in;
  auto key = [&](bool up) {
    INPUT k{};
    k.type = INPUT_KEYBOARD;
    k.ki.wVk = VK_SHIFT;
    k.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    k.ki.time = now;
    in.push_back(k);
  };
  if (withShift) key(false);
  for (int i = 0; i < count; ++i) {
    for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
      INPUT m{};
      m.type = INPUT_MOUSE;
      m.mi.dwFlags = flags;
      m.mi.time = now;
      in.push_back(m);
    }
  }
  if (withShift) key(true);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void EmptyTheClipboard() {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

struct ClipboardText {
  bool present = false;
  std::u16string wide;
  std::string ansi;
};

ClipboardText ReadClipboard() {
  ClipboardText c;
  if (!OpenClipboard(nullptr)) return c;
  HANDLE w = GetClipboardData(CF_UNICODETEXT);
  HANDLE a = GetClipboardData(CF_TEXT);
  if (w && a) {
    c.present = true;
    c.wide = FromWStr(static_cast<const wchar_t*>(GlobalLock(w)));
    GlobalUnlock(w);
    c.ansi = static_cast<const char*>(GlobalLock(a));
    GlobalUnlock(a);
  }
  CloseClipboard();
  return c;
}

// A user at the dialog: `act` runs on a thread of its own once the dialog is up with
// its report built and in front. Whatever `act` leaves open, the dialog is closed
// after it (and `closedByUser` then says it was not).
class User {
 public:
  explicit User(std::function<void(const DialogWindows&)> act) : act_(std::move(act)) {
    thread_ = CreateThread(nullptr, 0, &User::Run, this, 0, nullptr);
  }
  ~User() {
    Finish();
    CloseHandle(thread_);
  }
  // Waits until the user is done; what the user saw may be read after it.
  void Finish() { WaitForSingleObject(thread_, INFINITE); }
  bool SawTheDialog() const { return saw_; }
  bool ClosedByUser() const { return closedByUser_; }

 private:
  static DWORD WINAPI Run(void* p) {
    auto self = static_cast<User*>(p);
    HWND dialog = nullptr;
    bool ready = WaitFor([&] {
      TKivExceptionDialog* d = TKivExceptionDialog::Current();
      if (!d || !d->DetailsBuilt()) return false;
      dialog = d->WindowHandle();
      return dialog != nullptr && IsWindowVisible(dialog);
    });
    if (ready) SetForegroundWindow(dialog);
    if (!ready || !WaitFor([&] { return GetForegroundWindow() == dialog; })) {
      if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
      return 0;
    }
    self->saw_ = true;
    self->act_(FindDialogWindows(dialog));
    self->closedByUser_ = WaitFor([&] { return !IsWindow(dialog); }, 5000);
    if (!self->closedByUser_) PostMessageW(dialog, WM_CLOSE, 0, 0);
    return 0;
  }

  std::function<void(const DialogWindows&)> act_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> saw_{false};
  std::atomic<bool> closedByUser_{false};
};

[[gnu::noinline]] void RaiseHeldFile() {
  throw EFCreateError("Cannot create file \"C:\\x\\SQLDMO.dll\"");
}

class ExceptionDialogUser : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
    InitializeKivTrxExceptDlg();
    SetSupportAddress(u"help@example.com");
  }
  void TearDown() override {
    FinalizeKivTrxExceptDlg();
    FinalizeKivLXUtils();
  }
  // Shows the dialog for a file error, as the application hook does, while `user`
  // acts on it; returns when it closes.
  void ShowWhile(User& user) {
    try {
      RaiseHeldFile();
    } catch (const Exception& e) {
      TKivExceptionDialog::ShowExceptionDialog(e);
    }
    user.Finish();
    ASSERT_TRUE(user.SawTheDialog()) << "the dialog never came up in front with its report";
  }
};

TEST_F(ExceptionDialogUser, CtrlCCopiesMessageAndDetailsAndEscapeCloses) {
  ClipboardText copied;
  std::u16string message, details;
  User user([&](const DialogWindows& w) {
    message = TextOf(w.message);
    details = TextOf(w.details);
    EmptyTheClipboard();
    PressKeys({VK_CONTROL, 'C'});
    WaitFor([&] { return ReadClipboard().present; });
    copied = ReadClipboard();
    PressKeys({VK_ESCAPE});
  });
  ShowWhile(user);
  EXPECT_TRUE(user.ClosedByUser()) << "Escape did not close the dialog";
  ASSERT_TRUE(copied.present) << "Ctrl+C put nothing on the clipboard";
  EXPECT_EQ(WideToAnsi(message), "Cannot create file \"C:\\x\\SQLDMO.dll\".");
  EXPECT_EQ(copied.wide, message + u"\r\n\r\n" + details);
  EXPECT_EQ(copied.ansi, WideToAnsi(copied.wide));
  EXPECT_NE(details.find(u"Exception class: EFCreateError"), std::u16string::npos);
  EXPECT_NE(details.find(u"RaiseHeldFile"), std::u16string::npos) << WideToAnsi(details);
}

TEST_F(ExceptionDialogUser, TheButtonsShowCopyAndMailTheDetails) {
  TempDir dir;
  std::u16string record = dir / u"mapi.txt";
  SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", WStr(record));
  ASSERT_TRUE(SetDllDirectoryW(WStr(FixturePath(u"mapi\\"))));
  bool hiddenBefore = false, shownAfter = false;
  std::u16string caption, details;
  ClipboardText copied;
  bool mailed = false;
  User user([&](const DialogWindows& w) {
    hiddenBefore = !IsWindowVisible(w.clipboardBtn) && !IsWindowVisible(w.emailBtn);
    Click(w.detailsBtn);
    shownAfter =
        WaitFor([&] { return IsWindowVisible(w.clipboardBtn) && IsWindowVisible(w.emailBtn); });
    caption = TextOf(w.detailsBtn);
    details = TextOf(w.details);
    EmptyTheClipboard();
    Click(w.clipboardBtn);
    WaitFor([&] { return ReadClipboard().present; });
    copied = ReadClipboard();
    Click(w.emailBtn);
    mailed = WaitFor([&] { return FileExists(record); });
    Click(w.okBtn);
  });
  ShowWhile(user);
  SetDllDirectoryW(nullptr);
  SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", nullptr);
  EXPECT_TRUE(user.ClosedByUser()) << "OK did not close the dialog";
  EXPECT_TRUE(hiddenBefore);
  EXPECT_TRUE(shownAfter) << "Details did not show the two buttons";
  EXPECT_EQ(WideToAnsi(caption), "<< &Details");
  // "Copy to Clipboard" copies the details alone.
  ASSERT_TRUE(copied.present);
  EXPECT_EQ(copied.wide, details);
  EXPECT_EQ(copied.ansi, WideToAnsi(details));

  ASSERT_TRUE(mailed) << "Send Email did not reach MAPI";
  TMapiRecord f = ReadMapiRecord(record);
  const std::string title = WideToAnsi(Application().Title());
  EXPECT_EQ(f["subject"], title + " Issue");
  EXPECT_EQ(f["recip0.address"], "SMTP:help@example.com");
  EXPECT_EQ(f["body"],
            "Error message:\r\n  Cannot create file \"C:\\x\\SQLDMO.dll\".\r\n\r\n"
            ">> 1. What steps did you perform prior to encountering this error?\r\n\r\n\r\n\r\n"
            ">> 2. What were you trying to accomplish?\r\n\r\n\r\n\r\n"
            ">> 3. How often do you receive this error message?\r\n\r\n\r\n\r\n"
            ">> ^^^^^ Thank you for reporting this error! ^^^^^^\r\n\r\n"
            "(The attached file, \"Error Details.txt\", contains technical details about this "
            "error.)");
  std::string attached = f["file0.content"].value_or("");
  ASSERT_GE(attached.size(), 2u);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < attached.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(attached[i]) |
                                         (static_cast<unsigned char>(attached[i + 1]) << 8)));
  }
  EXPECT_EQ(text, details);
}

// The stand-in viewer registered as the program that opens text files, for the
// life of the object.
class ViewerRegistration {
 public:
  ViewerRegistration() : previous_(Get(u".txt")) {
    std::u16string command = u"\"" + FixturePath(u"ViewerRecorder.exe") + u"\" \"%1\"";
    Set(u".txt", u"PlinthTestViewer");
    Set(u"PlinthTestViewer\\shell\\open\\command", command);
  }
  ~ViewerRegistration() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"PlinthTestViewer");
    Set(u".txt", previous_);
  }

 private:
  static std::u16string Get(const std::u16string& key) {
    wchar_t buf[MAX_PATH] = {};
    LONG size = sizeof buf;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, WStr(key), buf, &size) != ERROR_SUCCESS) return u"";
    return FromWStr(buf);
  }
  static void Set(const std::u16string& key, const std::u16string& value) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, WStr(key), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(h);
  }
  std::u16string previous_;
};

TEST_F(ExceptionDialogUser, ShiftDoubleClickOpensTheDetailsInTheViewer) {
  TempDir dir;
  std::u16string record = dir / u"viewed.txt";
  SetEnvironmentVariableW(L"PLINTH_VIEWER_RECORD", WStr(record));
  ViewerRegistration viewer;
  bool openedWithoutShift = true, openedWithShift = false;
  std::u16string details;
  User user([&](const DialogWindows& w) {
    Click(w.detailsBtn);
    WaitFor([&] { return IsWindowEnabled(w.details) && IsWindowVisible(w.details); });
    details = TextOf(w.details);
    Click(w.details, 2);
    openedWithoutShift = WaitFor([&] { return FileExists(record); }, 1500);
    Click(w.details, 2, true);
    // A program started in a fresh machine on a loaded one can take a while.
    openedWithShift = WaitFor([&] { return FileExists(record); }, 30000);
    PressKeys({VK_ESCAPE});
  });
  ShowWhile(user);
  SetEnvironmentVariableW(L"PLINTH_VIEWER_RECORD", nullptr);
  EXPECT_TRUE(user.ClosedByUser()) << "Escape did not close the dialog";
  EXPECT_FALSE(openedWithoutShift) << "a plain double click opened the viewer";
  ASSERT_TRUE(openedWithShift) << "Shift+double click did not open the viewer";
  // A UTF-16 file with its byte-order mark, holding the details.
  std::vector<std::uint8_t> bytes = ReadFileBytes(record);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  EXPECT_EQ(text, details);
}

}  // namespace
