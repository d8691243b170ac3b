// Registry classes of the application library: wide string reads on top of the
// runtime's registry class.
#pragma once

#include <string>

#include "Win/Registry.h"

class TKivRegistry : public TRegistry {
 public:
  using TRegistry::TRegistry;

  // Reads a string value of the open key. A missing value gives the empty string; a
  // value that is not REG_SZ or REG_EXPAND_SZ raises "Invalid data type for '%s'", a
  // failed read "Failed to get data for '%s'". Expandable strings come unexpanded.
  std::u16string ReadString(const std::u16string& name) const;
};

class TKivRegistryLX : public TKivRegistry {
 public:
  using TKivRegistry::ReadString;
  using TKivRegistry::TKivRegistry;

  // The value when the open key has it, else `defaultValue`.
  std::u16string ReadString(const std::u16string& name, const std::u16string& defaultValue) const;
};
