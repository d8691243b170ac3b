// KivLXUtils, temporary folders and files that the unit removes when it shuts down.
#pragma once

#include <cstdint>
#include <string>

class TKivStringList;

// Passed as a folder, stands for the system's temporary-files folder.
inline constexpr const char16_t* kWideGetTempPath = u"**WideGetTempPath**";

#ifdef _WIN32
#include "Rtl/Win.h"

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
#endif
