#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"

#include <algorithm>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/ResourceString.h"

KIV_RESOURCESTRING(KivTrxExceptDlg_RsExceptionClass, u"Exception class: %s");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsExceptionAddr, u"Exception address: %p");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsThread, u"Thread: %s");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsExceptionMsgPrefix, u"Exception message: %s");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsFailedCall, u"Failed call: %s (%s, line %d, in %s)");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsOleExceptionCode, u"OLE Exception Code: 0x%0:.8x (%0:d)");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsStackList, u"Stack list, generated %s");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsOSVersion,
                   u"System   : %s %s, Version: %d.%d, Build: %x, \"%s\"");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsProcessor, u"Processor: %s, %s, %d MHz %s%s");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsScreenRes, u"Display  : %dx%d pixels, %d bpp");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsModulesList, u"List of loaded modules:");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsMissingVersionInfo, u"(no version info)");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsActiveControl, u"Active Controls hierarchy:");

namespace {
// A module's version lines start below its path, past the "[xxxxxxxx] " handle.
const std::u16string kBelowModulePath(11, u' ');
}  // namespace

void AddBlockSeparator(TKivStringList& lines) { lines.Add(std::u16string(100, u'-')); }

TReportHead ReportHeadOf(const std::exception& e) {
  TReportHead head;
  head.className = ExceptionClassName(e);
  auto* own = dynamic_cast<const Exception*>(&e);
  head.message = own ? own->Message() : e.what();
  if (auto* os = dynamic_cast<const EOSError*>(&e)) head.failedCall = os->FailedCall();
  if (auto* ole = dynamic_cast<const EOleSysError*>(&e)) head.oleCode = ole->ErrorCode();
  if (auto* extra = dynamic_cast<const IKivExceptionExtraInfo*>(&e))
    head.extraInfo = extra->ExtraInfo();
  return head;
}

void WriteReportHead(TKivStringList& lines, const TReportHead& head) {
  lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsExceptionClass), head.className));
  if (head.thread) {
    lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsThread), *head.thread));
  } else {
    lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsExceptionAddr),
                         reinterpret_cast<const void*>(head.raiseAddress)));
  }
  lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsExceptionMsgPrefix), head.message));
  if (head.failedCall) {
    const TSourcePlace& where = head.failedCall->where;
    lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsFailedCall), head.failedCall->text,
                         where.file_name(), static_cast<int>(where.line()), where.function_name()));
  }
  if (head.oleCode) {
    lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsOleExceptionCode), *head.oleCode));
  }
  if (head.extraInfo) {
    lines.Add(u"---- Extra Info BEGIN ----");
    lines.Add(*head.extraInfo);
    lines.Add(u"---- Extra Info END ----");
  }
  AddBlockSeparator(lines);
}

void WriteStackListSection(TKivStringList& lines, const std::u16string& capturedAt,
                           const std::vector<std::u16string>& entries) {
  lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsStackList), capturedAt));
  for (const std::u16string& e : entries) lines.Add(e);
  AddBlockSeparator(lines);
}

void WriteSystemSection(TKivStringList& lines, const TSystemSection& s) {
  lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsOSVersion), WindowsVersionName(s.os),
                       ProductTypeName(s.os), s.os.major, s.os.minor, s.os.build,
                       s.os.servicePack));
  if (s.processor) {
    const TProcessorInfo& p = *s.processor;
    lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsProcessor), p.manufacturer, p.name,
                         RoundProcessorFrequency(p.frequencyMHz), p.mmx ? u"MMX" : u"",
                         p.fdivCorrect ? u"" : u" [FDIV Bug]"));
  } else {
    const char16_t* dashes = u"---------------- Exception during CPU Info --------------";
    lines.Add(dashes);
    lines.Add(AnsiToWide(s.processorErrorClass + ": " + s.processorErrorMessage));
    lines.Add(dashes);
  }
  lines.Add(WideFormat(LoadResString(KivTrxExceptDlg_RsScreenRes), s.display.width,
                       s.display.height, s.display.bitsPerPixel));
  AddBlockSeparator(lines);
}

void WriteModulesSection(TKivStringList& lines, std::vector<TModuleEntry> modules) {
  std::stable_sort(
      modules.begin(), modules.end(),
      [](const TModuleEntry& a, const TModuleEntry& b) { return a.handle < b.handle; });
  lines.Add(LoadResString(KivTrxExceptDlg_RsModulesList));
  for (const TModuleEntry& m : modules) {
    lines.Add(WideFormat(u"[%.8x] %s", m.handle, m.path));
    std::u16string indent = m.preferredBase != 0 && m.preferredBase != m.handle
                                ? WideFormat(u"<%.8x> ", m.preferredBase)
                                : kBelowModulePath;
    if (m.hasVersion) {
      lines.Add(indent + m.fixedVersion + u" - " + m.fileVersion);
      if (!m.description.empty()) lines.Add(kBelowModulePath + m.description);
    } else {
      lines.Add(indent + LoadResString(KivTrxExceptDlg_RsMissingVersionInfo));
    }
  }
  AddBlockSeparator(lines);
}

void WriteActiveControlsSection(TKivStringList& lines, const std::vector<TActiveControl>& chain) {
  if (chain.empty()) return;
  lines.Add(LoadResString(KivTrxExceptDlg_RsActiveControl));
  for (const TActiveControl& c : chain) lines.Add(WideFormat(u"%s \"%s\"", c.className, c.name));
  AddBlockSeparator(lines);
}
