// The GUI toolkit's application object, forms and timers, in a real message loop.
#include <gtest/gtest.h>

#include "Gui/Application.h"
#include "FormFiles/FormBinary.h"
#include "Gui/FormStreaming.h"
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

namespace {

// A form class like the program's: one timer, one handler.
class TStreamedForm : public TKivFormLX {
 public:
  explicit TStreamedForm(TComponent* owner) : TKivFormLX(owner) {
    timer = new TTimer(this);
    timer->SetName("Timer1");
  }
  const char* ClassName() const override { return "TStreamedForm"; }
  Method FindMethod(std::string_view name) override {
    if (name == "Timer1Timer") return [this](TComponent*) { ++ticks; };
    return TKivFormLX::FindMethod(name);
  }
  TTimer* timer;
  int ticks = 0;
};

// A description of TStreamedForm with one property replaced or added by `extra`.
std::vector<std::uint8_t> Describe(
    const std::function<void(TBinaryFormWriter&)>& formProps,
    const std::function<void(TBinaryFormWriter&)>& timerProps,
    const char* childClass = "TTimer", const char* childName = "Timer1",
    const char* rootClass = "TStreamedForm") {
  std::vector<std::uint8_t> out;
  TBinaryFormWriter w(out);
  w.WriteSignature();
  w.WriteObjectHeader({0, 0, rootClass, "Form1"});
  formProps(w);
  w.WriteListEnd();
  w.WriteObjectHeader({0, 0, childClass, childName});
  timerProps(w);
  w.WriteListEnd();
  w.WriteListEnd();  // the timer's children
  w.WriteListEnd();  // the form's children
  return out;
}

void GoodForm(TBinaryFormWriter& w) {
  w.WritePropertyName("Caption");
  w.WriteString(u"Streamed \u00e9");
  w.WritePropertyName("BorderStyle");
  w.WriteIdent("bsToolWindow");
  w.WritePropertyName("BorderIcons");
  w.WriteValueType(TValueType::vaSet);
  w.WriteSetElement("biSystemMenu");
  w.WriteSetElement("");
  w.WritePropertyName("ClientWidth");
  w.WriteInteger(291);
  w.WritePropertyName("ClientHeight");
  w.WriteInteger(1);
  w.WritePropertyName("Font.Name");
  w.WriteString(u"MS Shell Dlg 2");
  w.WritePropertyName("TaskBarButton");
  w.WriteBoolean(true);
}

void GoodTimer(TBinaryFormWriter& w) {
  w.WritePropertyName("Interval");
  w.WriteInteger(250);
  w.WritePropertyName("OnTimer");
  w.WriteIdent("Timer1Timer");
  w.WritePropertyName("Left");
  w.WriteInteger(8);
}

std::string ReadError(const std::vector<std::uint8_t>& bytes) {
  TStreamedForm form(nullptr);
  try {
    ReadComponentTree(form, bytes.data(), bytes.size());
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FormStreaming, ADescriptionSetsPropertiesAndBindsHandlers) {
  auto bytes = Describe(GoodForm, GoodTimer);
  TStreamedForm form(nullptr);
  ReadComponentTree(form, bytes.data(), bytes.size());
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.Caption(), u"Streamed \u00e9");
  EXPECT_EQ(form.BorderStyle(), TFormBorderStyle::bsToolWindow);
  EXPECT_TRUE(form.BorderIcons().systemMenu);
  EXPECT_FALSE(form.BorderIcons().minimize);
  EXPECT_EQ(form.ClientWidth(), 291);
  EXPECT_EQ(form.ClientHeight(), 1);
  EXPECT_TRUE(form.TaskBarButton());
  EXPECT_EQ(form.timer->Interval(), 250u);
  ASSERT_TRUE(form.timer->OnTimer);
  form.timer->OnTimer(form.timer);
  EXPECT_EQ(form.ticks, 1);
}

TEST(FormStreaming, DescriptionsThatDoNotFitTheClassesAreRefusedClearly) {
  auto bogus = [](TBinaryFormWriter& w) {
    GoodForm(w);
    w.WritePropertyName("Bogus");
    w.WriteInteger(1);
  };
  EXPECT_EQ(ReadError(Describe(bogus, GoodTimer)),
            "Error reading Form1.Bogus: Property Bogus does not exist");
  auto badEnum = [](TBinaryFormWriter& w) {
    w.WritePropertyName("Position");
    w.WriteIdent("poNowhere");
  };
  EXPECT_EQ(ReadError(Describe(badEnum, GoodTimer)),
            "Error reading Form1.Position: Invalid property value poNowhere");
  auto noMethod = [](TBinaryFormWriter& w) {
    w.WritePropertyName("OnTimer");
    w.WriteIdent("Missing");
  };
  EXPECT_EQ(ReadError(Describe(GoodForm, noMethod)),
            "Error reading Timer1.OnTimer: Method Missing not found");
  EXPECT_EQ(ReadError(Describe(GoodForm, GoodTimer, "TTimer", "Timer2")),
            "Error reading Form1: Component Timer2 of class TTimer not found");
  EXPECT_EQ(ReadError(Describe(GoodForm, GoodTimer, "TButton")),
            "Error reading Form1: Component Timer1 of class TButton not found");
  EXPECT_EQ(ReadError(Describe(GoodForm, GoodTimer, "TTimer", "Timer1", "TOtherForm")),
            "Error reading TStreamedForm: the description is of class TOtherForm");
  auto wrongType = [](TBinaryFormWriter& w) {
    w.WritePropertyName("ClientWidth");
    w.WriteString(u"wide");
  };
  EXPECT_NE(ReadError(Describe(wrongType, GoodTimer)).find("integer expected"),
            std::string::npos);
}

TEST(FormStreaming, TruncatedDescriptionsEndInAReadError) {
  auto bytes = Describe(GoodForm, GoodTimer);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_NE(ReadError(cut), "no error") << n;
  }
}

}  // namespace
