// The window calls that exist in a wide and an 8-bit form, behind one wrapper each
// (the windowing half of Platform). On the 9x platform the toolkit's windows are 8-bit
// windows: their classes are registered, their windows created and their messages
// fetched, dispatched and defaulted in the 8-bit form, and texts cross in the system
// code page. Each wrapper returns what the system call returns and leaves
// GetLastError() as the call left it.
#pragma once

#include "Rtl/Win.h"
#include <commctrl.h>

#include <string>
#include <vector>

namespace Platform {

// What a window class is registered with. `name` is the class name; the rest as
// WNDCLASSEX has it.
struct WindowClass {
  std::u16string name;
  WNDPROC proc = nullptr;
  UINT style = 0;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};
ATOM RegisterClass(const WindowClass& wc);
// A registered class (a system control's, for superclassing); false when unknown.
bool GetClassInfo(HINSTANCE instance, const std::u16string& name, WindowClass& wc);
std::u16string GetClassName(HWND hwnd);
ATOM GetClassAtom(HWND hwnd);

HWND CreateWindowEx(DWORD exStyle, const std::u16string& className, const std::u16string& text,
                    DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                    HINSTANCE instance, void* param);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefFrameProc(HWND hwnd, HWND client, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefMDIChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL GetMessage(MSG& msg, HWND hwnd, UINT first, UINT last);
BOOL PeekMessage(MSG& msg, HWND hwnd, UINT first, UINT last, UINT remove);
LRESULT DispatchMessage(const MSG& msg);
UINT RegisterWindowMessage(const std::u16string& name);
// A message whose lParam is a text (WM_SETTEXT, EM_REPLACESEL and the like).
LRESULT SendTextMessage(HWND hwnd, UINT msg, WPARAM wp, const std::u16string& text);

BOOL SetWindowText(HWND hwnd, const std::u16string& text);
std::u16string GetWindowText(HWND hwnd);
int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type);

// System cursors and icons by their numeric ids (IDC_ARROW, IDI_ERROR, ...).
HCURSOR LoadSystemCursor(WORD id);
HICON LoadSystemIcon(WORD id);

// Fonts and text. `face` replaces the face name of `font`.
HFONT CreateFont(const LOGFONTW& font, const std::u16string& face);
bool GetTextExtent(HDC dc, const std::u16string& text, SIZE& size);
int DrawText(HDC dc, const std::u16string& text, RECT& rect, UINT format);
BOOL TextOut(HDC dc, int x, int y, const std::u16string& text);
// The face names of the installed font families.
std::vector<std::u16string> FontFamilies();
// The message font of the non-client metrics (the system's dialog font).
bool GetMessageFont(LOGFONTW& font, std::u16string& face);

// Menus.
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const std::u16string& text);

// Common controls whose text messages differ in number between the two forms.
LRESULT StatusBarSetText(HWND bar, int part, UINT style, const std::u16string& text);
// Adds one button (TBBUTTON without text) and its text; returns TB_ADDBUTTONS' result.
LRESULT ToolBarAddButton(HWND bar, TBBUTTON button, const std::u16string& text);
// Adds or updates a tooltip tool whose id is a window handle (TTF_IDISHWND).
LRESULT ToolTipSetTool(HWND tip, HWND owner, HWND tool, UINT flags, const std::u16string& text,
                       bool update);

// Shell services. Empty texts are passed as null pointers.
HINSTANCE ShellExecute(HWND owner, const std::u16string& verb, const std::u16string& file,
                       const std::u16string& parameters, const std::u16string& directory, int show);
// One shell file operation on one source path (and one target, or none when empty);
// each is passed as a list of one, ended by two NULs. `aborted` tells whether the
// shell reports that an operation was aborted. Returns the shell's result (0: done).
int SHFileOperation(HWND owner, UINT operation, const std::u16string& from,
                    const std::u16string& to, FILEOP_FLAGS flags, const std::u16string& title,
                    bool& aborted);

}  // namespace Platform
