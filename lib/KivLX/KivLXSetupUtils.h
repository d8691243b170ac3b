// KivLXSetupUtils: what an installer needs beyond copying files. Registers and
// unregisters an in-process COM server through its own self-registration entry
// point, and deals with files that another program holds open: they are replaced or
// deleted when Windows next starts, and a command can be left to run at the next
// logon.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Loads the library by its full path (its own folder searched for the libraries it
// imports), calls "DllRegisterServer" and unloads it.
// A library that cannot be loaded or lacks the entry point raises the
// operating-system error unchanged. A failing entry point (a negative result, or an
// exception while it runs) raises with "\r\n\r\nError occurred while registering %s."
// appended to the message, keeping the exception's class. The library is unloaded
// on every path.
void RegisterServer(const std::u16string& fileName);
// The same with "DllUnregisterServer" and "Error occurred while unregistering %s.".
void UnregisterServer(const std::u16string& fileName);

// The text of an INI file with `lines` added at the end of its `section` (the name
// without brackets, matched ignoring case), after the section's last line that is
// not blank; a missing section is added at the end. The rest stays as it was; lines
// end with CR LF.
std::string AddIniSectionLines(std::string_view iniText, std::string_view section,
                               const std::vector<std::string>& lines);

#ifdef _WIN32
// True for the errors a file gives that another program holds open: a sharing or
// lock violation, or a file mapped into memory.
bool IsFileInUseError(std::uint32_t code);
// True when the file exists and cannot be opened for writing because of one of those.
bool FileInUse(const std::u16string& fileName);

// Makes `source` take the place of the existing `target` when Windows next starts.
// On NT that is one of the system's pending file-rename operations; on 9x a line
// "target=source" in the [rename] section of WININIT.INI in the Windows folder, with
// the short names that its start-up processing needs. Failures raise the
// operating-system error.
void ReplaceFileAtRestart(const std::u16string& source, const std::u16string& target);
// Deletes the existing file when Windows next starts ("NUL=file" on 9x).
void DeleteFileAtRestart(const std::u16string& fileName);
// Has Windows run `command` once, at the next start or logon: the value `name` of
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunOnce. A key that
// cannot be written raises EKivGeneralError.
void RunOnceAtNextStart(const std::u16string& name, const std::u16string& command);
#endif
