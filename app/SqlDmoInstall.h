// SqlDmoInstall: the work of the main window's first tick, done the same way by a run
// that shows no window. It decides from the inventory whether SQL-DMO 2000 must be
// installed, puts its files in place and registers the server.
#pragma once

#include <functional>
#include <string>

struct TInstallDecision {
  bool installNeeded = false;
  std::u16string text;  // "Decision: ..." with the reason, for the log
};
// From the component table's SQL-DMO record, complete once the program has started.
TInstallDecision DecideInstall();

// Shows the step the install has reached (the main window's caption).
using TShowStep = std::function<void(const std::u16string& caption)>;

// Logs the decision and, when an install is needed, installs: the tools' Binn folder,
// the payload (DeploySqlDmoFiles, with the run's /restartreplace policy), the
// server's registration. Returns kExitSuccess, or kExitRestartNeeded when files wait
// for the next restart: the server is then registered at the next start by this
// program, run again silently with the run's log. Failures raise as the deployment
// and the registration raise them.
int InstallSqlDmoIfNeeded(const TShowStep& showStep);

// What runs at the next start to finish an install that waits for the restart.
std::u16string RerunCommand();
