// KivLXUtils: path, file-system, module and directory helpers of the application
// library. Paths are wide strings; "\" separates directories and ":" ends a drive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Rtl/ResourceString.h"

class TKivStringList;

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

// The drive of a path: "C:" when the second character is ":", "\\server\share" for a
// network path, else empty.
std::u16string ExtractFileDrive(const std::u16string& name);

// Raises `Exception` with the message when the condition is false.
void AssertTrue(bool condition, const std::string& message);

// A number from 0 to 2147483646 from the runtime's generator, seeded from the clock
// on the first call.
int RandomNumber();
// Raises EKivInternalError "Internal Error: <name> not assigned." for a null list.
void AssertListAssigned(const TKivStringList* list, const char* listName);

// Passed as a folder, stands for the system's temporary-files folder.
inline constexpr const char16_t* kWideGetTempPath = u"**WideGetTempPath**";

// Turns a shell execution result of 32 or less into its exception: EKivGeneralError
// with the shell's sentence for the known codes, EKivInternalError "Internal Error:
// ShellExecute() returned code %d for "<file>"." for the others. Above 32 it returns.
void CheckShellResult(std::intptr_t code, const std::u16string& verb, const std::u16string& file);

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

// Mail addresses. An address list is free text: display names with bracketed
// addresses, bare addresses, separated by commas, semicolons or (between bare
// addresses) blanks.
//
// Fills `list` with the list's unique normalised entries (see FormatAddress).
void ParseAddressList(TKivStringList& list, std::u16string_view text,
                      const std::u16string& defaultName, bool includeNames, bool allowNameOnly);
// One entry normalised: the bare address without names (or for an entry without a
// name), else the quoted name and the bracketed address; a name without address only
// when `allowNameOnly`, else empty.
std::u16string FormatAddress(std::u16string_view entry, const std::u16string& defaultName,
                             bool includeNames, bool allowNameOnly);
// The display name and address of one entry; an address without name gets the
// default name. Quotes and angle brackets in the name become "'", "{" and "}".
void ParseAddress(std::u16string_view entry, const std::u16string& defaultName,
                  std::u16string& name, std::u16string& address);
// The 1-based position of the comma or semicolon that ends the first entry, or 0
// when the text is one entry.
std::size_t FindAddressSeparator(std::u16string_view text);
// Removes every character that IsBlankChar accepts.
std::u16string RemoveWhitespace(std::u16string_view text);
// Non-overlapping occurrences of `pattern` in `text`; 0 when either is empty.
std::size_t CountOccurrences(std::u16string_view text, std::u16string_view pattern);
// For a text that starts with a double quote, the quoted text with doubled quotes
// read as one; the text unchanged when that is empty or it starts otherwise.
std::u16string ExtractQuoted(std::u16string_view text);
// A seed from the clock and the process, different on every run.
std::uint64_t ClockSeed();
// Whether the system counts the character as white space or a blank (the platform's
// character types; the host's stand-in knows the Unicode spaces).
bool IsBlankChar(char16_t c);

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

// Temporary folders and files, removed when the unit shuts down. Outside the unit's
// life the lists do not exist: registering raises EKivInternalError "Internal Error:
// <list> not assigned.".
//
// The system's temporary-files folder as it gives it (with its trailing "\").
std::u16string GetTempFolder();
// A new, empty folder (path ending in "\"), registered for removal. A folder that
// cannot be created raises EKivGeneralError "Could not create %s".
std::u16string NewTempFolder();
// A path "<folder>\<prefix>-<hex><suffix>" that nothing occupies yet; the folder is
// created if missing. The file is neither created nor registered.
std::u16string NewTempFileName(const std::u16string& suffix,
                               const std::u16string& folder = kWideGetTempPath,
                               const std::u16string& prefix = u"tmp");
// A temporary file name in the temporary-files folder, registered for deletion; the
// caller creates the file.
std::u16string NewTempFile(const std::u16string& suffix);
// Deletes the folder tree and forgets it; never fails (a folder that could not be
// deleted stays registered).
void RemoveTempFolder(const std::u16string& path);
// Removes every registered folder, last registered first, and empties the list.
void CollectTempFolders();
// Deletes every registered file, first registered first, ignoring failures, and
// empties the list.
void CollectTempFiles();
// The lists themselves; null outside the unit's life.
TKivStringList* GarbageCollectedFolderList();
TKivStringList* GarbageCollectedFileList();

// Shell services.
// Runs a shell file operation; a failure or an operation the shell reports as
// aborted ends in the silent abort (EAbort).
void ShellFileOperation(HWND window, UINT operation, const std::u16string& from,
                        const std::u16string& to, FILEOP_FLAGS flags, const std::u16string& title);
// Deletes a file or folder tree through the shell, owned by the application window.
void ShellDelete(const std::u16string& path, FILEOP_FLAGS flags);
// Runs the shell's execute service and CheckShellResult on its result.
void ShellExecuteChecked(HWND window, const std::u16string& verb, const std::u16string& file,
                         int show, const std::u16string& parameters = u"",
                         const std::u16string& directory = u"");
// ShellExecuteChecked with the application window and the verb "open".
void ShellOpen(const std::u16string& file, const std::u16string& parameters = u"",
               const std::u16string& directory = u"", int show = SW_SHOWNORMAL);

// The running program.
std::u16string GetProgramPath();
std::u16string GetProgramFolder();  // with a trailing "\"
// The stored name of the path's last component (long name, stored case) when the
// file system has it; the path unchanged otherwise.
std::u16string GetLongNameOf(const std::u16string& path);
// The absolute path with every component as the file system stores it (long names
// instead of 8.3 aliases); the drive part is kept. Components that do not exist are
// kept as written. Empty for an empty path.
std::u16string GetLongPathText(const std::u16string& path);

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
