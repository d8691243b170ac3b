#include "SqlDmoDeploy.h"

#include "KivLX/KivLXRegistry.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceStream.h"
#include "Rtl/Streams.h"

namespace {

constexpr const char16_t* kClientSetupKey =
    u"SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup";
constexpr const char16_t* kDefaultToolsDir = u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools";

enum class Target { Binn, Resources, System };

struct PayloadFile {
  const char16_t* resource;
  Target directory;
  const char16_t* fileName;
};

// Written in this order, with these letter cases.
constexpr PayloadFile kPayload[] = {
    {u"sqldmo_dll", Target::Binn, u"SQLDMO.dll"},
    {u"sqlresld_dll", Target::Binn, u"sqlresld.DLL"},
    {u"sqlsvc_dll", Target::Binn, u"sqlsvc.DLL"},
    {u"w95scm_dll", Target::Binn, u"w95scm.DLL"},
    {u"sqlsvc_rll", Target::Resources, u"sqlsvc.RLL"},
    {u"sqldmo_rll", Target::Resources, u"SQLDMO.RLL"},
    {u"sqlunirl_dll", Target::System, u"sqlunirl.dll"},
};

void DeployFiles(const std::u16string& binnDir, const std::u16string& resourceDir,
                 const std::u16string& systemDir) {
  RemoveOldSqlDmo();
  for (const PayloadFile& f : kPayload) {
    switch (f.directory) {
      case Target::Binn:
        ExtractPayloadFile(f.resource, binnDir + f.fileName);
        break;
      case Target::Resources:
        ExtractPayloadFile(f.resource, resourceDir + f.fileName);
        break;
      case Target::System:
        // Other programs share this one: an existing copy is never replaced.
        if (!FileExists(systemDir + f.fileName)) {
          ExtractPayloadFile(f.resource, systemDir + f.fileName);
        }
        break;
    }
  }
}

}  // namespace

std::u16string GetToolsBinnDir() {
  std::u16string binn;
  {
    TKivRegistryLX reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(kClientSetupKey)) {
      std::u16string tools = reg.ReadString(u"SQLPath", u"");
      if (tools.empty() || !DirectoryExists(tools)) tools = kDefaultToolsDir;
      binn = IncludeTrailingSlash(tools) + u"Binn\\";
    } else {
      binn = std::u16string(kDefaultToolsDir) + u"\\Binn\\";
    }
  }
  ForceDirectories(binn);
  return binn;
}

void RemoveOldSqlDmo() {
  std::u16string server = GetProgIdServerPath(u"SQLDMO.Application");
  if (server.empty() || !FileExists(server)) return;
  std::u16string dir = ExtractFilePath(server);
  std::u16string resources = dir + u"Resources\\1033\\";
  // The registered file name is not used: the copy's files have fixed names.
  UnregisterServer(dir + u"sqldmo.dll");
  for (const char16_t* name : {u"sqldmo.dll", u"sqlsvc.dll", u"sqlresld.dll", u"w95scm.dll"}) {
    DeleteFileIfExists(dir + name);
  }
  for (const char16_t* name : {u"sqldmo.rll", u"sqlsvc.rll"}) {
    DeleteFileIfExists(resources + name);
  }
}

void ExtractPayloadFile(const std::u16string& resourceName, const std::u16string& target) {
  TKivResourceStream resource(Platform::ProgramModule(), resourceName, u"FILE");
  // A failure names the file by its full path, however the caller named it.
  TFileStream file(Platform::FullPathName(target), FileMode::Create);
  file.WriteBuffer(resource.Memory(), resource.Size());
}

void DeploySqlDmoFiles(const std::u16string& binnDir, const std::u16string& resourceDir,
                       const std::u16string& systemDir) {
  try {
    DeployFiles(binnDir, resourceDir, systemDir);
  } catch (const Exception& e) {
    throw Exception(e.Message() + "\r\n\r\nPlease close all programs and try again.");
  }
}
