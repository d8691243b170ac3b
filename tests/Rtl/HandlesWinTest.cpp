#include <gtest/gtest.h>

#include <vector>

#include "Gui/DeviceContext.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

// Handles are numbers here; closing one records it and, like a failing close,
// overwrites the thread's last error.
std::vector<int> closed;

struct CountingTraits {
  using Handle = int;
  static Handle Invalid() { return 0; }
  static void Close(Handle h) {
    closed.push_back(h);
    SetLastError(ERROR_INVALID_HANDLE);
  }
};
using Counted = UniqueHandle<CountingTraits>;

class Handles : public ::testing::Test {
 protected:
  void SetUp() override { closed.clear(); }
};

TEST_F(Handles, TheOwnerClosesOnceWhenItGoes) {
  {
    Counted h(7);
    EXPECT_TRUE(h.valid());
    EXPECT_EQ(h.get(), 7);
  }
  EXPECT_EQ(closed, std::vector<int>{7});
  { Counted none; }
  EXPECT_EQ(closed.size(), 1u);
}

TEST_F(Handles, MovingHandsOverWithoutClosing) {
  Counted a(1);
  Counted b(std::move(a));
  EXPECT_FALSE(a.valid());
  EXPECT_EQ(b.get(), 1);
  Counted c(2);
  c = std::move(b);  // c's own handle goes first
  EXPECT_EQ(closed, std::vector<int>{2});
  EXPECT_EQ(c.get(), 1);
  Counted& self = c;
  c = std::move(self);
  EXPECT_EQ(c.get(), 1);
  EXPECT_EQ(closed.size(), 1u);
}

TEST_F(Handles, ReleaseGivesUpOwnershipResetReplacesAndPutRefills) {
  Counted h(3);
  int raw = h.release();
  EXPECT_EQ(raw, 3);
  EXPECT_FALSE(h);
  EXPECT_TRUE(closed.empty());
  h.reset(4);
  EXPECT_TRUE(closed.empty());  // nothing was held
  h.reset(5);
  EXPECT_EQ(closed, std::vector<int>{4});
  *h.put() = 6;  // put() closes what was held first
  EXPECT_EQ(closed, (std::vector<int>{4, 5}));
  EXPECT_EQ(h.get(), 6);
}

TEST_F(Handles, ClosingKeepsTheThreadsLastError) {
  Counted h(8);
  SetLastError(ERROR_SHARING_VIOLATION);
  h.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  {
    Counted scoped(9);
    SetLastError(ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(closed, (std::vector<int>{8, 9}));
}

TEST(HandleKinds, ARealFileIsClosedAndAFailedCloseLeavesTheErrorAlone) {
  TempDir dir;
  std::u16string name = dir / u"owned.txt";
  FileHandle file(CreateFileW(WStr(name), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  EXPECT_FALSE(DeleteFileW(WStr(name)));  // held open without sharing
  file.reset();
  EXPECT_TRUE(DeleteFileW(WStr(name)));

  // A value that is no handle at all: CloseHandle fails and sets its own error.
  FileHandle bogus(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7FF0)));
  SetLastError(ERROR_ACCESS_DENIED);
  bogus.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  FindHandle none(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none);
  RegKeyHandle key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_TRUE(key);
}

// A font left selected into a device context cannot be deleted while it stays there.
TEST(DeviceContexts, ASelectedObjectGivesItsPlaceBackToTheOneItDisplaced) {
  WindowDC screen = WindowDC::Client(nullptr);
  ASSERT_TRUE(screen);
  HGDIOBJ before = GetCurrentObject(screen.get(), OBJ_FONT);
  GdiObject font(
      CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  ASSERT_TRUE(font);
  {
    SelectedObject selected(screen.get(), font.get());
    EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), before);
  WindowDC moved = std::move(screen);
  EXPECT_FALSE(screen);
  EXPECT_TRUE(moved);
}

}  // namespace
