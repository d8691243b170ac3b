#include "KivTrxExceptDlg/KivTrxExceptDlg.h"

// The host build has no dialog and no error log: reports are a Windows affair.
void InstallExceptionDialog() {}
void RemoveExceptionDialog() {}
void LogReport(const std::u16string&) {}
