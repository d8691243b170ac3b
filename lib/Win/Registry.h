// TRegistry: the runtime's registry class. One open key at a time under a root key,
// opened with the object's access mask. Reads of the wrong type or failed reads raise
// ERegistryException; the open key is closed by CloseKey or the destructor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Win/Handles.h"

class TRegistry {
 public:
  TRegistry() = default;
  explicit TRegistry(REGSAM access) : access_(access) {}
  virtual ~TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY root);
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  HKEY CurrentKey() const { return key_.get(); }

  // Opens a key below the root key (a leading backslash is ignored); with canCreate
  // a missing key is created. False when it cannot be opened.
  bool OpenKey(const std::u16string& key, bool canCreate);
  // Opens for reading only (KEY_READ, falling back to KEY_QUERY_VALUE); sets the
  // access mask to what worked.
  bool OpenKeyReadOnly(const std::u16string& key);
  void CloseKey();
  bool KeyExists(const std::u16string& key);
  bool DeleteKey(const std::u16string& key);

  bool ValueExists(const std::u16string& name) const;
  // The 8-bit string read: a value that is not REG_SZ or REG_EXPAND_SZ raises
  // "Invalid data type for '%s'", a failed read "Failed to get data for '%s'".
  // A missing value reads as the empty string; text is cut at its first NUL.
  std::string ReadAnsiString(const std::u16string& name) const;
  std::uint32_t ReadInteger(const std::u16string& name) const;

  void WriteString(const std::u16string& name, const std::u16string& value);
  void WriteExpandString(const std::u16string& name, const std::u16string& value);
  void WriteInteger(const std::u16string& name, std::uint32_t value);
  bool DeleteValue(const std::u16string& name);

 protected:
  [[noreturn]] static void RaiseInvalidType(const std::u16string& name);
  [[noreturn]] static void RaiseGetDataFailed(const std::u16string& name);
  [[noreturn]] static void RaiseSetDataFailed(const std::u16string& name);

  // The data of a string value of the open key, as the platform's query gives it:
  // UTF-16 from the wide form, system-code-page bytes from the 8-bit form (9x).
  // Empty when the value cannot be queried (it is missing, or there is no open key);
  // a value of another type raises "Invalid data type for '%s'", a failed read
  // "Failed to get data for '%s'".
  std::optional<std::string> QueryStringData(const std::u16string& name) const;
  // UTF-16 data as text, cut at its first NUL.
  static std::u16string TextOfWideData(const std::string& data);

 private:
  HKEY root_ = HKEY_CURRENT_USER;
  REGSAM access_ = KEY_ALL_ACCESS;
  RegKeyHandle key_;
};
