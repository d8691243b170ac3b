// TWinControl: a control with a window of its own. It holds its child controls (in
// stacking order, and the focusable ones in tab order), lays them out by alignment
// and anchors when its size changes, paints the graphic ones, reflects the
// notifications Windows sends a parent about a child (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR*) to that child's own object, and tracks the keyboard focus.
//
// The window is made when first needed (Handle, or a parent's window being made) from
// CreateParams; controls based on a system control superclass it.
#pragma once

#include <vector>

#include "Gui/Control.h"
#include "Gui/WindowedObject.h"

class TWinControl : public TControl, public TWindowedObject {
  KIV_CLASS_INFO()

 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, made on first use with the windows of the parents it needs.
  HWND Handle();
  bool HandleAllocated() const { return TWindowedObject::HandleAllocated(); }
  void HandleNeeded() { Handle(); }
  // Destroys the window and makes it again with the current creation parameters.
  void RecreateWnd();
  LRESULT Perform(UINT msg, WPARAM wp, LPARAM lp) { return ControlWndProc(msg, wp, lp); }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  bool ContainsControl(const TControl* control) const;

  int TabOrder() const;
  void SetTabOrder(int v);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  // The windowed children in tab order.
  const std::vector<TWinControl*>& TabList() const { return tabList_; }

  virtual bool CanFocus() const;
  void SetFocus();
  bool Focused() const;
  // The next control in tab order after `current` (or the first), forwards or back;
  // only visible, enabled controls that take the focus. Null when there is none.
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  // Lays the children out again (alignment, anchors).
  void Realign();
  // The visible, enabled control without a window of its own at `p` (client
  // coordinates), the topmost one; null when there is none.
  TControl* GraphicControlAt(POINT p) const;
  void MoveControlToFront(TControl* control);
  void Invalidate() override;
  void Update() override;
  bool Showing() const override;
  RECT ClientRect() const override;
  POINT ClientOrigin() const override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  void Loaded() override;

  // Key handling: true when the key was used (and is then set to 0).
  virtual bool DoKeyDown(WORD& key, TShiftState shift);

 protected:
  virtual void CreateParams(TCreateParams& params);
  // Makes the window, then its children's windows.
  virtual void CreateWnd();
  // The window exists: set its font, make the children's windows.
  virtual void CreateWindowDone();
  void DestroyHandle();

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) final { return ControlWndProc(msg, wp, lp); }
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  TComponent* ExceptionSender() override { return this; }
  void WindowDestroyed() override;

  // Painting: the background, the control's own painting, then its graphic children.
  virtual bool EraseBackground(HDC dc);
  virtual void PaintWindow(HDC dc);
  void PaintControls(HDC dc);
  // The client area left for the children after alignment.
  virtual void AlignControls(RECT& rect);
  // The window's size changed: realign, anchor, tell OnResize.
  virtual void ClientResized();
  void BoundsChanged(const RECT& old) override;
  void FontChanged() override;
  void ColorChanged() override;
  void TextChanged() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  // A reflected child notification (CN_*); return true when handled.
  virtual bool HandleNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return false; }
  // Colours for WM_CTLCOLOR*: the control's brush, its font's text colour.
  LRESULT ControlColor(HDC dc);

  // A child was inserted or removed.
  virtual void ControlListChanged(TControl* control);
  // A child was shown or hidden (aligned children realign the container anyway).
  virtual void ChildVisibleChanged(TControl*) {}

  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

 private:
  LRESULT ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
  // Passes a mouse message on to the control without a window under the pointer (or
  // the one holding the mouse while a button is down); false when there is none.
  bool RouteMouseToGraphic(UINT msg, WPARAM wp, LPARAM lp);
  // Own windows keep the mouse while a button is down, so the up comes here too.
  void TrackMouseCapture(UINT msg, WPARAM wp);
  void WindowPosChanged(const WINDOWPOS& pos);
  void SortTabList();
  // The window procedure's handlers, one per group of messages.
  LRESULT MouseInput(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ReflectedMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT FocusMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT KeyMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT PaintMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT SizeMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT SetCursorMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ToolkitMessage(UINT msg, WPARAM wp, LPARAM lp);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  int storedTabOrder_ = -1;
  bool realigning_ = false;
  bool creating_ = false;
  // A superclassed system control paints itself and handles its own mouse input.
  bool systemControl_ = false;
  // The child without a window that holds the mouse while a button is down.
  TControl* mouseControl_ = nullptr;
};

// The object of the toolkit's control whose window is `hwnd`, or null.
TWinControl* FindControl(HWND hwnd);
// The character of a WM_CHAR or WM_SYSCHAR for `hwnd` (an 8-bit window's in the
// system code page).
char16_t CharFromMessage(HWND hwnd, WPARAM wp);
