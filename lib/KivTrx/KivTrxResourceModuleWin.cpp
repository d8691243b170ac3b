// The creation and rebuild of resource modules: the part of the resource writer that
// stands on the translation table.
//
// A rebuild writes the new module under a temporary name beside the old one and puts
// it in place only when it is complete, so that a process ended at any point (killed,
// or the power lost) leaves the old module or the complete new one. On NT one
// replacing move puts it in place. The 9x family has none: the old module is set
// aside first and deleted last, and the start-up resolves what an interruption left.
#include <cstring>

#include "KivLX/KivLXFlashMsg.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"

namespace {

// Ends the process at once, as a kill would, when a test names this step of the
// rebuild.
void Step(const char* name) {
  char wanted[32];
  const DWORD n = GetEnvironmentVariableA(kRebuildStopVariable, wanted, sizeof wanted);
  if (n > 0 && n < sizeof wanted && std::strcmp(wanted, name) == 0) {
    TerminateProcess(GetCurrentProcess(), kRebuildStoppedExitCode);
  }
}

void DeleteQuietly(const std::u16string& fileName) noexcept {
  Platform::SetFileAttributes(fileName, FILE_ATTRIBUTE_NORMAL);
  Platform::DeleteFile(fileName);
}

// A failure here leaves the old module under its set-aside name, still whole, for the
// next start.
void PutBack(const std::u16string& aside, const std::u16string& moduleFile) noexcept {
  if (FileExists(moduleFile)) DeleteQuietly(moduleFile);
  Platform::MoveFile(aside, moduleFile);
}

bool HoldsWholeModule(const std::u16string& moduleFile) noexcept {
  try {
    return FileExists(moduleFile) && IsResourceModulePrepared(moduleFile);
  } catch (...) {
    return false;
  }
}

// The program's rows, in a table that saves to the module file. The program is read,
// not a copy of its resources in the module: the module is written once, at the end.
void LoadProgramRows(TKivTransTable& table, const std::u16string& exeFile,
                     const std::u16string& moduleFile) {
  table.SetOrdinalOrder(true);  // nobody sees the order of a table that is only saved
  table.Load(ReadTransTableModule(exeFile), moduleFile, false);
}

// Writes the table's module file anew: the minimal library image, then in one update
// every resource of the program with the table's forms, strings and texts over them
// (what copying the program's resources and then saving the table would write, in one
// pass). A failure removes the half-made file: it would pass for a translation next
// time.
void WriteModuleOfTable(const std::u16string& exeFile, TKivTransTable& table) {
  const std::u16string moduleFile = table.FileName();
  WriteMinimalLibraryImage(moduleFile);
  ScopeGuard removePartial([&]() noexcept { DeleteQuietly(moduleFile); });
  Step("image-written");
  table.Save(false, [&](const TDfmForms& forms, const TStringTableBlocks& blocks,
                        const TTransTableTexts& texts) {
    // Ended with discard when a write fails.
    TResourceUpdate update(moduleFile, true);
    CopyResourcesToUpdate(exeFile, update.get());
    WriteTransTableResources(update.get(), forms, blocks, texts);
    update.Commit();
    CheckResourceModulePrepared(moduleFile);
  });
  removePartial.Dismiss();
}

// A new module file from the executable's resources, its rows in their saved form.
void WriteResourceModule(const std::u16string& exeFile, const std::u16string& moduleFile) {
  TKivTransTable table;
  table.DisableControls();
  ScopeGuard enable([&] { table.EnableControls(); });
  LoadProgramRows(table, exeFile, moduleFile);
  Step("module-prepared");
  table.CanonicalizeFormats();
  WriteModuleOfTable(exeFile, table);
}

// The successor's bytes reach the disk before its name replaces the old module's:
// after a power loss the name must not lead to a file the cache never wrote.
void FlushToDisk(const std::u16string& fileName) {
  FileHandle file(Platform::CreateFile(fileName, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL));
  KIV_THROW_LAST_ERROR_IF(!file || !FlushFileBuffers(file.get()));
}

void PutInPlace(const std::u16string& successor, const std::u16string& moduleFile) {
  FlushToDisk(successor);
  if (!Platform::IsWin9x()) {
    // A read-only module would refuse to be replaced.
    Platform::SetFileAttributes(moduleFile, FILE_ATTRIBUTE_NORMAL);
    if (!Platform::MoveFileEx(successor, moduleFile,
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      KIV_THROW_WIN32(GetLastError(), "MoveFileEx(successor, moduleFile)");
    }
    Step("replaced");
    return;
  }
  const std::u16string aside = RebuildSetAsideName(moduleFile);
  if (FileExists(aside)) ForceDeleteFile(aside);
  KIV_THROW_IF_WIN32_FALSE(Platform::MoveFile(moduleFile, aside));
  Step("set-aside");
  if (!Platform::MoveFile(successor, moduleFile)) {
    const DWORD error = GetLastError();
    PutBack(aside, moduleFile);
    KIV_THROW_WIN32(error, "MoveFile(successor, moduleFile)");
  }
  Step("placed");
  DeleteQuietly(aside);
}

}  // namespace

std::u16string RebuildSuccessorName(const std::u16string& moduleFileName) {
  return moduleFileName + u".new";
}

std::u16string RebuildSetAsideName(const std::u16string& moduleFileName) {
  return moduleFileName + u".previous";
}

std::u16string CreateResourceModule(const std::u16string& exeFileName, std::uint32_t langId) {
  const std::u16string moduleFile = ResourceModuleFileName(exeFileName, langId);
  if (FileExists(moduleFile)) {
    throw EKivInternalError(
        Format("Internal Error: This translation already exists (%s).", WideToAnsi(moduleFile)));
  }
  WriteResourceModule(exeFileName, moduleFile);
  return moduleFile;
}

void ResolveInterruptedRebuild(const std::u16string& moduleFileName) noexcept {
  const std::u16string aside = RebuildSetAsideName(moduleFileName);
  // A module set aside is deleted only once its successor stands in its place whole:
  // only a complete successor is ever put there.
  if (FileExists(aside)) {
    if (HoldsWholeModule(moduleFileName)) {
      DeleteQuietly(aside);
    } else {
      PutBack(aside, moduleFileName);
    }
  }
  // A successor not yet in place: the old module is there, or has just been put back,
  // and the next rebuild makes it again.
  const std::u16string successor = RebuildSuccessorName(moduleFileName);
  if (FileExists(successor)) DeleteQuietly(successor);
}

void UpdateTranslationResource(const std::u16string& exeFileName,
                               const std::u16string& moduleFileName) {
  std::unique_ptr<TKivFlashForm> flash(
      ShowFlashMessage(u"Updating Translation Resource (" + moduleFileName + u")"));
  ResolveInterruptedRebuild(moduleFileName);
  TTransTableContents oldContents = ReadTransTableModule(moduleFileName);
  Step("old-read");
  // The new module must come back under the old one's name.
  std::uint16_t language = ResourceModuleLanguage(exeFileName, moduleFileName);
  KIV_ASSERT(WideSameText(ResourceModuleFileName(exeFileName, language), moduleFileName), "");

  const std::u16string successor = RebuildSuccessorName(moduleFileName);
  if (FileExists(successor)) ForceDeleteFile(successor);
  ScopeGuard removeSuccessor([&]() noexcept { DeleteQuietly(successor); });
  {
    // The program's rows take the translations first and their canonical forms after,
    // and one write makes what creating the module and then saving it with its
    // translations would.
    TKivTransTable rebuilt;
    rebuilt.DisableControls();
    ScopeGuard enable([&] { rebuilt.EnableControls(); });
    {
      // The old module's translations go before the write, which needs memory of its own.
      const TTransTableTranslations old(std::move(oldContents));
      LoadProgramRows(rebuilt, exeFileName, successor);
      Step("module-prepared");
      rebuilt.CopyTranslations(old, true);
    }
    rebuilt.CanonicalizeFormats();
    WriteModuleOfTable(exeFileName, rebuilt);
  }
  Step("translated");
  PutInPlace(successor, moduleFileName);
  removeSuccessor.Dismiss();
}
