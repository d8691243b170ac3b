#include "SqlDmoInstall.h"

#include "CheckWinInetAndAdo.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "PlinthRunLog.h"
#include "PlinthSwitches.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "SqlDmoDeploy.h"

KIV_RESOURCESTRING(SqlDmoInstall_SDecisionMissing,
                   u"Decision: install (SQL-DMO is not registered; %s or later is needed).");
KIV_RESOURCESTRING(SqlDmoInstall_SDecisionOlder,
                   u"Decision: install (SQL-DMO %s is registered; %s or later is needed).");
KIV_RESOURCESTRING(SqlDmoInstall_SDecisionInPlace,
                   u"Decision: nothing to do (SQL-DMO %s is registered; %s or later is needed).");
KIV_RESOURCESTRING(SqlDmoInstall_SDecisionSqlServer7,
                   u"Decision: nothing to do (SQL Server 7.0's tools keep their SQL-DMO %s).");
KIV_RESOURCESTRING(SqlDmoInstall_SLogBinn, u"Tools folder: %s");
KIV_RESOURCESTRING(SqlDmoInstall_SLogRegistered, u"Registered %s");
KIV_RESOURCESTRING(SqlDmoInstall_SLogRerun,
                   u"%d file(s) wait for the next restart; then the server is registered by: %s");

namespace {

constexpr const char16_t* kRunOnceName = u"Plinth2000";

std::u16string PackedText(std::int32_t packed) {
  return WideFormat(u"%d.%d", packed >> 16, packed & 0xFFFF);
}

}  // namespace

TInstallDecision DecideInstall() {
  const TNeededComp& dmo = NeededComps()[ncSqlDmo];
  const std::u16string required = PackedText(dmo.RequiredPacked);
  const std::u16string installed = FormatVersion(vfFull, dmo.InstalledVersion);
  if (dmo.InstalledPacked < dmo.RequiredPacked) {
    if (dmo.InstalledVersion == 0) {
      return {true, WideFormat(LoadResString(SqlDmoInstall_SDecisionMissing), required)};
    }
    return {true, WideFormat(LoadResString(SqlDmoInstall_SDecisionOlder), installed, required)};
  }
  // The inventory lowered the requirement to what SQL Server 7.0's tools need.
  if (dmo.Description == LoadAnsiResString(CheckWinInetAndAdo_SSqlDmo7Desc)) {
    return {false, WideFormat(LoadResString(SqlDmoInstall_SDecisionSqlServer7), installed)};
  }
  return {false, WideFormat(LoadResString(SqlDmoInstall_SDecisionInPlace), installed, required)};
}

std::u16string RerunCommand() {
  std::u16string command = u"\"" + Platform::GetModuleFileName(nullptr) + u"\" /quiet";
  if (!RunLogFile().empty()) command += u" /log " + QuoteArgument(RunLogFile());
  return command;
}

int InstallSqlDmoIfNeeded(const TShowStep& showStep) {
  TInstallDecision decision = DecideInstall();
  LogEvent(decision.text);
  if (!decision.installNeeded) return kExitSuccess;
  showStep(u"SQL-DMO 2000 - installing...");
  std::u16string binn = GetToolsBinnDir();
  LogEvent(WideFormat(LoadResString(SqlDmoInstall_SLogBinn), binn));
  std::u16string resources = binn + u"Resources\\1033\\";
  ForceDirectories(resources);
  std::u16string system = IncludeTrailingSlash(GetSystemFolder());
  const TInUsePolicy inUse =
      RunSwitches().restartReplace ? TInUsePolicy::ReplaceAtRestart : TInUsePolicy::Fail;
  int waiting = DeploySqlDmoFiles(binn, resources, system, inUse);
  if (waiting > 0) {
    // The server on disk is not the one that comes at the restart: it is registered
    // once that one is in place.
    const std::u16string command = RerunCommand();
    RunOnceAtNextStart(kRunOnceName, command);
    LogEvent(WideFormat(LoadResString(SqlDmoInstall_SLogRerun), waiting, command));
    return kExitRestartNeeded;
  }
  showStep(u"SQL-DMO - registering...");
  SetCurrentDir(binn);
  RegisterServer(binn + u"SQLDMO.dll");
  LogEvent(WideFormat(LoadResString(SqlDmoInstall_SLogRegistered), binn + u"SQLDMO.dll"));
  return kExitSuccess;
}
