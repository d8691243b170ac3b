#include "KivLX/KivLXMapiUtils.h"

#include "Rtl/Win.h"
// The messaging declarations need the Windows types before them.
#include <mapi.h>

#include "Gui/Application.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"

namespace {

// MAPI takes non-const text pointers but does not write through them.
LPSTR Text(const std::string& s) { return const_cast<LPSTR>(s.c_str()); }
LPSTR TextOrNull(const std::string& s) { return s.empty() ? nullptr : Text(s); }

}  // namespace

void SendMapiMail(const std::string& subject, const std::string& body,
                  const std::string& attachmentPath, const std::string& senderName,
                  const std::string& senderAddress, const std::string& defaultRecipientName,
                  const std::string& recipientList, bool noDialog) {
  MapiMessage message{};
  message.lpszSubject = TextOrNull(subject);
  message.lpszNoteText = TextOrNull(body);

  MapiRecipDesc sender{};
  const std::string senderSmtp = "SMTP:" + senderAddress;
  if (!senderAddress.empty()) {
    sender.ulRecipClass = MAPI_ORIG;
    sender.lpszName = Text(senderName.empty() ? senderAddress : senderName);
    sender.lpszAddress = Text(senderSmtp);
    message.lpOriginator = &sender;
  }

  // The texts the records point into live until the call returns.
  const std::vector<TMapiRecipient> recipients =
      MapiRecipients(recipientList, defaultRecipientName);
  std::vector<MapiRecipDesc> records(recipients.size());
  for (std::size_t i = 0; i < recipients.size(); ++i) {
    records[i].ulRecipClass = MAPI_TO;
    records[i].lpszName = Text(recipients[i].name);
    records[i].lpszAddress = Text(recipients[i].address);
  }
  if (!records.empty()) {
    message.nRecipCount = static_cast<ULONG>(records.size());
    message.lpRecips = records.data();
  }

  MapiFileDesc file{};
  if (!attachmentPath.empty()) {
    file.nPosition = static_cast<ULONG>(-1);  // not placed in the text
    file.lpszPathName = Text(attachmentPath);
    message.nFileCount = 1;
    message.lpFiles = &file;
  }

  ModuleHandle library(Platform::LoadLibrary(u"MAPI32.DLL"));
  if (!library) throw Exception("Mapi32.dll is not available at this time.");
  auto send = Platform::ModuleFunction<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
  if (!send) throw Exception("MAPISendMail is not available at this time (in Mapi32.dll).");

  FLAGS flags = noDialog ? MAPI_LOGON_UI : MAPI_LOGON_UI | MAPI_DIALOG;
  ULONG result = send(0, reinterpret_cast<ULONG_PTR>(Application().Handle()), &message, flags, 0);
  if (result == SUCCESS_SUCCESS) return;
  if (result == MAPI_USER_ABORT) throw EAbort();
  throw Exception(MapiErrorText(result));
}
