// KivLXUtils, the shell's execute and file-operation services and their failures.
#pragma once

#include <cstdint>
#include <string>

// Turns a shell execution result of 32 or less into its exception: EKivGeneralError
// with the shell's sentence for the known codes, EKivInternalError "Internal Error:
// ShellExecute() returned code %d for "<file>"." for the others. Above 32 it returns.
void CheckShellResult(std::intptr_t code, const std::u16string& verb, const std::u16string& file);

#ifdef _WIN32
#include "Rtl/Win.h"

// Shell services.
// Runs a shell file operation; a failure or an operation the shell reports as
// aborted ends in the silent abort (EAbort).
void ShellFileOperation(HWND window, UINT operation, const std::u16string& from,
                        const std::u16string& to, FILEOP_FLAGS flags, const std::u16string& title);
// Deletes a file or folder tree through the shell, owned by the application window.
void ShellDelete(const std::u16string& path, FILEOP_FLAGS flags);
// Runs the shell's execute service and CheckShellResult on its result.
void ShellExecuteChecked(HWND window, const std::u16string& verb, const std::u16string& file,
                         int show, const std::u16string& parameters = u"",
                         const std::u16string& directory = u"");
// ShellExecuteChecked with the application window and the verb "open".
void ShellOpen(const std::u16string& file, const std::u16string& parameters = u"",
               const std::u16string& directory = u"", int show = SW_SHOWNORMAL);
#endif
