// The command line of an unattended run: how it is split and which switches it sets.
#include <gtest/gtest.h>

#include "PlinthRunLog.h"
#include "PlinthSwitches.h"
#include "Rtl/CodePage.h"

namespace {

using Args = std::vector<std::u16string>;

TEST(CommandLine, SplitsAsTheRuntimeDoes) {
  EXPECT_EQ(SplitCommandLineArguments(u"Plinth2000.exe"), Args{});
  // The program's name may hold blanks inside its quotes and takes no escapes.
  EXPECT_EQ(SplitCommandLineArguments(u"\"C:\\Program Files\\P\\x.exe\"  /quiet\t-LOG  a.log "),
            (Args{u"/quiet", u"-LOG", u"a.log"}));
  EXPECT_EQ(SplitCommandLineArguments(u"x /log \"C:\\Log Files\\run.log\""),
            (Args{u"/log", u"C:\\Log Files\\run.log"}));
  // Backslashes count only before a quote.
  EXPECT_EQ(SplitCommandLineArguments(u"x \\\\server\\share\\a.log"),
            Args{u"\\\\server\\share\\a.log"});
  EXPECT_EQ(SplitCommandLineArguments(u"x \"C:\\dir\\\\\" next"), (Args{u"C:\\dir\\", u"next"}));
  EXPECT_EQ(SplitCommandLineArguments(u"x a\\\"b \"c\"\"d\" \"\""), (Args{u"a\"b", u"c\"d", u""}));
  EXPECT_EQ(SplitCommandLineArguments(u"x pre\"quoted part\"post"), Args{u"prequoted partpost"});
}

TEST(CommandLine, QuotedArgumentsComeBackUnchanged) {
  const Args tricky = {u"/log",          u"C:\\Log Files\\",           u"plain", u"", u"say \"hi\"",
                       u"tab\there\\\\", u"\\\\server\\share\\x y.log"};
  EXPECT_EQ(SplitCommandLineArguments(u"x.exe " + JoinArguments(tricky)), tricky);
  EXPECT_EQ(JoinArguments({u"/quiet", u"a.log"}), u"/quiet a.log");
}

TEST(Switches, EitherPrefixAnyCase) {
  TRunSwitches s;
  EXPECT_FALSE(ParseSwitches({u"/QUIET", u"-Log", u"C:\\x.log", u"-check", u"/RestartReplace"}, s));
  EXPECT_TRUE(s.quiet);
  EXPECT_TRUE(s.check);
  EXPECT_TRUE(s.restartReplace);
  EXPECT_FALSE(s.help);
  EXPECT_EQ(s.logFile, u"C:\\x.log");
  for (const char16_t* help : {u"/?", u"-?", u"/help", u"-HELP"}) {
    EXPECT_FALSE(ParseSwitches({help}, s));
    EXPECT_TRUE(s.help) << WideToAnsi(help);
  }
  // Nothing asked for is nothing set, however the object was used before.
  EXPECT_FALSE(ParseSwitches({}, s));
  EXPECT_FALSE(s.quiet || s.check || s.restartReplace || s.help || !s.logFile.empty());
}

TEST(Switches, TheFirstBadArgumentIsNamedAndTheRestStillRead) {
  TRunSwitches s;
  TSwitchError e = ParseSwitches({u"/bogus", u"install", u"/quiet", u"/log", u"run.log"}, s);
  EXPECT_EQ(e.kind, TSwitchError::Unknown);
  EXPECT_EQ(e.argument, u"/bogus");
  // Where to tell it: silently, into the log that was asked for.
  EXPECT_TRUE(s.quiet);
  EXPECT_EQ(s.logFile, u"run.log");
  EXPECT_NE(WideToAnsi(SwitchErrorText(e)).find("/bogus"), std::string::npos);

  e = ParseSwitches({u"install"}, s);
  EXPECT_EQ(e.kind, TSwitchError::Unknown);
  EXPECT_EQ(e.argument, u"install");
  EXPECT_EQ(ParseSwitches({u"/"}, s).kind, TSwitchError::Unknown);
  EXPECT_EQ(ParseSwitches({u"/quiet:yes"}, s).kind, TSwitchError::Unknown);
}

TEST(Switches, LogWithoutItsFileIsAMissingArgument) {
  TRunSwitches s;
  TSwitchError e = ParseSwitches({u"/quiet", u"-log"}, s);
  EXPECT_EQ(e.kind, TSwitchError::MissingArgument);
  EXPECT_EQ(e.argument, u"-log");
  EXPECT_NE(WideToAnsi(SwitchErrorText(e)).find("-log"), std::string::npos);
  // A switch is not taken for the file name, and is still read as a switch.
  e = ParseSwitches({u"/log", u"/check"}, s);
  EXPECT_EQ(e.kind, TSwitchError::MissingArgument);
  EXPECT_TRUE(s.check);
  EXPECT_TRUE(s.logFile.empty());
  EXPECT_EQ(ParseSwitches({u"/log", u""}, s).kind, TSwitchError::MissingArgument);
}

TEST(RunLog, OneStampedLinePerEventWithItsFurtherLinesIndented) {
  TLogTime t{2024, 3, 7, 9, 5, 1};
  EXPECT_EQ(FormatLogEvent(t, u"Decision: install"), u"2024-03-07 09:05:01  Decision: install\r\n");
  EXPECT_EQ(FormatLogEvent(t, u"The run failed:\r\nfirst\n\r\nlast\r\n"),
            u"2024-03-07 09:05:01  The run failed:\r\n"
            u"                     first\r\n"
            u"\r\n"
            u"                     last\r\n");
  EXPECT_EQ(FormatLogEvent(t, u""), u"2024-03-07 09:05:01  \r\n");
}

}  // namespace
