#include "KivLX/KivLXSetupUtils.h"

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/Streams.h"
#include "Win/Handles.h"
#include "Win/Registry.h"
#include "Win/SehGuard.h"

KIV_RESOURCESTRING(KivLXSetupUtils_SCannotWriteKey, u"Cannot write the registry key %s.");

namespace {

constexpr const char16_t* kRunOnceKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

using SelfRegisterFn = HRESULT(STDAPICALLTYPE*)();

void CallServerEntry(const std::u16string& fileName, const char* entryName,
                     const char* failureMessage) {
  // A server imports its companions from its own folder, which the hardened search
  // leaves out for libraries loaded by name.
  ModuleHandle library(KIV_THROW_LAST_ERROR_IF_NULL(LoadLibraryBesideItsCompanions(fileName)));
  auto entry = KIV_THROW_LAST_ERROR_IF_NULL(
      Platform::ModuleFunction<SelfRegisterFn>(library.get(), entryName));
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

bool IsFileInUseError(std::uint32_t code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_USER_MAPPED_FILE;
}

bool FileInUse(const std::u16string& fileName) {
  if (!FileExists(fileName)) return false;
  FileHandle file(
      Platform::CreateFile(fileName, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  return !file && IsFileInUseError(GetLastError());
}

namespace {

// WININIT.INI is read before Windows 9x has long file names: it takes short ones.
std::string ShortName(const std::u16string& fileName) {
  return WideToAnsi(KIV_THROW_LAST_ERROR_IF_EMPTY(Platform::GetShortPathName(fileName)));
}

void AddWinInitRename(const std::string& line) {
  const std::u16string ini = IncludeTrailingSlash(GetWindowsFolder()) + u"WININIT.INI";
  std::string text;
  if (FileExists(ini)) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(ini);
    text.assign(bytes.begin(), bytes.end());
  }
  // The lines run in the order they stand: a file deleted and then replaced stays
  // replaced.
  text = AddIniSectionLines(text, "rename", {line});
  WriteFileBytes(ini, text.data(), text.size());
}

}  // namespace

void ReplaceFileAtRestart(const std::u16string& source, const std::u16string& target) {
  if (Platform::IsWin9x()) {
    AddWinInitRename(ShortName(target) + "=" + ShortName(source));
    return;
  }
  // NT only; the 9x branch above never gets here.
  KIV_THROW_IF_WIN32_FALSE(MoveFileExW(WStr(source), WStr(target),
                                       MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
}

void DeleteFileAtRestart(const std::u16string& fileName) {
  if (Platform::IsWin9x()) {
    AddWinInitRename("NUL=" + ShortName(fileName));
    return;
  }
  KIV_THROW_IF_WIN32_FALSE(MoveFileExW(WStr(fileName), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

void RunOnceAtNextStart(const std::u16string& name, const std::u16string& command) {
  TRegistry reg(KEY_WRITE);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKey(kRunOnceKey, true)) {
    throw EKivGeneralError(Format(LoadAnsiResString(KivLXSetupUtils_SCannotWriteKey),
                                  u"HKEY_LOCAL_MACHINE\\" + std::u16string(kRunOnceKey)));
  }
  reg.WriteString(name, command);
}
