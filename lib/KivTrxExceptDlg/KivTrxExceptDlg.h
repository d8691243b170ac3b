// KivTrxExceptDlg: the exception dialog's unit. It is the home of two settings the
// program fills at start-up: the support address that failure reports are mailed to,
// and the callback that appends the system-information section to a report.
#pragma once

#include <functional>
#include <string>

class TKivStringList;

using TSystemInfoCallback = void (*)(TKivStringList& lines);

const std::u16string& SupportAddress();
void SetSupportAddress(const std::u16string& address);

// Empty (null) unless the inventory unit has set it.
TSystemInfoCallback SystemInfoCallback();
void SetSystemInfoCallback(TSystemInfoCallback callback);

// Writes one text to the error log: an error event in the event log on the NT
// platform, elsewhere a new numbered file "<folder>Errors\<program>_Error_NNNN.txt"
// beside the program (UTF-16 with a byte-order mark). Failures are not reported.
void LogReport(const std::u16string& text);

// The error file to write next: "<folder><program>_Error_NNNN.txt" with the lowest
// number from 1 on whose name `exists` denies. Past 9999 the number takes more
// digits: a file is never replaced.
std::u16string NextErrorFileName(const std::u16string& folder, const std::u16string& program,
                                 const std::function<bool(const std::u16string&)>& exists);

// The detail memo's font: its own when installed, else "Courier New" when that is;
// empty when neither is, for the form's font.
std::u16string DetailsFontName(const std::u16string& memoFont,
                               const std::function<bool(const std::u16string&)>& installed);

// Start-up: exception tracking on, the dialog becomes the application-wide hook and
// the worker-thread event. Shut-down undoes that and clears the support address.
void InitializeKivTrxExceptDlg();
void FinalizeKivTrxExceptDlg();
// The dialog as the toolkit's hook and the facility's thread event (on and off).
void InstallExceptionDialog();
void RemoveExceptionDialog();

#ifdef _WIN32
#include "KivTrxExceptDlg/KivTrxExceptDlgWin.h"
#endif
