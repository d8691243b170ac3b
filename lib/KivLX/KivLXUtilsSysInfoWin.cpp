// The system-information texts of KivLXUtils that ask the running system.
#include <vector>

#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"

std::u16string GetOSDescription() {
  Platform::VersionInfo v;
  Platform::GetVersionEx(v);
  return FormatOSDescription(v.platformId, v.major, v.minor, v.build, v.csd);
}

std::uint64_t GetKernelVersion(std::u16string& productName) {
  productName.clear();
  std::u16string path = FindModulePath(u"kernel32");
  if (path.empty()) return 0;
  std::vector<std::uint8_t> info = LoadFileVersionInfo(path);
  productName = VersionInfoString(info, u"ProductName", 0, 0);
  return VersionInfoFileVersion(info);
}

namespace {

struct SidTraits {
  using Handle = PSID;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeSid(h); }
};
using SidHandle = UniqueHandle<SidTraits>;

// The user's access token: the thread's when it impersonates, else the process's.
KernelHandle OpenUserToken() {
  // Taken from advapi32 by name: the import libraries offer it from kernel32 too, which
  // only newer systems export.
  using OpenThreadTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, BOOL, PHANDLE);
  static const auto openThreadToken =
      Platform::FindSystemFunction<OpenThreadTokenFn>("advapi32.dll", "OpenThreadToken");
  KernelHandle token;
  if (openThreadToken) {
    if (openThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) return token;
    if (GetLastError() != ERROR_NO_TOKEN) return {};
  }
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  return token;
}

// The token's groups, in a buffer of 1024 bytes or as many as the system asks for.
bool ReadTokenGroups(HANDLE token, std::vector<std::uint64_t>& buffer) {
  DWORD size = 1024;
  for (int attempt = 0; attempt < 2; ++attempt) {
    buffer.assign((size + 7) / 8, 0);
    if (GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

}  // namespace

bool UserIsAdministrator() {
  Platform::VersionInfo v;
  if (!Platform::GetVersionEx(v) || v.platformId != VER_PLATFORM_WIN32_NT) return true;
  std::vector<std::uint64_t> buffer;  // 8-byte units keep the record aligned
  {
    KernelHandle token = OpenUserToken();
    if (!token || !ReadTokenGroups(token.get(), buffer)) return false;
  }
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  SidHandle administrators;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, administrators.put())) {
    return false;
  }
  auto groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, administrators.get())) return true;
  }
  return false;
}

std::u16string GetComputerNameText() { return Platform::GetComputerName(); }

std::u16string GetUserNameText() { return Platform::GetUserName(); }

std::u16string GetLocaleText(LCID locale, LCTYPE type) {
  std::u16string text = Platform::GetLocaleInfo(locale, type);
  return text.empty() ? u"???" : text;
}

std::u16string GetLocaleDescription(LCID locale) {
  // The English names (0x1001, 0x1002): the report is read by the support team.
  return GetLocaleText(locale, LOCALE_SENGLANGUAGE) + u" (" +
         GetLocaleText(locale, LOCALE_SENGCOUNTRY) + u")";
}

std::u16string GetMapiCompany() {
  std::u16string path = FindModulePath(u"mapi32");
  return path.empty() ? std::u16string() : GetFileVersionString(u"CompanyName", path, 0, 0);
}
