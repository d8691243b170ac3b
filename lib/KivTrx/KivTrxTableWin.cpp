#include "KivTrx/KivTrxTable.h"

#include <exception>

#include "Gui/Graphics.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxPeUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"

namespace {

constexpr const char* kFileMissing = "File %s doesn't exist.";
constexpr char16_t kCommentsResource[] = u"KIV_TRX_XRC";
constexpr char16_t kFlagsResource[] = u"KIV.XRS";
constexpr char16_t kResourceStringMap[] = u"KIV.DRC";

TTransTableContents ReadModule(const std::u16string& fileName) {
  ModuleHandle module = LoadModuleAsDataFile(fileName);
  TTransTableContents contents;
  contents.Comments = ReadRcDataText(module.get(), kCommentsResource);
  contents.Flags = ReadRcDataText(module.get(), kFlagsResource);
  LoadFormsFromModule(module.get(), fileName, contents.Forms, contents.Properties);
  contents.ResourceStringMap = HasPeSection(fileName, "KIV.DRC")
                                   ? ReadPeSectionText(fileName, "KIV.DRC")
                                   : ReadRcDataText(module.get(), kResourceStringMap);
  ReadStringTables(module.get(), contents.StringTables);
  return contents;
}

// Writes everything, then commits also when a write failed: what was written stays,
// and the first failure is the one reported.
void WriteModule(const std::u16string& fileName, const TDfmForms& forms,
                 const TStringTableBlocks& blocks, const TTransTableTexts& texts) {
  TResourceUpdate update(fileName, false);
  std::exception_ptr failure;
  try {
    WriteTransTableResources(update.get(), forms, blocks, texts);
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    update.Commit();
  } catch (...) {
    if (!failure) throw;
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void WriteTransTableResources(HANDLE update, const TDfmForms& forms,
                              const TStringTableBlocks& blocks, const TTransTableTexts& texts) {
  SaveFormsToModule(update, forms);
  WriteStringTables(update, blocks);
  SaveRcText(update, kCommentsResource, texts.Comments);
  SaveRcText(update, kFlagsResource, texts.Flags);
}

void TKivTransTable::PushBatchCursor() { PushScreenCursor(crHourGlass); }

void TKivTransTable::PopBatchCursor() noexcept {
  try {
    PopScreenCursor();
  } catch (...) {
    // Outside the cursor stack's life there is nothing to restore.
  }
}

TTransTableContents ReadTransTableModule(const std::u16string& moduleFile) {
  // A missing file is named as such before the prepared check tries to load it.
  if (!FileExists(moduleFile)) throw EKivGeneralError(Format(kFileMissing, moduleFile));
  CheckResourceModulePrepared(moduleFile);
  return ReadModule(moduleFile);
}

void TKivTransTable::LoadFromFile(const std::u16string& applicationFile,
                                  const std::u16string& moduleFile) {
  Load(ReadTransTableModule(moduleFile), moduleFile, WideSameText(applicationFile, moduleFile));
}

void TKivTransTable::SaveToFile(bool markChanged) {
  Save(markChanged, [this](const TDfmForms& forms, const TStringTableBlocks& blocks,
                           const TTransTableTexts& texts) {
    WriteModule(FileName(), forms, blocks, texts);
    CheckResourceModulePrepared(FileName());
  });
}
