// Stand-in for sqlresld.DLL, the resource loader that SQLDMO.dll imports. It exports
// one function, which the stand-in SQLDMO.dll calls from its entry points, so the
// stand-in server, like the genuine one, loads only where its companion is found.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// The language of the resource files the loader serves (the "1033" folder).
extern "C" unsigned StandInResourceLanguage() { return 1033; }
