// The main form, built from its stored description by the class registry.
#include <gtest/gtest.h>

#include "EmbeddedFiles.h"
#include "FormFiles/FormText.h"
#include "Gui/Application.h"
#include "Gui/PlatformGui.h"
#include "Gui/Writer.h"
#include "KivTrx/KivTrxForms.h"
#include "PlinthMainFrm.h"

namespace {

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

class MainForm : public ::testing::Test {
 protected:
  void SetUp() override { Application().Initialize(); }
};

TEST_F(MainForm, IsATranslatableFormBuiltFromItsDescription) {
  // The message loop is not run here: the timer's tick would start an install.
  std::unique_ptr<TForm1> form(TForm::Create<TForm1>(nullptr));
  EXPECT_EQ(form->Name(), "Form1");
  EXPECT_EQ(form->Caption(), u"SQL-DMO Install");
  EXPECT_EQ(form->BorderStyle(), TFormBorderStyle::bsToolWindow);
  EXPECT_EQ(form->BorderIcons(), biSystemMenu);
  EXPECT_EQ(form->Position(), TPosition::poScreenCenter);
  EXPECT_TRUE(form->TaskBarButton());
  EXPECT_EQ(form->Font().Name(), u"MS Shell Dlg 2");
  EXPECT_EQ(form->Font().Height(), -11);
  EXPECT_EQ(form->Color(), clBtnFace);
  EXPECT_EQ(form->PixelsPerInch(), 96);
  EXPECT_EQ(form->TextHeight(), 13);
  ASSERT_NE(form->Timer1, nullptr);
  EXPECT_EQ(form->Timer1->Interval(), 250);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->Timer1->OnTimer.MethodName(), "Timer1Timer");
  EXPECT_EQ(form->KivTranslatableProps().Text(), u"Caption\r\n");
  void* trx = nullptr;
  EXPECT_TRUE(form->GetInterface(IID_IKivTrxForm, &trx));
  EXPECT_EQ(&static_cast<IKivTrxForm*>(trx)->GetKivTranslatableProps(),
            &form->KivTranslatableProps());
}

TEST_F(MainForm, WindowIsACaptionOnlyToolWindowWithItsOwnTaskBarButton) {
  std::unique_ptr<TForm1> form(TForm::Create<TForm1>(nullptr));
  form->Timer1->SetEnabled(false);
  HWND h = form->Handle();
  EXPECT_EQ(Platform::GetClassName(h), u"TForm1");
  EXPECT_EQ(Platform::GetWindowText(h), u"SQL-DMO Install");
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 291);
  EXPECT_EQ(client.bottom, 1);
  LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_APPWINDOW);
  LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  // No owner: the application window would otherwise carry the button.
  EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
}

TEST_F(MainForm, TheWriterGivesBackTheStoredDescription) {
  // No message is pumped, so the running timer never ticks.
  std::unique_ptr<TForm1> form(TForm::Create<TForm1>(nullptr));
  std::string written = FormBinaryToText(WriteDescription(*form));
  EXPECT_EQ(WithoutCarriageReturns(written),
            WithoutCarriageReturns(TestForm("PlinthMainFrm.dfm").Text()));
}

}  // namespace
