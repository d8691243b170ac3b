#include "KivLX/KivLXSetupUtils.h"

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Handles.h"
#include "Rtl/Platform.h"

namespace {

using SelfRegisterFn = HRESULT(STDAPICALLTYPE*)();

void CallServerEntry(const std::u16string& fileName, const char* entryName,
                     const char* failureMessage) {
  ModuleHandle library(Platform::LoadLibrary(fileName));
  if (!library) RaiseLastOSError();
  auto entry = reinterpret_cast<SelfRegisterFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library.get(), entryName)));
  if (!entry) RaiseLastOSError();
  try {
    OleCheck(entry());
  } catch (Exception& e) {
    e.SetMessage(e.Message() + "\r\n\r\n" + Format(failureMessage, fileName));
    throw;
  }
}

}  // namespace

void RegisterServer(const std::u16string& fileName) {
  CallServerEntry(fileName, "DllRegisterServer", "Error occurred while registering %s.");
}

void UnregisterServer(const std::u16string& fileName) {
  CallServerEntry(fileName, "DllUnregisterServer", "Error occurred while unregistering %s.");
}
