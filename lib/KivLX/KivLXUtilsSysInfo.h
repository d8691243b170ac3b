// KivLXUtils, system information texts for the failure report.
#pragma once

#include <cstdint>
#include <string>

// System information texts.
// "Win32s", "Win9x", "NT", or the decimal digits of another platform id.
std::u16string GetPlatformName(std::uint32_t platformId);
// "%s %d.%d (Build %d) %s" of the platform name, version, build and service-pack
// text; on the 9x platform the build is the low 16 bits of what the system reports.
std::u16string FormatOSDescription(std::uint32_t platformId, std::uint32_t major,
                                   std::uint32_t minor, std::uint32_t build,
                                   const std::u16string& servicePack);
// The ISO equivalent of a Windows code page, "(Unknown ISO equivalent)" for others.
std::u16string GetCodePageDescription(std::uint32_t codePage);
// Clusters * sectors per cluster * bytes per sector in whole megabytes; a product
// beyond the signed 64-bit range raises EIntOverflow.
std::int64_t GetDiskSizeMB(std::uint32_t clusters, std::uint32_t sectorsPerCluster,
                           std::uint32_t bytesPerSector);

// The Office applications whose versions the report lists.
enum TOfficeApps { oaWord, oaExcel, oaOutlook, oaAccess };
inline constexpr int kOfficeAppCount = 4;
// "Word", "Excel", "Outlook", "Access": also the product names of their install keys.
const char16_t* OfficeAppName(TOfficeApps app);

#ifdef _WIN32
#include "Rtl/Win.h"

// System information for the failure report.
std::u16string GetOSDescription();
// The kernel's file version and product name; 0 and empty when it is not found.
std::uint64_t GetKernelVersion(std::u16string& productName);
// On the NT platform, whether the user's token holds the Administrators group;
// elsewhere always true.
bool UserIsAdministrator();
std::u16string GetComputerNameText();
std::u16string GetUserNameText();
// One locale information text, or "???" when the system has none.
std::u16string GetLocaleText(LCID locale, LCTYPE type);
// "<language> (<country>)", the English names.
std::u16string GetLocaleDescription(LCID locale);
// The "CompanyName" of the Windows Messaging library; empty when it is not found.
std::u16string GetMapiCompany();

// The Office versions ("11.0", "10.0", "9.0" or empty) found when the unit started;
// empty outside its life.
std::u16string OfficeAppVersion(TOfficeApps app);
#endif
