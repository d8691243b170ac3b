// The recipients and result texts of Simple MAPI mail.
#include <gtest/gtest.h>

#include "KivLX/KivLXMapiUtils.h"

namespace {

TEST(MapiRecipients, EachEntryGetsANameAndAnSmtpAddress) {
  auto r = MapiRecipients("Smith, John <john@x.com>; jane@y.com", "Plinth2000 Support");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, "Smith, John");
  EXPECT_EQ(r[0].address, "SMTP:john@x.com");
  EXPECT_EQ(r[1].name, "Plinth2000 Support");
  EXPECT_EQ(r[1].address, "SMTP:jane@y.com");
}

TEST(MapiRecipients, NamesKeepTheirReplacedQuotesAndBrackets) {
  auto r = MapiRecipients("Bob \"Bobby\" >> Smith <b@y.com>", "Support");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "Bob 'Bobby' }} Smith");
  EXPECT_EQ(r[0].address, "SMTP:b@y.com");
}

TEST(MapiRecipients, ANameWithoutAddressGetsTheBareSmtpPrefix) {
  auto r = MapiRecipients("Help Desk", "Support");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "Help Desk");
  EXPECT_EQ(r[0].address, "SMTP:");
}

TEST(MapiRecipients, NoTextNoRecipients) {
  EXPECT_TRUE(MapiRecipients("", "Support").empty());
  EXPECT_TRUE(MapiRecipients(" ; , ", "Support").empty());
}

TEST(MapiErrorText, EveryListedCodeAndTheRest) {
  EXPECT_EQ(MapiErrorText(1), "The user canceled one of the dialog boxes. No message was sent.");
  EXPECT_EQ(MapiErrorText(2), "One or more unspecified errors occurred. No message was sent.");
  EXPECT_EQ(MapiErrorText(3),
            "There was no default logon, and the user failed to log on successfully when the "
            "logon dialog box was displayed. No message was sent.");
  EXPECT_EQ(MapiErrorText(5), "There was insufficient memory to proceed. No message was sent.");
  EXPECT_EQ(MapiErrorText(9), "There were too many file attachments. No message was sent.");
  EXPECT_EQ(MapiErrorText(10), "There were too many recipients. No message was sent.");
  EXPECT_EQ(MapiErrorText(11), "The specified attachment was not found. No message was sent.");
  EXPECT_EQ(MapiErrorText(12),
            "The specified attachment could not be opened. No message was sent.");
  EXPECT_EQ(MapiErrorText(14),
            "A recipient did not appear in the address list. No message was sent.");
  EXPECT_EQ(MapiErrorText(15),
            "The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was sent.");
  EXPECT_EQ(MapiErrorText(18), "The text in the message was too large. No message was sent.");
  EXPECT_EQ(MapiErrorText(21),
            "A recipient matched more than one of the recipient descriptor structures and "
            "MAPI_DIALOG was not set. No message was sent.");
  EXPECT_EQ(MapiErrorText(25),
            "One or more recipients were invalid or did not resolve to any address.");
  // Unlisted codes, among them the neighbours of listed ones.
  for (std::uint32_t code : {4u, 6u, 13u, 16u, 17u, 19u, 20u, 22u, 24u, 26u}) {
    EXPECT_EQ(MapiErrorText(code),
              "MAPISendMail resulted in an error (" + std::to_string(code) + ").");
  }
}

}  // namespace
