// Component probes of KivLXUtils.
#include <objbase.h>

#include "KivLX/KivLXRegistry.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/Format.h"

namespace {

std::uint64_t LibraryVersion(const std::u16string& name) {
  std::u16string path = FindModulePath(name);
  return path.empty() ? 0 : GetFileVersion(path);
}

// The second ProgID is asked only when the first gives nothing.
std::uint64_t ProgIdVersion(const std::u16string& first, const std::u16string& second) {
  std::uint64_t v = GetProgIdServerVersion(first);
  return v != 0 ? v : GetProgIdServerVersion(second);
}

}  // namespace

std::u16string GuidToString(const GUID& g) {
  return WideFormat(u"{%.8x-%.4x-%.4x-%.2x%.2x-%.2x%.2x%.2x%.2x%.2x%.2x}",
                    static_cast<std::uint32_t>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                    g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

std::u16string GetClsidServerPath(const GUID& clsid) {
  TKivRegistryLX reg(KEY_READ);
  reg.SetRootKey(HKEY_CLASSES_ROOT);
  if (!reg.OpenKey(u"CLSID\\" + GuidToString(clsid) + u"\\InprocServer32", false)) return {};
  return reg.ReadString(u"");
}

std::u16string GetProgIdServerPath(const std::u16string& progId) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(WStr(progId), &clsid))) return {};
  return GetClsidServerPath(clsid);
}

std::uint64_t GetProgIdServerVersion(const std::u16string& progId) {
  std::u16string path = GetProgIdServerPath(progId);
  // A missing file must not reach the version reader, which treats it as an error.
  if (path.empty() || !FileExists(path)) return 0;
  return GetFileVersion(path);
}

std::u16string GetOfficeInstallRoot(const std::u16string& version, const std::u16string& product) {
  TKivRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  std::u16string key =
      WideFormat(u"Software\\Microsoft\\Office\\%s\\%s\\InstallRoot", version, product);
  if (!reg.OpenKey(key, false) || !reg.ValueExists(u"Path")) return {};
  return reg.ReadString(u"Path");
}

std::u16string GetOfficeAppVersion(const std::u16string& product, const std::u16string& exeName) {
  for (const char16_t* version : {u"11.0", u"10.0", u"9.0"}) {
    if (FileExists(GetOfficeInstallRoot(version, product) + exeName)) return version;
  }
  return {};
}

std::uint64_t GetWinInetVersion() { return LibraryVersion(u"wininet"); }
std::uint64_t GetMapiVersion() { return LibraryVersion(u"mapi32"); }
std::uint64_t GetCapicomVersion() { return GetProgIdServerVersion(u"CAPICOM.EncryptedData"); }
std::uint64_t GetRowPositionVersion() {
  return ProgIdVersion(u"RowPosition.RowPosition", u"RowPosition.RowPosition.1");
}
std::uint64_t GetJetOleDbVersion() { return GetProgIdServerVersion(u"Microsoft.Jet.OLEDB.4.0"); }
std::uint64_t GetDaoVersion() { return ProgIdVersion(u"DAO.TableDef.36", u"DAO.TableDef"); }
std::uint64_t GetSqlDmoVersion() {
  return ProgIdVersion(u"SQLDMO.Application.8.0", u"SQLDMO.Application");
}
std::uint64_t GetCrystalRuntimeVersion() {
  return ProgIdVersion(u"CrystalRuntime.Report.11", u"CrystalRuntime.Report");
}

bool HasSqlServer7Tools() {
  TKivRegistryLX reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(u"SOFTWARE\\Microsoft\\MSSQLServer\\Setup") ||
      !reg.ValueExists(u"SQLPath")) {
    return false;
  }
  std::u16string binn = IncludeTrailingSlash(reg.ReadString(u"SQLPath")) + u"Binn\\";
  if (!DirectoryExists(binn)) return false;
  std::u16string semdll = binn + u"semdll.dll";
  if (!FileExists(semdll)) return false;
  return VersionMajor(GetFileVersion(semdll)) == 1999;
}

std::uint64_t GetRpaWInetVersion(std::u16string& companyName) {
  companyName.clear();
  std::u16string path = FindModulePath(u"Rpawinet");
  if (path.empty()) return 0;
  std::vector<std::uint8_t> info = LoadFileVersionInfo(path);
  companyName = VersionInfoString(info, u"CompanyName", 0, 0);
  return VersionInfoFileVersion(info);
}
