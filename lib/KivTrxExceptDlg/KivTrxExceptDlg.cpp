#include "KivTrxExceptDlg/KivTrxExceptDlg.h"

#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/Format.h"

namespace {
std::u16string supportAddress;
TSystemInfoCallback systemInfoCallback = nullptr;
}  // namespace

const std::u16string& SupportAddress() { return supportAddress; }
void SetSupportAddress(const std::u16string& address) { supportAddress = address; }

TSystemInfoCallback SystemInfoCallback() { return systemInfoCallback; }
void SetSystemInfoCallback(TSystemInfoCallback callback) { systemInfoCallback = callback; }

std::u16string NextErrorFileName(const std::u16string& folder, const std::u16string& program,
                                 const std::function<bool(const std::u16string&)>& exists) {
  for (long long n = 1;; ++n) {
    std::u16string name = WideFormat(u"%s%s_Error_%.4d.txt", folder, program, n);
    if (!exists(name)) return name;
  }
}

std::u16string DetailsFontName(const std::u16string& memoFont,
                               const std::function<bool(const std::u16string&)>& installed) {
  if (installed(memoFont)) return memoFont;
  if (installed(u"Courier New")) return u"Courier New";
  return {};
}

void InitializeKivTrxExceptDlg() {
  StartReportTracking();
  InstallExceptionDialog();
}

void FinalizeKivTrxExceptDlg() {
  RemoveExceptionDialog();
  StopReportTracking();
  supportAddress.clear();
}
