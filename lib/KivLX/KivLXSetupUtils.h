// KivLXSetupUtils: registers and unregisters an in-process COM server through its
// own self-registration entry point.
#pragma once

#include <string>

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
