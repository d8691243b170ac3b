// CheckWinInetAndAdo: the prerequisite inventory. A fixed table of the eight system
// components the maker's applications depend on, filled once at start-up with the
// versions found on this machine, and the list of modules whose versions failure
// reports show.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Rtl/ResourceString.h"

class TKivStringList;

struct TNeededComp {
  std::string Description;           // display name, system code page
  std::u16string Code;               // short code, e.g. "SQL-DMO"
  std::int32_t InstalledPacked = 0;  // packed InstalledVersion, never negative
  std::uint64_t InstalledVersion = 0;
  std::int32_t RequiredPacked = 0;
  std::int32_t UpperPacked = 0x7FFFFFFF;  // kept as tabled; not read by this program
  std::string WebLink;                    // where to get it: a URL or a hint
  std::u16string SetupFile;
  std::u16string SetupParams;
  bool SetupFlag = false;            // kept as tabled; not read by this program
  std::int32_t SetupResultCode = 0;  // kept as tabled; not read by this program
};

inline constexpr int kNeededCompCount = 8;
enum TNeededCompIndex {
  ncIE = 0,
  ncMapi = 1,
  ncCapicom = 2,
  ncMdac = 3,
  ncJet = 4,
  ncDao = 5,
  ncSqlDmo = 6,
  ncCrystal11 = 7
};

// The table; complete after the unit's initialisation.
const std::array<TNeededComp, kNeededCompCount>& NeededComps();

// Where the maker's download server keeps setup programs.
inline constexpr const char16_t* kDownloadBaseUrl = u"http://download.plinth2000.com/download/";

// Adds a full module path to the report's module list unless it is there already
// (compared ignoring case).
void AddReportModule(const std::u16string& fileName);
// The report's module list; empty before initialisation.
const TKivStringList& ReportModules();
// Points every record that has a setup program at `baseUrl`.
void SetDownloadLinks(const std::u16string& baseUrl);

// The packed form (major * 65536 + minor) of a file version. A major part of 32768 or
// more does not fit a non-negative 32-bit value and packs as 0x7FFFFFFF, the newest
// version there can be, so it never reads as missing or old.
std::int32_t PackedOf(std::uint64_t version);

// ---- the system-information section of failure reports ----

inline constexpr const char16_t* kSystemInfoSeparator = u"-------------------------------------";

// What the section tells, gathered from the running system at the moment the report
// is built.
struct TSystemInfoFacts {
  struct Module {
    std::u16string path;
    bool exists = false;
    std::uint64_t version = 0;
  };
  struct Component {
    std::u16string code;
    std::uint64_t version = 0;
  };
  std::vector<Module> modules;  // the report's module list
  std::u16string osDescription;
  std::uint64_t kernelVersion = 0;
  std::u16string kernelProduct;
  bool nt = false;  // the NT platform: only there the administrator line
  bool administrator = false;
  std::u16string computerName;
  std::u16string userName;
  std::uint32_t systemLocale = 0;
  std::u16string systemLocaleDescription;
  std::uint32_t userLocale = 0;
  std::u16string userLocaleDescription;
  std::optional<std::u16string> sortOrder;  // none when reading it failed
  std::uint32_t ansiCodePage = 0;
  std::u16string systemTime;  // the locale's date and time
  std::uint64_t totalPhysicalBytes = 0;
  std::uint64_t availablePhysicalBytes = 0;
  std::uint32_t memoryLoad = 0;  // percent
  std::u16string windowsDrive;   // "C:", "\\server\share" or empty
  std::uint32_t sectorsPerCluster = 0, bytesPerSector = 0;
  std::uint32_t freeClusters = 0, totalClusters = 0;
  std::vector<Component> components;  // the table's order
  std::u16string mapiCompany;
  std::uint64_t rpaWInetVersion = 0;  // 0: not found
  std::u16string rpaWInetCompany;
  std::array<std::u16string, 4> officeVersions;  // by TOfficeApps
};

// The RpaWInet library older than 3.14.0.0 that CompuServe shipped is known to crash.
bool RpaWInetIsUnstable(std::uint64_t version, const std::u16string& companyName);

// Clears the list and writes the section's lines. A disk size beyond the 64-bit range
// raises EIntOverflow.
void WriteSystemInfo(TKivStringList& lines, const TSystemInfoFacts& facts);

#ifdef _WIN32
TSystemInfoFacts GatherSystemInfo();
// The system-information callback of the exception dialog: the section as the
// running system gives it now.
void FillSystemInfo(TKivStringList& lines);
#endif

// Fills the table, probes the components (registry errors propagate) and installs
// FillSystemInfo as the exception dialog's system-information callback.
void InitializeCheckWinInetAndAdo();
// Clears the callback, frees the module list and empties the table.
void FinalizeCheckWinInetAndAdo();

KIV_EXTERN_RESOURCESTRING(CheckWinInetAndAdo_SSqlDmo7Desc);
