// TForm: a top-level window of the toolkit. The window is created when first needed
// (Show, Handle) from the form's properties; its window class is named after the
// form's class, so tools and tests can find it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Gui/Component.h"
#include "Rtl/Win.h"

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poDefault, poScreenCenter };

struct TBorderIcons {
  bool systemMenu = true;
  bool minimize = true;
  bool maximize = true;
};

// A form's font as its description gives it; the controls that draw text use it.
struct TFont {
  std::u16string name = u"MS Shell Dlg 2";
  int height = -11;
  std::string charset = "DEFAULT_CHARSET";
  std::string color = "clWindowText";
  std::vector<std::string> style;
};

// What CreateWindowExW gets; forms adjust it before their window is made.
struct TCreateParams {
  std::u16string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  int width = CW_USEDEFAULT;
  int height = CW_USEDEFAULT;
  HWND parent = nullptr;
};

class TForm : public TComponent {
 public:
  using NotifyEvent = std::function<void(TComponent* sender)>;

  explicit TForm(TComponent* owner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& caption);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle s) { borderStyle_ = s; }
  const TBorderIcons& BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons) { borderIcons_ = icons; }
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p) { position_ = p; }
  const TFont& Font() const { return font_; }
  const std::string& Color() const { return color_; }
  int PixelsPerInch() const { return pixelsPerInch_; }

  bool ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) override;

  bool HandleAllocated() const { return hwnd_ != nullptr; }
  // The window, created on first use.
  HWND Handle();
  void Show();
  // Asks the form to close; closing the main form ends the program.
  void Close();

  NotifyEvent OnCreate;
  NotifyEvent OnClose;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void CreateHandle();
  std::u16string WindowClassName() const;

  HWND hwnd_ = nullptr;
  std::u16string caption_;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  TBorderIcons borderIcons_;
  int clientWidth_ = 300;
  int clientHeight_ = 200;
  TPosition position_ = TPosition::poDefault;
  int left_ = CW_USEDEFAULT;
  int top_ = CW_USEDEFAULT;
  TFont font_;
  std::string color_ = "clBtnFace";
  int pixelsPerInch_ = 96;
  int textHeight_ = 13;
};
