// The window pattern itself, on the smallest window of the toolkit (a utility window):
// the object is attached while its window lives and detached when the window goes,
// whoever destroys it, and no failure inside a handler unwinds into the system.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Gui/Application.h"
#include "Gui/PlatformGui.h"
#include "WinTestSupport.h"

namespace {

constexpr UINT kRaise = WM_APP + 1;
constexpr UINT kFault = WM_APP + 2;
constexpr UINT kAnswer = WM_APP + 3;

class WindowPattern : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    Application().OnException = [this](TComponent*, Exception& e) {
      reported.push_back(e.ClassName());
    };
  }
  void TearDown() override { Application().OnException = nullptr; }

  // A window whose handler raises, faults or answers on request.
  std::unique_ptr<TUtilityWindow> MakeWindow() {
    return std::make_unique<TUtilityWindow>([this](UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
      seen.push_back(msg);
      if (msg == kRaise) throw EKivGeneralError("raised in a handler");
      if (msg == kFault) *reinterpret_cast<volatile int*>(lp) = 1;  // sent with 0
      if (msg != kAnswer) return false;
      result = 42;
      return true;
    });
  }

  std::vector<std::string> reported;
  std::vector<UINT> seen;
};

TEST_F(WindowPattern, TheObjectIsAttachedForTheWindowsWholeLife) {
  auto window = MakeWindow();
  HWND h = window->Handle();
  ASSERT_TRUE(IsWindow(h));
  EXPECT_EQ(TWindowedObject::FromHandle(h), window.get());
  EXPECT_EQ(Platform::SendMessage(h, kAnswer, 0, 0), 42);
  // Attached at WM_NCCREATE: what comes before it goes to the system alone.
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), static_cast<UINT>(WM_NCCREATE));
  window.reset();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(TWindowedObject::FromHandle(h), nullptr);
}

TEST_F(WindowPattern, AWindowDestroyedBehindTheObjectsBackDetachesIt) {
  auto window = MakeWindow();
  HWND h = window->Handle();
  ASSERT_TRUE(DestroyWindow(h));
  EXPECT_FALSE(window->HandleAllocated());
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(TWindowedObject::FromHandle(h), nullptr);
  EXPECT_EQ(seen.back(), static_cast<UINT>(WM_NCDESTROY));
  window.reset();  // nothing left to destroy, nothing destroyed twice
}

TEST_F(WindowPattern, AnExceptionOrAFaultInAHandlerIsReportedAndTheWindowLives) {
  auto window = MakeWindow();
  HWND h = window->Handle();
  EXPECT_EQ(Platform::SendMessage(h, kRaise, 0, 0), 0);
  EXPECT_EQ(Platform::SendMessage(h, kFault, 0, 0), 0);
  EXPECT_EQ(reported, (std::vector<std::string>{"EKivGeneralError", "EAccessViolation"}));
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(Platform::SendMessage(h, kAnswer, 0, 0), 42);
}

}  // namespace
