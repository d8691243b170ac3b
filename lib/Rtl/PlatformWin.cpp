#include "Rtl/Platform.h"

#include "Rtl/CallbackGuard.h"
#include "Rtl/CodePage.h"

namespace Platform {
namespace {

std::string A(const std::u16string& s) { return WideToAnsi(s); }

// No path the system hands out is longer than this (the longest NT path, plus room).
constexpr std::size_t kLongestPath = 32768;

// Calls a "fill this buffer" system function with a buffer of MAX_PATH characters, and
// again with a bigger one while the answer does not fit, so a long path comes back
// whole instead of cut or empty. Two conventions meet here: most of these functions
// answer a too-small buffer with the size they need, the module-name query fills the
// buffer and answers its size. Either way an answer at least as big as the buffer
// means "again, bigger".
template <typename CharT, typename Fn>
std::basic_string<CharT> QueryGrowing(Fn fill) {
  std::basic_string<CharT> buf(MAX_PATH, CharT(0));
  for (;;) {
    DWORD n = fill(buf.data(), static_cast<UINT>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return CutAtNul(std::move(buf));
    }
    if (buf.size() >= kLongestPath) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return {};
    }
    std::size_t grown = n > buf.size() ? n : buf.size() * 2;
    buf.assign(grown < kLongestPath ? grown : kLongestPath, CharT(0));
  }
}

// The same in the platform's form.
template <typename WideFn, typename AnsiFn>
std::u16string QueryPath(WideFn wide, AnsiFn ansi) {
  if (IsWin9x()) {
    std::string text = QueryGrowing<char>(ansi);
    return text.empty() ? std::u16string() : AnsiToWide(text);
  }
  std::u16string text = QueryGrowing<char16_t>(
      [&wide](char16_t* b, UINT n) { return wide(reinterpret_cast<wchar_t*>(b), n); });
  return text;
}

void FromFindData(const WIN32_FIND_DATAW& w, FindData& d) {
  d.attributes = w.dwFileAttributes;
  d.lastWriteTime = w.ftLastWriteTime;
  d.size = (static_cast<std::uint64_t>(w.nFileSizeHigh) << 32) | w.nFileSizeLow;
  d.name = FromWStr(w.cFileName);
}

void FromFindData(const WIN32_FIND_DATAA& a, FindData& d) {
  d.attributes = a.dwFileAttributes;
  d.lastWriteTime = a.ftLastWriteTime;
  d.size = (static_cast<std::uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
  d.name = AnsiToWide(a.cFileName);
}

}  // namespace

bool IsWin9x() {
  // The platform does not change while the process runs. PLINTH_FORCE_9X=1 in the
  // environment takes the 8-bit branch on any Windows, so tests can catch a wide-only
  // call that would fail on the 9x family.
  static const bool win9x = [] {
    char forced[4] = {};
    if (GetEnvironmentVariableA("PLINTH_FORCE_9X", forced, sizeof forced) == 1 &&
        forced[0] == '1') {
      return true;
    }
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return true;  // the wide form is missing only on 9x
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  }();
  return win9x;
}

DWORD GetFileAttributes(const std::u16string& name) {
  return IsWin9x() ? GetFileAttributesA(A(name).c_str()) : GetFileAttributesW(WStr(name));
}

BOOL SetFileAttributes(const std::u16string& name, DWORD attributes) {
  return IsWin9x() ? SetFileAttributesA(A(name).c_str(), attributes)
                   : SetFileAttributesW(WStr(name), attributes);
}

BOOL DeleteFile(const std::u16string& name) {
  return IsWin9x() ? DeleteFileA(A(name).c_str()) : DeleteFileW(WStr(name));
}

BOOL MoveFile(const std::u16string& from, const std::u16string& to) {
  return IsWin9x() ? MoveFileA(A(from).c_str(), A(to).c_str()) : MoveFileW(WStr(from), WStr(to));
}

BOOL MoveFileEx(const std::u16string& from, const std::u16string& to, DWORD flags) {
  return IsWin9x() ? MoveFileExA(A(from).c_str(), A(to).c_str(), flags)
                   : MoveFileExW(WStr(from), WStr(to), flags);
}

BOOL CreateDirectory(const std::u16string& name) {
  return IsWin9x() ? CreateDirectoryA(A(name).c_str(), nullptr)
                   : CreateDirectoryW(WStr(name), nullptr);
}

BOOL RemoveDirectory(const std::u16string& name) {
  return IsWin9x() ? RemoveDirectoryA(A(name).c_str()) : RemoveDirectoryW(WStr(name));
}

BOOL SetCurrentDirectory(const std::u16string& name) {
  return IsWin9x() ? SetCurrentDirectoryA(A(name).c_str()) : SetCurrentDirectoryW(WStr(name));
}

std::u16string GetCurrentDirectory() {
  return QueryPath([](wchar_t* b, UINT n) { return GetCurrentDirectoryW(n, b); },
                   [](char* b, UINT n) { return GetCurrentDirectoryA(n, b); });
}

std::u16string FullPathName(const std::u16string& name) {
  if (IsWin9x()) {
    std::string a = A(name);
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(a.c_str(), MAX_PATH, buf, nullptr);
    return n == 0 || n >= MAX_PATH ? name : AnsiToWide(std::string_view(buf, n));
  }
  std::u16string buf(MAX_PATH, u'\0');
  DWORD n = GetFullPathNameW(WStr(name), MAX_PATH, WStr(buf), nullptr);
  if (n >= MAX_PATH) {
    buf.assign(n, u'\0');
    n = GetFullPathNameW(WStr(name), n, WStr(buf), nullptr);
  }
  if (n == 0 || n >= buf.size()) return name;
  buf.resize(n);
  return buf;
}

HANDLE CreateFile(const std::u16string& name, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags) {
  return IsWin9x()
             ? CreateFileA(A(name).c_str(), access, share, nullptr, disposition, flags, nullptr)
             : CreateFileW(WStr(name), access, share, nullptr, disposition, flags, nullptr);
}

std::u16string GetWindowsDirectory() {
  return QueryPath([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); },
                   [](char* b, UINT n) { return GetWindowsDirectoryA(b, n); });
}

std::u16string GetSystemDirectory() {
  return QueryPath([](wchar_t* b, UINT n) { return GetSystemDirectoryW(b, n); },
                   [](char* b, UINT n) { return GetSystemDirectoryA(b, n); });
}

std::u16string GetTempPath() {
  return QueryPath([](wchar_t* b, UINT n) { return GetTempPathW(n, b); },
                   [](char* b, UINT n) { return GetTempPathA(n, b); });
}

std::u16string GetShortPathName(const std::u16string& name) {
  return QueryPath([&name](wchar_t* b, UINT n) { return GetShortPathNameW(WStr(name), b, n); },
                   [&name](char* b, UINT n) { return GetShortPathNameA(A(name).c_str(), b, n); });
}

std::u16string GetTempFileName(const std::u16string& dir, const std::u16string& prefix) {
  if (IsWin9x()) {
    char buf[MAX_PATH];
    if (!GetTempFileNameA(A(dir).c_str(), A(prefix).c_str(), 0, buf)) return {};
    return AnsiToWide(buf);
  }
  wchar_t buf[MAX_PATH];
  if (!GetTempFileNameW(WStr(dir), WStr(prefix), 0, buf)) return {};
  return FromWStr(buf);
}

HANDLE FindFirstFile(const std::u16string& pattern, FindData& data) {
  HANDLE h;
  if (IsWin9x()) {
    WIN32_FIND_DATAA a{};
    h = FindFirstFileA(A(pattern).c_str(), &a);
    if (h != INVALID_HANDLE_VALUE) FromFindData(a, data);
  } else {
    WIN32_FIND_DATAW w{};
    h = FindFirstFileW(WStr(pattern), &w);
    if (h != INVALID_HANDLE_VALUE) FromFindData(w, data);
  }
  return h;
}

BOOL FindNextFile(HANDLE find, FindData& data) {
  if (IsWin9x()) {
    WIN32_FIND_DATAA a{};
    if (!FindNextFileA(find, &a)) return FALSE;
    FromFindData(a, data);
  } else {
    WIN32_FIND_DATAW w{};
    if (!FindNextFileW(find, &w)) return FALSE;
    FromFindData(w, data);
  }
  return TRUE;
}

HMODULE ProgramModule() { return GetModuleHandleA(nullptr); }

HMODULE LoadLibrary(const std::u16string& name) {
  return IsWin9x() ? LoadLibraryA(A(name).c_str()) : LoadLibraryW(WStr(name));
}

HMODULE LoadLibraryEx(const std::u16string& name, DWORD flags) {
  return IsWin9x() ? LoadLibraryExA(A(name).c_str(), nullptr, flags)
                   : LoadLibraryExW(WStr(name), nullptr, flags);
}

bool GetVersionEx(VersionInfo& info) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  info = VersionInfo();
  if (IsWin9x()) {
    OSVERSIONINFOA a{};
    a.dwOSVersionInfoSize = sizeof a;
    if (!GetVersionExA(&a)) return false;
    info.platformId = a.dwPlatformId;
    info.major = a.dwMajorVersion;
    info.minor = a.dwMinorVersion;
    info.build = a.dwBuildNumber;
    info.csd = AnsiToWide(a.szCSDVersion);
    return true;
  }
  OSVERSIONINFOEXW w{};
  w.dwOSVersionInfoSize = sizeof w;
  info.extended = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&w));
  if (!info.extended) {
    // Before NT 4.0 SP6 the system knows only the short structure.
    w.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&w))) return false;
  }
#pragma GCC diagnostic pop
  info.platformId = w.dwPlatformId;
  info.major = w.dwMajorVersion;
  info.minor = w.dwMinorVersion;
  info.build = w.dwBuildNumber;
  info.csd = FromWStr(w.szCSDVersion);
  if (info.extended) {
    info.servicePackMajor = w.wServicePackMajor;
    info.servicePackMinor = w.wServicePackMinor;
    info.suiteMask = w.wSuiteMask;
    info.productType = w.wProductType;
  }
  return true;
}

HMODULE GetModuleHandle(const std::u16string& name) {
  return IsWin9x() ? GetModuleHandleA(A(name).c_str()) : GetModuleHandleW(WStr(name));
}

std::u16string GetModuleFileName(HMODULE module) {
  return QueryPath([module](wchar_t* b, UINT n) { return GetModuleFileNameW(module, b, n); },
                   [module](char* b, UINT n) { return GetModuleFileNameA(module, b, n); });
}

HRSRC FindResource(HMODULE module, const std::u16string& name, const std::u16string& type) {
  if (IsWin9x()) return FindResourceA(module, A(name).c_str(), A(type).c_str());
  return FindResourceW(module, WStr(name), WStr(type));
}

HRSRC FindResource(HMODULE module, const std::u16string& name, WORD type) {
  if (IsWin9x()) return FindResourceA(module, A(name).c_str(), MAKEINTRESOURCEA(type));
  return FindResourceW(module, WStr(name), MAKEINTRESOURCEW(type));
}

namespace {

// An identifier for the 8-bit calls: integer ids pass as they are, names are
// converted (and kept alive by `storage`).
const char* AnsiId(const wchar_t* id, std::string& storage) {
  if (IS_INTRESOURCE(id)) return MAKEINTRESOURCEA(LOWORD(reinterpret_cast<ULONG_PTR>(id)));
  storage = A(FromWStr(id));
  return storage.c_str();
}

template <typename CharT>
ResourceId MakeResourceId(const CharT* id) {
  ResourceId result;
  if (IS_INTRESOURCE(id)) {
    result.id = LOWORD(reinterpret_cast<ULONG_PTR>(id));
  } else if constexpr (sizeof(CharT) == 1) {
    result.name = AnsiToWide(id);
  } else {
    result.name = FromWStr(id);
  }
  return result;
}

struct EnumState {
  TCallbackGuard guard;
  std::vector<ResourceId>* ids = nullptr;
  std::vector<WORD>* languages = nullptr;
};

template <typename CharT>
BOOL CALLBACK CollectType(HMODULE, CharT* type, LONG_PTR param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  return state->guard.Run(FALSE, [&] {
    state->ids->push_back(MakeResourceId(type));
    return TRUE;
  });
}

template <typename CharT>
BOOL CALLBACK CollectName(HMODULE, const CharT*, CharT* name, LONG_PTR param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  return state->guard.Run(FALSE, [&] {
    state->ids->push_back(MakeResourceId(name));
    return TRUE;
  });
}

template <typename CharT>
BOOL CALLBACK CollectLanguage(HMODULE, const CharT*, const CharT*, WORD language, LONG_PTR param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  return state->guard.Run(FALSE, [&] {
    state->languages->push_back(language);
    return TRUE;
  });
}

}  // namespace

bool EnumResourceTypes(HMODULE module, std::vector<ResourceId>& types) {
  EnumState state;
  state.ids = &types;
  BOOL ok =
      IsWin9x()
          ? EnumResourceTypesA(module, CollectType<char>, reinterpret_cast<LONG_PTR>(&state))
          : EnumResourceTypesW(module, CollectType<wchar_t>, reinterpret_cast<LONG_PTR>(&state));
  state.guard.RethrowIfFailed();
  return ok;
}

bool EnumResourceNames(HMODULE module, const wchar_t* type, std::vector<ResourceId>& names) {
  EnumState state;
  state.ids = &names;
  BOOL ok;
  if (IsWin9x()) {
    std::string typeA;
    ok = EnumResourceNamesA(module, AnsiId(type, typeA), CollectName<char>,
                            reinterpret_cast<LONG_PTR>(&state));
  } else {
    ok = EnumResourceNamesW(module, type, CollectName<wchar_t>, reinterpret_cast<LONG_PTR>(&state));
  }
  state.guard.RethrowIfFailed();
  return ok;
}

bool EnumResourceLanguages(HMODULE module, const wchar_t* type, const wchar_t* name,
                           std::vector<WORD>& languages) {
  EnumState state;
  state.languages = &languages;
  BOOL ok;
  if (IsWin9x()) {
    std::string typeA, nameA;
    ok = EnumResourceLanguagesA(module, AnsiId(type, typeA), AnsiId(name, nameA),
                                CollectLanguage<char>, reinterpret_cast<LONG_PTR>(&state));
  } else {
    ok = EnumResourceLanguagesW(module, type, name, CollectLanguage<wchar_t>,
                                reinterpret_cast<LONG_PTR>(&state));
  }
  state.guard.RethrowIfFailed();
  return ok;
}

HRSRC FindResourceEx(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language) {
  if (IsWin9x()) {
    std::string typeA, nameA;
    return FindResourceExA(module, AnsiId(type, typeA), AnsiId(name, nameA), language);
  }
  return FindResourceExW(module, type, name, language);
}

DWORD GetFileVersionInfoSize(const std::u16string& name) {
  DWORD handle = 0;
  return IsWin9x() ? GetFileVersionInfoSizeA(A(name).c_str(), &handle)
                   : GetFileVersionInfoSizeW(WStr(name), &handle);
}

BOOL GetFileVersionInfo(const std::u16string& name, DWORD size, void* buffer) {
  return IsWin9x() ? GetFileVersionInfoA(A(name).c_str(), 0, size, buffer)
                   : GetFileVersionInfoW(WStr(name), 0, size, buffer);
}

bool VerQueryValueRaw(const void* block, const std::u16string& subBlock, const void*& data,
                      UINT& length) {
  void* out = nullptr;
  length = 0;
  BOOL ok = IsWin9x() ? VerQueryValueA(block, A(subBlock).c_str(), &out, &length)
                      : VerQueryValueW(block, WStr(subBlock), &out, &length);
  data = out;
  return ok && out != nullptr;
}

namespace {
// Bytes of the block from `p` to its end; 0 when `p` lies outside it.
std::size_t BytesLeftInBlock(const void* block, std::size_t blockSize, const void* p) {
  auto start = reinterpret_cast<std::uintptr_t>(block);
  auto at = reinterpret_cast<std::uintptr_t>(p);
  return at >= start && at - start < blockSize ? blockSize - (at - start) : 0;
}
}  // namespace

bool VerQueryValueString(const void* block, std::size_t blockSize, const std::u16string& subBlock,
                         std::u16string& text) {
  void* out = nullptr;
  UINT length = 0;
  // The length comes from the resource itself; a damaged one must not take the copy
  // past the block.
  if (IsWin9x()) {
    if (!VerQueryValueA(block, A(subBlock).c_str(), &out, &length) || !out) return false;
    std::size_t left = BytesLeftInBlock(block, blockSize, out);
    if (length > left) length = static_cast<UINT>(left);
    text = AnsiToWide(std::string_view(static_cast<const char*>(out), length));
  } else {
    if (!VerQueryValueW(block, WStr(subBlock), &out, &length) || !out) return false;
    std::size_t left = BytesLeftInBlock(block, blockSize, out) / sizeof(wchar_t);
    if (length > left) length = static_cast<UINT>(left);
    text = FromWStr(static_cast<const wchar_t*>(out), length);
  }
  return true;
}

LONG RegOpenKeyEx(HKEY root, const std::u16string& subKey, REGSAM access, HKEY& result) {
  result = nullptr;
  return IsWin9x() ? RegOpenKeyExA(root, A(subKey).c_str(), 0, access, &result)
                   : RegOpenKeyExW(root, WStr(subKey), 0, access, &result);
}

LONG RegCreateKeyEx(HKEY root, const std::u16string& subKey, REGSAM access, HKEY& result) {
  result = nullptr;
  DWORD disposition = 0;
  return IsWin9x() ? RegCreateKeyExA(root, A(subKey).c_str(), 0, nullptr, 0, access, nullptr,
                                     &result, &disposition)
                   : RegCreateKeyExW(root, WStr(subKey), 0, nullptr, 0, access, nullptr, &result,
                                     &disposition);
}

LONG RegQueryValueEx(HKEY key, const std::u16string& name, DWORD* type, BYTE* data, DWORD* size) {
  return IsWin9x() ? RegQueryValueExA(key, A(name).c_str(), nullptr, type, data, size)
                   : RegQueryValueExW(key, WStr(name), nullptr, type, data, size);
}

LONG RegSetStringValue(HKEY key, const std::u16string& name, DWORD type,
                       const std::u16string& value) {
  if (IsWin9x()) {
    std::string v = A(value);
    return RegSetValueExA(key, A(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>(v.size() + 1));
  }
  return RegSetValueExW(key, WStr(name), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

LONG RegSetDwordValue(HKEY key, const std::u16string& name, DWORD value) {
  auto data = reinterpret_cast<const BYTE*>(&value);
  return IsWin9x() ? RegSetValueExA(key, A(name).c_str(), 0, REG_DWORD, data, sizeof value)
                   : RegSetValueExW(key, WStr(name), 0, REG_DWORD, data, sizeof value);
}

LONG RegDeleteValue(HKEY key, const std::u16string& name) {
  return IsWin9x() ? RegDeleteValueA(key, A(name).c_str()) : RegDeleteValueW(key, WStr(name));
}

LONG RegDeleteKey(HKEY key, const std::u16string& subKey) {
  return IsWin9x() ? RegDeleteKeyA(key, A(subKey).c_str()) : RegDeleteKeyW(key, WStr(subKey));
}

int CompareString(LCID locale, DWORD flags, std::u16string_view a, std::u16string_view b) {
  int r;
  if (IsWin9x()) {
    std::string x = WideToAnsi(a);
    std::string y = WideToAnsi(b);
    r = CompareStringA(locale, flags, x.data(), static_cast<int>(x.size()), y.data(),
                       static_cast<int>(y.size()));
  } else {
    r = CompareStringW(locale, flags, reinterpret_cast<const wchar_t*>(a.data()),
                       static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                       static_cast<int>(b.size()));
  }
  return r == 0 ? CSTR_EQUAL : r;
}

std::u16string CharUpper(std::u16string s) {
  if (s.empty()) return s;
  if (IsWin9x()) {
    std::string a = WideToAnsi(s);
    CharUpperBuffA(a.data(), static_cast<DWORD>(a.size()));
    return AnsiToWide(a);
  }
  CharUpperBuffW(WStr(s), static_cast<DWORD>(s.size()));
  return s;
}

std::u16string CharLower(std::u16string s) {
  if (s.empty()) return s;
  if (IsWin9x()) {
    std::string a = WideToAnsi(s);
    CharLowerBuffA(a.data(), static_cast<DWORD>(a.size()));
    return AnsiToWide(a);
  }
  CharLowerBuffW(WStr(s), static_cast<DWORD>(s.size()));
  return s;
}

std::u16string FormatMessageText(DWORD code) {
  const DWORD flags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY;
  std::u16string text;
  if (IsWin9x()) {
    char buf[1024];
    DWORD n = FormatMessageA(flags, nullptr, code, 0, buf, sizeof buf, nullptr);
    text = AnsiToWide(std::string_view(buf, n));
  } else {
    wchar_t buf[1024];
    DWORD n = FormatMessageW(flags, nullptr, code, 0, buf, 1024, nullptr);
    text = FromWStr(buf, n);
  }
  return text;
}

namespace {
// The enumeration callback has no context argument, so what it fills is handed over
// in a thread-local variable.
struct LocaleEnumeration {
  std::vector<LCID> locales;
  TCallbackGuard guard;
};
thread_local LocaleEnumeration* localeTarget = nullptr;

template <typename CharT>
BOOL AddLocale(const CharT* id) noexcept {
  return localeTarget->guard.Run(FALSE, [id]() mutable -> BOOL {
    LCID lcid = 0;
    for (; *id; ++id) {
      CharT c = *id;
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                     : -1;
      if (d < 0) return TRUE;  // not a locale id: skip it
      lcid = lcid * 16 + static_cast<LCID>(d);
    }
    localeTarget->locales.push_back(lcid);
    return TRUE;
  });
}

BOOL CALLBACK AddLocaleW(LPWSTR id) { return AddLocale(id); }
BOOL CALLBACK AddLocaleA(LPSTR id) { return AddLocale(id); }
}  // namespace

std::vector<LCID> EnumSystemLocales(DWORD flags) {
  LocaleEnumeration enumeration;
  localeTarget = &enumeration;
  BOOL ok =
      IsWin9x() ? EnumSystemLocalesA(AddLocaleA, flags) : EnumSystemLocalesW(AddLocaleW, flags);
  localeTarget = nullptr;
  enumeration.guard.RethrowIfFailed();
  if (!ok) enumeration.locales.clear();
  return std::move(enumeration.locales);
}

std::u16string GetLocaleInfo(LCID locale, LCTYPE type) {
  if (IsWin9x()) {
    char buf[256];
    int n = GetLocaleInfoA(locale, type, buf, sizeof buf);
    return n > 0 ? AnsiToWide(CutAtNul(std::string(buf, n))) : std::u16string();
  }
  wchar_t buf[256];
  int n = GetLocaleInfoW(locale, type, buf, 256);
  return n > 0 ? CutAtNul(FromWStr(buf, n)) : std::u16string();
}

std::u16string GetDateFormat(LCID locale, DWORD flags, const SYSTEMTIME& time) {
  if (IsWin9x()) {
    char buf[256];
    int n = GetDateFormatA(locale, flags, &time, nullptr, buf, sizeof buf);
    return n > 0 ? AnsiToWide(CutAtNul(std::string(buf, n))) : std::u16string();
  }
  wchar_t buf[256];
  int n = GetDateFormatW(locale, flags, &time, nullptr, buf, 256);
  return n > 0 ? FromWStr(buf) : std::u16string();
}

std::u16string GetTimeFormat(LCID locale, DWORD flags, const SYSTEMTIME& time) {
  if (IsWin9x()) {
    char buf[256];
    int n = GetTimeFormatA(locale, flags, &time, nullptr, buf, sizeof buf);
    return n > 0 ? AnsiToWide(CutAtNul(std::string(buf, n))) : std::u16string();
  }
  wchar_t buf[256];
  int n = GetTimeFormatW(locale, flags, &time, nullptr, buf, 256);
  return n > 0 ? FromWStr(buf) : std::u16string();
}

std::u16string GetComputerName() {
  DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
  if (IsWin9x()) {
    char buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
    if (!GetComputerNameA(buf, &n)) return {};
    return AnsiToWide(CutAtNul(std::string(buf, sizeof buf)));
  }
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
  if (!GetComputerNameW(buf, &n)) return {};
  return CutAtNul(FromWStr(buf, MAX_COMPUTERNAME_LENGTH + 1));
}

std::u16string GetUserName() {
  constexpr DWORD kSize = 255;
  DWORD n = kSize;
  if (IsWin9x()) {
    char buf[kSize] = {};
    if (!GetUserNameA(buf, &n)) return {};
    return AnsiToWide(CutAtNul(std::string(buf, kSize)));
  }
  wchar_t buf[kSize] = {};
  if (!GetUserNameW(buf, &n)) return {};
  return CutAtNul(FromWStr(buf, kSize));
}

std::u16string GetFullPathName(const std::u16string& name) {
  return QueryPath(
      [&name](wchar_t* b, UINT n) {
        DWORD r = GetFullPathNameW(WStr(name), n, b, nullptr);
        return r < n ? r : 0;  // a longer path does not fit: none
      },
      [&name](char* b, UINT n) {
        DWORD r = GetFullPathNameA(A(name).c_str(), n, b, nullptr);
        return r < n ? r : 0;
      });
}

BOOL GetDiskFreeSpace(const std::u16string& root, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                      DWORD& freeClusters, DWORD& totalClusters) {
  return IsWin9x() ? GetDiskFreeSpaceA(A(root).c_str(), &sectorsPerCluster, &bytesPerSector,
                                       &freeClusters, &totalClusters)
                   : GetDiskFreeSpaceW(WStr(root), &sectorsPerCluster, &bytesPerSector,
                                       &freeClusters, &totalClusters);
}

WORD GetCharType(char16_t c) {
  WORD type = 0;
  if (IsWin9x()) {
    std::string a = WideToAnsi(std::u16string_view(&c, 1));
    // A character the code page lacks comes back as "?", which is no blank.
    if (a.size() != 1 || (a[0] == '?' && c != u'?')) return 0;
    return GetStringTypeA(LOCALE_SYSTEM_DEFAULT, CT_CTYPE1, a.data(), 1, &type) ? type : 0;
  }
  wchar_t w = static_cast<wchar_t>(c);
  return GetStringTypeW(CT_CTYPE1, &w, 1, &type) ? type : 0;
}

}  // namespace Platform
