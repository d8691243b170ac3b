// What module files say about their translation, read from fixture libraries built
// with the resources the translation framework writes (tests/fixtures).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "KivTrx/KivTrxUtils.h"
#include "ResourceImage.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

const std::u16string kGuidA = u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}";
const std::u16string kGuidB = u"{F0E1D2C3-B4A5-4697-8879-6A5B4C3D2E1F}";

std::u16string Fixture(const char16_t* name) { return FixturePath(std::u16string(name) + u".dll"); }

TEST(TrxUtils, RcDataTextsComeWholeWithoutATerminatingZero) {
  ModuleHandle module(Platform::LoadLibraryEx(Fixture(u"TrxPrepared"), LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  EXPECT_TRUE(HasRcDataResource(module.get(), u"KIV_TRX_GUID"));
  EXPECT_TRUE(HasRcDataResource(module.get(), u"kiv.drc"));  // resource names ignore case
  EXPECT_FALSE(HasRcDataResource(module.get(), u"KIV.XRS"));
  EXPECT_EQ(ReadRcDataText(module.get(), u"KIV_TRX_GUID"), kGuidA);
  EXPECT_EQ(ReadRcDataText(module.get(), u"KIV.DRC"),
            u"65146=KivTrxResourceUtils_SNoTranslationUpdates\r\n");
  EXPECT_EQ(ReadRcDataText(module.get(), u"KIV.XRS"), u"");
}

TEST(TrxUtils, TheGuidFallsBackToTheOlderNameOnlyWhenTheNewOneSaysNothing) {
  EXPECT_EQ(ReadModuleGuid(Fixture(u"TrxPrepared")), kGuidA);
  EXPECT_EQ(ReadModuleGuid(Fixture(u"TrxOldGuid")), kGuidB);
  EXPECT_EQ(ReadModuleGuid(Fixture(u"TrxPlaceholder")), u"");
  EXPECT_EQ(ReadModuleGuid(Fixture(u"TrxBare")), u"");

  EXPECT_TRUE(SameModuleGuid(Fixture(u"TrxPrepared"), Fixture(u"TrxSame")));
  EXPECT_FALSE(SameModuleGuid(Fixture(u"TrxPrepared"), Fixture(u"TrxOther")));
  EXPECT_TRUE(SameModuleGuid(Fixture(u"TrxOther"), Fixture(u"TrxOldGuid")));
  // Two modules without a GUID are the same.
  EXPECT_TRUE(SameModuleGuid(Fixture(u"TrxPlaceholder"), Fixture(u"TrxBare")));
}

TEST(TrxUtils, PreparedMeansTheMapAndAGuid) {
  EXPECT_TRUE(IsResourceModulePrepared(Fixture(u"TrxPrepared")));
  EXPECT_TRUE(IsResourceModulePrepared(Fixture(u"TrxOldGuid")));
  EXPECT_FALSE(IsResourceModulePrepared(Fixture(u"TrxPlaceholder")));
  EXPECT_FALSE(IsResourceModulePrepared(Fixture(u"TrxNoMap")));
  EXPECT_FALSE(IsResourceModulePrepared(Fixture(u"TrxBare")));
  EXPECT_NO_THROW(CheckResourceModulePrepared(Fixture(u"TrxPrepared")));
  std::u16string file = Fixture(u"TrxNoMap");
  try {
    CheckResourceModulePrepared(file);
    FAIL() << "no error";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: KIV.DRC or KIV_TRX_GUID resource not created.  (" +
                               WideToAnsi(file) + ")");
  }
}

TEST(TrxUtils, AFileThatCannotBeLoadedRaisesTheSystemsError) {
  TempDir dir;
  std::u16string text = dir / u"notes.dll";
  WriteTextFile(text, "not a module");
  EXPECT_THROW(ReadModuleGuid(dir / u"missing.dll"), EOSError);
  EXPECT_THROW(IsResourceModulePrepared(text), EOSError);
}

// Damaged copies of a program with forms, string tables and a GUID: refused by name
// before any of the system's resource calls reads them, and left as they are.
TEST(TrxUtils, ADamagedModuleIsRefusedByNameAndLeftAsItIs) {
  TempDir dir;
  const std::vector<std::uint8_t> whole = ReadFileBytes(Fixture(u"TrxSourceApp"));
  for (ModuleDamage damage : kResourceDamages) {
    SCOPED_TRACE(DamageName(damage));
    const std::u16string file =
        dir / (u"damaged" + std::u16string(1, u'a' + static_cast<int>(damage)) + u".dll");
    const std::vector<std::uint8_t> bytes = Damaged(whole, damage);
    std::ofstream(std::filesystem::path(file), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const std::string expected = "The resource module " + WideToAnsi(file) + " is damaged (";
    auto expectRefused = [&](auto&& read) {
      try {
        read();
        ADD_FAILURE() << "read";
      } catch (const EKivGeneralError& e) {
        EXPECT_EQ(e.Message().rfind(expected, 0), 0u) << e.Message();
      } catch (const EOSError& e) {
        // Windows itself refuses to load a file cut in its headers.
        EXPECT_EQ(damage, ModuleDamage::CutInHeaders) << e.Message();
      }
    };
    expectRefused([&] { LoadModuleAsDataFile(file); });
    expectRefused([&] { ReadModuleGuid(file); });
    expectRefused([&] { IsResourceModulePrepared(file); });
    EXPECT_EQ(ReadFileBytes(file), bytes);
  }
  EXPECT_NO_THROW(LoadModuleAsDataFile(Fixture(u"TrxSourceApp")));
}

}  // namespace
