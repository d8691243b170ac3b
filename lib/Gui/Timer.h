// TTimer: calls OnTimer every Interval milliseconds while enabled, on the GUI
// thread, inside the toolkit's exception handling.
#pragma once

#include <functional>

#include "Gui/Component.h"
#include "Rtl/Win.h"

class TTimer : public TComponent {
 public:
  using NotifyEvent = std::function<void(TComponent* sender)>;

  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  NotifyEvent OnTimer;

  bool ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) override;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Update();

  HWND window_ = nullptr;
  bool enabled_ = true;
  unsigned interval_ = 1000;
  bool running_ = false;
};
