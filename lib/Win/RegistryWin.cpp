#include "Win/Registry.h"

#include <cstring>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

namespace {
constexpr const char* kSetDataFailed = "Failed to set data for '%s'";

std::u16string Relative(const std::u16string& key) {
  return !key.empty() && key[0] == u'\\' ? key.substr(1) : key;
}

template <typename Str>
Str CutAtNul(Str s) {
  auto nul = s.find(typename Str::value_type(0));
  if (nul != Str::npos) s.resize(nul);
  return s;
}
}  // namespace

void TRegistry::RaiseInvalidType(const std::u16string& name) {
  throw ERegistryException(Format(RtlMessages::kInvalidRegType, name));
}

void TRegistry::RaiseGetDataFailed(const std::u16string& name) {
  throw ERegistryException(Format(RtlMessages::kRegGetDataFailed, name));
}

void TRegistry::RaiseSetDataFailed(const std::u16string& name) {
  throw ERegistryException(Format(kSetDataFailed, name));
}

void TRegistry::SetRootKey(HKEY root) {
  if (root_ == root) return;
  CloseKey();
  root_ = root;
}

bool TRegistry::OpenKey(const std::u16string& key, bool canCreate) {
  RegKeyHandle opened;
  LONG rc = canCreate ? Platform::RegCreateKeyEx(root_, Relative(key), access_, *opened.put())
                      : Platform::RegOpenKeyEx(root_, Relative(key), access_, *opened.put());
  if (rc != ERROR_SUCCESS) return false;
  key_ = std::move(opened);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::u16string& key) {
  for (REGSAM access : {static_cast<REGSAM>(KEY_READ), static_cast<REGSAM>(KEY_QUERY_VALUE)}) {
    RegKeyHandle opened;
    if (Platform::RegOpenKeyEx(root_, Relative(key), access, *opened.put()) == ERROR_SUCCESS) {
      access_ = access;
      key_ = std::move(opened);
      return true;
    }
  }
  return false;
}

void TRegistry::CloseKey() { key_.reset(); }

bool TRegistry::KeyExists(const std::u16string& key) {
  RegKeyHandle probe;
  return Platform::RegOpenKeyEx(root_, Relative(key), KEY_READ, *probe.put()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::u16string& key) {
  return Platform::RegDeleteKey(root_, Relative(key)) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::u16string& name) const {
  if (!key_) return false;
  DWORD type = 0;
  DWORD size = 0;
  return Platform::RegQueryValueEx(key_.get(), name, &type, nullptr, &size) == ERROR_SUCCESS;
}

std::optional<std::string> TRegistry::QueryStringData(const std::u16string& name) const {
  DWORD type = 0;
  DWORD size = 0;
  if (Platform::RegQueryValueEx(key_.get(), name, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The value can change between the size query and the read: a read that finds it
  // grown asks again with the new size.
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseInvalidType(name);
    std::string data(size, '\0');
    LONG rc = Platform::RegQueryValueEx(key_.get(), name, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc == ERROR_SUCCESS) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseInvalidType(name);
      data.resize(size < data.size() ? size : data.size());
      return data;
    }
    if (rc != ERROR_MORE_DATA) break;
  }
  RaiseGetDataFailed(name);
}

std::u16string TRegistry::TextOfWideData(const std::string& data) {
  // An odd byte count leaves half a character at the end; it is kept, with a zero
  // high byte, rather than dropped.
  std::u16string text((data.size() + 1) / 2, u'\0');
  std::memcpy(text.data(), data.data(), data.size());
  return CutAtNul(std::move(text));
}

std::string TRegistry::ReadAnsiString(const std::u16string& name) const {
  std::optional<std::string> data = QueryStringData(name);
  if (!data) return {};
  if (Platform::IsWin9x()) return CutAtNul(std::move(*data));
  return WideToAnsi(TextOfWideData(*data));
}

std::uint32_t TRegistry::ReadInteger(const std::u16string& name) const {
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  LONG rc =
      Platform::RegQueryValueEx(key_.get(), name, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (rc == ERROR_SUCCESS && type != REG_DWORD) RaiseInvalidType(name);
  if (rc != ERROR_SUCCESS) RaiseGetDataFailed(name);
  return value;
}

void TRegistry::WriteString(const std::u16string& name, const std::u16string& value) {
  if (Platform::RegSetStringValue(key_.get(), name, REG_SZ, value) != ERROR_SUCCESS) {
    RaiseSetDataFailed(name);
  }
}

void TRegistry::WriteExpandString(const std::u16string& name, const std::u16string& value) {
  if (Platform::RegSetStringValue(key_.get(), name, REG_EXPAND_SZ, value) != ERROR_SUCCESS) {
    RaiseSetDataFailed(name);
  }
}

void TRegistry::WriteInteger(const std::u16string& name, std::uint32_t value) {
  LONG rc = Platform::RegSetDwordValue(key_.get(), name, value);
  if (rc != ERROR_SUCCESS) RaiseSetDataFailed(name);
}

bool TRegistry::DeleteValue(const std::u16string& name) {
  return Platform::RegDeleteValue(key_.get(), name) == ERROR_SUCCESS;
}
