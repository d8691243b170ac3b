// KivLXUtils, modules and component probes: where libraries and COM servers are and which
// versions are installed.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include "Rtl/Win.h"

// Full path of a loaded module, however long; a failed query raises the
// operating-system error.
std::u16string GetModuleFileName(HMODULE module);
// Full path of the library the system's search finds for `name`, mapped without
// running its start-up code and unmapped again; empty when it cannot be loaded.
std::u16string FindModulePath(const std::u16string& name);

// Takes the current folder out of the search for libraries loaded by name, so a
// library planted in the folder a program was started from (a download folder) is
// never picked up. The program's own folder and the system folders stay searched.
// Call it at start, before anything loads a library by name. Before XP SP1, where
// the search cannot be changed, the current folder becomes the system folder.
void HardenDllSearchPath();
// Loads a library by its full path so that the libraries it imports are found in
// its own folder (a COM server's companions), whatever the hardening left out.
HMODULE LoadLibraryBesideItsCompanions(const std::u16string& fileName);

// Component probes: versions of installed components, found through the system's
// library search or the COM registration of a ProgID, without running their code.
// 0, false or an empty text when nothing is found; a registry value of the wrong type
// raises the registry exception.
std::u16string GetClsidServerPath(const GUID& clsid);
std::u16string GetProgIdServerPath(const std::u16string& progId);
std::uint64_t GetProgIdServerVersion(const std::u16string& progId);
std::u16string GetOfficeInstallRoot(const std::u16string& version, const std::u16string& product);
std::u16string GetOfficeAppVersion(const std::u16string& product, const std::u16string& exeName);
std::uint64_t GetWinInetVersion();
std::uint64_t GetMapiVersion();
std::uint64_t GetCapicomVersion();
std::uint64_t GetRowPositionVersion();
std::uint64_t GetJetOleDbVersion();
std::uint64_t GetDaoVersion();
std::uint64_t GetSqlDmoVersion();
std::uint64_t GetCrystalRuntimeVersion();
bool HasSqlServer7Tools();
std::uint64_t GetRpaWInetVersion(std::u16string& companyName);
// The registry's brace form of a class identifier, upper-case hex digits.
std::u16string GuidToString(const GUID& guid);
#endif
