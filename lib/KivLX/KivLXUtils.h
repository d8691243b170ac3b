// KivLXUtils: path, file-system, module and directory helpers of the application
// library. Paths are wide strings; "\" separates directories and ":" ends a drive.
#pragma once

#include <cstdint>
#include <string>

#include "Rtl/ResourceString.h"

KIV_EXTERN_RESOURCESTRING(KivLXUtils_SFileCouldntCreate);
KIV_EXTERN_RESOURCESTRING(KivLXUtils_SIE5orNewer);
KIV_EXTERN_RESOURCESTRING(KivLXUtils_SIEWebLink);

// Path operations: pure text, no file-system access.
std::u16string ExtractFilePath(const std::u16string& name);  // up to and with the last "\" or ":"
std::u16string ExtractFileName(const std::u16string& name);  // after the last "\" or ":"
std::u16string ExtractFileExt(const std::u16string& name);   // from the last "." of the name
std::u16string FileNameWithoutExt(const std::u16string& name);
std::u16string IncludeTrailingSlash(const std::u16string& path);
std::u16string ExcludeTrailingSlash(const std::u16string& path);

// Raises `Exception` with the message when the condition is false.
void AssertTrue(bool condition, const std::string& message);

#ifdef _WIN32
#include "Rtl/Win.h"

// True for an entry that is not a directory and whose last-write time converts to a
// local DOS date and time (1980 to 2107).
bool FileExists(const std::u16string& name);
bool DirectoryExists(const std::u16string& name);
// Creates the directory and its missing parents; false when a creation failed. An
// empty name raises EKivGeneralError "Unable to create directory".
bool ForceDirectories(const std::u16string& dir);
// ForceDirectories, raising EKivGeneralError "Could not create %s" when it fails.
void ForceDirectoriesOrRaise(const std::u16string& dir);
bool SetCurrentDir(const std::u16string& dir);
// The Windows and system folders as the system gives them, however long; empty when
// the system cannot say.
std::u16string GetWindowsFolder();
std::u16string GetSystemFolder();
// Raises "Internal Error: File does not exist: <name>" for a missing file.
void AssertFileExists(const std::u16string& name);
// Deletes a file, clearing a read-only attribute when that stands in the way. A
// failure raises the operating-system error.
void ForceDeleteFile(const std::u16string& name);
void DeleteFileIfExists(const std::u16string& name);

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

// The screen-cursor stack: pushing saves the screen's cursor and shows the given one;
// popping shows the saved one again (the default cursor when the stack is empty).
// Outside the unit's life the stack does not exist: EKivInternalError "Internal Error:
// ScreenCursorStack not assigned.".
void PushScreenCursor(int cursor);
void PopScreenCursor();
int ScreenCursorDepth();

// The unit's start-up and shut-down (the program's unit table).
void InitializeKivLXUtils();
void FinalizeKivLXUtils();
#endif
