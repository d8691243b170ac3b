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

// The file's bytes and its section of that name, or none for any failure.
struct FoundSection {
  std::vector<std::uint8_t> bytes;
  PeSection section;
};

std::optional<FoundSection> FindPeSection(const std::u16string& fileName,
                                          const std::string& sectionName) {
  if (sectionName.empty() || sectionName.size() > 8) return std::nullopt;
  try {
    std::vector<std::uint8_t> bytes = ReadFileBytes(fileName);
    PeImage image(bytes);
    const PeSection* section = image.FindSection(sectionName);
    if (!section) return std::nullopt;
    return FoundSection{std::move(bytes), *section};
  } catch (const std::exception&) {
    // Missing, locked, not an image, or damaged headers: no section.
    return std::nullopt;
  }
}

}  // namespace

bool HasPeSection(const std::u16string& fileName, const std::string& sectionName) {
  return FindPeSection(fileName, sectionName).has_value();
}

std::u16string ReadPeSectionText(const std::u16string& fileName, const std::string& sectionName) {
  std::optional<FoundSection> found = FindPeSection(fileName, sectionName);
  if (!found) return {};
  const PeSection& s = found->section;
  const std::size_t requested = std::min(s.virtualSize, s.rawSize);
  const std::size_t fileSize = found->bytes.size();
  const std::size_t available = s.rawOffset < fileSize ? fileSize - s.rawOffset : 0;
  if (available < requested) {
    throw EKivInternalError(Format("%d bytes were requested.  %d bytes were returned.",
                                   static_cast<int>(requested), static_cast<int>(available)));
  }
  std::u16string text(requested / 2, u'\0');
  const std::uint8_t* p = found->bytes.data() + s.rawOffset;
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }
  return text;
}
