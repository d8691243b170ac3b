// KivTrxResourceUtils: reading and writing the resources of module files for the
// translation framework. Enumeration of every resource, string-table blocks, form
// resources as DFM trees, UTF-16 RCDATA texts, and the creation and rebuild of a
// resource module.
//
// Writing goes through the system's resource-update calls; on Windows 9x they come from
// the update library "kiv_unicows.dll" instead, and without it editing is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Rtl/KivStringList.h"
#include "Rtl/PeImage.h"

// One decoded RT_STRING block: an item per non-empty string, in slot order, each with
// its string id in the object slot (as an integer, see StringIdOf).
using TStringTableBlocks = std::vector<std::unique_ptr<TKivStringList>>;

// id div 16 + 1.
int StringTableBlock(int id);
// The string id an item of a decoded block carries.
int StringIdOf(const TKivStringList& block, int index);

// Decodes the bytes of RT_STRING block `blockNumber` (16 entries of a 16-bit count and
// that many UTF-16 characters) into `out` (cleared first). Data that ends inside an
// entry raises EKivInternalError; bytes after the 16th entry are ignored.
void DecodeStringTableBlock(int blockNumber, const std::uint8_t* data, std::size_t size,
                            TKivStringList& out);
// Encodes a decoded block: each string at the slot its id gives within the block of its
// first item, other slots empty. An empty block encodes to nothing (blockNumber 0).
std::vector<std::uint8_t> EncodeStringTableBlock(const TKivStringList& block, int& blockNumber);

// Checks that a module in these bytes can be handed to the system's resource calls,
// which trust what they read: every resource directory, name and data block lies
// within the bytes (see PeImage::Resources), and every string-table block holds its
// sixteen entries. Raises EReadError naming the damage.
void CheckModuleResources(const std::uint8_t* data, std::size_t size, PeLayout layout);

// Gives the string `id` the new text, in the first non-empty block of its block number.
// An id that is not present changes nothing.
void SetStringTableString(TStringTableBlocks& blocks, int id, const std::u16string& text);

#include "KivTrxDfm/KivTrxDfmUtils.h"

using TDfmForms = std::vector<std::unique_ptr<TDfmForm>>;

#ifdef _WIN32
#include "Rtl/Win.h"

// One resource of a loaded module. Type and Name are integer ids (MAKEINTRESOURCE) or
// point into TypeName/ResName; Data points into the module and is valid while it stays
// loaded. Not copyable, since the identifiers may point into the object itself.
struct TResData {
  TResData() = default;
  TResData(const TResData&) = delete;
  TResData& operator=(const TResData&) = delete;

  std::u16string TypeName;
  std::u16string ResName;
  const wchar_t* Type = nullptr;
  const wchar_t* Name = nullptr;
  WORD Language = 0;
  const void* Data = nullptr;
  DWORD Size = 0;
};
using TResDataList = std::vector<std::unique_ptr<TResData>>;

// The system's calls (NT) or the update library's (9x). Begin raises EKivGeneralError
// "Translation resource editing is not available on this version of Windows." when
// neither is there; its handle is returned unchecked, like the system's.
HANDLE TrxBeginUpdateResource(const std::u16string& fileName, bool deleteExisting);
bool TrxUpdateResource(HANDLE update, const wchar_t* type, const wchar_t* name, WORD language,
                       const void* data, DWORD size);
bool TrxEndUpdateResource(HANDLE update, bool discard);
// Loads "kiv_unicows.dll" once; true when it and all three entry points are there.
bool LoadResourceUpdateLibrary();

// The library image new resource modules start from: a resource-only 32-bit DLL
// without code or exports, carrying two small RCDATA resources of its own, on which
// the resource-update calls work. Generated at build time.
extern const unsigned char kMinimalLibraryImage[];
extern const std::size_t kMinimalLibraryImageSize;
// Creates the file (which must not exist) holding the minimal library image; raises
// the system's error when it cannot, and leaves no partly written file behind.
void WriteMinimalLibraryImage(const std::u16string& fileName);

// An open update of a module file: discarded when destroyed, kept by Commit (which
// raises the system's error when it fails). Begin failing raises the system's error.
class TResourceUpdate {
 public:
  TResourceUpdate(const std::u16string& fileName, bool deleteExisting);
  ~TResourceUpdate();
  TResourceUpdate(const TResourceUpdate&) = delete;
  TResourceUpdate& operator=(const TResourceUpdate&) = delete;

  HANDLE get() const { return handle_; }
  void Commit();

 private:
  HANDLE handle_ = nullptr;
};

// Appends every (type, name, language) of the module, in the system's order. A failing
// enumeration, find, load, lock or size call (size 0 included) raises the system's error;
// a module without any resource appends nothing.
void EnumerateResources(HMODULE module, TResDataList& list);
// Clears `blocks` and appends one decoded block per RT_STRING resource.
void ReadStringTables(HMODULE module, TStringTableBlocks& blocks);
// Writes every non-empty block as RT_STRING, language 0; a failed write raises.
void WriteStringTables(HANDLE update, const TStringTableBlocks& blocks);
// Writes the text as UTF-16 RT_RCDATA `name`, language 0. A name not in upper case
// raises Exception "Internal Error: SaveRcText.ResName must be upper case.".
void SaveRcText(HANDLE update, const std::u16string& name, const std::u16string& text);

// Names of the string-named RT_RCDATA resources that hold binary forms, each once.
void ListFormResources(HMODULE module, std::vector<std::string>& names);
// Parses every form resource into `forms` (cleared), their properties into `flat`
// (cleared; not owning), while a flash message names the file.
void LoadFormsFromModule(HMODULE module, const std::u16string& fileName, TDfmForms& forms,
                         TDfmPropertyList& flat);
// Writes each form back as binary RT_RCDATA "T" + upper-case root object name.
void SaveFormsToModule(HANDLE update, const TDfmForms& forms);

// Every resource of the executable, and its resource-string map as RCDATA "KIV.DRC",
// into the module file (whose own resources are replaced).
void CopyResourcesToModule(const std::u16string& exeFileName, const std::u16string& moduleFileName);
// The same writes into an open update, which the caller ends.
void CopyResourcesToUpdate(const std::u16string& exeFileName, HANDLE update);
// A new module for the language from the minimal library image; returns its name.
std::u16string CreateResourceModule(const std::u16string& exeFileName, std::uint32_t langId);
// Rebuilds a module made for another build, keeping its translations. The new module
// is built as "<module>.new" and put in place only when complete; on 9x the old one
// waits as "<module>.previous" until then.
void UpdateTranslationResource(const std::u16string& exeFileName,
                               const std::u16string& moduleFileName);
// The names a rebuild gives the new module while it is built and the old one while it
// waits aside.
std::u16string RebuildSuccessorName(const std::u16string& moduleFileName);
std::u16string RebuildSetAsideName(const std::u16string& moduleFileName);
// Resolves what an interrupted rebuild left beside the module: a set-aside module is
// put back when the module is missing, damaged or not prepared, and deleted when a
// whole module stands in its place; a successor not yet in place is deleted. Failures
// leave the files for the next start.
void ResolveInterruptedRebuild(const std::u16string& moduleFileName) noexcept;

// For tests: when this environment variable names a step of the rebuild, the process
// ends there at once with this exit code, as a kill or a power loss would end it.
inline constexpr char kRebuildStopVariable[] = "PLINTH_TRX_REBUILD_STOP";
inline constexpr unsigned kRebuildStoppedExitCode = 75;

// Exists between InitializeKivTrxResourceUtils and FinalizeKivTrxResourceUtils.
void InitializeKivTrxResourceUtils();
void FinalizeKivTrxResourceUtils();
#endif
