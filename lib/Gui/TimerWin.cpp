#include "Gui/Timer.h"

#include "Gui/Application.h"
#include "Gui/Properties.h"
#include "Rtl/Exceptions.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

constexpr TPropInfo kTimerProps[] = {
    BoolProp<&TTimer::Enabled, &TTimer::SetEnabled>("Enabled", true),
    IntProp<&TTimer::Interval, &TTimer::SetInterval>("Interval", 1000),
    EventProp<&TTimer::OnTimer>("OnTimer"),
};

TComponent* CreateTimer(TComponent* owner) { return new TTimer(owner); }

}  // namespace

const TClassInfo TTimer::kClassInfo{"TTimer", &TComponent::kClassInfo, CreateTimer, kTimerProps, {},
                                    {}};

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_ = std::make_unique<TUtilityWindow>(
      [this](UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
        if (msg != WM_TIMER || wp != kTimerId) return false;
        if (enabled_) OnTimer(this);
        result = 0;
        return true;
      },
      this);
}

TTimer::~TTimer() {
  if (running_) KillTimer(window_->Handle(), kTimerId);
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(int ms) {
  if (ms < 0) throw EInvalidOperation(Format("Invalid timer interval %d", ms));
  if (interval_ == ms) return;
  interval_ = ms;
  Update();
}

void TTimer::Update() {
  if (running_) {
    KillTimer(window_->Handle(), kTimerId);
    running_ = false;
  }
  // Starts once the description is read, so a stored interval takes effect first.
  if (enabled_ && interval_ > 0 && !HasState(csLoading)) {
    KIV_THROW_IF_WIN32_FALSE(
        SetTimer(window_->Handle(), kTimerId, static_cast<UINT>(interval_), nullptr));
    running_ = true;
  }
}
