// PlinthRun: how a run goes, given its switches. A plain run shows its window and,
// on a failure, the exception dialog. A /quiet run and a /check run never show
// anything and never wait for anybody: they end with an exit code and, with a log,
// write down what they did.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "PlinthSwitches.h"

// A run that nobody watches (/quiet or /check): nothing in it may wait for a user.
bool Unattended();
// The program's command line (the 9x platform gives only the 8-bit one).
std::u16string ProgramCommandLine();

// Answers /? or a bad command line with the usage text (after the error's sentence):
// in a message box, or, unattended, in the run's log and on standard output.
// Returns the exit code, kExitSuccess or kExitBadCommandLine.
int AnswerCommandLine(const TSwitchError& error, const std::vector<std::u16string>& arguments);

// Opens the run's log (/log, or the default one of a /quiet run that installs) and
// logs the program's version and arguments. False when the log cannot be written,
// which has been told then as a start-up failure is.
bool StartRunLog(const std::vector<std::u16string>& arguments);
// Logs the exit code and closes the log.
void EndRunLog(int exitCode);
// Logs the eight probes' results.
void LogInventory();

// The translation start-up of the unit table. An unattended run never rebuilds a
// resource module (its progress notice and messages are windows): a module that is
// not made for this build is dropped for the program's own texts.
void StartTranslationOfRun();

// A failure before the message loop runs: shown in a message box, or, unattended,
// its whole report written to the log and the error log. Returns kExitInstallFailed.
int ReportStartupFailure(const std::exception& e);
// In a run with windows and a log, the exception dialog's hook also writes each
// report to the log, once the dialog is closed.
void LogReportsOfTheDialog();

// /check: logs the decision; kExitSuccess when SQL-DMO 2000 is in place, else
// kExitInstallNeeded.
int CheckOnly();
// /quiet: the main window's work without any window. The first tick comes from a
// thread timer after the same 250 ms; a failure's report goes to the log and the
// error log. Returns the exit code.
int RunWithoutWindows();
