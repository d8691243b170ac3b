#include "Gui/Forms.h"

#include "Gui/Application.h"
#include "FormFiles/FormBinary.h"
#include "Gui/FormStreaming.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"

namespace {

DWORD BorderStyleBits(TFormBorderStyle s) {
  switch (s) {
    case TFormBorderStyle::bsNone:
      return WS_POPUP;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow:
      return WS_POPUP | WS_CAPTION | WS_BORDER;
    case TFormBorderStyle::bsDialog:
      return WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin:
      return WS_POPUP | WS_CAPTION | WS_THICKFRAME;
  }
  return WS_POPUP;
}

DWORD BorderExStyleBits(TFormBorderStyle s) {
  switch (s) {
    case TFormBorderStyle::bsToolWindow:
    case TFormBorderStyle::bsSizeToolWin:
      return WS_EX_TOOLWINDOW;
    case TFormBorderStyle::bsDialog:
      return WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    default:
      return WS_EX_WINDOWEDGE;
  }
}

template <typename E, std::size_t N>
E EnumFromIdent(const TComponent& c, std::string_view property, const std::string& ident,
                const std::pair<const char*, E> (&names)[N]) {
  for (const auto& [text, value] : names) {
    if (ident == text) return value;
  }
  RaisePropertyError(c, property, "Invalid property value " + ident);
}

const std::pair<const char*, TFormBorderStyle> kBorderStyles[] = {
    {"bsNone", TFormBorderStyle::bsNone},           {"bsSingle", TFormBorderStyle::bsSingle},
    {"bsSizeable", TFormBorderStyle::bsSizeable},   {"bsDialog", TFormBorderStyle::bsDialog},
    {"bsToolWindow", TFormBorderStyle::bsToolWindow},
    {"bsSizeToolWin", TFormBorderStyle::bsSizeToolWin}};
const std::pair<const char*, TPosition> kPositions[] = {{"poDesigned", TPosition::poDesigned},
                                                        {"poDefault", TPosition::poDefault},
                                                        {"poScreenCenter", TPosition::poScreenCenter}};

int ReadInt(TBinaryFormReader& reader) { return static_cast<int>(reader.ReadInteger()); }

}  // namespace

bool TForm::ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) {
  if (name == "Caption") {
    SetCaption(reader.ReadString());
  } else if (name == "BorderStyle") {
    borderStyle_ = EnumFromIdent(*this, name, reader.ReadIdent(), kBorderStyles);
  } else if (name == "BorderIcons") {
    borderIcons_ = {false, false, false};
    for (const std::string& e : ReadSetValue(reader)) {
      if (e == "biSystemMenu") {
        borderIcons_.systemMenu = true;
      } else if (e == "biMinimize") {
        borderIcons_.minimize = true;
      } else if (e == "biMaximize") {
        borderIcons_.maximize = true;
      } else if (e != "biHelp") {
        RaisePropertyError(*this, name, "Invalid property value " + e);
      }
    }
  } else if (name == "ClientWidth") {
    clientWidth_ = ReadInt(reader);
  } else if (name == "ClientHeight") {
    clientHeight_ = ReadInt(reader);
  } else if (name == "Left") {
    left_ = ReadInt(reader);
  } else if (name == "Top") {
    top_ = ReadInt(reader);
  } else if (name == "Position") {
    position_ = EnumFromIdent(*this, name, reader.ReadIdent(), kPositions);
  } else if (name == "Color") {
    color_ = reader.ReadIdent();
  } else if (name == "Font.Name") {
    font_.name = reader.ReadString();
  } else if (name == "Font.Height") {
    font_.height = ReadInt(reader);
  } else if (name == "Font.Charset") {
    font_.charset = reader.ReadIdent();
  } else if (name == "Font.Color") {
    font_.color = reader.ReadIdent();
  } else if (name == "Font.Style") {
    font_.style = ReadSetValue(reader);
  } else if (name == "PixelsPerInch") {
    pixelsPerInch_ = ReadInt(reader);
  } else if (name == "TextHeight") {
    textHeight_ = ReadInt(reader);
  } else {
    return TComponent::ReadProperty(name, reader, root);
  }
  return true;
}

TForm::TForm(TComponent* owner) : TComponent(owner) { Application().FormCreated(this); }

TForm::~TForm() {
  Application().FormDestroyed(this);
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void TForm::SetCaption(const std::u16string& caption) {
  caption_ = caption;
  if (hwnd_) SetWindowTextW(hwnd_, WStr(caption_));
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
}

HWND TForm::Handle() {
  if (!hwnd_) CreateHandle();
  return hwnd_;
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

void TForm::Close() {
  if (OnClose) OnClose(this);
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else if (hwnd_) {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

void TForm::CreateParams(TCreateParams& p) {
  p.caption = caption_;
  p.style = BorderStyleBits(borderStyle_) | WS_CLIPCHILDREN;
  if (borderIcons_.systemMenu && borderStyle_ != TFormBorderStyle::bsNone) {
    p.style |= WS_SYSMENU;
    bool toolLike = borderStyle_ == TFormBorderStyle::bsToolWindow ||
                    borderStyle_ == TFormBorderStyle::bsSizeToolWin ||
                    borderStyle_ == TFormBorderStyle::bsDialog;
    if (!toolLike && borderIcons_.minimize) p.style |= WS_MINIMIZEBOX;
    if (!toolLike && borderIcons_.maximize) p.style |= WS_MAXIMIZEBOX;
  }
  p.exStyle = BorderExStyleBits(borderStyle_);
  RECT r{0, 0, clientWidth_, clientHeight_};
  AdjustWindowRectEx(&r, p.style, FALSE, p.exStyle);
  p.width = r.right - r.left;
  p.height = r.bottom - r.top;
  if (position_ == TPosition::poScreenCenter) {
    p.x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
    p.y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
  } else if (position_ == TPosition::poDesigned && left_ != CW_USEDEFAULT) {
    p.x = left_;
    p.y = top_;
  }
}

std::u16string TForm::WindowClassName() const { return AnsiToWide(ClassName()); }

void TForm::CreateHandle() {
  std::u16string cls = WindowClassName();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, WStr(cls), &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = WStr(cls);
    if (!RegisterClassExW(&wc)) RaiseLastOSError();
  }
  TCreateParams p;
  CreateParams(p);
  HWND hwnd = CreateWindowExW(p.exStyle, WStr(cls), WStr(p.caption), p.style, p.x, p.y, p.width,
                              p.height, p.parent, nullptr, instance, this);
  if (!hwnd) RaiseLastOSError();
  hwnd_ = hwnd;
}

LRESULT CALLBACK TForm::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto form = reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  LRESULT result = 0;
  bool handled = false;
  GuardedCall(form, [&] {
    result = form->WndProc(msg, wp, lp);
    handled = true;
  });
  return handled ? result : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    Close();
    return 0;
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT TForm::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd_, msg, wp, lp);
}
