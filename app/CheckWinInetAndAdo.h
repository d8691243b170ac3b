// CheckWinInetAndAdo: the prerequisite inventory. A fixed table of the eight system
// components the maker's applications depend on, filled once at start-up with the
// versions found on this machine, and the list of modules whose versions failure
// reports show.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "Rtl/ResourceString.h"

class TKivStringList;

struct TNeededComp {
  std::string Description;          // display name, system code page
  std::u16string Code;              // short code, e.g. "SQL-DMO"
  std::int32_t InstalledPacked = 0;  // packed InstalledVersion, never negative
  std::uint64_t InstalledVersion = 0;
  std::int32_t RequiredPacked = 0;
  std::int32_t UpperPacked = 0x7FFFFFFF;  // kept as tabled; not read by this program
  std::string WebLink;               // where to get it: a URL or a hint
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

// Fills the table and probes the components (registry errors propagate).
void InitializeCheckWinInetAndAdo();
void FinalizeCheckWinInetAndAdo();

KIV_EXTERN_RESOURCESTRING(CheckWinInetAndAdo_SSqlDmo7Desc);
