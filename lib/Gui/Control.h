// TControl: a visible component. It has bounds inside its parent, an alignment or
// anchors that move it when the parent's size changes, a font and colour it may take
// from its parent, a hint, and click events. Controls without a window of their own
// (TGraphicControl) are painted by their parent.
#pragma once

#include "Rtl/Win.h"

#include <string>

#include "Gui/Component.h"
#include "Gui/Graphics.h"

class TWinControl;
class TForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using TShiftState = unsigned;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
// A control's own border: none or a single sunken edge.
enum class TBorderStyle { bsNone, bsSingle };

using TKeyEvent = TEvent<TComponent*, WORD&, TShiftState>;
using TKeyPressEvent = TEvent<TComponent*, char16_t&>;
// Coordinates are in the control's client area.
using TMouseEvent = TEvent<TComponent*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TComponent*, TShiftState, int, int>;

const TEnumNames& AlignNames();
const TEnumNames& AnchorNames();
const TEnumNames& AlignmentNames();
const TEnumNames& BorderStyleNames();
// The state of the shift keys now.
TShiftState KeyboardShiftState();
// The shift keys and mouse buttons a mouse message's wParam names (Alt as it is now).
TShiftState MouseShiftState(WPARAM wp);
// WM_MOUSEMOVE and the button messages of the three buttons.
bool IsMouseMessage(UINT msg);

// Minimum and maximum width and height of a control (0: no limit).
class TSizeConstraints : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int v) { Set(maxHeight_, v); }
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int v) { Set(maxWidth_, v); }
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int v) { Set(minHeight_, v); }
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int v) { Set(minWidth_, v); }
  // Width and height within the limits.
  void Apply(int& width, int& height) const;

  std::function<void()> OnChange;

 private:
  void Set(int& field, int v);

  int maxHeight_ = 0;
  int maxWidth_ = 0;
  int minHeight_ = 0;
  int minWidth_ = 0;
};

// Space kept free around a control that aligns with margins.
class TMargins : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  int Left() const { return left_; }
  void SetLeft(int v) { Set(left_, v); }
  int Top() const { return top_; }
  void SetTop(int v) { Set(top_, v); }
  int Right() const { return right_; }
  void SetRight(int v) { Set(right_, v); }
  int Bottom() const { return bottom_; }
  void SetBottom(int v) { Set(bottom_, v); }

  std::function<void()> OnChange;

 private:
  void Set(int& field, int v);

  int left_ = 3;
  int top_ = 3;
  int right_ = 3;
  int bottom_ = 3;
};

class TControl : public TComponent {
  KIV_CLASS_INFO()

 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  int Height() const { return height_; }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  virtual void SetBounds(int left, int top, int width, int height);
  // The client area, in the control's own coordinates.
  virtual RECT ClientRect() const { return {0, 0, width_, height_}; }
  int ClientWidth() const { return ClientRect().right; }
  int ClientHeight() const { return ClientRect().bottom; }
  virtual void SetClientSize(int width, int height);
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v);
  // An aligned control keeps its margins free around it.
  bool AlignWithMargins() const { return alignWithMargins_; }
  void SetAlignWithMargins(bool v);
  TMargins& Margins() { return margins_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Visible and inside a showing parent.
  virtual bool Showing() const;
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);

  const std::u16string& Caption() const { return caption_; }
  std::u16string CaptionText() const { return caption_; }
  void SetCaption(const std::u16string& v);
  std::u16string Hint() const { return hint_; }
  void SetHint(const std::u16string& v);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v);

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont& Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  TSizeConstraints& Constraints() { return constraints_; }
  int Cursor() const { return cursor_; }
  void SetCursor(int v) { cursor_ = v; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  virtual void Click();

  // Repaints the control's area.
  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void BringToFront();

  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;
  // The screen position of the client area's top left corner.
  virtual POINT ClientOrigin() const;

  LRESULT Perform(UINT msg, WPARAM wp, LPARAM lp) { return ControlWndProc(msg, wp, lp); }

  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void Loaded() override;

  // The control's last explicit bounds and its distance from the parent's right and
  // bottom edges then: anchors move it from there when the parent's size changes.
  void UpdateAnchorRules();
  void AnchorTo(const RECT& parentClient);
  // A font or colour of the parent changed; controls that follow their parent take it.
  void ParentFontChanged();
  void ParentColorChanged();

 protected:
  // The control's message handling: windowed controls get every message of their
  // window here; graphic controls the toolkit's own messages and mouse messages their
  // parent passes on.
  virtual LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp);
  // A mouse message (coordinates in the client area): the mouse events, and a click
  // when the left button goes up where it went down.
  void MouseMessage(UINT msg, WPARAM wp, LPARAM lp);
  // False for controls whose clicks come from their system control instead (a push
  // button's notification), so that a click is not counted twice.
  virtual bool ClicksFromMouse() const { return true; }
  virtual void Resize();
  virtual void Paint(TCanvas& canvas) {}
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void TextChanged() {}
  virtual void EnabledChanged() {}
  virtual void VisibleChanged();
  // Applies new bounds to the window or the parent's painting.
  virtual void BoundsChanged(const RECT& old);
  bool InAnchoring() const { return anchoring_; }
  // The visibility a class starts with, set without notifications.
  void InitVisible(bool v) { visible_ = v; }

  friend class TWinControl;

 private:
  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = TAlign::alNone;
  TAnchors anchors_ = akLeft | akTop;
  bool alignWithMargins_ = false;
  TMargins margins_;
  bool visible_ = true;
  bool enabled_ = true;
  std::u16string caption_;
  std::u16string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  TFont font_;
  bool parentFont_ = true;
  TSizeConstraints constraints_;
  int cursor_ = crDefault;
  // Anchor origin: the bounds last set explicitly, and the right and bottom distances.
  RECT anchorBounds_{};
  int anchorRight_ = 0;
  int anchorBottom_ = 0;
  bool anchoring_ = false;
  bool fontFromParent_ = false;
  // The left button went down on the control and has not come up.
  bool clicked_ = false;
};

// A control without a window, painted by its parent.
class TGraphicControl : public TControl {
  KIV_CLASS_INFO()

 public:
  using TControl::TControl;
  void Invalidate() override;

 protected:
  void BoundsChanged(const RECT& old) override;
  void VisibleChanged() override;
  friend class TWinControl;
};

// True when `caption` marks `key` as its accelerator ("&" before it, case ignored);
// "&&" stands for an "&" and marks nothing.
bool IsAccel(char16_t key, const std::u16string& caption);

// The form a control is on (its topmost parent that is a form), or null.
TForm* GetParentForm(const TControl* control);
// The text before the first "|" of a hint (shown in the tooltip), and after it.
std::u16string GetShortHint(const std::u16string& hint);
std::u16string GetLongHint(const std::u16string& hint);
