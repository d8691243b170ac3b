#include "KivTrx/KivTrxExceptDlg.h"

#include "KivTrx/KivTrxExceptDlgReport.h"

namespace {
std::u16string supportAddress;
TSystemInfoCallback systemInfoCallback = nullptr;
}  // namespace

const std::u16string& SupportAddress() { return supportAddress; }
void SetSupportAddress(const std::u16string& address) { supportAddress = address; }

TSystemInfoCallback SystemInfoCallback() { return systemInfoCallback; }
void SetSystemInfoCallback(TSystemInfoCallback callback) { systemInfoCallback = callback; }

void InitializeKivTrxExceptDlg() {
  StartReportTracking();
  InstallExceptionDialog();
}

void FinalizeKivTrxExceptDlg() {
  RemoveExceptionDialog();
  StopReportTracking();
  supportAddress.clear();
}
