#include "KivLX/KivLXUtils.h"

#include "Rtl/Exceptions.h"

namespace {
// Index of the last "\" or ":", or npos.
std::size_t LastDelimiter(const std::u16string& name) { return name.find_last_of(u"\\:"); }
}  // namespace

KIV_RESOURCESTRING(KivLXUtils_SFileCouldntCreate, u"Could not create %s");
KIV_RESOURCESTRING(KivLXUtils_SIE5orNewer, u"Internet Explorer 5.0 or newer");
KIV_RESOURCESTRING(KivLXUtils_SIEWebLink, u"http://www.microsoft.com/ie");

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
