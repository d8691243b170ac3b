#include "PlinthSwitches.h"

#include "Rtl/Format.h"
#include "Rtl/ResourceString.h"

KIV_RESOURCESTRING(PlinthSwitches_SUnknownArgument, u"Unknown switch or argument: %s");
KIV_RESOURCESTRING(PlinthSwitches_SMissingFileName, u"The switch %s needs a file name after it.");
// The usage text, a line each, at most 79 columns for a console.
KIV_RESOURCESTRING(PlinthSwitches_SUsage1,
                   u"Usage: Plinth2000 [/quiet] [/log <file>] [/check] [/restartreplace] [/?]");
KIV_RESOURCESTRING(PlinthSwitches_SUsage2,
                   u"  /quiet           No window, message box or dialog at any point. A failure");
KIV_RESOURCESTRING(PlinthSwitches_SUsage3,
                   u"                   goes to the log and to the error log.");
KIV_RESOURCESTRING(PlinthSwitches_SUsage4,
                   u"  /log <file>      Appends what the run does to <file>, in UTF-8. A /quiet");
KIV_RESOURCESTRING(
    PlinthSwitches_SUsage5,
    u"                   run without /log writes Plinth2000.log in the TEMP folder.");
KIV_RESOURCESTRING(PlinthSwitches_SUsage6,
                   u"  /check           Installs nothing. Exit code 0: SQL-DMO 2000 is in place;");
KIV_RESOURCESTRING(PlinthSwitches_SUsage7, u"                   1: it must be installed.");
KIV_RESOURCESTRING(PlinthSwitches_SUsage8,
                   u"  /restartreplace  A file in use is replaced at the next restart and the");
KIV_RESOURCESTRING(PlinthSwitches_SUsage9,
                   u"                   server registered at the next logon (exit code 3010).");
KIV_RESOURCESTRING(PlinthSwitches_SUsage10, u"  /? or /help      This text.");
KIV_RESOURCESTRING(PlinthSwitches_SUsage11,
                   u"Exit codes: 0 success or nothing to do, 1 install needed (/check),");
KIV_RESOURCESTRING(PlinthSwitches_SUsage12,
                   u"1603 failure, 1639 bad command line, 3010 success, restart needed.");
KIV_RESOURCESTRING(PlinthSwitches_SExitSuccess, u"success");
KIV_RESOURCESTRING(PlinthSwitches_SExitInstallNeeded, u"install needed");
KIV_RESOURCESTRING(PlinthSwitches_SExitFailed, u"failure");
KIV_RESOURCESTRING(PlinthSwitches_SExitBadCommandLine, u"bad command line");
KIV_RESOURCESTRING(PlinthSwitches_SExitRestartNeeded, u"success, a restart is needed");

namespace {

TRunSwitches runSwitches;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool LooksLikeSwitch(std::u16string_view a) { return !a.empty() && (a[0] == u'/' || a[0] == u'-'); }

// Switch names are ASCII; the user's locale has no say in them.
std::u16string AsciiLower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

// Past the program's name, which the runtime reads without escapes.
std::size_t SkipProgramName(std::u16string_view s) {
  std::size_t i = 0;
  if (!s.empty() && s[0] == u'"') {
    std::size_t close = s.find(u'"', 1);
    return close == std::u16string_view::npos ? s.size() : close + 1;
  }
  while (i < s.size() && !IsBlank(s[i])) ++i;
  return i;
}

// One argument from i on; i ends on the blank after it or at the end.
std::u16string ReadArgument(std::u16string_view s, std::size_t& i) {
  std::u16string arg;
  bool quoted = false;
  while (i < s.size()) {
    std::size_t slashes = 0;
    while (i < s.size() && s[i] == u'\\') ++slashes, ++i;
    if (i < s.size() && s[i] == u'"') {
      arg.append(slashes / 2, u'\\');
      if (slashes % 2 == 1) {
        arg += u'"';
      } else if (quoted && i + 1 < s.size() && s[i + 1] == u'"') {
        arg += u'"';  // a doubled quote inside quotes stands for one
        ++i;
      } else {
        quoted = !quoted;
      }
      ++i;
      continue;
    }
    arg.append(slashes, u'\\');
    if (i >= s.size() || (!quoted && IsBlank(s[i]))) break;
    arg += s[i++];
  }
  return arg;
}

}  // namespace

std::vector<std::u16string> SplitCommandLineArguments(std::u16string_view commandLine) {
  std::vector<std::u16string> args;
  std::size_t i = SkipProgramName(commandLine);
  while (true) {
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i >= commandLine.size()) break;
    args.push_back(ReadArgument(commandLine, i));
  }
  return args;
}

std::u16string QuoteArgument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string_view::npos) {
    return std::u16string(argument);
  }
  std::u16string out = u"\"";
  std::size_t slashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++slashes;
      continue;
    }
    // Backslashes count double only before a quote, the closing one included.
    out.append(c == u'"' ? 2 * slashes + 1 : slashes, u'\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, u'\\');
  return out + u"\"";
}

std::u16string JoinArguments(const std::vector<std::u16string>& arguments) {
  std::u16string out;
  for (const std::u16string& a : arguments) {
    if (!out.empty()) out += u' ';
    out += QuoteArgument(a);
  }
  return out;
}

TSwitchError ParseSwitches(const std::vector<std::u16string>& arguments, TRunSwitches& switches) {
  switches = {};
  TSwitchError first;
  auto fail = [&first](TSwitchError::Kind kind, const std::u16string& argument) {
    if (!first) first = TSwitchError{kind, argument};
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::u16string& a = arguments[i];
    if (!LooksLikeSwitch(a)) {
      fail(TSwitchError::Unknown, a);
      continue;
    }
    const std::u16string name = AsciiLower(std::u16string_view(a).substr(1));
    if (name == u"quiet") {
      switches.quiet = true;
    } else if (name == u"check") {
      switches.check = true;
    } else if (name == u"restartreplace") {
      switches.restartReplace = true;
    } else if (name == u"?" || name == u"help") {
      switches.help = true;
    } else if (name == u"log") {
      if (i + 1 < arguments.size() && !arguments[i + 1].empty() &&
          !LooksLikeSwitch(arguments[i + 1])) {
        switches.logFile = arguments[++i];
      } else {
        fail(TSwitchError::MissingArgument, a);
      }
    } else {
      fail(TSwitchError::Unknown, a);
    }
  }
  return first;
}

std::u16string SwitchErrorText(const TSwitchError& error) {
  switch (error.kind) {
    case TSwitchError::Unknown:
      return WideFormat(LoadResString(PlinthSwitches_SUnknownArgument), error.argument);
    case TSwitchError::MissingArgument:
      return WideFormat(LoadResString(PlinthSwitches_SMissingFileName), error.argument);
    case TSwitchError::None:
      break;
  }
  return {};
}

std::u16string UsageText() {
  // Null stands for an empty line.
  const ResourceString* const lines[] = {
      &PlinthSwitches_SUsage1,  nullptr,
      &PlinthSwitches_SUsage2,  &PlinthSwitches_SUsage3,
      &PlinthSwitches_SUsage4,  &PlinthSwitches_SUsage5,
      &PlinthSwitches_SUsage6,  &PlinthSwitches_SUsage7,
      &PlinthSwitches_SUsage8,  &PlinthSwitches_SUsage9,
      &PlinthSwitches_SUsage10, nullptr,
      &PlinthSwitches_SUsage11, &PlinthSwitches_SUsage12,
  };
  std::u16string text;
  for (const ResourceString* line : lines) text += (line ? LoadResString(*line) : u"") + u"\r\n";
  return text;
}

std::u16string DescribeExitCode(int code) {
  const ResourceString* meaning = nullptr;
  switch (code) {
    case kExitSuccess:
      meaning = &PlinthSwitches_SExitSuccess;
      break;
    case kExitInstallNeeded:
      meaning = &PlinthSwitches_SExitInstallNeeded;
      break;
    case kExitInstallFailed:
      meaning = &PlinthSwitches_SExitFailed;
      break;
    case kExitBadCommandLine:
      meaning = &PlinthSwitches_SExitBadCommandLine;
      break;
    case kExitRestartNeeded:
      meaning = &PlinthSwitches_SExitRestartNeeded;
      break;
  }
  if (!meaning) return WideFormat(u"%d", code);
  return WideFormat(u"%d (%s)", code, LoadResString(*meaning));
}

const TRunSwitches& RunSwitches() { return runSwitches; }
void SetRunSwitches(const TRunSwitches& switches) { runSwitches = switches; }
