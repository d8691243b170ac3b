#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "KivLX/KivLXVerUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "WinTestSupport.h"

namespace {

TEST(KivLXVerUtilsFiles, VersionTranslationAndStringsOfAFullResource) {
  std::u16string f = FixturePath(u"VerFull.dll");
  EXPECT_EQ(GetFileVersion(f), MakeVersion(2000, 80, 194, 0));
  EXPECT_EQ(FormatVersion(vfFull, GetFileVersion(f)), u"2000.80.194.0");
  EXPECT_EQ(GetFileTranslation(f), 0x04B00409u);
  EXPECT_EQ(GetFileLanguage(f) & 0xFFFF, 0x0409u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"Plinth Test Company");
  EXPECT_EQ(GetFileVersionString(u"ProductName", f, 0x0409, 0x04B0), u"Plinth Fixture");
  EXPECT_EQ(GetFileVersionString(u"NoSuchKey", f, 0, 0), u"");
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0407, 0x04E4), u"");
}

TEST(KivLXVerUtilsFiles, StringsComeBackWithoutTheirNul) {
  std::u16string f = FixturePath(u"VerFull.dll");
  EXPECT_EQ(GetFileVersionString(u"FileDescription", f, 0, 0), u"Counted NUL");
  EXPECT_EQ(GetFileVersionString(u"Embedded", f, 0, 0), u"abc");
}

TEST(KivLXVerUtilsFiles, DamagedStringLengthReadsNoFurtherThanTheResource) {
  std::u16string f = FixturePath(u"VerDamaged.dll");
  EXPECT_EQ(GetFileVersion(f), MakeVersion(1, 2, 3, 4));
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"Intact Company");
  // The wide query hands the claimed length on, and the text up to its NUL is what
  // the block holds; the 8-bit query converts that many characters and, finding no
  // room for them, gives nothing.
  EXPECT_EQ(GetFileVersionString(u"ProductName", f, 0, 0), Platform::IsWin9x() ? u"" : u"Overrun");
}

// The version block copied to the very end of a committed page, with an inaccessible
// page after it: a read past the block faults instead of passing unnoticed.
class GuardedBlock {
 public:
  explicit GuardedBlock(const std::vector<std::uint8_t>& bytes) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    const std::size_t pages = (bytes.size() + page - 1) / page;
    base_ = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (!base_ || !VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old)) return;
    data_ = base_ + pages * page - bytes.size();
    std::copy(bytes.begin(), bytes.end(), data_);
  }
  ~GuardedBlock() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  const std::uint8_t* data() const { return data_; }

 private:
  std::uint8_t* base_ = nullptr;
  std::uint8_t* data_ = nullptr;
};

TEST(KivLXVerUtilsFiles, StringQueryStopsAtTheEndOfTheBlock) {
  std::vector<std::uint8_t> info = LoadFileVersionInfo(FixturePath(u"VerDamaged.dll"));
  ASSERT_FALSE(info.empty());
  GuardedBlock block(info);
  ASSERT_NE(block.data(), nullptr);
  std::u16string text;
  ASSERT_TRUE(Platform::VerQueryValueString(block.data(), info.size(),
                                            u"\\StringFileInfo\\040904b0\\ProductName", text));
  // Whatever the damaged length claims, the text is what the block holds from there.
  if (!Platform::IsWin9x()) {
    EXPECT_EQ(text.substr(0, 7), u"Overrun");
  }
  EXPECT_LE(text.size() * (Platform::IsWin9x() ? 1 : 2), info.size());
}

TEST(KivLXVerUtilsFiles, FixedFileInformation) {
  TFixedFileInfo info = GetFixedFileInfo(FixturePath(u"VerFull.dll"));
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.dwFileVersionMS, (2000u << 16) | 80u);
  EXPECT_EQ(info.dwFileVersionLS, 194u << 16);
  EXPECT_EQ(info.dwProductVersionMS, (8u << 16) | 0u);
  EXPECT_EQ(info.dwFileType, 2u);
}

TEST(KivLXVerUtilsFiles, NoTranslationQueriesTheZeroBlock) {
  std::u16string f = FixturePath(u"VerNoTranslation.dll");
  EXPECT_EQ(GetFileTranslation(f), 0u);
  EXPECT_EQ(GetFileVersion(f), MakeVersion(1998, 11, 1, 0));
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"No Translation Inc");
}

TEST(KivLXVerUtilsFiles, FirstOfSeveralTranslationsIsUsed) {
  std::u16string f = FixturePath(u"VerGerman.dll");
  EXPECT_EQ(GetFileTranslation(f), 0x04E40407u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"Deutsche Firma");
  // Either half zero takes both from the translation.
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0409, 0), u"Deutsche Firma");
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0409, 0x04B0), u"");
}

TEST(KivLXVerUtilsFiles, LibraryWithoutVersionResourceGivesZeros) {
  std::u16string f = FixturePath(u"VerNone.dll");
  EXPECT_TRUE(LoadFileVersionInfo(f).empty());
  EXPECT_EQ(GetFileVersion(f), 0u);
  EXPECT_EQ(GetFileTranslation(f), 0u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"");
  EXPECT_EQ(GetFixedFileInfo(f).dwSignature, 0u);
}

TEST(KivLXVerUtilsFiles, MissingFileIsAnInternalError) {
  std::u16string f = FixturePath(u"NotBuilt.dll");
  try {
    GetFileVersion(f);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Internal Error: File does not exist: " + WideToAnsi(f));
  }
  EXPECT_THROW(GetFileVersionString(u"CompanyName", f, 0, 0), Exception);
}

TEST(KivLXVerUtilsFiles, SystemLibrariesHaveVersions) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::u16string kernel = FromWStr(system) + u"\\kernel32.dll";
  EXPECT_GT(VersionMajor(GetFileVersion(kernel)), 0);
}

}  // namespace
