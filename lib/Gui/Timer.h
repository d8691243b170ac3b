// TTimer: calls OnTimer every Interval milliseconds while enabled, on the GUI thread,
// inside the toolkit's exception handling. Its messages go to a utility window.
#pragma once

#include <memory>

#include "Gui/Component.h"

class TUtilityWindow;

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

  std::unique_ptr<TUtilityWindow> window_;
  bool enabled_ = true;
  int interval_ = 1000;
  bool running_ = false;
};
