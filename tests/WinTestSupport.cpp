#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/Format.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

namespace {
std::atomic<int> counter{0};

std::u16string UniqueSuffix() {
  return WideFormat(u"%u_%u_%d", GetCurrentProcessId(), GetTickCount(), counter++);
}
}  // namespace

std::u16string TestExeDir() { return ExtractFilePath(GetModuleFileName(nullptr)); }

std::u16string FixturePath(const std::u16string& fileName) {
  return TestExeDir() + u"fixtures\\" + fileName;
}

bool ExpectWin9x() { return GetModuleFileName(nullptr).find(u"win9x") != std::u16string::npos; }

TempDir::TempDir() {
  wchar_t buf[MAX_PATH];
  GetTempPathW(MAX_PATH, buf);
  path_ = FromWStr(buf);
  path_ = IncludeTrailingSlash(path_) + u"plinth_" + UniqueSuffix() + u"\\";
  if (!CreateDirectoryW(WStr(path_), nullptr)) ADD_FAILURE() << "cannot create a temp folder";
}

TempDir::~TempDir() { RemoveTree(path_); }

void RemoveTree(const std::u16string& path) {
  std::u16string dir = IncludeTrailingSlash(path);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(WStr(dir + u"*"), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::u16string name = FromWStr(data.cFileName);
      if (name == u"." || name == u"..") continue;
      std::u16string full = dir + name;
      SetFileAttributesW(WStr(full), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileW(WStr(full));
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(WStr(ExcludeTrailingSlash(dir)));
}

void WriteTextFile(const std::u16string& path, const std::string& content) {
  HANDLE h = CreateFileW(WStr(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot write a test file";
  DWORD written = 0;
  WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(h);
}

TestRegKey::TestRegKey() {
  subKey_ = u"Software\\PlinthTests\\" + UniqueSuffix();
  if (RegCreateKeyExW(HKEY_CURRENT_USER, WStr(subKey_), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot create a test registry key";
  }
}

TestRegKey::~TestRegKey() {
  if (key_) RegCloseKey(key_);
  RegDeleteTreeW(HKEY_CURRENT_USER, WStr(subKey_));
}

namespace {
void SetDefaultValue(HKEY root, const std::u16string& key, const std::u16string* name, DWORD type,
                     const std::u16string& value) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(root, WStr(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  if (type == REG_DWORD) {
    DWORD n = 1;
    RegSetValueExW(h, name ? WStr(*name) : nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n),
                   sizeof n);
  } else {
    RegSetValueExW(h, name ? WStr(*name) : nullptr, 0, type,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
  }
  RegCloseKey(h);
}
}  // namespace

ScopedClassRegistration::ScopedClassRegistration(const std::u16string& progId,
                                                 const std::u16string& clsid,
                                                 const std::u16string& server, DWORD valueType)
    : progId_(progId), clsid_(clsid) {
  SetDefaultValue(HKEY_CLASSES_ROOT, progId + u"\\CLSID", nullptr, REG_SZ, clsid);
  SetDefaultValue(HKEY_CLASSES_ROOT, u"CLSID\\" + clsid + u"\\InprocServer32", nullptr, valueType,
                  server);
}

ScopedClassRegistration::~ScopedClassRegistration() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, WStr(progId_));
  RegDeleteTreeW(HKEY_CLASSES_ROOT, WStr(u"CLSID\\" + clsid_));
}

ScopedMachineValue::ScopedMachineValue(const std::u16string& key, const std::u16string& name,
                                       const std::u16string* value)
    : key_(key) {
  if (value) {
    SetDefaultValue(HKEY_LOCAL_MACHINE, key, &name, REG_SZ, *value);
  } else {
    HKEY h;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WStr(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                        nullptr) == ERROR_SUCCESS) {
      RegCloseKey(h);
    }
  }
}

ScopedMachineValue::~ScopedMachineValue() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, WStr(key_)); }

namespace {

constexpr const wchar_t* kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingRenames = L"PendingFileRenameOperations";

std::u16string WinInitFile() { return IncludeTrailingSlash(GetWindowsFolder()) + u"WININIT.INI"; }

std::optional<std::vector<std::uint8_t>> ReadPendingRenames() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD size = 0;
  std::optional<std::vector<std::uint8_t>> data;
  if (RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    data.emplace(size);
    RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, data->data(), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return data;
}

std::optional<std::vector<std::uint8_t>> ReadFileIfAny(const std::u16string& file) {
  if (!FileExists(file)) return std::nullopt;
  return ReadFileBytes(file);
}

}  // namespace

std::vector<std::u16string> PendingFileRenames() {
  std::vector<std::u16string> names;
  std::optional<std::vector<std::uint8_t>> data = ReadPendingRenames();
  if (!data) return names;
  std::u16string text(reinterpret_cast<const char16_t*>(data->data()), data->size() / 2);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find(u'\0', start), text.size());
    names.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  // Pairs, the list ended by an empty string: a deletion's empty target is kept.
  while (!names.empty() && names.back().empty() &&
         (names.size() % 2 == 1 || names[names.size() - 2].empty())) {
    names.pop_back();
  }
  return names;
}

std::vector<std::string> WinInitLines() {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileIfAny(WinInitFile());
  if (!bytes) return {};
  return SplitLines(std::string(bytes->begin(), bytes->end()));
}

ScopedRestartOperations::ScopedRestartOperations()
    : renames_(ReadPendingRenames()), winInit_(ReadFileIfAny(WinInitFile())) {}

ScopedRestartOperations::~ScopedRestartOperations() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    if (renames_) {
      RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ, renames_->data(),
                     static_cast<DWORD>(renames_->size()));
    } else {
      RegDeleteValueW(key, kPendingRenames);
    }
    RegCloseKey(key);
  }
  if (winInit_) {
    WriteFileBytes(WinInitFile(), winInit_->data(), winInit_->size());
  } else {
    DeleteFileW(WStr(WinInitFile()));
  }
}

// The recorder writes "\\\\" for a backslash and "\\xHH" for a byte outside printable ASCII.
static std::string UnescapeRecorded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
    } else if (s[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (s[i + 1] == 'x' && i + 3 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    }
  }
  return out;
}

TMapiRecord ReadMapiRecord(const std::u16string& path) {
  TMapiRecord fields;
  HANDLE h =
      CreateFileW(WStr(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fields;
  std::string text;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
  CloseHandle(h);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) {
      fields[line.substr(0, eq)] = UnescapeRecorded(line.substr(eq + 1));
    } else if (!line.empty() && line.back() == '!') {
      fields[line.substr(0, line.size() - 1)] = std::nullopt;
    }
  }
  return fields;
}

void PumpUntil(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms && !done(); waited += 10) {
    Application().ProcessMessages();
    if (!done()) Sleep(10);
  }
}

HeldKeys::HeldKeys(std::initializer_list<BYTE> keys) {
  GetKeyboardState(saved_);
  BYTE state[256];
  std::copy(std::begin(saved_), std::end(saved_), state);
  for (BYTE k : keys) state[k] = 0x80;
  SetKeyboardState(state);
}

HeldKeys::~HeldKeys() { SetKeyboardState(saved_); }
