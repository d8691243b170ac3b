// Helpers for tests that run under Windows (Wine): fixture paths, scratch folders and
// registry keys that clean up after themselves.
#pragma once

#include "Rtl/Win.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Folder of the running test executable, with a trailing backslash.
std::u16string TestExeDir();
// Full path of a fixture library built for the tests.
std::u16string FixturePath(const std::u16string& fileName);
// True when this run is the one Wine presents as Windows 98.
bool ExpectWin9x();

// A fresh folder under the temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing backslash.
  const std::u16string& Path() const { return path_; }
  std::u16string operator/(const std::u16string& name) const { return path_ + name; }

 private:
  std::u16string path_;
};

// Writes a file with the given 8-bit content; fails the test when it cannot.
void WriteTextFile(const std::u16string& path, const std::string& content);
// Removes a folder tree, clearing read-only attributes on the way.
void RemoveTree(const std::u16string& path);

// A key under HKEY_CURRENT_USER\Software\PlinthTests, deleted with its subtree.
class TestRegKey {
 public:
  TestRegKey();
  ~TestRegKey();
  TestRegKey(const TestRegKey&) = delete;
  TestRegKey& operator=(const TestRegKey&) = delete;
  // Path below HKEY_CURRENT_USER.
  const std::u16string& SubKey() const { return subKey_; }
  HKEY Key() const { return key_; }

 private:
  std::u16string subKey_;
  HKEY key_ = nullptr;
};

// A COM class registration under HKEY_CLASSES_ROOT for the life of the object:
// "<progId>\CLSID" = clsid and "CLSID\<clsid>\InprocServer32" (default) = server.
// Removed again (both keys) by the destructor.
class ScopedClassRegistration {
 public:
  ScopedClassRegistration(const std::u16string& progId, const std::u16string& clsid,
                          const std::u16string& server, DWORD valueType = REG_SZ);
  ~ScopedClassRegistration();
  ScopedClassRegistration(const ScopedClassRegistration&) = delete;
  ScopedClassRegistration& operator=(const ScopedClassRegistration&) = delete;

 private:
  std::u16string progId_;
  std::u16string clsid_;
};

// A key under HKEY_LOCAL_MACHINE with one string value, deleted with its subtree.
class ScopedMachineValue {
 public:
  // A null value creates the key without the value.
  ScopedMachineValue(const std::u16string& key, const std::u16string& name,
                     const std::u16string* value);
  ~ScopedMachineValue();
  ScopedMachineValue(const ScopedMachineValue&) = delete;
  ScopedMachineValue& operator=(const ScopedMachineValue&) = delete;

 private:
  std::u16string key_;
};

// The system's pending file-rename operations (NT) as its value holds them: a source,
// then its target ("!\\??\\" before it when it may be replaced; empty to delete).
std::vector<std::u16string> PendingFileRenames();
// WININIT.INI in the Windows folder, as 8-bit lines; none when there is no file.
std::vector<std::string> WinInitLines();

// Puts the pending file-rename operations and WININIT.INI back as they were, so that
// no test leaves work for a restart of the machine the other tests share.
class ScopedRestartOperations {
 public:
  ScopedRestartOperations();
  ~ScopedRestartOperations();
  ScopedRestartOperations(const ScopedRestartOperations&) = delete;
  ScopedRestartOperations& operator=(const ScopedRestartOperations&) = delete;

 private:
  std::optional<std::vector<std::uint8_t>> renames_;
  std::optional<std::vector<std::uint8_t>> winInit_;
};

// What the stand-in MAPI32.DLL (fixtures/MapiRecorder.cpp) wrote down: key to value,
// unescaped, or to nothing for a null pointer. Empty when there is no record.
using TMapiRecord = std::map<std::string, std::optional<std::string>>;
TMapiRecord ReadMapiRecord(const std::u16string& path);

// Runs the application's message loop until `done` or `ms` milliseconds have passed.
void PumpUntil(const std::function<bool()>& done, int ms = 2000);

// Holds keys down in this thread's keyboard state, which GetKeyState reads, while it
// lives: posted key messages then arrive with the modifiers a user would hold, without
// real input that another program on the same display could catch.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<BYTE> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256] = {};
};
