// The GUI toolkit's application object, forms and timers, in a real message loop.
#include <gtest/gtest.h>

#include "Gui/Application.h"
#include "Gui/Forms.h"
#include "Gui/Timer.h"
#include "KivLX/KivLXForms.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

namespace {

// Runs the message loop until `done` or two seconds have passed.
template <typename Pred>
void PumpUntil(Pred done) {
  for (int i = 0; i < 200 && !done(); ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

class Toolkit : public ::testing::Test {
 protected:
  void TearDown() override { Application().OnException = nullptr; }
};

TEST_F(Toolkit, DefaultTitleIsTheFileNameUpToItsFirstStop) {
  std::u16string path = Platform::GetModuleFileName(nullptr);
  std::u16string name = path.substr(path.find_last_of(u'\\') + 1);
  std::u16string title = Application().Title();
  ASSERT_FALSE(title.empty());
  EXPECT_EQ(title[0], name[0]);
  EXPECT_EQ(title.find(u'.'), std::u16string::npos);
  EXPECT_EQ(title, name.substr(0, 1) + Platform::CharLower(name.substr(1, name.find(u'.') - 1)));
  Application().SetTitle(u"Set");
  EXPECT_EQ(Application().Title(), u"Set");
  Application().SetTitle(u"");
}

TEST_F(Toolkit, ExceptionsFromHandlersReachTheHookExceptTheSilentAbort) {
  std::vector<std::string> seen;
  Application().OnException = [&](TComponent*, Exception& e) { seen.push_back(e.Message()); };
  GuardedCall(nullptr, [] { throw EKivGeneralError("refused"); });
  GuardedCall(nullptr, [] { throw EAbort(); });
  GuardedCall(nullptr, [] { throw std::runtime_error("plain"); });
  GuardedCall(nullptr, [] {});
  EXPECT_EQ(seen, (std::vector<std::string>{"refused", "plain"}));
}

TEST_F(Toolkit, FormWindowCarriesItsPropertiesAndClassName) {
  class TTestForm : public TKivFormLX {
   public:
    using TKivFormLX::TKivFormLX;
    const char* ClassName() const override { return "TTestForm"; }
  };
  TTestForm form(nullptr);
  form.SetCaption(u"SQL-DMO Install");
  form.SetBorderStyle(TFormBorderStyle::bsToolWindow);
  form.SetBorderIcons({.systemMenu = true, .minimize = false, .maximize = false});
  form.SetClientSize(291, 1);
  form.SetPosition(TPosition::poScreenCenter);
  form.SetTaskBarButton(true);
  HWND h = form.Handle();
  ASSERT_NE(h, nullptr);
  wchar_t cls[64];
  GetClassNameW(h, cls, 64);
  EXPECT_STREQ(cls, L"TTestForm");
  wchar_t text[64];
  GetWindowTextW(h, text, 64);
  EXPECT_STREQ(text, L"SQL-DMO Install");
  LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_APPWINDOW);
  LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right - client.left, 291);
  EXPECT_EQ(client.bottom - client.top, 1);
  form.SetCaption(u"SQL-DMO - registering...");
  GetWindowTextW(h, text, 64);
  EXPECT_STREQ(text, L"SQL-DMO - registering...");
}

TEST_F(Toolkit, TimerTicksOnTheMessageLoopAndStopsWhenDisabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.OnTimer = [&](TComponent*) {
    ++ticks;
    timer.SetEnabled(false);  // one-shot, as the installer's timer
  };
  PumpUntil([&] { return ticks > 0; });
  EXPECT_EQ(ticks, 1);
  PumpUntil([] { return false; });
  EXPECT_EQ(ticks, 1) << "a disabled timer ticked again";
}

TEST_F(Toolkit, AnExceptionInATimerHandlerReachesTheHook) {
  std::string seen;
  Application().OnException = [&](TComponent* sender, Exception& e) {
    seen = e.Message() + " from " + (sender ? sender->Name() : "nobody");
  };
  TTimer timer(nullptr);
  timer.SetName("Timer1");
  timer.SetInterval(20);
  timer.OnTimer = [&](TComponent*) {
    timer.SetEnabled(false);
    throw EKivGeneralError("install failed");
  };
  PumpUntil([&] { return !seen.empty(); });
  EXPECT_EQ(seen, "install failed from Timer1");
}

TEST_F(Toolkit, OwnersDestroyWhatTheyOwn) {
  auto* owner = new TComponent(nullptr);
  auto* child = new TComponent(owner);
  child->SetName("Child");
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->FindComponent("child"), child);
  delete child;
  EXPECT_EQ(owner->ComponentCount(), 0);
  new TTimer(owner);
  delete owner;  // with its timer; nothing may tick afterwards
  PumpUntil([] { return false; });
}

}  // namespace
