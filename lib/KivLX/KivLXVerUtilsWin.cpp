#include "KivLX/KivLXVerUtils.h"

#include <cstring>

#include "KivLX/KivLXUtils.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

namespace {
// Copies up to `size` bytes from `data`, which points into `buffer`, stopping at the
// buffer's end. Bytes not copied stay as they were.
void CopyWithinBuffer(const std::vector<std::uint8_t>& buffer, const void* data, void* out,
                      std::size_t size) {
  auto p = static_cast<const std::uint8_t*>(data);
  if (p < buffer.data() || p >= buffer.data() + buffer.size()) return;
  std::size_t available = static_cast<std::size_t>(buffer.data() + buffer.size() - p);
  std::memcpy(out, p, size < available ? size : available);
}
}  // namespace

std::vector<std::uint8_t> LoadFileVersionInfo(const std::u16string& fileName) {
  AssertFileExists(fileName);
  DWORD size = Platform::GetFileVersionInfoSize(fileName);
  if (size == 0) return {};
  std::vector<std::uint8_t> buffer(size, 0);
  if (!Platform::GetFileVersionInfo(fileName, size, buffer.data())) return {};
  return buffer;
}

std::uint32_t VersionInfoTranslation(const std::vector<std::uint8_t>& info) {
  if (info.empty()) return 0;
  const void* data = nullptr;
  UINT length = 0;
  if (!Platform::VerQueryValueRaw(info.data(), u"\\VarFileInfo\\Translation", data, length) ||
      length < 4) {
    return 0;
  }
  std::uint32_t translation = 0;
  CopyWithinBuffer(info, data, &translation, sizeof translation);
  return translation;
}

std::u16string VersionInfoString(const std::vector<std::uint8_t>& info, const std::u16string& key,
                                 std::uint16_t language, std::uint16_t codePage) {
  if (info.empty()) return {};
  if (language == 0 || codePage == 0) {
    std::uint32_t translation = VersionInfoTranslation(info);
    language = static_cast<std::uint16_t>(translation);
    codePage = static_cast<std::uint16_t>(translation >> 16);
  }
  std::u16string path =
      WideFormatLowerHex(u"%s\\%.4x%.4x\\%s", u"\\StringFileInfo", language, codePage, key);
  std::u16string value;
  if (!Platform::VerQueryValueString(info.data(), info.size(), path, value)) return {};
  auto nul = value.find(u'\0');
  if (nul != std::u16string::npos) value.resize(nul);
  return value;
}

TFixedFileInfo VersionInfoFixed(const std::vector<std::uint8_t>& info) {
  TFixedFileInfo fixed;
  if (info.empty()) return fixed;
  const void* data = nullptr;
  UINT length = 0;
  if (Platform::VerQueryValueRaw(info.data(), u"\\", data, length)) {
    // The length is not trusted; a damaged resource must not make us read past it.
    CopyWithinBuffer(info, data, &fixed, sizeof fixed);
  }
  return fixed;
}

TVersionNumber VersionInfoFileVersion(const std::vector<std::uint8_t>& info) {
  TFixedFileInfo fixed = VersionInfoFixed(info);
  return (static_cast<TVersionNumber>(fixed.dwFileVersionMS) << 32) | fixed.dwFileVersionLS;
}

std::uint32_t GetFileTranslation(const std::u16string& fileName) {
  return VersionInfoTranslation(LoadFileVersionInfo(fileName));
}

std::uint32_t GetFileLanguage(const std::u16string& fileName) {
  return GetFileTranslation(fileName);
}

std::u16string GetFileVersionString(const std::u16string& key, const std::u16string& fileName,
                                    std::uint16_t language, std::uint16_t codePage) {
  return VersionInfoString(LoadFileVersionInfo(fileName), key, language, codePage);
}

TFixedFileInfo GetFixedFileInfo(const std::u16string& fileName) {
  return VersionInfoFixed(LoadFileVersionInfo(fileName));
}

TVersionNumber GetFileVersion(const std::u16string& fileName) {
  return VersionInfoFileVersion(LoadFileVersionInfo(fileName));
}
