// The exception dialog (Windows half of KivTrxExceptDlg): every exception that escapes
// an event handler, or ends a tracked worker thread, is shown in one modal dialog with
// the message, and a detail report built right after it shows.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Debug/StackTrace.h"
#include "Debug/TrackedThreads.h"
#include "Gui/Forms.h"
#include "Gui/KivBevel.h"
#include "Gui/KivButton.h"
#include "Gui/KivMemo.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/Exceptions.h"

class TKivExceptionDialog : public TForm {
  KIV_CLASS_INFO()

 public:
  explicit TKivExceptionDialog(TComponent* owner);
  ~TKivExceptionDialog() override;

  // The components of the description.
  TKivMemo* TextLabel = nullptr;
  TKivButton* DetailsBtn = nullptr;
  TKivButton* ClipboardBtn = nullptr;
  TKivButton* EmailBtn = nullptr;
  TKivButton* OkBtn = nullptr;
  TKivBevel* Bevel1 = nullptr;
  TKivMemo* DetailsMemo = nullptr;

  // The published handlers.
  void FormCreate(TComponent* sender);
  void FormKeyDown(TComponent* sender, WORD& key, TShiftState shift);
  void FormPaint(TComponent* sender);
  void FormResize(TComponent* sender);
  void FormShow(TComponent* sender);
  void DetailsBtnClick(TComponent* sender);
  void ClipboardBtnClick(TComponent* sender);
  void EmailBtnClick(TComponent* sender);
  void DetailsMemoDblClick(TComponent* sender);

  // The application-wide hook and the worker-thread event.
  static void HandleApplicationException(TComponent* sender, Exception& e);
  static void HandleThreadException(const TThreadException& e);
  // Shows `e` (raised on `thread`, or on the GUI thread when none) and returns when
  // the dialog closes; a second exception while one is shown goes to the error log
  // and the toolkit's message box.
  static void ShowExceptionDialog(const std::exception& e,
                                  std::optional<std::uint32_t> thread = std::nullopt);
  // The dialog shown now, or null.
  static TKivExceptionDialog* Current();

  // Fills the dialog for `e` without showing it: caption, message, report head.
  void Prepare(const std::exception& e, std::optional<std::uint32_t> thread = std::nullopt);

  bool ShowingDetails() const { return showingDetails_; }
  void SetShowingDetails(bool value);
  bool DetailsBuilt() const { return detailsBuilt_; }
  bool ReportLogged() const { return reportLogged_; }
  int CollapsedHeight() const { return collapsedHeight_; }
  int ExpandedClientHeight() const { return expandedClientHeight_; }
  // The message and the details, one empty line between (the clipboard's text).
  std::u16string ReportText();
  void CopyReport();
  void BuildDetails();

 protected:
  virtual void MarkDetailsBuilt() { detailsBuilt_ = true; }
  // Ends FormShow (with the silent abort) when the report is not to be built now.
  virtual void CheckAutoBuild();
  virtual void FillDetails();
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void UpdateMessageScrollBar();
  void FitMessageHeight();
  void ChooseDetailsFont();
  void ShowReadError(const std::exception& e);
  void LogSecondaryException(const std::exception& e);

  bool showingDetails_ = false;
  bool raisedInMainThread_ = true;
  TWinControl* focusedControl_ = nullptr;
  int collapsedHeight_ = 0;
  int expandedClientHeight_ = 0;
  bool autoBuildDetails_ = true;
  bool detailsBuilt_ = false;
  bool reportLogged_ = false;
  // The stack and focus chain taken when the exception reached the dialog.
  std::unique_ptr<TDiagnosticsInput> input_;
};
