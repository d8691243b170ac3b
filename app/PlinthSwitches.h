// PlinthSwitches: the optional switches of an unattended run, the exit codes that
// deployment tools read, and the command line as the program's runtime splits it.
// Without arguments the program runs as it always did.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the program returns to its caller.
inline constexpr int kExitSuccess = 0;        // installed, or nothing to do
inline constexpr int kExitInstallNeeded = 1;  // /check only
inline constexpr int kExitInstallFailed = 1603;
inline constexpr int kExitBadCommandLine = 1639;
inline constexpr int kExitRestartNeeded = 3010;  // installed; a restart finishes it

struct TRunSwitches {
  bool quiet = false;           // no window, message box or dialog at any point
  bool check = false;           // decide only: 0 in place, 1 install needed
  bool restartReplace = false;  // a file in use is replaced at the next restart
  bool help = false;
  std::u16string logFile;  // empty: no log unless quiet
};

struct TSwitchError {
  enum Kind { None, Unknown, MissingArgument };
  Kind kind = None;
  std::u16string argument;  // as written
  explicit operator bool() const { return kind != None; }
};

// The arguments after the program's name, split as the C runtime splits them:
// blanks separate, double quotes group, and backslashes count only before a quote
// (2n backslashes and a quote give n backslashes and a grouping quote; 2n+1 give n
// and a literal quote).
std::vector<std::u16string> SplitCommandLineArguments(std::u16string_view commandLine);
// One argument written so that the splitting above gives it back.
std::u16string QuoteArgument(std::u16string_view argument);
// The arguments written back as a command line's tail, one blank between.
std::u16string JoinArguments(const std::vector<std::u16string>& arguments);

// Switches begin with "/" or "-" and ignore letter case. "/log" takes the next
// argument as its file, which must not itself look like a switch. The first bad
// argument is returned; the rest are still read, so that `quiet` and `logFile` say
// where the error must be told.
TSwitchError ParseSwitches(const std::vector<std::u16string>& arguments, TRunSwitches& switches);

// The sentence that names a bad argument.
std::u16string SwitchErrorText(const TSwitchError& error);
// The usage text of /? and of a bad command line, lines ended by CR LF.
std::u16string UsageText();
// "0 (success)": an exit code with what it means to an administrator.
std::u16string DescribeExitCode(int code);

// The switches of this run, set once at start.
const TRunSwitches& RunSwitches();
void SetRunSwitches(const TRunSwitches& switches);
