#include "KivLX/KivLXMapiUtils.h"

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"

std::vector<TMapiRecipient> MapiRecipients(const std::string& recipientList,
                                           const std::string& defaultName) {
  std::vector<TMapiRecipient> recipients;
  if (recipientList.empty()) return recipients;
  std::u16string wideDefault = AnsiToWide(defaultName);
  TKivStringList entries;
  ParseAddressList(entries, AnsiToWide(recipientList), wideDefault, true, true);
  for (int i = 0; i < entries.Count(); ++i) {
    std::u16string name;
    std::u16string address;
    ParseAddress(entries.Get(i), wideDefault, name, address);
    TMapiRecipient r;
    r.name = WideToAnsi(name);
    r.address = "SMTP:" + WideToAnsi(address);
    recipients.push_back(std::move(r));
  }
  return recipients;
}

std::string MapiErrorText(std::uint32_t code) {
  switch (code) {
    case 1:
      return "The user canceled one of the dialog boxes. No message was sent.";
    case 2:
      return "One or more unspecified errors occurred. No message was sent.";
    case 3:
      return "There was no default logon, and the user failed to log on successfully when the "
             "logon dialog box was displayed. No message was sent.";
    case 5:
      return "There was insufficient memory to proceed. No message was sent.";
    case 9:
      return "There were too many file attachments. No message was sent.";
    case 10:
      return "There were too many recipients. No message was sent.";
    case 11:
      return "The specified attachment was not found. No message was sent.";
    case 12:
      return "The specified attachment could not be opened. No message was sent.";
    case 14:
      return "A recipient did not appear in the address list. No message was sent.";
    case 15:
      return "The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was "
             "sent.";
    case 18:
      return "The text in the message was too large. No message was sent.";
    case 21:
      return "A recipient matched more than one of the recipient descriptor structures and "
             "MAPI_DIALOG was not set. No message was sent.";
    case 25:
      return "One or more recipients were invalid or did not resolve to any address.";
    default:
      return Format("MAPISendMail resulted in an error (%d).", code);
  }
}
