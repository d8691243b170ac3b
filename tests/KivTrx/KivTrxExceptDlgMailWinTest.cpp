// "Send Email" of the exception dialog through the stand-in MAPI32.DLL
// (tests/fixtures/MapiRecorder.cpp), which writes down what MAPISendMail was given.
// The suite runs with Wine told to load MAPI32.DLL only as a native library.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "WinTestSupport.h"

namespace {

// The recorder writes "\\" for a backslash and "\xHH" for a byte outside printable ASCII.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
    } else if (s[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (s[i + 1] == 'x' && i + 3 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    }
  }
  return out;
}

// The recorder's lines as key=value.
std::map<std::string, std::string> Recorded(const std::u16string& path) {
  std::map<std::string, std::string> fields;
  if (!FileExists(path)) return fields;
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  std::string text(bytes.begin(), bytes.end());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = Unescape(line.substr(eq + 1));
  }
  return fields;
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
  auto f = Recorded(record_);
  ASSERT_FALSE(f.empty()) << "the stand-in was not called";
  const std::string title = WideToAnsi(Application().Title());
  EXPECT_EQ(f["subject"], title + " Issue");
  EXPECT_EQ(f["flags"], "9");  // the compose window is shown
  EXPECT_EQ(f["recipCount"], "1");
  EXPECT_EQ(f["recip0.name"], title + " Support");
  EXPECT_EQ(f["recip0.address"], "SMTP:help@example.com");
  EXPECT_EQ(f.count("originator"), 0u);
  // The body's questions each leave three empty lines; no line break at the end.
  const std::string body = f["body"];
  EXPECT_EQ(body.find("Error message:\r\n  Boom.\r\n\r\n>> 1. What steps"), 0u) << body;
  EXPECT_NE(body.find("this error?\r\n\r\n\r\n\r\n>> 2."), std::string::npos);
  const std::string end =
      "(The attached file, \"Error Details.txt\", contains technical details about this error.)";
  ASSERT_GE(body.size(), end.size());
  EXPECT_EQ(body.substr(body.size() - end.size()), end);

  // The attachment: the details alone, UTF-16 with its byte-order mark.
  EXPECT_EQ(WideToAnsi(ExtractFileName(AnsiToWide(f["file0.path"]))), "Error Details.txt");
  std::vector<std::uint8_t> bytes = ReadFileBytes(AnsiToWide(f["file0.path"]));
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
  auto f = Recorded(record_);
  ASSERT_FALSE(f.empty()) << "the stand-in was not called";
  EXPECT_EQ(f["recipCount"], "0");
}

TEST_F(ExceptionMail, ACancelInTheMailClientEndsTheActionSilently) {
  SetSupportAddress(u"help@example.com");
  SetEnvironmentVariableW(L"PLINTH_MAPI_RESULT", L"1");  // MAPI_USER_ABORT
  EXPECT_THROW(dialog_->EmailBtn->Click(), EAbort);
}

}  // namespace
