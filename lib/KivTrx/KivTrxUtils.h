// KivTrxUtils: what a module file says about its translation. A module is "prepared"
// (made by the translation framework) when it carries the resource-string map and a
// build GUID; it belongs to a build of the program when both carry the same GUID.
#pragma once

#include <string>

// The text that stands for "no GUID" in a module made without one.
inline constexpr char16_t kPlaceholderGuid[] = u"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";

#ifdef _WIN32
#include "Rtl/Win.h"

// True when the loaded module has an RCDATA resource of that name.
bool HasRcDataResource(HMODULE module, const std::u16string& name);
// The RCDATA resource as UTF-16LE text (size / 2 characters); empty when there is none.
// A resource found but not loadable raises the system's error.
std::u16string ReadRcDataText(HMODULE module, const std::u16string& name);

// The build GUID of a module file, loaded as a data file (a file that cannot be loaded
// raises the system's error): "KIV_TRX_GUID", or "KIV.GUID" when that is missing, empty
// or the placeholder.
std::u16string ReadModuleGuid(const std::u16string& fileName);
// The two GUIDs are equal, case-sensitively; two modules without one are the same.
bool SameModuleGuid(const std::u16string& fileA, const std::u16string& fileB);

// The file carries the resource-string map (as the section or the RCDATA "KIV.DRC")
// and a GUID. The GUID is read only when the map is there.
bool IsResourceModulePrepared(const std::u16string& fileName);
// Raises EKivInternalError "Internal Error: KIV.DRC or KIV_TRX_GUID resource not
// created.  (<file>)" when the file is not prepared.
void CheckResourceModulePrepared(const std::u16string& fileName);
#endif
