// PlinthRunLog: the log of a run that was asked for one. One event per line, each
// with the local time it happened, appended in UTF-8; a new file starts with a
// byte-order mark. It is for administrators who roll the program out unattended and
// read afterwards what each workstation did.
#pragma once

#include <string>
#include <string_view>

struct TLogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "2024-05-01 14:03:07  text" with CR LF. The text's further lines (an error report)
// follow on lines of their own, indented to where the first one's text begins.
std::u16string FormatLogEvent(const TLogTime& time, std::u16string_view text);

#ifdef _WIN32
// Starts writing to `fileName` (made a full path): the file is created when missing
// and written at its end. Raises the file-creation error when it cannot be written.
void OpenRunLog(const std::u16string& fileName);
void CloseRunLog();
// The open log's full path; empty when no log is open.
const std::u16string& RunLogFile();
// Appends one event; nothing when no log is open. A write that fails is let go: a
// log must never be what fails an install.
void LogEvent(const std::u16string& text);
// Where a /quiet run without /log writes: Plinth2000.log in the temporary folder.
std::u16string DefaultRunLogFile();
#endif
