// TTimer: calls OnTimer every Interval milliseconds while enabled, on the GUI thread,
// inside the toolkit's exception handling. Its messages go to the thread's one timer
// window, which all timers of the thread share.
#pragma once

#include "Rtl/Win.h"

#include "Gui/Component.h"

class TTimerWindow;

class TTimer : public TComponent {
  KIV_CLASS_INFO()

 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  TNotifyEvent OnTimer;

  void Loaded() override;

 private:
  void Update();

  TTimerWindow* window_;  // shared; this timer is one of its users
  UINT_PTR id_ = 0;       // while running: the id of this start
  bool enabled_ = true;
  int interval_ = 1000;
};
