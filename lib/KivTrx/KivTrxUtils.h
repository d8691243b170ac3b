// KivTrxUtils: what a module file says about its translation. A module is "prepared"
// (made by the translation framework) when it carries the resource-string map and a
// build GUID; it belongs to a build of the program when both carry the same GUID.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text that stands for "no GUID" in a module made without one.
inline constexpr char16_t kPlaceholderGuid[] = u"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";

// The files a resource module may be, in the order they are tried: the executable's
// name with its extension replaced by the registry override (when not empty), by the
// locale's three-letter abbreviation, then by its first two letters (when the
// abbreviation is not empty). None for a name without a "." or when both texts are
// empty.
std::vector<std::u16string> ResourceModuleCandidates(const std::u16string& exeFileName,
                                                     const std::u16string& override,
                                                     const std::u16string& abbreviation);

#ifdef _WIN32
#include "Rtl/Win.h"

#include "Win/Handles.h"

// A module file is untrusted input: the system's resource calls read whatever its
// resource directory says, so a damaged module must be refused before any of them
// runs on it. Raises EKivGeneralError "The resource module <file> is damaged (<why>)."
// when the loaded module's resources lie outside what is mapped of it or a string
// table is cut short.
void CheckModuleIntact(HMODULE module, const std::u16string& fileName);
// Loads the file as a data file (the system's error when it cannot be loaded) and
// checks that it is intact.
ModuleHandle LoadModuleAsDataFile(const std::u16string& fileName);

// True when the loaded module has an RCDATA resource of that name.
bool HasRcDataResource(HMODULE module, const std::u16string& name);
// The RCDATA resource as UTF-16LE text (size / 2 characters); empty when there is none.
// A resource found but not loadable raises the system's error.
std::u16string ReadRcDataText(HMODULE module, const std::u16string& name);

// The build GUID of a module file, loaded as a data file (a file that cannot be loaded
// raises the system's error, a damaged one EKivGeneralError): "KIV_TRX_GUID", or
// "KIV.GUID" when that is missing, empty or the placeholder.
std::u16string ReadModuleGuid(const std::u16string& fileName);
// The two GUIDs are equal, case-sensitively; two modules without one are the same.
bool SameModuleGuid(const std::u16string& fileA, const std::u16string& fileB);

// The file carries the resource-string map (as the section or the RCDATA "KIV.DRC")
// and a GUID. The GUID is read only when the map is there. A file that cannot be
// loaded or is damaged raises.
bool IsResourceModulePrepared(const std::u16string& fileName);
// Raises EKivInternalError "Internal Error: KIV.DRC or KIV_TRX_GUID resource not
// created.  (<file>)" when the file is not prepared.
void CheckResourceModulePrepared(const std::u16string& fileName);

// ---- The program's resource source ----

// The locale override for the running executable: the value named by its long path in
// the first of HKCU "Software\Kiv\Locales", HKLM "Software\Kiv\Locales" and HKCU
// "Software\Kiv\Toolkit\Locales" that opens, else that key's default value. A value
// that is missing, empty or not a string counts as absent; no key gives "".
std::u16string ReadLocaleOverride();
// The thread locale's three-letter language abbreviation (DEU, ENU).
std::u16string ThreadLocaleAbbreviation();

// Chooses the resource module at process start, before any unit starts: the first
// candidate that loads as a data file becomes the resource source. What an interrupted
// rebuild left beside a candidate is resolved first. A candidate that loads but is
// damaged, or a file that exists but does not load when no candidate does, is not used
// and is named by StartTranslation. Returns the module, or null when the program stays
// its own resource source.
HMODULE ChooseResourceModule();
// The one owner of the resource module in use: every switch of the resource source goes
// through it, it frees the module that loses its place, and the last one at the end of
// the run.
class TResourceModuleOwner {
 public:
  static TResourceModuleOwner& Instance();
  TResourceModuleOwner(const TResourceModuleOwner&) = delete;
  TResourceModuleOwner& operator=(const TResourceModuleOwner&) = delete;
  ~TResourceModuleOwner();

  // The module in use; the program when none is.
  HMODULE Current() const;
  // Makes `module` the resource source and frees the one in use. Null: the program.
  void Use(ModuleHandle module);

 private:
  TResourceModuleOwner() = default;
  ModuleHandle module_;
};

// The module forms and resource strings are read from.
HMODULE CurrentResourceInstance();
// Makes `module` the resource source, handing it to the owner, which frees the previous
// one unless it is the program itself. Returns `module`.
HMODULE SetResourceInstance(HMODULE module);
// The file of the resource module in use, found again by the rules of the choice; the
// program's own file when no module is in use. Raises EKivInternalError "Internal
// Error: Can not determine resource module." when no candidate loads.
std::u16string FindResourceModuleFile();

// On Windows 9x, warns when the language's code page is not the system's.
void CheckLocaleCodePage(std::uint32_t langId);

// The start-up check of the resource module in use: a damaged or unprepared module is
// dropped with a message; one made for another build is rebuilt for this one and used.
void StartTranslation();
#endif
