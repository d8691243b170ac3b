// KivLXForms: the library's base form, TKivFormLX.
//
// - A form may have its own task-bar button (TaskBarButton); the application window's
//   button is hidden while the main form has one, closing the main form only hides it
//   while other such forms live, and clicking a form that a modal dialog blocks brings
//   the dialog forward and flashes it.
// - An MDI child can carry its own control bar, tool bar and status bar; while it is
//   the active, maximized child, its tool bar sits in the main form's control bar and
//   its status bar inside the main form's status bar.
// - A form owned or contained by another control cannot be a main or MDI form, and an
//   MDI child cannot have a task-bar button.
#pragma once

#include <functional>
#include <memory>

#include "Gui/Forms.h"
#include "Gui/KivControlBar.h"
#include "Gui/KivStatusBar.h"
#include "Gui/KivToolBar.h"
#include "Gui/WindowHook.h"
#include "Rtl/ResourceString.h"

class TKivFormLX : public TKivForm {
  KIV_CLASS_INFO()

 public:
  explicit TKivFormLX(TComponent* owner);
  ~TKivFormLX() override;
  const TClassInfo& FormRootClass() const override { return TKivFormLX::kClassInfo; }

  void SetFormStyle(TFormStyle v) override;
  bool TaskBarButton() const { return taskBarButton_; }
  void SetTaskBarButton(bool on);
  void SetMenu(TMainMenu* menu) override;
  TKivControlBar* MDIControlBar() const { return mdiControlBar_; }
  void SetMDIControlBar(TKivControlBar* bar);
  TKivToolBar* MDIToolBar() const { return mdiToolBar_; }
  void SetMDIToolBar(TKivToolBar* bar);
  TKivStatusBar* MDIStatusBar() const { return mdiStatusBar_; }
  void SetMDIStatusBar(TKivStatusBar* bar);
  // Component-typed accessors for the property table.
  TComponent* MDIControlBarComponent() const { return mdiControlBar_; }
  void SetMDIControlBarComponent(TComponent* c);
  TComponent* MDIToolBarComponent() const { return mdiToolBar_; }
  void SetMDIToolBarComponent(TComponent* c);
  TComponent* MDIStatusBarComponent() const { return mdiStatusBar_; }
  void SetMDIStatusBarComponent(TComponent* c);

  // Makes the form owned by `container` (its window owns the form's) or, with
  // `contained`, a child window inside it. Null makes it free again.
  void SetContainer(TWinControl* container, bool contained);
  TWinControl* Container() const { return container_; }
  bool OwnedOrContained() const { return container_ != nullptr; }

  // Docks (true) or undocks this MDI child's tool bar and status bar into the main
  // form's. Raises EKivInternalError for a form that is not an MDI child.
  void MDIChild_UpdateMdiDockState(bool docked);
  bool MdiDocked() const { return docked_; }
  // The child status bar shown inside this (main) form's status bar, or null.
  TKivStatusBar* DockedStatusBar() const { return dockedStatusBar_; }

  // Shows (false) or hides (true) the application window's own task-bar button.
  void UpdateApplicationButton(bool hide);

  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  HWND OwnerWindow() override;
  void CreateWindowDone() override;
  void WindowDestroyed() override;
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void DoClose(TCloseAction& action) override;
  void Resize() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void UpdateMdiDock(bool locked);
  void RecolorControlBar();
  void HookStatusBar();
  void HookMdiClient();
  bool MdiClientMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void PaintDockedEdges();
  void DockToolBar(TKivFormLX& main, bool docked);
  void DockStatusBar(TKivFormLX& main, bool docked);
  // The window procedure's handlers, one per group of messages.
  LRESULT BringModalPopupsToFront(HWND popup);
  LRESULT ActivationMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ApplicationButtonMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ClickOnBlockedForm(UINT msg, WPARAM wp, LPARAM lp);
  void SignalBlockedClick(HWND popup, bool beep);
  LRESULT MenuMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT MdiActivateMessage(UINT msg, WPARAM wp, LPARAM lp);

  TWinControl* container_ = nullptr;
  bool contained_ = false;
  bool mdiMenuSwitch_ = false;
  std::unique_ptr<TWindowHook> clientHook_;
  TKivStatusBar* dockedStatusBar_ = nullptr;
  TKivStatusBar* hookedStatusBar_ = nullptr;
  std::unique_ptr<TWindowHook> statusBarHook_;
  TAlign savedAlign_ = TAlign::alNone;
  bool savedSizeGrip_ = true;
  RECT savedBounds_{};
  // The child's control bar, left empty by its docked tool bar, is hidden meanwhile.
  bool controlBarHidden_ = false;
  bool docked_ = false;
  bool taskBarButton_ = false;
  TKivControlBar* mdiControlBar_ = nullptr;
  TKivToolBar* mdiToolBar_ = nullptr;
  TKivStatusBar* mdiStatusBar_ = nullptr;
};

// Nestable, process-wide: freezes the main form's MDI client while several MDI windows
// change, and repaints it once at the end.
void BeginMdiUpdate();
void EndMdiUpdate();
int MdiUpdateLevel();

// The window W is a modal popup of window O: a window of O's, enabled, and either a
// form of the toolkit showing modally or a window with a modal dialog frame.
bool IsModalPopupOf(HWND w, HWND o);
// O's last active popup when that is a modal popup of O, else null.
HWND ModalPopupOf(HWND o);
// The modal popup of the application window.
HWND ApplicationModalPopup();

// The unit's process-wide state, for tests and reports.
int TaskBarFormCount();
bool MainFormHidden();
UINT BringToFrontMessage();
// Forms waiting for the "Kiv.BringToFront" message to raise them.
int BringToFrontCount();

// The beep and the caption flash of a click on a blocked form; tests record them
// instead of hearing and seeing them. Null restores the system's.
void SetBlockedClickBeep(std::function<void()> beep);
void SetBlockedClickFlash(std::function<void(const FLASHWINFO&)> flash);

void InitializeKivLXForms();
void FinalizeKivLXForms();
