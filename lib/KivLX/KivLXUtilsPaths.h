// KivLXUtils, paths: pure text operations on path names, the file system's files and folders,
// and the running program's own path. Paths are wide strings; "\" separates
// directories and ":" ends a drive.
#pragma once

#include <cstdint>
#include <string>

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
#endif
