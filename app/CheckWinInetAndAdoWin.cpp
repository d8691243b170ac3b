#include "CheckWinInetAndAdo.h"

#include <memory>

#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/CodePage.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Rtl/WideText.h"

KIV_RESOURCESTRING(CheckWinInetAndAdo_SMapiDesc, u"Windows Messaging (mapi32.dll)");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SMapiWebLink, u"your Windows CD.");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SCapiComDesc, u"Microsoft CryptoAPI for COM 2.0");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SMdacDesc, u"Microsoft Data Access Components (MDAC) 2.5");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SJetDesc, u"Microsoft Jet 4.0 Drivers");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SDaoDesc, u"Microsoft DAO 3.6");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SSqlDmo2000Desc, u"Microsoft SQL-DMO 2000 Objects");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SSqlDmo7Desc, u"Microsoft SQL-DMO 7.0 Objects");
KIV_RESOURCESTRING(CheckWinInetAndAdo_SCrystalRDC11, u"Crystal Reports 11.0 RDC");

namespace {

constexpr std::int32_t kSqlDmo7Packed = 0x07CE000B;  // 1998.11
const char16_t* const kMdacSetupParams = u"/q /c:\"dasetup.exe /q /n\"";

std::array<TNeededComp, kNeededCompCount> table;
std::unique_ptr<TKivStringList> reportModules;

struct StoredRecord {
  const ResourceString* description;
  const char16_t* code;
  std::int32_t required;
  std::int32_t upper;
  const ResourceString* webLink;  // null: the download base URL is set later
  const char16_t* setupFile;
  const char16_t* setupParams;
  bool setupFlag;
  std::int32_t setupResult;
};

const StoredRecord kStored[kNeededCompCount] = {
    {&KivLXUtils_SIE5orNewer, u"IE", 0x00050000, 0x7FFFFFFF, &KivLXUtils_SIEWebLink, u"", u"",
     false, 0},
    {&CheckWinInetAndAdo_SMapiDesc, u"MAPI", 0x00010000, 0x7FFFFFFF,
     &CheckWinInetAndAdo_SMapiWebLink, u"", u"", false, 0},
    {&CheckWinInetAndAdo_SCapiComDesc, u"CAPICOM", 0x00020000, 0x7FFFFFFF, nullptr,
     u"InstallCAPICOM.exe", u"", false, 0},
    {&CheckWinInetAndAdo_SMdacDesc, u"MDAC", 0x00020032, 0x7FFFFFFF, nullptr, u"mdac25sp1.exe",
     kMdacSetupParams, true, 3010},
    {&CheckWinInetAndAdo_SJetDesc, u"JET", 0x00040000, 0x00040000, nullptr, u"mdac25sp1.exe",
     kMdacSetupParams, true, 3010},
    {&CheckWinInetAndAdo_SDaoDesc, u"DAO", 0x0003003C, 0x0003003C, nullptr, u"AddDAO36.exe", u"",
     false, 0},
    {&CheckWinInetAndAdo_SSqlDmo2000Desc, u"SQL-DMO", 0x07D0000A, 0x7FFFFFFF, nullptr,
     u"AdSqlDmo2000.exe", u"", false, 0},
    {&CheckWinInetAndAdo_SCrystalRDC11, u"CRYSTAL11", 0x0000000B, 0x0000000B, nullptr,
     u"CrystalReports11RDCSetup.exe", u"", true, 0},
};

void FillStoredValues() {
  for (int i = 0; i < kNeededCompCount; ++i) {
    const StoredRecord& s = kStored[i];
    TNeededComp c;
    c.Description = LoadAnsiResString(*s.description);
    c.Code = s.code;
    c.RequiredPacked = s.required;
    c.UpperPacked = s.upper;
    if (s.webLink) c.WebLink = LoadAnsiResString(*s.webLink);
    c.SetupFile = s.setupFile;
    c.SetupParams = s.setupParams;
    c.SetupFlag = s.setupFlag;
    c.SetupResultCode = s.setupResult;
    table[i] = std::move(c);
  }
}

void Probe() {
  table[ncIE].InstalledVersion = GetWinInetVersion();
  table[ncMapi].InstalledVersion = GetMapiVersion();
  table[ncCapicom].InstalledVersion = GetCapicomVersion();
  table[ncMdac].InstalledVersion = GetRowPositionVersion();
  table[ncJet].InstalledVersion = GetJetOleDbVersion();
  table[ncDao].InstalledVersion = GetDaoVersion();
  table[ncSqlDmo].InstalledVersion = GetSqlDmoVersion();
  // With the SQL Server 7.0 tools, their SQL-DMO 7.0 is what those tools need: it
  // must not be replaced.
  if (HasSqlServer7Tools() && PackedOf(GetSqlDmoVersion()) == kSqlDmo7Packed) {
    table[ncSqlDmo].Description = LoadAnsiResString(CheckWinInetAndAdo_SSqlDmo7Desc);
    table[ncSqlDmo].RequiredPacked = kSqlDmo7Packed;
  }
  table[ncCrystal11].InstalledVersion = GetCrystalRuntimeVersion();
  for (TNeededComp& c : table) c.InstalledPacked = PackedOf(c.InstalledVersion);
}

}  // namespace

const std::array<TNeededComp, kNeededCompCount>& NeededComps() { return table; }

std::int32_t PackedOf(std::uint64_t version) {
  std::uint32_t packed = PackVersion(version);
  return packed > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(packed);
}

void AddReportModule(const std::u16string& fileName) {
  if (!reportModules) return;
  for (int i = 0; i < reportModules->Count(); ++i) {
    if (WideSameText(reportModules->Get(i), fileName)) return;
  }
  reportModules->Add(fileName);
}

const TKivStringList& ReportModules() {
  static const TKivStringList empty;
  return reportModules ? *reportModules : empty;
}

void SetDownloadLinks(const std::u16string& baseUrl) {
  for (TNeededComp& c : table) {
    if (!c.SetupFile.empty()) c.WebLink = WideToAnsi(baseUrl);
  }
}

namespace {

void GatherLocales(TSystemInfoFacts& f) {
  f.systemLocale = GetSystemDefaultLCID();
  f.systemLocaleDescription = GetLocaleDescription(f.systemLocale);
  f.userLocale = GetUserDefaultLCID();
  if (f.userLocale != f.systemLocale) f.userLocaleDescription = GetLocaleDescription(f.userLocale);
  try {
    f.sortOrder = GetLocaleText(f.userLocale, LOCALE_SSORTNAME);
  } catch (const std::exception&) {
    // Only this line may be missing from the report.
  }
  f.ansiCodePage = GetACP();
}

std::u16string LocalTimeText() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  TCaptureTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  return FormatCaptureTime(t);
}

void GatherMemory(TSystemInfoFacts& f) {
  // The extended record knows memory beyond 4 GB, which the old one caps; it is
  // looked up because the oldest systems lack it.
  using StatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
  auto statusEx = Platform::FindSystemFunction<StatusExFn>("kernel32.dll", "GlobalMemoryStatusEx");
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  if (statusEx && statusEx(&ex)) {
    f.totalPhysicalBytes = ex.ullTotalPhys;
    f.availablePhysicalBytes = ex.ullAvailPhys;
    f.memoryLoad = ex.dwMemoryLoad;
    return;
  }
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  f.totalPhysicalBytes = status.dwTotalPhys;
  f.availablePhysicalBytes = status.dwAvailPhys;
  f.memoryLoad = status.dwMemoryLoad;
}

void GatherDisk(TSystemInfoFacts& f) {
  f.windowsDrive = ExtractFileDrive(GetWindowsFolder());
  if (f.windowsDrive.empty()) return;
  DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
  if (Platform::GetDiskFreeSpace(IncludeTrailingSlash(f.windowsDrive), spc, bps, freeClusters,
                                 totalClusters)) {
    f.sectorsPerCluster = spc;
    f.bytesPerSector = bps;
    f.freeClusters = freeClusters;
    f.totalClusters = totalClusters;
  }
}

}  // namespace

TSystemInfoFacts GatherSystemInfo() {
  TSystemInfoFacts f;
  const TKivStringList& modules = ReportModules();
  for (int i = 0; i < modules.Count(); ++i) {
    TSystemInfoFacts::Module m;
    m.path = modules.Get(i);
    m.exists = FileExists(m.path);
    if (m.exists) m.version = GetFileVersion(m.path);
    f.modules.push_back(std::move(m));
  }
  Platform::VersionInfo version;
  Platform::GetVersionEx(version);
  f.osDescription = GetOSDescription();
  f.kernelVersion = GetKernelVersion(f.kernelProduct);
  f.nt = version.platformId == VER_PLATFORM_WIN32_NT;
  if (f.nt) f.administrator = UserIsAdministrator();
  f.computerName = GetComputerNameText();
  f.userName = GetUserNameText();
  GatherLocales(f);
  f.systemTime = LocalTimeText();
  GatherMemory(f);
  GatherDisk(f);
  for (const TNeededComp& c : table) f.components.push_back({c.Code, c.InstalledVersion});
  f.mapiCompany = GetMapiCompany();
  f.rpaWInetVersion = GetRpaWInetVersion(f.rpaWInetCompany);
  for (int i = 0; i < kOfficeAppCount; ++i) f.officeVersions[i] = OfficeAppVersion(TOfficeApps(i));
  return f;
}

void FillSystemInfo(TKivStringList& lines) { WriteSystemInfo(lines, GatherSystemInfo()); }

void InitializeCheckWinInetAndAdo() {
  FillStoredValues();
  SetDownloadLinks(kDownloadBaseUrl);
  reportModules = std::make_unique<TKivStringList>();
  AddReportModule(GetModuleFileName(nullptr));
  Probe();
  SetSystemInfoCallback(FillSystemInfo);
}

void FinalizeCheckWinInetAndAdo() {
  SetSystemInfoCallback(nullptr);
  reportModules.reset();
  table = {};
}
