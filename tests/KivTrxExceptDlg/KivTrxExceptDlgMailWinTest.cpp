// "Send Email" of the exception dialog through the stand-in MAPI32.DLL
// (tests/fixtures/MapiRecorder.cpp), which writes down what MAPISendMail was given.
// The suite runs with Wine told to load MAPI32.DLL only as a native library.
#include <gtest/gtest.h>

#include <memory>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "WinTestSupport.h"

namespace {

// The record's value of `key`, or "(none)" for a null pointer or a missing key.
std::string Field(const TMapiRecord& record, const std::string& key) {
  auto it = record.find(key);
  return it != record.end() && it->second ? *it->second : "(none)";
}

class ExceptionMail : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
    InitializeKivTrxExceptDlg();
    record_ = dir_ / u"record.txt";
    SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", WStr(record_));
    ASSERT_TRUE(SetDllDirectoryW(WStr(FixturePath(u"mapi\\"))));
    dialog_.reset(TForm::Create<TKivExceptionDialog>(nullptr));
    dialog_->Prepare(Exception("Boom"));
    dialog_->BuildDetails();
  }
  void TearDown() override {
    dialog_.reset();
    SetDllDirectoryW(nullptr);
    SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", nullptr);
    SetEnvironmentVariableW(L"PLINTH_MAPI_RESULT", nullptr);
    FinalizeKivTrxExceptDlg();
    FinalizeKivLXUtils();
  }

  TempDir dir_;
  std::u16string record_;
  std::unique_ptr<TKivExceptionDialog> dialog_;
};

TEST_F(ExceptionMail, TheSupportTeamGetsTheMessageInTheBodyAndTheDetailsAttached) {
  SetSupportAddress(u"help@example.com");
  dialog_->EmailBtn->Click();
  TMapiRecord f = ReadMapiRecord(record_);
  ASSERT_FALSE(f.empty()) << "the stand-in was not called";
  const std::string title = WideToAnsi(Application().Title());
  EXPECT_EQ(Field(f, "subject"), title + " Issue");
  EXPECT_EQ(Field(f, "flags"), "9");  // the compose window is shown
  EXPECT_EQ(Field(f, "recipCount"), "1");
  EXPECT_EQ(Field(f, "recip0.name"), title + " Support");
  EXPECT_EQ(Field(f, "recip0.address"), "SMTP:help@example.com");
  EXPECT_EQ(Field(f, "originator"), "(none)");
  // The message indented, each question with three empty lines for the answer, the
  // thanks, and no line break at the end.
  EXPECT_EQ(Field(f, "body"),
            "Error message:\r\n  Boom.\r\n\r\n"
            ">> 1. What steps did you perform prior to encountering this error?\r\n\r\n\r\n\r\n"
            ">> 2. What were you trying to accomplish?\r\n\r\n\r\n\r\n"
            ">> 3. How often do you receive this error message?\r\n\r\n\r\n\r\n"
            ">> ^^^^^ Thank you for reporting this error! ^^^^^^\r\n\r\n"
            "(The attached file, \"Error Details.txt\", contains technical details about this "
            "error.)");

  // The attachment: the details alone, UTF-16 with its byte-order mark.
  EXPECT_EQ(WideToAnsi(ExtractFileName(AnsiToWide(Field(f, "file0.path")))), "Error Details.txt");
  std::vector<std::uint8_t> bytes = ReadFileBytes(AnsiToWide(Field(f, "file0.path")));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::u16string attached;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    attached.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  EXPECT_EQ(attached, dialog_->DetailsMemo->Text());
  EXPECT_EQ(attached.find(u"Boom."), std::u16string::npos) << "the message is not attached";
}

TEST_F(ExceptionMail, WithoutASupportAddressTheComposeWindowOpensUnaddressed) {
  SetSupportAddress(u"");
  dialog_->EmailBtn->Click();
  TMapiRecord f = ReadMapiRecord(record_);
  ASSERT_FALSE(f.empty()) << "the stand-in was not called";
  EXPECT_EQ(Field(f, "recipCount"), "0");
}

TEST_F(ExceptionMail, ACancelInTheMailClientEndsTheActionSilently) {
  SetSupportAddress(u"help@example.com");
  SetEnvironmentVariableW(L"PLINTH_MAPI_RESULT", L"1");  // MAPI_USER_ABORT
  EXPECT_THROW(dialog_->EmailBtn->Click(), EAbort);
}

}  // namespace
