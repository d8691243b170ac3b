// Sections read from module files of every kind of damage: the reads never raise on a
// file that is not a sound image, and a section cut short says how short.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "KivTrx/KivTrxPeUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"

namespace {

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() / ("plinth_peutils_" + std::to_string(stamp));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::u16string Write(const char* name, const std::vector<std::uint8_t>& bytes) const {
    std::u16string path = (path_ / name).u16string();
    WriteFileBytes(path, bytes.data(), bytes.size());
    return path;
  }

 private:
  std::filesystem::path path_;
};

// A PE32+ image of headers and the named sections, each holding its data at the end
// of the file, with the virtual size given apart from the raw size.
struct Section {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint32_t virtualSize;
};

std::vector<std::uint8_t> Image(const std::vector<Section>& sections) {
  std::vector<std::uint8_t> b(0x200, 0);
  auto put16 = [&](std::size_t o, std::uint16_t v) { std::memcpy(&b[o], &v, 2); };
  auto put32 = [&](std::size_t o, std::uint32_t v) { std::memcpy(&b[o], &v, 4); };
  b[0] = 'M';
  b[1] = 'Z';
  put32(0x3C, 0x80);
  put32(0x80, 0x00004550);  // "PE\0\0"
  put16(0x86, static_cast<std::uint16_t>(sections.size()));
  put16(0x94, 240);  // optional header size of PE32+
  put16(0x98, 0x20B);
  put32(0x98 + 108, 16);
  std::size_t header = 0x98 + 240;
  std::uint32_t rva = 0x1000;
  for (const Section& s : sections) {
    std::memcpy(&b[header], s.name, std::strlen(s.name));
    put32(header + 8, s.virtualSize);
    put32(header + 12, rva);
    put32(header + 16, static_cast<std::uint32_t>(s.data.size()));
    put32(header + 20, static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), s.data.begin(), s.data.end());
    header += 40;
    rva += 0x1000;
  }
  return b;
}

std::vector<std::uint8_t> Utf16(const char* text) {
  std::vector<std::uint8_t> out;
  for (const char* p = text; *p; ++p) {
    out.push_back(static_cast<std::uint8_t>(*p));
    out.push_back(0);
  }
  return out;
}

TEST(PeUtils, TheSectionsTextIsTheSmallerOfItsTwoSizes) {
  ScratchFolder dir;
  // The raw data is padded past the text, as linkers pad it; the virtual size is exact.
  std::vector<std::uint8_t> drc = Utf16("1=Unit_SText\r\n");
  std::uint32_t exact = static_cast<std::uint32_t>(drc.size());
  drc.resize(drc.size() + 16, 0);
  std::u16string exe =
      dir.Write("prog.exe", Image({{".text", {0x90, 0x90}, 2}, {"KIV.DRC", drc, exact}}));
  EXPECT_TRUE(HasPeSection(exe, "KIV.DRC"));
  EXPECT_TRUE(HasPeSection(exe, ".text"));
  EXPECT_EQ(ReadPeSectionText(exe, "KIV.DRC"), u"1=Unit_SText\r\n");

  // A virtual size larger than the raw data: only what the file holds.
  std::u16string short_ = dir.Write("short.exe", Image({{"KIV.DRC", Utf16("ab"), 0x1000}}));
  EXPECT_EQ(ReadPeSectionText(short_, "KIV.DRC"), u"ab");
}

TEST(PeUtils, NamesMatchExactlyAndWholly) {
  ScratchFolder dir;
  std::u16string exe = dir.Write("prog.exe", Image({{"KIV.DRC", Utf16("x"), 2}}));
  EXPECT_FALSE(HasPeSection(exe, "kiv.drc"));
  EXPECT_FALSE(HasPeSection(exe, "KIV.DR"));
  EXPECT_FALSE(HasPeSection(exe, "KIV.DRCX"));
  EXPECT_FALSE(HasPeSection(exe, "KIV.DRC.LONG"));
  EXPECT_FALSE(HasPeSection(exe, ""));
  EXPECT_EQ(ReadPeSectionText(exe, "kiv.drc"), u"");
}

TEST(PeUtils, AnythingButASoundImageHasNoSections) {
  ScratchFolder dir;
  std::vector<std::uint8_t> good = Image({{"KIV.DRC", Utf16("x"), 2}});
  std::vector<std::uint8_t> noMz = good;
  noMz[0] = 'Z';
  std::vector<std::uint8_t> noHeaderOffset = good;
  std::memset(&noHeaderOffset[0x3C], 0, 4);
  std::vector<std::uint8_t> noPe = good;
  noPe[0x81] = 'X';
  std::vector<std::uint8_t> farHeaders = good;
  farHeaders[0x3F] = 0x7F;  // the headers "lie" beyond the file
  std::vector<std::uint8_t> cutTable(good.begin(), good.begin() + 0x98 + 240 + 20);
  const std::u16string missing = dir.Write("x", {}) + u"-missing.exe";
  for (const std::u16string& file :
       {missing, dir.Write("empty.exe", {}), dir.Write("text.exe", Utf16("MZ is not enough")),
        dir.Write("nomz.exe", noMz), dir.Write("nooffset.exe", noHeaderOffset),
        dir.Write("nope.exe", noPe), dir.Write("far.exe", farHeaders),
        dir.Write("cut.exe", cutTable)}) {
    EXPECT_FALSE(HasPeSection(file, "KIV.DRC"));
    EXPECT_EQ(ReadPeSectionText(file, "KIV.DRC"), u"");
  }
}

TEST(PeUtils, ASectionCutShortByTheFileSaysHowShort) {
  ScratchFolder dir;
  std::vector<std::uint8_t> image = Image({{"KIV.DRC", Utf16("abcd"), 8}});
  image.resize(image.size() - 4);  // half the section's bytes are gone
  std::u16string file = dir.Write("cut.exe", image);
  EXPECT_TRUE(HasPeSection(file, "KIV.DRC"));
  try {
    ReadPeSectionText(file, "KIV.DRC");
    FAIL() << "no error";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "8 bytes were requested.  4 bytes were returned.");
  }
}

}  // namespace
