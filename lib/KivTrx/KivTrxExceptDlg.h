// KivTrxExceptDlg: the exception dialog's unit. It is the home of two settings the
// program fills at start-up: the support address that failure reports are mailed to,
// and the callback that appends the system-information section to a report.
#pragma once

#include <string>

class TKivStringList;

using TSystemInfoCallback = void (*)(TKivStringList& lines);

const std::u16string& SupportAddress();
void SetSupportAddress(const std::u16string& address);

// Empty (null) unless the inventory unit has set it.
TSystemInfoCallback SystemInfoCallback();
void SetSystemInfoCallback(TSystemInfoCallback callback);

void InitializeKivTrxExceptDlg();
// Clears the support address.
void FinalizeKivTrxExceptDlg();
