// The creation and rebuild of resource modules: the part of the resource writer that
// stands on the translation table.
#include "KivLX/KivLXFlashMsg.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/WideText.h"

namespace {

// Brings a freshly copied module's rows into their saved form.
void PrepareNewModule(const std::u16string& exeFile, const std::u16string& moduleFile) {
  TKivTransTable table;
  table.DisableControls();
  ScopeGuard enable([&] { table.EnableControls(); });
  table.LoadFromFile(exeFile, moduleFile);
  table.CanonicalizeFormats();
  table.SaveToFile(false);
}

// The name the old module waits under while its successor is built.
std::u16string SetAsideName(const std::u16string& moduleFile) { return moduleFile + u".previous"; }

void RaiseLastOSErrorFor(BOOL ok) {
  if (!ok) RaiseLastOSError();
}

void DeleteQuietly(const std::u16string& fileName) noexcept {
  Platform::SetFileAttributes(fileName, FILE_ATTRIBUTE_NORMAL);
  Platform::DeleteFile(fileName);
}

// Puts the old module back in place of a failed successor; a failure here leaves the
// old module under its set-aside name, still whole.
void RestoreSetAside(const std::u16string& moduleFile, const std::u16string& aside) noexcept {
  if (FileExists(moduleFile)) DeleteQuietly(moduleFile);
  Platform::MoveFile(aside, moduleFile);
}

}  // namespace

std::u16string CreateResourceModule(const std::u16string& exeFileName, std::uint32_t langId) {
  const std::u16string moduleFile = ResourceModuleFileName(exeFileName, langId);
  if (FileExists(moduleFile)) {
    throw EKivInternalError(
        Format("Internal Error: This translation already exists (%s).", WideToAnsi(moduleFile)));
  }
  WriteMinimalLibraryImage(moduleFile);
  // A half-made module is worth nothing and would pass for a translation next time.
  ScopeGuard removePartial([&]() noexcept { DeleteQuietly(moduleFile); });
  CopyResourcesToModule(exeFileName, moduleFile);
  PrepareNewModule(exeFileName, moduleFile);
  removePartial.Dismiss();
  return moduleFile;
}

void UpdateTranslationResource(const std::u16string& exeFileName,
                               const std::u16string& moduleFileName) {
  std::unique_ptr<TKivFlashForm> flash(
      ShowFlashMessage(u"Updating Translation Resource (" + moduleFileName + u")"));
  TKivTransTable old;
  old.LoadFromFile(exeFileName, moduleFileName);

  // The old module stays on disk, set aside, until its successor is complete: a rebuild
  // that fails part-way must not cost the translator's work.
  const std::u16string aside = SetAsideName(moduleFileName);
  if (FileExists(aside)) ForceDeleteFile(aside);
  RaiseLastOSErrorFor(Platform::MoveFile(moduleFileName, aside));
  ScopeGuard restore([&]() noexcept { RestoreSetAside(moduleFileName, aside); });

  std::uint16_t language = ResourceModuleLanguage(exeFileName, moduleFileName);
  std::u16string created = CreateResourceModule(exeFileName, language);
  KIV_ASSERT(WideSameText(created, moduleFileName), "");

  TKivTransTable rebuilt;
  rebuilt.LoadFromFile(exeFileName, moduleFileName);
  rebuilt.CopyTranslations(old, true);
  rebuilt.CanonicalizeFormats();
  rebuilt.SaveToFile(false);

  restore.Dismiss();
  // A leftover copy is harmless; the rebuilt module is already complete.
  DeleteQuietly(aside);
}
