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

TEST(MapiRecipients, ANameWithoutAddressIsLeftForTheMailClientToResolve) {
  auto r = MapiRecipients("Help Desk", "Support");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "Help Desk");
  EXPECT_EQ(r[0].address, "");
}

TEST(MapiRecipients, NoTextNoRecipients) {
  EXPECT_TRUE(MapiRecipients("", "Support").empty());
  EXPECT_TRUE(MapiRecipients(" ; , ", "Support").empty());
}

TEST(MapiErrorText, ListedCodesAndTheRest) {
  EXPECT_EQ(MapiErrorText(1), "The user canceled one of the dialog boxes. No message was sent.");
  EXPECT_EQ(MapiErrorText(3),
            "There was no default logon, and the user failed to log on successfully when the "
            "logon dialog box was displayed. No message was sent.");
  EXPECT_EQ(MapiErrorText(9), "There were too many file attachments. No message was sent.");
  EXPECT_EQ(MapiErrorText(15),
            "The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was sent.");
  EXPECT_EQ(MapiErrorText(25),
            "One or more recipients were invalid or did not resolve to any address.");
  EXPECT_EQ(MapiErrorText(26), "MAPISendMail resulted in an error (26).");
  EXPECT_EQ(MapiErrorText(4), "MAPISendMail resulted in an error (4).");
}

}  // namespace
