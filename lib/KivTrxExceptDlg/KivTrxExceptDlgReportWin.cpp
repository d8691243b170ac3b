#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"

#include <cstring>

#include "Debug/ModuleList.h"
#include "Gui/DeviceContext.h"
#include "KivLX/KivLXVerUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Win/SehGuard.h"

namespace {

TDisplayInfo PrimaryDisplay() {
  TDisplayInfo d;
  d.width = GetSystemMetrics(SM_CXSCREEN);
  d.height = GetSystemMetrics(SM_CYSCREEN);
  if (WindowDC screen = WindowDC::Client(nullptr)) {
    d.bitsPerPixel = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
  }
  return d;
}

// The version resource of a loaded module. On NT it is read where the module is
// mapped: a report lists dozens of modules, and reading each one's file costs more
// than all the rest of the report. (The 9x family reads the file.)
std::vector<std::uint8_t> ModuleVersionInfo(const TLoadedModule& m) {
  if (Platform::IsWin9x()) return LoadFileVersionInfo(m.path);
  HRSRC found = FindResourceA(m.handle, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));  // RT_VERSION
  HGLOBAL loaded = found ? LoadResource(m.handle, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  DWORD size = found ? SizeofResource(m.handle, found) : 0;
  if (!data || size == 0) return {};
  // Room behind it, as the system's copy has, for what the queries may convert.
  std::vector<std::uint8_t> info(static_cast<std::size_t>(size) * 2, 0);
  std::memcpy(info.data(), data, size);
  return info;
}

TModuleEntry ModuleEntry(const TLoadedModule& m) {
  TModuleEntry e;
  e.handle = reinterpret_cast<std::uintptr_t>(m.handle);
  e.path = m.path;
  e.preferredBase = PreferredLoadAddress(m);
  try {
    std::vector<std::uint8_t> info = ModuleVersionInfo(m);
    e.hasVersion = !info.empty();
    if (e.hasVersion) {
      TVersionParts v = SplitVersion(VersionInfoFileVersion(info));
      e.fixedVersion = WideFormat(u"%u.%u.%u.%u", v.major, v.minor, v.release, v.build);
      e.fileVersion = VersionInfoString(info, u"FileVersion", 0, 0);
      e.description = VersionInfoString(info, u"FileDescription", 0, 0);
    }
  } catch (const Exception&) {
    e.hasVersion = false;  // the file is gone or unreadable: no version to show
  }
  return e;
}

}  // namespace

void StartReportTracking() {
  TTrackingOptions options;
  options.rawStackScan = true;
  options.keepModuleList = true;
  SetTrackingOptions(options);
  StartExceptionTracking();
  // Faults the toolkit's guards take reach the facility even without a vectored handler.
  SetSehFaultObserver(&DebugNotifyHardwareFault);
}

void StopReportTracking() {
  SetSehFaultObserver(nullptr);
  StopExceptionTracking();
}

std::u16string FormatCaptureTime(const TCaptureTime& t) {
  SYSTEMTIME st{};
  st.wYear = t.year;
  st.wMonth = t.month;
  st.wDay = t.day;
  st.wHour = t.hour;
  st.wMinute = t.minute;
  st.wSecond = t.second;
  st.wMilliseconds = t.milliseconds;
  std::u16string text = Platform::GetDateFormat(LOCALE_USER_DEFAULT, DATE_SHORTDATE, st);
  if (t.hour == 0 && t.minute == 0 && t.second == 0 && t.milliseconds == 0) return text;
  return text + u" " + Platform::GetTimeFormat(LOCALE_USER_DEFAULT, 0, st);
}

TSystemSection GatherSystemSection() {
  TSystemSection s;
  s.os = GetOsVersion();
  try {
    s.processor = GetProcessorInfo();
  } catch (const std::exception& e) {
    s.processorErrorClass = ExceptionClassName(e);
    s.processorErrorMessage = ReportHeadOf(e).message;
  }
  s.display = PrimaryDisplay();
  return s;
}

bool GatherModules(std::vector<TModuleEntry>& modules) {
  std::vector<TLoadedModule> loaded;
  if (!EnumerateLoadedModules(loaded)) return false;
  modules.clear();
  for (const TLoadedModule& m : loaded) modules.push_back(ModuleEntry(m));
  return true;
}

std::vector<std::u16string> FormatStackEntries(const TStackList& stack,
                                               const TAddressFormat& format) {
  std::vector<std::u16string> entries;
  for (std::size_t i : LiveStackEntries(stack))
    entries.push_back(FormatStackEntry(stack, i, format));
  return entries;
}

TDiagnosticsInput CurrentDiagnosticsInput(std::vector<TActiveControl> focusChain) {
  TDiagnosticsInput in;
  TStackList stack;
  if (LastExceptionStack(stack)) in.stack = std::move(stack);
  in.focusChain = std::move(focusChain);
  return in;
}

void WriteDiagnostics(TKivStringList& lines, unsigned flags, const TDiagnosticsInput& in) {
  if ((flags & dfStackList) && in.stack) {
    WriteStackListSection(lines, FormatCaptureTime(in.stack->time),
                          FormatStackEntries(*in.stack, kStackSectionFormat));
  }
  if (flags & dfSystem) WriteSystemSection(lines, GatherSystemSection());
  if (flags & dfModules) {
    std::vector<TModuleEntry> modules;
    if (GatherModules(modules)) WriteModulesSection(lines, std::move(modules));
  }
  if (flags & dfActiveControls) WriteActiveControlsSection(lines, in.focusChain);
}

void WriteSecondaryExceptionStack(TKivStringList& lines, const std::exception& e) {
  TReportHead head = ReportHeadOf(e);
  lines.Add(u"<----Secondary Exception Stack Trace---->");
  lines.Add(AnsiToWide(head.className));
  lines.Add(AnsiToWide(head.message));
  lines.Add(u"");
  TStackList stack;
  if (LastExceptionStack(stack)) {
    for (const std::u16string& entry : FormatStackEntries(stack, kSecondaryLogFormat))
      lines.Add(entry);
  }
}

std::u16string ExceptionReportText(const std::exception& e, const TDiagnosticsInput& input) {
  TReportHead head = ReportHeadOf(e);
  if (input.stack) head.raiseAddress = input.stack->raiseAddress;
  TKivStringList lines;
  WriteReportHead(lines, head);
  WriteDiagnostics(lines, dfAll, input);
  if (TSystemInfoCallback callback = SystemInfoCallback()) {
    TKivStringList info;
    callback(info);
    // As in the dialog, the section passes through the system's code page.
    for (int i = 0; i < info.Count(); ++i) lines.Add(AnsiToWide(WideToAnsi(info.Get(i))));
  }
  std::u16string message = AnsiToWide(e.what());
  if (message.empty() || message.back() != u'.') message += u".";
  return message + u"\r\n\r\n" + lines.Text();
}
