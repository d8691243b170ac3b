#include "KivLX/KivLXUtils.h"

#include <algorithm>
#include <random>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/WideText.h"

namespace {
// Index of the last "\" or ":", or npos.
std::size_t LastDelimiter(const std::u16string& name) { return name.find_last_of(u"\\:"); }
}  // namespace

KIV_RESOURCESTRING(KivLXUtils_SFileCouldntCreate, u"Could not create %s");
KIV_RESOURCESTRING(KivLXUtils_SIE5orNewer, u"Internet Explorer 5.0 or newer");
KIV_RESOURCESTRING(KivLXUtils_SIEWebLink, u"http://www.microsoft.com/ie");
KIV_RESOURCESTRING(KivLXUtils_SShellError_LOW_RESOURCES,
                   u"The operating system is out of memory or resources.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_FNF, u"The specified file was not found.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_PNF, u"The specified path was not found.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_ACCESSDENIED,
                   u"The operating system denied access to the specified file.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_OOM,
                   u"There was not enough memory to complete the operation.");
KIV_RESOURCESTRING(
    KivLXUtils_SShellError_BAD_FORMAT,
    u"The .exe file is invalid (non-Microsoft Win32\u00AE .exe or error in .exe image).");
KIV_RESOURCESTRING(KivLXUtils_SShellError_SHARE, u"A sharing violation occurred.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_ASSOCINCOMPLETE,
                   u"The file name association is incomplete or invalid.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_DDETIMEOUT,
                   u"The DDE transaction could not be completed because the request timed out.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_DDEFAIL, u"The DDE transaction failed.");
// The build reads each text as one literal, which must stay unbroken.
// clang-format off
KIV_RESOURCESTRING(KivLXUtils_SShellError_DDEBUSY,
                   u"The Dynamic Data Exchange (DDE) transaction could not be completed because other DDE transactions were being processed.");
// clang-format on
KIV_RESOURCESTRING(KivLXUtils_SShellError_NOASSOC_Print, u"The specified file is not printable.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_NOASSOC,
                   u"There is no application associated with the given file name extension.");
KIV_RESOURCESTRING(KivLXUtils_SShellError_DLLNOTFOUND,
                   u"The specified dynamic-link library (DLL) was not found.");

std::u16string ExtractFilePath(const std::u16string& name) {
  std::size_t i = LastDelimiter(name);
  return i == std::u16string::npos ? std::u16string() : name.substr(0, i + 1);
}

std::u16string ExtractFileName(const std::u16string& name) {
  std::size_t i = LastDelimiter(name);
  return i == std::u16string::npos ? name : name.substr(i + 1);
}

std::u16string ExtractFileExt(const std::u16string& name) {
  std::size_t i = name.find_last_of(u".\\:");
  return i != std::u16string::npos && name[i] == u'.' ? name.substr(i) : std::u16string();
}

std::u16string FileNameWithoutExt(const std::u16string& name) {
  std::u16string file = ExtractFileName(name);
  return file.substr(0, file.size() - ExtractFileExt(file).size());
}

std::u16string IncludeTrailingSlash(const std::u16string& path) {
  return !path.empty() && path.back() == u'\\' ? path : path + u"\\";
}

std::u16string ExcludeTrailingSlash(const std::u16string& path) {
  return !path.empty() && path.back() == u'\\' ? path.substr(0, path.size() - 1) : path;
}

void AssertTrue(bool condition, const std::string& message) {
  if (!condition) throw Exception(message);
}

std::u16string ExtractFileDrive(const std::u16string& name) {
  if (name.size() >= 2 && name[1] == u':') return name.substr(0, 2);
  if (name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\') {
    // Up to the backslash that follows the share name.
    std::size_t server = name.find(u'\\', 2);
    std::size_t share = server == std::u16string::npos ? server : name.find(u'\\', server + 1);
    return share == std::u16string::npos ? name : name.substr(0, share);
  }
  return {};
}

int RandomNumber() {
  static std::mt19937 generator(static_cast<std::mt19937::result_type>(ClockSeed()));
  return std::uniform_int_distribution<int>(0, 2147483646)(generator);
}

void AssertListAssigned(const TKivStringList* list, const char* listName) {
  if (!list) throw EKivInternalError(Format("Internal Error: %s not assigned.", listName));
}

void CheckShellResult(std::intptr_t code, const std::u16string& verb, const std::u16string& file) {
  if (code > 32) return;
  const ResourceString* text = nullptr;
  switch (code) {
    case 0:
      text = &KivLXUtils_SShellError_LOW_RESOURCES;
      break;
    case 2:
      text = &KivLXUtils_SShellError_FNF;
      break;
    case 3:
      text = &KivLXUtils_SShellError_PNF;
      break;
    case 5:
      text = &KivLXUtils_SShellError_ACCESSDENIED;
      break;
    case 8:
      text = &KivLXUtils_SShellError_OOM;
      break;
    case 11:
      text = &KivLXUtils_SShellError_BAD_FORMAT;
      break;
    case 26:
      text = &KivLXUtils_SShellError_SHARE;
      break;
    case 27:
      text = &KivLXUtils_SShellError_ASSOCINCOMPLETE;
      break;
    case 28:
      text = &KivLXUtils_SShellError_DDETIMEOUT;
      break;
    case 29:
      text = &KivLXUtils_SShellError_DDEFAIL;
      break;
    case 30:
      text = &KivLXUtils_SShellError_DDEBUSY;
      break;
    case 31:
      text = WideSameText(verb, u"print") ? &KivLXUtils_SShellError_NOASSOC_Print
                                          : &KivLXUtils_SShellError_NOASSOC;
      break;
    case 32:
      text = &KivLXUtils_SShellError_DLLNOTFOUND;
      break;
    default:
      throw EKivInternalError(
          Format("Internal Error: ShellExecute() returned code %d for \"%s\".", code, file));
  }
  throw EKivGeneralError(LoadAnsiResString(*text));
}

// ---- system information texts ----

std::u16string GetPlatformName(std::uint32_t platformId) {
  switch (platformId) {
    case 0:
      return u"Win32s";
    case 1:
      return u"Win9x";
    case 2:
      return u"NT";
    default:
      return IntToWide(platformId);
  }
}

std::u16string FormatOSDescription(std::uint32_t platformId, std::uint32_t major,
                                   std::uint32_t minor, std::uint32_t build,
                                   const std::u16string& servicePack) {
  // The 9x family keeps its version in the build number's high word.
  if (platformId == 1) build &= 0xFFFF;
  return WideFormat(u"%s %d.%d (Build %d) %s", GetPlatformName(platformId), major, minor, build,
                    servicePack);
}

std::u16string GetCodePageDescription(std::uint32_t codePage) {
  switch (codePage) {
    case 1250:
      return u"ISO 8859-2,  Latin 2 (Central Europe)";
    case 1251:
      return u"ISO 8859-5,  Cyrillic (Slavic)";
    case 1252:
      return u"ISO 8859-1,  Latin 1 (ANSI)";
    case 1253:
      return u"ISO 8859-7,  Greek";
    case 1254:
      return u"ISO 8859-9,  Latin 5 (Turkish)";
    case 1255:
      return u"ISO 8859-8,  Hebrew";
    case 1256:
      return u"ISO 8859-6,  Arabic";
    case 1257:
      return u"ISO 8859-4,  Scandinavia and Baltic Rim";
    default:
      return u"(Unknown ISO equivalent)";
  }
}

std::int64_t GetDiskSizeMB(std::uint32_t clusters, std::uint32_t sectorsPerCluster,
                           std::uint32_t bytesPerSector) {
  std::int64_t sectors = 0;
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(static_cast<std::int64_t>(clusters),
                             static_cast<std::int64_t>(sectorsPerCluster), &sectors) ||
      __builtin_mul_overflow(sectors, static_cast<std::int64_t>(bytesPerSector), &bytes)) {
    throw EIntOverflow(RtlMessages::kIntOverflow);
  }
  return bytes / 1048576;
}

const char16_t* OfficeAppName(TOfficeApps app) {
  static constexpr const char16_t* kNames[kOfficeAppCount] = {u"Word", u"Excel", u"Outlook",
                                                              u"Access"};
  return kNames[app];
}

// ---- mail addresses ----

namespace {

void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with) {
  std::size_t i = 0;
  while ((i = text.find(what, i)) != std::u16string::npos) {
    text.replace(i, what.size(), with);
    i += with.size();
  }
}

}  // namespace

std::u16string RemoveWhitespace(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (!IsBlankChar(c)) out += c;
  }
  return out;
}

std::size_t CountOccurrences(std::u16string_view text, std::u16string_view pattern) {
  if (text.empty() || pattern.empty()) return 0;
  std::size_t n = 0;
  for (std::size_t i = text.find(pattern); i != std::u16string_view::npos;
       i = text.find(pattern, i + pattern.size())) {
    ++n;
  }
  return n;
}

std::u16string ExtractQuoted(std::u16string_view text) {
  std::u16string out;
  if (!text.empty() && text[0] == u'"') {
    for (std::size_t i = 1; i < text.size(); ++i) {
      if (text[i] == u'"') {
        if (i + 1 < text.size() && text[i + 1] == u'"') {
          out += u'"';
          ++i;
        } else {
          break;
        }
      } else {
        out += text[i];
      }
    }
  }
  return out.empty() ? std::u16string(text) : out;
}

std::size_t FindAddressSeparator(std::u16string_view text) {
  // The text before each separator, trimmed, starts where the text's first visible
  // character stands; so the first quote, "<" and "@" in it are those of the text.
  std::size_t start = 0;
  while (start < text.size() && text[start] <= u' ') ++start;
  const std::size_t firstQuote = text.find(u'"', start);
  const std::size_t firstLt = text.find(u'<', start);
  const std::size_t firstAt = text.find(u'@', start);
  bool quoted = false;
  for (std::size_t i = start; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') {
      quoted = !quoted;
      continue;
    }
    if (quoted || (c != u',' && c != u';')) continue;
    std::size_t end = i;
    while (end > start && text[end - 1] <= u' ') --end;
    // 1-based positions within the text before the separator, 0 when absent.
    auto pos = [&](std::size_t first) { return first < end ? first - start + 1 : 0; };
    std::size_t quote = pos(firstQuote);
    // A comma or semicolon inside a display name ("Smith, John <john@x>") is not a
    // separator: the entry must have its address before it ends.
    if (end <= start || (text[end - 1] == u'>' && pos(firstLt) > quote) || pos(firstAt) > quote) {
      return i + 1;
    }
  }
  return 0;
}

void ParseAddress(std::u16string_view entry, const std::u16string& defaultName,
                  std::u16string& name, std::u16string& address) {
  std::u16string s = Trim(entry);
  name.clear();
  if (!s.empty() && s.back() == u'>') {
    std::size_t lt = s.find(u'<');
    std::size_t start = 0;
    if (lt != std::u16string::npos) {
      name = Trim(std::u16string_view(s).substr(0, lt));
      start = lt + 1;
    }
    address = Trim(std::u16string_view(s).substr(start));
    if (!address.empty() && address.back() == u'>') address.pop_back();
  } else {
    address = s;
  }
  address = Trim(ExtractQuoted(address));
  name = Trim(ExtractQuoted(name));

  if (name.empty() && address.find(u'@') == std::u16string::npos) {
    name = address;  // a name without an address
    address.clear();
  } else if (address.empty() && name.find(u'@', 1) != std::u16string::npos &&
             name.find(u' ') == std::u16string::npos) {
    address = name;  // what looked like a name is an address
    name.clear();
  }

  address = RemoveWhitespace(address);
  std::erase_if(address, [](char16_t c) { return c == u'<' || c == u'>'; });
  if (name.empty() && !address.empty()) name = defaultName;
  for (char16_t& c : name) {
    if (c == u'"')
      c = u'\'';
    else if (c == u'<')
      c = u'{';
    else if (c == u'>')
      c = u'}';
  }
}

std::u16string FormatAddress(std::u16string_view entry, const std::u16string& defaultName,
                             bool includeNames, bool allowNameOnly) {
  std::u16string name;
  std::u16string address;
  ParseAddress(entry, defaultName, name, address);
  if (!includeNames || name.empty()) return address;
  if (!address.empty() || allowNameOnly) return u"\"" + name + u"\" <" + address + u">";
  return {};
}

void ParseAddressList(TKivStringList& list, std::u16string_view text,
                      const std::u16string& defaultName, bool includeNames, bool allowNameOnly) {
  std::u16string rest = Trim(text);
  std::size_t opening = CountOccurrences(rest, u"<");
  if (opening > 0 && opening == CountOccurrences(rest, u">")) {
    // Every bracketed address ends its entry.
    ReplaceAll(rest, u">", u">,");
    if (!rest.empty() && rest.back() == u',') rest.pop_back();
  } else if (CountOccurrences(rest, u"@") > 1) {
    // Bare addresses may be separated by blanks alone.
    std::replace(rest.begin(), rest.end(), u' ', u',');
  }
  list.Clear();
  std::u16string_view remaining = rest;
  std::size_t p;
  do {
    p = FindAddressSeparator(remaining);
    std::u16string_view entry = remaining.substr(0, p == 0 ? remaining.size() : p - 1);
    std::u16string formatted = FormatAddress(entry, defaultName, includeNames, allowNameOnly);
    if (!formatted.empty() && list.IndexOf(formatted) < 0) list.Add(formatted);
    remaining.remove_prefix(p);
  } while (p != 0);
}
