// Mail through a stand-in MAPI32.DLL (tests/fixtures/MapiRecorder.cpp) that writes
// down what MAPISendMail was given. The suite runs with Wine told to load MAPI32.DLL
// only as a native library (WINEDLLOVERRIDES=mapi32=n), so each test chooses by the
// library search path whether the recorder, one without the entry, or none is found.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "Gui/Application.h"
#include "KivLX/KivLXMapiUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "WinTestSupport.h"

namespace {

using Fields = TMapiRecord;

class Mapi : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = dir_ / u"record.txt";
    SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", WStr(record_));
    UseLibraryFolder(FixturePath(u"mapi\\"));
  }
  void TearDown() override {
    SetDllDirectoryW(nullptr);
    SetEnvironmentVariableW(L"PLINTH_MAPI_RECORD", nullptr);
    SetEnvironmentVariableW(L"PLINTH_MAPI_RESULT", nullptr);
  }
  void UseLibraryFolder(const std::u16string& folder) {
    ASSERT_TRUE(SetDllDirectoryW(WStr(folder)));
  }
  void Result(const wchar_t* code) { SetEnvironmentVariableW(L"PLINTH_MAPI_RESULT", code); }
  Fields Recorded() { return ReadMapiRecord(record_); }
  // The message of the exception a failing send raises, with its class name.
  std::string Failure(const std::string& recipients = "a@x.com") {
    try {
      SendMapiMail("s", "b", "", "", "", "Support", recipients, false);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "sent";
  }

  TempDir dir_;
  std::u16string record_;
};

std::optional<std::string> Text(const char* s) { return std::string(s); }
const std::optional<std::string> kNull = std::nullopt;

TEST_F(Mapi, TheMessageReachesMapiAsDescribed) {
  std::u16string attachment = dir_ / u"Error Details.txt";
  std::string content(
      "\xFF\xFE"
      "E\0r\0r\0\r\0\n\0",
      12);
  WriteTextFile(attachment, content);
  SendMapiMail("Plinth2000 Issue", "Error message:\r\n  Boom\r\n", WideToAnsi(attachment), "", "",
               "Plinth2000 Support", "Smith, John <john@x.com>; jane@y.com", false);
  Fields f = Recorded();
  ASSERT_FALSE(f.empty()) << "the recorder was not called";
  EXPECT_EQ(f["session"], Text("0"));
  EXPECT_EQ(f["uiParam"], std::to_string(reinterpret_cast<ULONG_PTR>(Application().Handle())));
  EXPECT_EQ(f["flags"], Text("9"));  // log-on dialog and compose window
  EXPECT_EQ(f["reserved"], Text("0"));
  EXPECT_EQ(f["subject"], Text("Plinth2000 Issue"));
  EXPECT_EQ(f["body"], Text("Error message:\r\n  Boom\r\n"));
  EXPECT_EQ(f["messageType"], kNull);
  EXPECT_EQ(f["dateReceived"], kNull);
  EXPECT_EQ(f["conversationID"], kNull);
  EXPECT_EQ(f["message.flags"], Text("0"));
  EXPECT_EQ(f["originator"], kNull);
  EXPECT_EQ(f["recipCount"], Text("2"));
  EXPECT_EQ(f["recip0.reserved"], Text("0"));
  EXPECT_EQ(f["recip0.class"], Text("1"));
  EXPECT_EQ(f["recip0.name"], Text("Smith, John"));
  EXPECT_EQ(f["recip0.address"], Text("SMTP:john@x.com"));
  EXPECT_EQ(f["recip0.eidSize"], Text("0"));
  EXPECT_EQ(f["recip0.eid"], kNull);
  EXPECT_EQ(f["recip1.class"], Text("1"));
  EXPECT_EQ(f["recip1.name"], Text("Plinth2000 Support"));
  EXPECT_EQ(f["recip1.address"], Text("SMTP:jane@y.com"));
  EXPECT_EQ(f["fileCount"], Text("1"));
  EXPECT_EQ(f["file0.reserved"], Text("0"));
  EXPECT_EQ(f["file0.flags"], Text("0"));
  EXPECT_EQ(f["file0.position"], Text("4294967295"));  // -1: not placed in the text
  EXPECT_EQ(f["file0.path"], WideToAnsi(attachment));
  EXPECT_EQ(f["file0.name"], kNull);
  EXPECT_EQ(f["file0.type"], kNull);
  EXPECT_EQ(f["file0.content"], content);
}

TEST_F(Mapi, WithoutDialogAndWithASender) {
  SendMapiMail("s", "b", "", "Jo Sender", "jo@z.com", "Support", "a@x.com", true);
  Fields f = Recorded();
  EXPECT_EQ(f["flags"], Text("1"));
  EXPECT_EQ(f["originator.reserved"], Text("0"));
  EXPECT_EQ(f["originator.class"], Text("0"));
  EXPECT_EQ(f["originator.name"], Text("Jo Sender"));
  EXPECT_EQ(f["originator.address"], Text("SMTP:jo@z.com"));
  EXPECT_EQ(f["originator.eid"], kNull);
  // Without a name the address names the sender.
  SendMapiMail("s", "b", "", "", "jo@z.com", "Support", "a@x.com", true);
  EXPECT_EQ(Recorded()["originator.name"], Text("jo@z.com"));
  // A name alone is no sender.
  SendMapiMail("s", "b", "", "Jo Sender", "", "Support", "a@x.com", true);
  EXPECT_EQ(Recorded()["originator"], kNull);
}

TEST_F(Mapi, AnEmptyMessageOpensTheComposeWindowWithoutAddressee) {
  SendMapiMail("", "", "", "", "", "Plinth2000 Support", "", false);
  Fields f = Recorded();
  EXPECT_EQ(f["flags"], Text("9"));
  EXPECT_EQ(f["subject"], kNull);
  EXPECT_EQ(f["body"], kNull);
  EXPECT_EQ(f["recipCount"], Text("0"));
  EXPECT_EQ(f["recips"], kNull);
  EXPECT_EQ(f["fileCount"], Text("0"));
  EXPECT_EQ(f["files"], kNull);
}

TEST_F(Mapi, TextsTravelInTheSystemCodePage) {
  SendMapiMail(WideToAnsi(u"Caf\u00E9"), "", "", "", "", WideToAnsi(u"Z\u00FCrich Support"),
               "a@x.com, Dup <a@x.com>, a@x.com", false);
  Fields f = Recorded();
  EXPECT_EQ(f["subject"], WideToAnsi(u"Caf\u00E9"));
  EXPECT_EQ(f["recipCount"], Text("2"));  // the duplicate bare address is sent once
  EXPECT_EQ(f["recip0.name"], WideToAnsi(u"Z\u00FCrich Support"));
  EXPECT_EQ(f["recip1.name"], Text("Dup"));
}

TEST_F(Mapi, ANameWithoutAddressReachesMapiWithTheBareSmtpPrefix) {
  SendMapiMail("s", "b", "", "", "", "Support", "a@x.com; Help Desk", false);
  Fields f = Recorded();
  EXPECT_EQ(f["recipCount"], Text("2"));
  EXPECT_EQ(f["recip1.name"], Text("Help Desk"));
  EXPECT_EQ(f["recip1.address"], Text("SMTP:"));
}

TEST_F(Mapi, ACancelIsTheSilentAbort) {
  Result(L"1");
  EXPECT_EQ(Failure(), "EAbort: Operation aborted");
  EXPECT_FALSE(Recorded().empty());
}

TEST_F(Mapi, OtherResultsRaiseTheirSentence) {
  Result(L"9");
  EXPECT_EQ(Failure(), "Exception: There were too many file attachments. No message was sent.");
  Result(L"26");
  EXPECT_EQ(Failure(), "Exception: MAPISendMail resulted in an error (26).");
  Result(L"2");
  EXPECT_EQ(Failure(""),
            "Exception: One or more unspecified errors occurred. No message was sent.");
}

TEST_F(Mapi, TheLibraryIsFreedOnEveryPath) {
  SendMapiMail("s", "b", "", "", "", "Support", "a@x.com", false);
  EXPECT_EQ(GetModuleHandleW(L"MAPI32.DLL"), nullptr);
  Result(L"26");
  Failure();
  EXPECT_EQ(GetModuleHandleW(L"MAPI32.DLL"), nullptr);
  UseLibraryFolder(FixturePath(u"mapi-noentry\\"));
  Failure();
  EXPECT_EQ(GetModuleHandleW(L"MAPI32.DLL"), nullptr);
}

TEST_F(Mapi, AMissingLibraryOrEntryIsSaidSo) {
  TempDir empty;
  UseLibraryFolder(empty.Path());
  EXPECT_EQ(Failure(), "Exception: Mapi32.dll is not available at this time.");
  UseLibraryFolder(FixturePath(u"mapi-noentry\\"));
  EXPECT_EQ(Failure(), "Exception: MAPISendMail is not available at this time (in Mapi32.dll).");
  EXPECT_TRUE(Recorded().empty());
}

}  // namespace
