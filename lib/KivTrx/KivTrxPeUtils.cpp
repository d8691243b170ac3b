#include "KivTrx/KivTrxPeUtils.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/PeImage.h"
#include "Rtl/Streams.h"

namespace {

// The section of that name in an image's bytes, or none for any failure.
std::optional<PeSection> FindPeSection(const std::vector<std::uint8_t>& bytes,
                                       const std::string& sectionName) {
  if (sectionName.empty() || sectionName.size() > 8) return std::nullopt;
  try {
    PeImage image(bytes.data(), bytes.size());
    const PeSection* section = image.FindSection(sectionName);
    if (!section) return std::nullopt;
    return *section;
  } catch (const std::exception&) {
    // Not an image, or damaged headers: no section.
    return std::nullopt;
  }
}

// The file's bytes; none for a missing or unreadable file.
std::optional<std::vector<std::uint8_t>> ReadBytesQuietly(const std::u16string& fileName) {
  try {
    return ReadFileBytes(fileName);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

bool HasPeSection(const std::vector<std::uint8_t>& bytes, const std::string& sectionName) {
  return FindPeSection(bytes, sectionName).has_value();
}

std::u16string ReadPeSectionText(const std::vector<std::uint8_t>& bytes,
                                 const std::string& sectionName) {
  std::optional<PeSection> found = FindPeSection(bytes, sectionName);
  if (!found) return {};
  const PeSection& s = *found;
  const std::size_t requested = std::min(s.virtualSize, s.rawSize);
  const std::size_t available = s.rawOffset < bytes.size() ? bytes.size() - s.rawOffset : 0;
  if (available < requested) {
    throw EKivInternalError(Format("%d bytes were requested.  %d bytes were returned.",
                                   static_cast<int>(requested), static_cast<int>(available)));
  }
  std::u16string text(requested / 2, u'\0');
  const std::uint8_t* p = bytes.data() + s.rawOffset;
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }
  return text;
}

bool HasPeSection(const std::u16string& fileName, const std::string& sectionName) {
  auto bytes = ReadBytesQuietly(fileName);
  return bytes && HasPeSection(*bytes, sectionName);
}

std::u16string ReadPeSectionText(const std::u16string& fileName, const std::string& sectionName) {
  auto bytes = ReadBytesQuietly(fileName);
  return bytes ? ReadPeSectionText(*bytes, sectionName) : std::u16string();
}
