// TKivMemo: a multi-line text box with wide text (the system EDIT control). Its lines
// are a stored string list; a read-only memo with WantReturns off leaves Return to
// the form's default button.
#pragma once

#include "Gui/KivStrings.h"
#include "Gui/WinControl.h"

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TKivMemo : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivMemo(TComponent* owner);
  ~TKivMemo() override;

  TKivStrings& Lines() { return lines_; }
  // The whole text, lines joined by CR LF (without a final line break).
  std::u16string Text();
  void SetText(const std::u16string& text);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // The most characters a user can type in; 0 for as many as the control takes.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);

  int SelStart();
  void SetSelStart(int v);
  // Scrolls the caret into view.
  void ScrollCaret();
  // Suspends painting and line updates until the matching EndUpdate.
  void BeginUpdate();
  void EndUpdate();

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowDone() override;
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool HandleNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void LinesChanged();

  TKivStrings lines_;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  bool readOnly_ = false;
  int maxLength_ = 0;
  TScrollStyle scrollBars_ = TScrollStyle::ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  bool wordWrap_ = true;
  bool syncing_ = false;
};
