// KivTrxExceptDlg: the exception report's text below the dialog. The report head
// (exception class, address or thread, message, COM code, extra information) and
// the diagnostic sections (stack list, system, loaded modules, active controls),
// each written as lines into a string list and followed by the block separator.
//
// The writers of the form `Write...Section` take their data ready-made and are
// portable; WriteDiagnostics gathers the data from the running system.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "Debug/OsVersion.h"
#include "Debug/ProcessorInfo.h"
#include "Debug/StackTrace.h"
#include "Rtl/Exceptions.h"

class TKivStringList;

// Section flags of WriteDiagnostics, written in this order.
enum TDiagnosticFlag : unsigned {
  dfStackList = 1,
  dfSystem = 2,
  dfModules = 4,
  dfActiveControls = 8,
  dfAll = 15,
};

// A line of 100 hyphens.
void AddBlockSeparator(TKivStringList& lines);

// An exception that carries extra information for the report implements this.
class IKivExceptionExtraInfo {
 public:
  virtual ~IKivExceptionExtraInfo() = default;
  virtual std::u16string ExtraInfo() const = 0;
};

struct TReportHead {
  std::string className;
  // The description of the worker thread the exception ended (ThreadDescription);
  // none for the GUI thread, whose head shows the raise address instead.
  std::optional<std::u16string> thread;
  std::uintptr_t raiseAddress = 0;
  std::string message;                    // as raised, in the system code page
  std::optional<TFailedCall> failedCall;  // for an EOSError a failure macro raised
  std::optional<std::int32_t> oleCode;    // for EOleSysError
  std::optional<std::u16string> extraInfo;
};
// The head's data of an exception: class name (ExceptionClassName), message, the
// failed system call, COM code and extra text.
TReportHead ReportHeadOf(const std::exception& e);

// "Exception class: ...", "Exception address: ..." or "Thread: ...", "Exception
// message: ...", "Failed call: ..." with the call's place, the COM code line, the
// extra-information block, the separator.
void WriteReportHead(TKivStringList& lines, const TReportHead& head);

// "Stack list, generated <time>", one line per entry, the separator.
void WriteStackListSection(TKivStringList& lines, const std::u16string& capturedAt,
                           const std::vector<std::u16string>& entries);

struct TDisplayInfo {
  int width = 0, height = 0, bitsPerPixel = 0;
};
struct TSystemSection {
  TOsVersion os;
  // The processor, or the exception that gathering it raised.
  std::optional<TProcessorInfo> processor;
  std::string processorErrorClass, processorErrorMessage;
  TDisplayInfo display;
};
void WriteSystemSection(TKivStringList& lines, const TSystemSection& system);

struct TModuleEntry {
  std::uintptr_t handle = 0;
  std::u16string path;
  std::uintptr_t preferredBase = 0;  // 0 when unknown
  bool hasVersion = false;
  std::u16string fixedVersion;  // "%u.%u.%u.%u"
  std::u16string fileVersion;   // the "FileVersion" string
  std::u16string description;   // the "FileDescription" string
};
// "List of loaded modules:", the modules by handle, the separator.
void WriteModulesSection(TKivStringList& lines, std::vector<TModuleEntry> modules);

// A control of the focus chain: class name and component name (may be empty).
struct TActiveControl {
  std::u16string className;
  std::u16string name;
};
// "Active Controls hierarchy:", the chain from the focused control up to its
// top-level window, the separator. Nothing at all for an empty chain.
void WriteActiveControlsSection(TKivStringList& lines, const std::vector<TActiveControl>& chain);

// The unit's start-up and shut-down of the stack-walking facility: raw stack
// scanning, a module list built once and kept, exception tracking on (off at
// shut-down). The host build tracks nothing.
void StartReportTracking();
void StopReportTracking();

// The locale's default date-time text: short date and long time, the date alone at
// exactly midnight.
std::u16string FormatCaptureTime(const TCaptureTime& time);

#ifdef _WIN32
// What the report's sections are made of besides the running system.
struct TDiagnosticsInput {
  // The stack list to print; none leaves the stack section out. The dialog takes
  // it when the exception reaches it, before building the report can raise more.
  std::optional<TStackList> stack;
  std::vector<TActiveControl> focusChain;  // focused control first
};
// The stack list of the most recent exception, if any, and the given focus chain.
TDiagnosticsInput CurrentDiagnosticsInput(std::vector<TActiveControl> focusChain = {});

// Appends the sections that `flags` asks for and whose data exists. Only the
// processor line is guarded: another failure leaves the call.
void WriteDiagnostics(TKivStringList& lines, unsigned flags, const TDiagnosticsInput& input);

// The stack section's lines alone: the live call chain's entries (LiveStackEntries)
// formatted with `format`.
std::vector<std::u16string> FormatStackEntries(const TStackList& stack,
                                               const TAddressFormat& format);

// "<----Secondary Exception Stack Trace---->", class name, message, an empty line
// and the most recent stack list with all four formatting switches off.
void WriteSecondaryExceptionStack(TKivStringList& lines, const std::exception& e);

// The whole report of `e` as the dialog shows it once the details are built: the
// message (with the dialog's full stop), an empty line, the head, the diagnostic
// sections of `input` and the system-information section. For a run that shows no
// dialog; take `input` before anything else can raise.
std::u16string ExceptionReportText(const std::exception& e, const TDiagnosticsInput& input);

TSystemSection GatherSystemSection();
// The modules of the process with their versions; false when the enumeration fails.
bool GatherModules(std::vector<TModuleEntry>& modules);
#endif
