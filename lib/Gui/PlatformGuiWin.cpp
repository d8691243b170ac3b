#include "Gui/PlatformGui.h"

#include "Gui/DeviceContext.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

namespace Platform {
namespace {

void CopyFace(const std::u16string& face, LOGFONTW& font) {
  std::size_t n = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
  for (std::size_t i = 0; i < n; ++i) font.lfFaceName[i] = static_cast<wchar_t>(face[i]);
  font.lfFaceName[n] = 0;
}

}  // namespace

ATOM RegisterClass(const WindowClass& wc) {
  if (IsWin9x()) {
    std::string name = WideToAnsi(wc.name);
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = wc.style;
    c.lpfnWndProc = wc.proc;
    c.cbClsExtra = wc.classExtra;
    c.cbWndExtra = wc.windowExtra;
    c.hInstance = wc.instance;
    c.hIcon = wc.icon;
    c.hCursor = wc.cursor;
    c.hbrBackground = wc.background;
    c.lpszClassName = name.c_str();
    return RegisterClassExA(&c);
  }
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.style = wc.style;
  c.lpfnWndProc = wc.proc;
  c.cbClsExtra = wc.classExtra;
  c.cbWndExtra = wc.windowExtra;
  c.hInstance = wc.instance;
  c.hIcon = wc.icon;
  c.hCursor = wc.cursor;
  c.hbrBackground = wc.background;
  c.lpszClassName = WStr(wc.name);
  return RegisterClassExW(&c);
}

bool GetClassInfo(HINSTANCE instance, const std::u16string& name, WindowClass& wc) {
  if (IsWin9x()) {
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    if (!GetClassInfoExA(instance, WideToAnsi(name).c_str(), &c)) return false;
    wc = {name,        c.lpfnWndProc, c.style,   c.cbClsExtra,   c.cbWndExtra,
          c.hInstance, c.hIcon,       c.hCursor, c.hbrBackground};
    return true;
  }
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  if (!GetClassInfoExW(instance, WStr(name), &c)) return false;
  wc = {name,        c.lpfnWndProc, c.style,   c.cbClsExtra,   c.cbWndExtra,
        c.hInstance, c.hIcon,       c.hCursor, c.hbrBackground};
  return true;
}

std::u16string GetClassName(HWND hwnd) {
  if (IsWin9x()) {
    char buf[256];
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return n > 0 ? AnsiToWide(std::string_view(buf, n)) : std::u16string();
  }
  wchar_t buf[256];
  int n = GetClassNameW(hwnd, buf, 256);
  return n > 0 ? FromWStr(buf, n) : std::u16string();
}

ATOM GetClassAtom(HWND hwnd) {
  return static_cast<ATOM>(IsWin9x() ? GetClassLongA(hwnd, GCW_ATOM)
                                     : GetClassLongW(hwnd, GCW_ATOM));
}

HWND CreateWindowEx(DWORD exStyle, const std::u16string& className, const std::u16string& text,
                    DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                    HINSTANCE instance, void* param) {
  if (IsWin9x()) {
    return CreateWindowExA(exStyle, WideToAnsi(className).c_str(), WideToAnsi(text).c_str(), style,
                           x, y, width, height, parent, menu, instance, param);
  }
  return CreateWindowExW(exStyle, WStr(className), WStr(text), style, x, y, width, height, parent,
                         menu, instance, param);
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? DefWindowProcA(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? CallWindowProcA(proc, hwnd, msg, wp, lp)
                   : CallWindowProcW(proc, hwnd, msg, wp, lp);
}

LRESULT DefFrameProc(HWND hwnd, HWND client, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? DefFrameProcA(hwnd, client, msg, wp, lp)
                   : DefFrameProcW(hwnd, client, msg, wp, lp);
}

LRESULT DefMDIChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? DefMDIChildProcA(hwnd, msg, wp, lp) : DefMDIChildProcW(hwnd, msg, wp, lp);
}

// The 32-bit headers define the pointer-sized forms as macros of the plain ones.
LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  return IsWin9x() ? GetWindowLongPtrA(hwnd, index) : GetWindowLongPtrW(hwnd, index);
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  return IsWin9x() ? SetWindowLongPtrA(hwnd, index, value) : SetWindowLongPtrW(hwnd, index, value);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? SendMessageA(hwnd, msg, wp, lp) : SendMessageW(hwnd, msg, wp, lp);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return IsWin9x() ? PostMessageA(hwnd, msg, wp, lp) : PostMessageW(hwnd, msg, wp, lp);
}

BOOL GetMessage(MSG& msg, HWND hwnd, UINT first, UINT last) {
  return IsWin9x() ? GetMessageA(&msg, hwnd, first, last) : GetMessageW(&msg, hwnd, first, last);
}

BOOL PeekMessage(MSG& msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  return IsWin9x() ? PeekMessageA(&msg, hwnd, first, last, remove)
                   : PeekMessageW(&msg, hwnd, first, last, remove);
}

LRESULT DispatchMessage(const MSG& msg) {
  return IsWin9x() ? DispatchMessageA(&msg) : DispatchMessageW(&msg);
}

UINT RegisterWindowMessage(const std::u16string& name) {
  return IsWin9x() ? RegisterWindowMessageA(WideToAnsi(name).c_str())
                   : RegisterWindowMessageW(WStr(name));
}

LRESULT SendTextMessage(HWND hwnd, UINT msg, WPARAM wp, const std::u16string& text) {
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    return SendMessageA(hwnd, msg, wp, reinterpret_cast<LPARAM>(a.c_str()));
  }
  return SendMessageW(hwnd, msg, wp, reinterpret_cast<LPARAM>(WStr(text)));
}

BOOL SetWindowText(HWND hwnd, const std::u16string& text) {
  return IsWin9x() ? SetWindowTextA(hwnd, WideToAnsi(text).c_str())
                   : SetWindowTextW(hwnd, WStr(text));
}

std::u16string GetWindowText(HWND hwnd) {
  if (IsWin9x()) {
    int n = GetWindowTextLengthA(hwnd);
    std::string buf(static_cast<std::size_t>(n) + 1, '\0');
    n = GetWindowTextA(hwnd, buf.data(), n + 1);
    buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return AnsiToWide(buf);
  }
  int n = GetWindowTextLengthW(hwnd);
  std::u16string buf(static_cast<std::size_t>(n) + 1, u'\0');
  n = GetWindowTextW(hwnd, WStr(buf), n + 1);
  buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return buf;
}

int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
  if (IsWin9x())
    return MessageBoxA(owner, WideToAnsi(text).c_str(), WideToAnsi(caption).c_str(), type);
  return MessageBoxW(owner, WStr(text), WStr(caption), type);
}

HCURSOR LoadSystemCursor(WORD id) {
  return IsWin9x() ? LoadCursorA(nullptr, MAKEINTRESOURCEA(id))
                   : LoadCursorW(nullptr, MAKEINTRESOURCEW(id));
}

HICON LoadSystemIcon(WORD id) {
  return IsWin9x() ? LoadIconA(nullptr, MAKEINTRESOURCEA(id))
                   : LoadIconW(nullptr, MAKEINTRESOURCEW(id));
}

HFONT CreateFont(const LOGFONTW& font, const std::u16string& face) {
  LOGFONTW w = font;
  CopyFace(face, w);
  if (IsWin9x()) {
    LOGFONTA a{};
    a.lfHeight = w.lfHeight;
    a.lfWidth = w.lfWidth;
    a.lfEscapement = w.lfEscapement;
    a.lfOrientation = w.lfOrientation;
    a.lfWeight = w.lfWeight;
    a.lfItalic = w.lfItalic;
    a.lfUnderline = w.lfUnderline;
    a.lfStrikeOut = w.lfStrikeOut;
    a.lfCharSet = w.lfCharSet;
    a.lfOutPrecision = w.lfOutPrecision;
    a.lfClipPrecision = w.lfClipPrecision;
    a.lfQuality = w.lfQuality;
    a.lfPitchAndFamily = w.lfPitchAndFamily;
    std::string name = WideToAnsi(face).substr(0, LF_FACESIZE - 1);
    for (std::size_t i = 0; i < name.size(); ++i) a.lfFaceName[i] = name[i];
    return CreateFontIndirectA(&a);
  }
  return CreateFontIndirectW(&w);
}

bool GetTextExtent(HDC dc, const std::u16string& text, SIZE& size) {
  size = {0, 0};
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    return GetTextExtentPoint32A(dc, a.data(), static_cast<int>(a.size()), &size) != 0;
  }
  return GetTextExtentPoint32W(dc, WStr(text), static_cast<int>(text.size()), &size) != 0;
}

int DrawText(HDC dc, const std::u16string& text, RECT& rect, UINT format) {
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    return DrawTextA(dc, a.data(), static_cast<int>(a.size()), &rect, format);
  }
  return DrawTextW(dc, WStr(text), static_cast<int>(text.size()), &rect, format);
}

BOOL TextOut(HDC dc, int x, int y, const std::u16string& text) {
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    return TextOutA(dc, x, y, a.data(), static_cast<int>(a.size()));
  }
  return TextOutW(dc, x, y, WStr(text), static_cast<int>(text.size()));
}

namespace {
// The enumeration has a context argument; nothing in the callbacks can raise
// (push_back aside, which is caught there).
int CALLBACK AddFamilyW(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM target) noexcept {
  try {
    reinterpret_cast<std::vector<std::u16string>*>(target)->push_back(FromWStr(lf->lfFaceName));
    return 1;
  } catch (...) {
    return 0;
  }
}
int CALLBACK AddFamilyA(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM target) noexcept {
  try {
    reinterpret_cast<std::vector<std::u16string>*>(target)->push_back(AnsiToWide(lf->lfFaceName));
    return 1;
  } catch (...) {
    return 0;
  }
}
}  // namespace

std::vector<std::u16string> FontFamilies() {
  std::vector<std::u16string> names;
  WindowDC screen = WindowDC::Client(nullptr);
  HDC dc = screen.get();
  if (IsWin9x()) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(dc, &lf, reinterpret_cast<FONTENUMPROCA>(AddFamilyA),
                        reinterpret_cast<LPARAM>(&names), 0);
  } else {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &lf, reinterpret_cast<FONTENUMPROCW>(AddFamilyW),
                        reinterpret_cast<LPARAM>(&names), 0);
  }
  return names;
}

bool GetMessageFont(LOGFONTW& font, std::u16string& face) {
  font = {};
  if (IsWin9x()) {
    // The 9x family knows only the structure without the padded-border field.
    NONCLIENTMETRICSA m{};
    m.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) return false;
    const LOGFONTA& a = m.lfMessageFont;
    font.lfHeight = a.lfHeight;
    font.lfWeight = a.lfWeight;
    font.lfItalic = a.lfItalic;
    font.lfCharSet = a.lfCharSet;
    face = AnsiToWide(a.lfFaceName);
    return true;
  }
  NONCLIENTMETRICSW m{};
  m.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) return false;
  font = m.lfMessageFont;
  face = FromWStr(font.lfFaceName);
  return true;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const std::u16string& text) {
  if (flags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) {
    return IsWin9x() ? AppendMenuA(menu, flags, id, nullptr)
                     : AppendMenuW(menu, flags, id, nullptr);
  }
  return IsWin9x() ? AppendMenuA(menu, flags, id, WideToAnsi(text).c_str())
                   : AppendMenuW(menu, flags, id, WStr(text));
}

LRESULT StatusBarSetText(HWND bar, int part, UINT style, const std::u16string& text) {
  WPARAM wp = static_cast<WPARAM>(part) | style;
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    return SendMessageA(bar, SB_SETTEXTA, wp, reinterpret_cast<LPARAM>(a.c_str()));
  }
  return SendMessageW(bar, SB_SETTEXTW, wp, reinterpret_cast<LPARAM>(WStr(text)));
}

LRESULT ToolBarAddButton(HWND bar, TBBUTTON button, const std::u16string& text) {
  if (IsWin9x()) {
    // A text index from the bar's own string list: the pointer form needs comctl32 5.
    std::string a = WideToAnsi(text);
    a.push_back('\0');
    button.iString = text.empty()
                         ? -1
                         : SendMessageA(bar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(a.c_str()));
    return SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  }
  std::u16string w = text;
  w.push_back(u'\0');
  button.iString =
      text.empty() ? -1 : SendMessageW(bar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(WStr(w)));
  return SendMessageW(bar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
}

LRESULT ToolTipSetTool(HWND tip, HWND owner, HWND tool, UINT flags, const std::u16string& text,
                       bool update) {
  // The structure size of the first common-controls version, which every version takes.
  if (IsWin9x()) {
    std::string a = WideToAnsi(text);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = flags | TTF_IDISHWND;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = a.data();
    return SendMessageA(tip, update ? TTM_UPDATETIPTEXTA : TTM_ADDTOOLA, 0,
                        reinterpret_cast<LPARAM>(&ti));
  }
  std::u16string w = text;
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V1_SIZE;
  ti.uFlags = flags | TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  ti.lpszText = WStr(w);
  return SendMessageW(tip, update ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                      reinterpret_cast<LPARAM>(&ti));
}

namespace {
template <typename CharT>
const CharT* OrNull(const std::basic_string<CharT>& s) {
  return s.empty() ? nullptr : s.c_str();
}
}  // namespace

HINSTANCE ShellExecute(HWND owner, const std::u16string& verb, const std::u16string& file,
                       const std::u16string& parameters, const std::u16string& directory,
                       int show) {
  if (IsWin9x()) {
    std::string v = WideToAnsi(verb), f = WideToAnsi(file), p = WideToAnsi(parameters),
                d = WideToAnsi(directory);
    return ShellExecuteA(owner, OrNull(v), f.c_str(), OrNull(p), OrNull(d), show);
  }
  auto w = [](const std::u16string& s) { return s.empty() ? nullptr : WStr(s); };
  return ShellExecuteW(owner, w(verb), WStr(file), w(parameters), w(directory), show);
}

int SHFileOperation(HWND owner, UINT operation, const std::u16string& from,
                    const std::u16string& to, FILEOP_FLAGS flags, const std::u16string& title,
                    bool& aborted) {
  int result;
  if (IsWin9x()) {
    // The extra NUL ends the list of one path.
    std::string f = WideToAnsi(from) + '\0', t = WideToAnsi(to) + '\0', ti = WideToAnsi(title);
    SHFILEOPSTRUCTA op{};
    op.hwnd = owner;
    op.wFunc = operation;
    op.pFrom = f.c_str();
    op.pTo = t.c_str();
    op.fFlags = flags;
    op.lpszProgressTitle = OrNull(ti);
    result = SHFileOperationA(&op);
    aborted = op.fAnyOperationsAborted;
  } else {
    std::u16string f = from + u'\0', t = to + u'\0';
    SHFILEOPSTRUCTW op{};
    op.hwnd = owner;
    op.wFunc = operation;
    op.pFrom = WStr(f);
    op.pTo = WStr(t);
    op.fFlags = flags;
    op.lpszProgressTitle = title.empty() ? nullptr : WStr(title);
    result = SHFileOperationW(&op);
    aborted = op.fAnyOperationsAborted;
  }
  return result;
}

}  // namespace Platform
