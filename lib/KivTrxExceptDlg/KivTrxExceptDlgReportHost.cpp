#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"

#include "Rtl/Format.h"

// The host has no locale settings to ask: an ISO-like stand-in of the same shape.
std::u16string FormatCaptureTime(const TCaptureTime& t) {
  std::u16string date = WideFormat(u"%.4d-%.2d-%.2d", t.year, t.month, t.day);
  if (t.hour == 0 && t.minute == 0 && t.second == 0 && t.milliseconds == 0) return date;
  return date + WideFormat(u" %.2d:%.2d:%.2d", t.hour, t.minute, t.second);
}

void StartReportTracking() {}
void StopReportTracking() {}
