#include "KivTrx/KivTrxUtils.h"

#include "KivTrx/KivTrxPeUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Handles.h"
#include "Rtl/Platform.h"

namespace {

ModuleHandle LoadAsDataFile(const std::u16string& fileName) {
  ModuleHandle module(Platform::LoadLibraryEx(fileName, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) RaiseLastOSError();
  return module;
}

}  // namespace

bool HasRcDataResource(HMODULE module, const std::u16string& name) {
  return Platform::FindResource(module, name, LOWORD(RT_RCDATA)) != nullptr;
}

std::u16string ReadRcDataText(HMODULE module, const std::u16string& name) {
  HRSRC info = Platform::FindResource(module, name, LOWORD(RT_RCDATA));
  if (!info) return {};
  DWORD size = SizeofResource(module, info);
  HGLOBAL data = LoadResource(module, info);
  if (!data) RaiseLastOSError();
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(data));
  if (!bytes && size > 0) RaiseLastOSError();
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

std::u16string ReadModuleGuid(const std::u16string& fileName) {
  ModuleHandle module = LoadAsDataFile(fileName);
  std::u16string guid = ReadRcDataText(module.get(), u"KIV_TRX_GUID");
  if (guid == kPlaceholderGuid) guid.clear();
  if (guid.empty()) guid = ReadRcDataText(module.get(), u"KIV.GUID");
  return guid;
}

bool SameModuleGuid(const std::u16string& fileA, const std::u16string& fileB) {
  return ReadModuleGuid(fileA) == ReadModuleGuid(fileB);
}

bool IsResourceModulePrepared(const std::u16string& fileName) {
  bool hasMap;
  {
    ModuleHandle module = LoadAsDataFile(fileName);
    hasMap = HasPeSection(fileName, "KIV.DRC") || HasRcDataResource(module.get(), u"KIV.DRC");
  }
  return hasMap && !ReadModuleGuid(fileName).empty();
}

void CheckResourceModulePrepared(const std::u16string& fileName) {
  if (!IsResourceModulePrepared(fileName)) {
    throw EKivInternalError(Format("Internal Error: %s or %s resource not created.  (%s)",
                                   "KIV.DRC", "KIV_TRX_GUID", WideToAnsi(fileName)));
  }
}
