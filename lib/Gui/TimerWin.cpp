#include "Gui/Timer.h"

#include <map>

#include "Gui/Application.h"
#include "Gui/Properties.h"
#include "Rtl/Exceptions.h"

// One hidden window serves every timer of a thread: a window per timer would cost a
// window for each one the program makes. Each start of a timer gets an id of its own
// that is never handed out again, so a tick queued for a timer that has been stopped,
// restarted or freed since finds no timer and is dropped.
class TTimerWindow : public TWindowedObject {
 public:
  // The thread's window, made on first use; the caller is one more user.
  static TTimerWindow* Acquire();
  // One user fewer; the window goes with its last user, once no tick is running.
  void Release();

  // Raises the operating-system error when the system has no timer to give.
  UINT_PTR Start(TTimer* timer, UINT interval);
  void Stop(UINT_PTR id);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  TTimerWindow();
  ~TTimerWindow() override;
  void DeleteIfUnused();

  std::map<UINT_PTR, TTimer*> timers_;
  UINT_PTR lastId_ = 0;
  int users_ = 0;
  int ticking_ = 0;  // ticks running, nested ones (a modal loop in a handler) included
};

namespace {

// Not owned by the thread: the window goes with the thread's last timer.
thread_local TTimerWindow* threadTimerWindow = nullptr;

constexpr TPropInfo kTimerProps[] = {
    BoolProp<&TTimer::Enabled, &TTimer::SetEnabled>("Enabled", true),
    IntProp<&TTimer::Interval, &TTimer::SetInterval>("Interval", 1000),
    EventProp<&TTimer::OnTimer>("OnTimer"),
};

TComponent* CreateTimer(TComponent* owner) { return new TTimer(owner); }

}  // namespace

TTimerWindow::TTimerWindow() {
  TCreateParams p;
  p.className = u"KivUtilityWindow";
  // A hidden top-level window: the 9x family and NT 4.0 have no message-only windows.
  p.style = WS_POPUP;
  p.x = p.y = 0;
  p.width = p.height = 0;
  CreateWindowFor(p);
}

TTimerWindow::~TTimerWindow() {
  for (const auto& [id, timer] : timers_) KillTimer(WindowHandle(), id);
  DestroyWindowHandle();
  if (threadTimerWindow == this) threadTimerWindow = nullptr;
}

TTimerWindow* TTimerWindow::Acquire() {
  if (!threadTimerWindow) threadTimerWindow = new TTimerWindow();
  ++threadTimerWindow->users_;
  return threadTimerWindow;
}

void TTimerWindow::Release() {
  --users_;
  DeleteIfUnused();
}

// A window freed inside its own procedure is safe as long as nothing of it is touched
// afterwards: the toolkit's procedure reads nothing of the object after a tick.
void TTimerWindow::DeleteIfUnused() {
  if (users_ == 0 && ticking_ == 0) delete this;
}

UINT_PTR TTimerWindow::Start(TTimer* timer, UINT interval) {
  // Id 0 is no timer; after a wrap, ids still running are skipped.
  do {
    ++lastId_;
  } while (lastId_ == 0 || timers_.count(lastId_) != 0);
  KIV_THROW_IF_WIN32_FALSE(SetTimer(WindowHandle(), lastId_, interval, nullptr));
  timers_[lastId_] = timer;
  return lastId_;
}

void TTimerWindow::Stop(UINT_PTR id) {
  if (timers_.erase(id) != 0) KillTimer(WindowHandle(), id);
}

LRESULT TTimerWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_TIMER) return DefaultHandler(msg, wp, lp);
  auto found = timers_.find(static_cast<UINT_PTR>(wp));
  if (found == timers_.end()) return 0;
  TTimer* timer = found->second;
  ++ticking_;
  // The handler may free its timer, another timer, or the last of them.
  CallGuarded(timer, [timer] { timer->OnTimer(timer); });
  --ticking_;
  DeleteIfUnused();
  return 0;
}

const TClassInfo TTimer::kClassInfo{"TTimer", &TComponent::kClassInfo, CreateTimer, kTimerProps, {},
                                    {}};

TTimer::TTimer(TComponent* owner) : TComponent(owner), window_(TTimerWindow::Acquire()) {}

TTimer::~TTimer() {
  if (id_ != 0) window_->Stop(id_);
  window_->Release();
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
  if (id_ != 0) {
    window_->Stop(id_);
    id_ = 0;
  }
  // Starts once the description is read, so a stored interval takes effect first.
  if (enabled_ && interval_ > 0 && !HasState(csLoading)) {
    id_ = window_->Start(this, static_cast<UINT>(interval_));
  }
}
