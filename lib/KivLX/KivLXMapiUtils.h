// KivLXMapiUtils: mail through Simple MAPI, the Windows messaging interface of
// "MAPI32.DLL". The user's mail client takes the message over (its compose window,
// unless asked not to show it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One recipient as the records carry it: 8-bit texts in the system code page.
struct TMapiRecipient {
  std::string name;
  // "SMTP:" + the address; just "SMTP:" for a name without address.
  std::string address;
};

// The recipients of a free-form address list (see ParseAddressList): unique
// entries, each named (with the default name where the list gives none).
std::vector<TMapiRecipient> MapiRecipients(const std::string& recipientList,
                                           const std::string& defaultName);

// The sentence for a Simple MAPI result code (not 0), or "MAPISendMail resulted in an
// error (%d)." for an unlisted one.
std::string MapiErrorText(std::uint32_t code);

#ifdef _WIN32
// Hands a message to the user's mail client. Texts are in the system code page and
// may be empty (no subject, body, attachment or sender; no recipient opens the
// compose window without addressee). The library is loaded for the call and freed
// on every path. A cancel by the user ends in the silent abort (EAbort); a missing
// library or entry and every other MAPI failure raise `Exception` with its text.
void SendMapiMail(const std::string& subject, const std::string& body,
                  const std::string& attachmentPath, const std::string& senderName,
                  const std::string& senderAddress, const std::string& defaultRecipientName,
                  const std::string& recipientList, bool noDialog);
#endif
