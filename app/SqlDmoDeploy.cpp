#include "SqlDmoDeploy.h"

#include "KivLX/KivLXRegistry.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "PlinthRunLog.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/Streams.h"
#include "Win/ResourceStream.h"

KIV_RESOURCESTRING(SqlDmoDeploy_SLogUnregistered, u"Unregistered %s");
KIV_RESOURCESTRING(SqlDmoDeploy_SLogRemoved, u"Removed %s");
KIV_RESOURCESTRING(SqlDmoDeploy_SLogWritten, u"Written %s");
KIV_RESOURCESTRING(SqlDmoDeploy_SLogKept, u"Kept %s, which is there already");
KIV_RESOURCESTRING(SqlDmoDeploy_SLogDeleteScheduled, u"In use, deleted at the next restart: %s");
KIV_RESOURCESTRING(SqlDmoDeploy_SLogReplaceScheduled,
                   u"In use, replaced at the next restart: %s (by %s)");

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

void LogFile(const ResourceString& what, const std::u16string& fileName) {
  LogEvent(WideFormat(LoadResString(what), fileName));
}

// Deletes the file if it exists; one that is in use is left for the restart when the
// policy says so. Returns whether it was.
bool RemoveFile(const std::u16string& fileName, TInUsePolicy inUse) {
  if (!FileExists(fileName)) return false;
  try {
    ForceDeleteFile(fileName);
  } catch (const EOSError& e) {
    // Deleting a library that is loaded somewhere is refused as access denied.
    bool inUseError = IsFileInUseError(e.ErrorCode()) || e.ErrorCode() == ERROR_ACCESS_DENIED;
    if (inUse != TInUsePolicy::ReplaceAtRestart || !inUseError) throw;
    DeleteFileAtRestart(fileName);
    LogFile(SqlDmoDeploy_SLogDeleteScheduled, fileName);
    return true;
  }
  LogFile(SqlDmoDeploy_SLogRemoved, fileName);
  return false;
}

// Writes one payload file, or, when it is in use and the policy allows, a copy beside
// it that takes its place at the restart. Returns whether it waits for the restart.
bool WritePayloadFile(const std::u16string& resourceName, const std::u16string& target,
                      TInUsePolicy inUse) {
  try {
    ExtractPayloadFile(resourceName, target);
  } catch (const EFCreateError&) {
    if (inUse != TInUsePolicy::ReplaceAtRestart || !FileInUse(target)) throw;
    // In the target's own folder, so that the restart only renames it.
    std::u16string replacement =
        KIV_THROW_LAST_ERROR_IF_EMPTY(Platform::GetTempFileName(ExtractFilePath(target), u"sdm"));
    ScopeGuard removeReplacement([&replacement] { Platform::DeleteFile(replacement); });
    ExtractPayloadFile(resourceName, replacement);
    ReplaceFileAtRestart(replacement, target);
    removeReplacement.Dismiss();
    LogEvent(WideFormat(LoadResString(SqlDmoDeploy_SLogReplaceScheduled), target, replacement));
    return true;
  }
  LogFile(SqlDmoDeploy_SLogWritten, target);
  return false;
}

int DeployFiles(const std::u16string& binnDir, const std::u16string& resourceDir,
                const std::u16string& systemDir, TInUsePolicy inUse) {
  int waiting = RemoveOldSqlDmo(inUse);
  for (const PayloadFile& f : kPayload) {
    switch (f.directory) {
      case Target::Binn:
        waiting += WritePayloadFile(f.resource, binnDir + f.fileName, inUse);
        break;
      case Target::Resources:
        waiting += WritePayloadFile(f.resource, resourceDir + f.fileName, inUse);
        break;
      case Target::System:
        // Other programs share this one: an existing copy is never replaced.
        if (!FileExists(systemDir + f.fileName)) {
          waiting += WritePayloadFile(f.resource, systemDir + f.fileName, inUse);
        } else {
          LogFile(SqlDmoDeploy_SLogKept, systemDir + f.fileName);
        }
        break;
    }
  }
  return waiting;
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

int RemoveOldSqlDmo(TInUsePolicy inUse) {
  std::u16string server = GetProgIdServerPath(u"SQLDMO.Application");
  if (server.empty() || !FileExists(server)) return 0;
  std::u16string dir = ExtractFilePath(server);
  std::u16string resources = dir + u"Resources\\1033\\";
  // The registered file name is not used: the copy's files have fixed names.
  UnregisterServer(dir + u"sqldmo.dll");
  LogFile(SqlDmoDeploy_SLogUnregistered, dir + u"sqldmo.dll");
  int waiting = 0;
  for (const char16_t* name : {u"sqldmo.dll", u"sqlsvc.dll", u"sqlresld.dll", u"w95scm.dll"}) {
    waiting += RemoveFile(dir + name, inUse);
  }
  for (const char16_t* name : {u"sqldmo.rll", u"sqlsvc.rll"}) {
    waiting += RemoveFile(resources + name, inUse);
  }
  return waiting;
}

void ExtractPayloadFile(const std::u16string& resourceName, const std::u16string& target) {
  TKivResourceStream resource(Platform::ProgramModule(), resourceName, u"FILE");
  // A failure names the file by its full path, however the caller named it.
  TFileStream file(Platform::FullPathName(target), FileMode::Create);
  file.WriteBuffer(resource.Memory(), resource.Size());
}

int DeploySqlDmoFiles(const std::u16string& binnDir, const std::u16string& resourceDir,
                      const std::u16string& systemDir, TInUsePolicy inUse) {
  try {
    return DeployFiles(binnDir, resourceDir, systemDir, inUse);
  } catch (const Exception& e) {
    throw Exception(e.Message() + "\r\n\r\nPlease close all programs and try again.");
  }
}
