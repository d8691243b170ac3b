// SqlDmoDeploy: puts the SQL-DMO 2000 files in place. Finds the SQL Server 2000
// client tools' Binn directory, removes an older SQL-DMO that COM has registered
// elsewhere, and writes the seven files the program carries as resources.
#pragma once

#include <string>

// The tools' Binn directory (with a trailing backslash), from the client set-up key's
// "SQLPath" when that names an existing folder, else the default place. Created if
// missing; a failure to create shows later as the first file's creation error.
std::u16string GetToolsBinnDir();

// What becomes of a file that another program holds open.
enum class TInUsePolicy {
  Fail,              // its error ends the deployment
  ReplaceAtRestart,  // it is deleted or replaced when Windows next starts
};

// Unregisters and deletes the SQL-DMO copy that "SQLDMO.Application" is registered
// to, if that file exists. Returns how many deletions wait for the next restart.
int RemoveOldSqlDmo(TInUsePolicy inUse = TInUsePolicy::Fail);

// Writes the program's resource of type "FILE" named `resourceName` to `target`
// (created or truncated). Raises "Resource %s not found", the file-creation error or
// "Stream write error".
void ExtractPayloadFile(const std::u16string& resourceName, const std::u16string& target);

// RemoveOldSqlDmo, then the seven payload files; "sqlunirl.dll" only when the system
// directory lacks it. A failure of the library's base class comes back as a new
// exception whose message ends "\r\n\r\nPlease close all programs and try again.".
// With ReplaceAtRestart a payload file in use is written beside its target under a
// temporary name that takes the target's place at the next restart. Returns how
// many files wait for the restart. Each file removed, written or left for the
// restart goes to the run's log.
int DeploySqlDmoFiles(const std::u16string& binnDir, const std::u16string& resourceDir,
                      const std::u16string& systemDir, TInUsePolicy inUse = TInUsePolicy::Fail);
