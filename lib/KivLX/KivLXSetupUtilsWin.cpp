#include "KivLX/KivLXSetupUtils.h"

#include "KivLX/KivLXUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Handles.h"
#include "Rtl/Platform.h"
#include "Rtl/SehGuard.h"

namespace {

using SelfRegisterFn = HRESULT(STDAPICALLTYPE*)();

void CallServerEntry(const std::u16string& fileName, const char* entryName,
                     const char* failureMessage) {
  // A server imports its companions from its own folder, which the hardened search
  // leaves out for libraries loaded by name.
  ModuleHandle library(LoadLibraryBesideItsCompanions(fileName));
  if (!library) RaiseLastOSError();
  auto entry = reinterpret_cast<SelfRegisterFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library.get(), entryName)));
  if (!entry) RaiseLastOSError();
  try {
    // The server is foreign code: a fault inside it must come back as an exception.
    auto call = [](void* fn) -> std::intptr_t { return reinterpret_cast<SelfRegisterFn>(fn)(); };
    OleCheck(static_cast<HRESULT>(CallWithSehGuard(call, reinterpret_cast<void*>(entry))));
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
