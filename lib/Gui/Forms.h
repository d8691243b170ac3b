// TForm: a top-level window of the toolkit, built from its stored description.
//
// A form class's description is the binary form resource named after the class in
// upper case (TForm1 -> TFORM1), read from the current resource source (the program,
// or a translated resource module). Create<T> builds the empty form, then reads the
// descriptions of its class and of its ancestors down to the toolkit's form class
// (an inherited form's description holds only what differs), then lets the class
// finish its construction (Constructed) and runs OnCreate; with OldCreateOrder set,
// OnCreate runs before Constructed, still inside the read, as older forms expect.
//
// A description gives the size of the client area (ClientWidth, ClientHeight) or, as
// older tools wrote it, of the whole window (Width, Height); the form keeps the size
// it was given when its border or menu changes, and writes it back the same way.
//
// A form shows modally (ShowModal) until its ModalResult is set; it closes through
// Close, which asks OnCloseQuery and OnClose. Closing the main form ends the program.
// MDI frames (fsMDIForm) own an MDI client window; MDI children (fsMDIChild) live in
// the main form's client.
#pragma once

#include <memory>
#include <string>

#include "Gui/WinControl.h"

class TMainMenu;
class TMenuItem;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;

using TCloseEvent = TEvent<TComponent*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TComponent*, bool&>;

// The state of a form's life (FormState).
enum TFormStateFlag : unsigned { fsCreating = 1, fsModal = 2, fsActivated = 4 };

const TEnumNames& FormStyleNames();

class TForm : public TWinControl {
  KIV_CLASS_INFO()

 public:
  // An empty form: no description is read (see Create).
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Creates a form of class T owned by `owner` and builds it from its descriptions.
  template <typename T>
  static T* Create(TComponent* owner) {
    std::unique_ptr<T> form(new T(owner));
    form->InitializeForm();
    return form.release();
  }
  // Reads the descriptions (unless the form is of its root class), then runs
  // Constructed and OnCreate in the order OldCreateOrder says.
  void InitializeForm();
  // Descriptions are read for the classes from the form's own down to, but not
  // including, this one.
  virtual const TClassInfo& FormRootClass() const { return TForm::kClassInfo; }

  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TFormStyle FormStyle() const { return formStyle_; }
  virtual void SetFormStyle(TFormStyle v);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool v) { oldCreateOrder_ = v; }
  TMainMenu* Menu() const { return menu_; }
  virtual void SetMenu(TMainMenu* menu);
  void SetMenuComponent(TComponent* menu);
  // The menu's items changed: the bar shows them again.
  void MenuChanged();
  TComponent* MenuComponent() const;
  // The menu item whose drop-down lists an MDI frame's children.
  TMenuItem* WindowMenu() const { return windowMenu_; }
  void SetWindowMenu(TMenuItem* item);
  TComponent* WindowMenuComponent() const;
  void SetWindowMenuComponent(TComponent* item);
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  TComponent* ActiveControlComponent() const;
  void SetActiveControlComponent(TComponent* control);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
  int TextHeight() const { return textHeight_; }
  void SetTextHeight(int v) { textHeight_ = v; }
  unsigned FormState() const { return formState_; }

  RECT ClientRect() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetClientSize(int width, int height) override;
  int StoredClientWidth() const { return ClientWidth(); }
  int StoredClientHeight() const { return ClientHeight(); }
  // True when the form's size was last given as its window size (Width, Height) rather
  // than its client size.
  bool SizedByWindow() const { return sizedByWindow_; }

  void Show();
  void Hide();
  // Asks OnCloseQuery and OnClose, then hides, minimizes or frees the form as OnClose
  // decided; the main form's close ends the program.
  void Close();
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  // Destroys the form once the messages of the moment are handled.
  void Release();
  void BringToFrontWindow();
  bool Showing() const override;

  // Tab, Return and Escape that the focused control does not take: true when used.
  bool DialogKey(WORD key, TShiftState shift);
  // A key that is the shortcut of an enabled item of the form's menu (or of another
  // main menu the form owns): runs the item's OnClick; true when one did.
  bool IsShortCut(WORD key, TShiftState shift);
  // A character typed with Alt: the control whose accelerator it is takes it (a label
  // focuses its FocusControl, a button clicks); true when one did.
  bool DialogChar(char16_t c);
  // The control in this form that got the focus.
  void FocusChanged(TWinControl* control);

  // The canvas of the paint in progress (OnPaint), or null.
  TCanvas* Canvas() const { return canvas_; }
  // The MDI client window of an MDI frame, or null.
  HWND ClientHandle() const { return clientHandle_; }
  TForm* ActiveMDIChild() const;

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnShow;

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowDone() override;
  void WindowDestroyed() override;
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) override;
  void PaintWindow(HDC dc) override;
  void AlignControls(RECT& rect) override;
  void VisibleChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual bool CloseQuery();
  // OnClose, with the action the form's kind proposes.
  virtual void DoClose(TCloseAction& action);
  virtual void DoShow();
  virtual void DoHide();
  void DoCreate();
  // The class's own construction that needs the components of its description, run
  // after the description is read (a form's constructor runs before it).
  virtual void Constructed() {}
  void BoundsChanged(const RECT& old) override;
  void SetFormStateFlag(unsigned flag, bool on) {
    formState_ = on ? formState_ | flag : formState_ & ~flag;
  }
  // The window that owns this form's window: the application's, unless overridden.
  virtual HWND OwnerWindow();
  void UpdateHints();

 private:
  void CloseModal();
  void ApplyPosition(TCreateParams& p);
  void ApplyWindowState();
  // The frame the window adds around the client area (border, caption, menu bar).
  SIZE FrameSize() const;
  // Without a window: the client size that fits the window size.
  void ClientFromBounds();
  // The border or the menu bar changed: the size the form was given stays.
  void FrameChanged(int clientWidth, int clientHeight);

  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDefaultPosOnly;
  TFormStyle formStyle_ = TFormStyle::fsNormal;
  TWindowState windowState_ = TWindowState::wsNormal;
  bool keyPreview_ = false;
  bool oldCreateOrder_ = false;
  TMainMenu* menu_ = nullptr;
  TMenuItem* windowMenu_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  int pixelsPerInch_ = 96;
  int textHeight_ = 13;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  bool sizedByWindow_ = false;
  bool settingClientSize_ = false;
  unsigned formState_ = 0;
  TModalResult modalResult_ = mrNone;
  TCanvas* canvas_ = nullptr;
  HWND clientHandle_ = nullptr;
  HWND toolTip_ = nullptr;
};

// The Unicode control layer's form.
class TKivForm : public TForm {
  KIV_CLASS_INFO()

 public:
  using TForm::TForm;
  const TClassInfo& FormRootClass() const override { return TKivForm::kClassInfo; }
};

// Registers the toolkit's own classes for creation by name (idempotent).
void RegisterToolkitClasses();
