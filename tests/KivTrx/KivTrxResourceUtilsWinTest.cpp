// Module files read and written by the translation framework: enumeration of a fixture
// program's resources, string tables, RCDATA texts and forms written into copies of the
// minimal library image and read back, the copy of a program into a new module, and on
// the 9x run the update library that must be there for any of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxPeUtils.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "ResourceImage.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

const char kNotAvailable[] =
    "Translation resource editing is not available on this version of Windows.";

std::u16string SourceApp() { return FixturePath(u"TrxSourceApp.dll"); }

ModuleHandle LoadAsData(const std::u16string& file) {
  ModuleHandle module(Platform::LoadLibraryEx(file, LOAD_LIBRARY_AS_DATAFILE));
  EXPECT_TRUE(module) << WideToAnsi(file);
  return module;
}

std::vector<std::uint8_t> FileBytes(const std::u16string& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A resource as "type/name/language" with integer ids in decimal.
std::string Describe(const TResData& r) {
  auto id = [](const wchar_t* p) {
    return IS_INTRESOURCE(p) ? std::to_string(LOWORD(reinterpret_cast<ULONG_PTR>(p)))
                             : WideToAnsi(FromWStr(p));
  };
  return id(r.Type) + "/" + id(r.Name) + "/" + std::to_string(r.Language);
}

std::vector<std::string> Describe(const TResDataList& list) {
  std::vector<std::string> out;
  for (const auto& r : list) out.push_back(Describe(*r));
  return out;
}

void* Id(int id) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(id)); }

class ResUtils : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
    InitializeKivTrxResourceUtils();
  }
  void TearDown() override {
    SetDllDirectoryW(nullptr);
    FinalizeKivTrxResourceUtils();
    FinalizeKivLXUtils();
  }
  // The 9x run updates through the stand-in update library of that folder.
  static void UseUpdateLibrary(const char16_t* folder = u"unicows\\") {
    ASSERT_TRUE(SetDllDirectoryW(WStr(FixturePath(folder))));
  }
  // A fresh copy of the minimal library image.
  std::u16string NewModule(const char16_t* name = u"module.dll") {
    std::u16string file = dir / name;
    WriteMinimalLibraryImage(file);
    return file;
  }
  TempDir dir;
};

TEST_F(ResUtils, EnumerationListsEveryResourceWithItsBytes) {
  ModuleHandle module = LoadAsData(SourceApp());
  TResDataList list;
  list.push_back(std::make_unique<TResData>());  // appended to, not replaced
  EnumerateResources(module.get(), list);
  std::vector<std::string> names = Describe(list);
  for (const char* expected : {"6/1/1033", "6/2/1033", "10/TFORM1/1033", "10/TFORMFILE/1033",
                               "10/NOTAFORM/1033", "10/7/1033", "10/KIV_TRX_GUID/1033",
                               "10/KIV_TRX_FLAG/1033", "KIVTYPE/KIVDATA/1033", "16/1/1033"}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), expected), 1) << expected;
  }
  EXPECT_EQ(list.size(), 11u);
  // Types come one after another: the names of a type are not split up.
  std::vector<std::string> typesSeen;
  for (std::size_t i = 1; i < list.size(); ++i) {
    std::string type = names[i].substr(0, names[i].find('/'));
    if (typesSeen.empty() || typesSeen.back() != type) {
      EXPECT_EQ(std::count(typesSeen.begin(), typesSeen.end(), type), 0) << type;
      typesSeen.push_back(type);
    }
  }
  for (const auto& r : list) {
    if (Describe(*r) == "KIVTYPE/KIVDATA/1033") {
      EXPECT_EQ(r->TypeName, u"KIVTYPE");
      EXPECT_EQ(r->ResName, u"KIVDATA");
      EXPECT_EQ(static_cast<const void*>(r->Type), static_cast<const void*>(r->TypeName.data()));
      ASSERT_EQ(r->Size, 10u);
      EXPECT_EQ(std::memcmp(r->Data, "named type", 10), 0);
    }
    if (Describe(*r) == "10/NOTAFORM/1033") {
      EXPECT_TRUE(r->TypeName.empty());
      ASSERT_EQ(r->Size, 10u);
      EXPECT_EQ(std::memcmp(r->Data, "not a form", 10), 0);
    }
  }
}

TEST_F(ResUtils, AModuleWithoutResourcesHasNothingToList) {
  ModuleHandle module = LoadAsData(FixturePath(u"VerNone.dll"));
  TResDataList list;
  EXPECT_NO_THROW(EnumerateResources(module.get(), list));
  EXPECT_TRUE(list.empty());
  TStringTableBlocks blocks;
  blocks.push_back(std::make_unique<TKivStringList>());
  ReadStringTables(module.get(), blocks);
  EXPECT_TRUE(blocks.empty());
}

TEST_F(ResUtils, StringTablesComeAsDecodedBlocks) {
  ModuleHandle module = LoadAsData(SourceApp());
  TStringTableBlocks blocks;
  blocks.push_back(std::make_unique<TKivStringList>());
  ReadStringTables(module.get(), blocks);
  ASSERT_EQ(blocks.size(), 2u);
  ASSERT_EQ(blocks[0]->Count(), 2);
  EXPECT_EQ(blocks[0]->Get(0), u"one");
  EXPECT_EQ(StringIdOf(*blocks[0], 0), 1);
  EXPECT_EQ(blocks[0]->Get(1), u"five");
  EXPECT_EQ(StringIdOf(*blocks[0], 1), 5);
  ASSERT_EQ(blocks[1]->Count(), 1);
  EXPECT_EQ(StringIdOf(*blocks[1], 0), 17);
}

TEST_F(ResUtils, TheMinimalImageIsAResourceOnlyLibraryAndIsNeverWrittenOverAFile) {
  std::u16string file = NewModule();
  std::vector<std::uint8_t> bytes = FileBytes(file);
  ASSERT_EQ(bytes.size(), kMinimalLibraryImageSize);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), kMinimalLibraryImage));
  ASSERT_GT(bytes.size(), 0x100u);
  std::uint32_t pe = bytes[0x3C] | (bytes[0x3D] << 8);
  EXPECT_EQ(bytes[pe + 4] | (bytes[pe + 5] << 8), 0x14C);           // a 32-bit image
  EXPECT_NE((bytes[pe + 22] | (bytes[pe + 23] << 8)) & 0x2000, 0);  // a library

  ModuleHandle module = LoadAsData(file);
  TResDataList list;
  EnumerateResources(module.get(), list);
  EXPECT_EQ(Describe(list),
            (std::vector<std::string>{"10/PLINTH_IMAGE/0", "10/PLINTH_IMAGE_VERSION/0"}));
  module.reset();

  WriteTextFile(dir / u"taken.dll", "mine");
  EXPECT_THROW(WriteMinimalLibraryImage(dir / u"taken.dll"), EOSError);
  EXPECT_EQ(FileBytes(dir / u"taken.dll"), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
}

TEST_F(ResUtils, WrittenBlocksAndTextsReadBack) {
  UseUpdateLibrary();
  std::u16string file = NewModule();
  TStringTableBlocks blocks;
  blocks.push_back(std::make_unique<TKivStringList>());
  blocks.back()->AddObject(u"first of 4072", Id(65136));
  blocks.back()->AddObject(u"sixth \u00e4\u4e2d", Id(65141));
  blocks.push_back(std::make_unique<TKivStringList>());  // empty: not written
  blocks.push_back(std::make_unique<TKivStringList>());
  blocks.back()->AddObject(u"thirty-one", Id(31));
  const std::u16string text = u"line one\r\nGr\u00fc\u00dfe \u4e2d\u6587";
  {
    TResourceUpdate update(file, false);
    WriteStringTables(update.get(), blocks);
    SaveRcText(update.get(), u"KIV.XRS", text);
    update.Commit();
  }
  ModuleHandle module = LoadAsData(file);
  EXPECT_EQ(ReadRcDataText(module.get(), u"KIV.XRS"), text);
  EXPECT_TRUE(HasRcDataResource(module.get(), u"PLINTH_IMAGE"));  // kept
  TStringTableBlocks back;
  ReadStringTables(module.get(), back);
  ASSERT_EQ(back.size(), 2u);
  std::sort(back.begin(), back.end(),
            [](const auto& a, const auto& b) { return StringIdOf(*a, 0) < StringIdOf(*b, 0); });
  ASSERT_EQ(back[0]->Count(), 1);
  EXPECT_EQ(back[0]->Get(0), u"thirty-one");
  EXPECT_EQ(StringIdOf(*back[0], 0), 31);
  ASSERT_EQ(back[1]->Count(), 2);
  EXPECT_EQ(back[1]->Get(1), u"sixth \u00e4\u4e2d");
  EXPECT_EQ(StringIdOf(*back[1], 1), 65141);
  TResDataList list;
  EnumerateResources(module.get(), list);
  for (const auto& r : list) {
    if (Describe(*r).rfind("10/KIV.XRS/", 0) == 0) {
      EXPECT_EQ(r->Language, 0);
    }
  }
}

TEST_F(ResUtils, AnUpdateNotCommittedLeavesTheFileAsItWas) {
  UseUpdateLibrary();
  std::u16string file = NewModule();
  {
    TResourceUpdate update(file, true);
    SaveRcText(update.get(), u"KIV.XRS", u"lost");
  }
  EXPECT_EQ(FileBytes(file),
            std::vector<std::uint8_t>(kMinimalLibraryImage,
                                      kMinimalLibraryImage + kMinimalLibraryImageSize));
  EXPECT_THROW(TResourceUpdate(dir / u"missing.dll", false), EOSError);
}

TEST_F(ResUtils, RcDataNamesMustBeUpperCase) {
  UseUpdateLibrary();
  std::u16string file = NewModule();
  TResourceUpdate update(file, false);
  try {
    SaveRcText(update.get(), u"Kiv.Xrs", u"text");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "Internal Error: SaveRcText.ResName must be upper case.");
  }
}

TEST_F(ResUtils, OnlyStringNamedBinaryFormsAreListed) {
  ModuleHandle module = LoadAsData(SourceApp());
  std::vector<std::string> names{"stale"};
  ListFormResources(module.get(), names);
  EXPECT_EQ(names, (std::vector<std::string>{"TFORM1", "TFORMFILE"}));

  TDfmForms forms;
  forms.push_back(std::make_unique<TDfmForm>());
  TDfmPropertyList flat{nullptr};
  LoadFormsFromModule(module.get(), SourceApp(), forms, flat);
  ASSERT_EQ(forms.size(), 2u);
  EXPECT_EQ(forms[0]->ObjectName, "Form1");
  EXPECT_EQ(forms[1]->ObjectName, "Form1");
  EXPECT_FALSE(flat.empty());
  EXPECT_EQ(std::count(flat.begin(), flat.end(), nullptr), 0);
  EXPECT_EQ(flat.front()->Owner->Form, forms[0].get());
  EXPECT_EQ(flat.back()->Owner->Form, forms[1].get());
}

TEST_F(ResUtils, AFormIsWrittenUnderItsRootObjectsNameWhateverItsClass) {
  UseUpdateLibrary();
  std::u16string file = NewModule();
  TDfmForms forms;
  forms.push_back(std::make_unique<TDfmForm>());
  forms.back()->LoadFromText(
      "object Form1: TSomeOtherClass\r\n  Caption = 'Hello'\r\n  object Button1: TButton\r\n"
      "    Caption = 'OK'\r\n  end\r\nend\r\n",
      nullptr);
  {
    TResourceUpdate update(file, false);
    SaveFormsToModule(update.get(), forms);
    update.Commit();
  }
  ModuleHandle module = LoadAsData(file);
  std::vector<std::string> names;
  ListFormResources(module.get(), names);
  EXPECT_EQ(names, std::vector<std::string>{"TFORM1"});
  TDfmForm back;
  back.LoadFromResource(module.get(), u"TFORM1", nullptr);
  EXPECT_EQ(back.AsText(), forms.back()->AsText());
  EXPECT_EQ(back.ObjectClass, "TSomeOtherClass");
}

TEST_F(ResUtils, AProgramCopiedIntoTheImageGivesAPreparedModule) {
  UseUpdateLibrary();
  std::u16string file = NewModule();
  CopyResourcesToModule(SourceApp(), file);

  ModuleHandle source = LoadAsData(SourceApp());
  ModuleHandle module = LoadAsData(file);
  TResDataList from, to;
  EnumerateResources(source.get(), from);
  EnumerateResources(module.get(), to);
  std::vector<std::string> expected = Describe(from);
  expected.push_back("10/KIV.DRC/0");
  std::vector<std::string> got = Describe(to);
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);  // the image's own resources are gone
  for (const auto& f : from) {
    for (const auto& t : to) {
      if (Describe(*f) != Describe(*t)) continue;
      ASSERT_EQ(f->Size, t->Size) << Describe(*f);
      EXPECT_EQ(std::memcmp(f->Data, t->Data, f->Size), 0) << Describe(*f);
    }
  }
  EXPECT_EQ(ReadRcDataText(module.get(), u"KIV.DRC"),
            u"4096=Unit_SFirst\r\n65146=KivTrxResourceUtils_SNoTranslationUpdates\r\n");
  module.reset();
  EXPECT_TRUE(IsResourceModulePrepared(file));
}

TEST_F(ResUtils, ACopyIntoAFileThatIsNoLibraryRaisesAndLeavesTheFile) {
  UseUpdateLibrary();
  WriteTextFile(dir / u"text.dll", "not a library");
  EXPECT_THROW(CopyResourcesToModule(SourceApp(), dir / u"text.dll"), EOSError);
  EXPECT_EQ(FileBytes(dir / u"text.dll").size(), 13u);
  EXPECT_THROW(CopyResourcesToModule(dir / u"missing.exe", NewModule()), EOSError);
}

TEST_F(ResUtils, NtOnlyUpdatesNeedNoUpdateLibrary) {
  EXPECT_FALSE(Platform::IsWin9x());
  std::u16string file = NewModule();
  TResourceUpdate update(file, false);
  SaveRcText(update.get(), u"KIV.XRS", u"x");
  update.Commit();
  EXPECT_EQ(Platform::GetModuleHandle(u"kiv_unicows.dll"), nullptr);
}

// The update library's absence, or an entry point missing from it, refuses every call.
void ExpectRefused(const std::u16string& file) {
  EXPECT_FALSE(LoadResourceUpdateLibrary());
  try {
    TrxBeginUpdateResource(file, false);
    FAIL() << "no error";
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), kNotAvailable);
  }
  EXPECT_THROW(TrxEndUpdateResource(nullptr, true), EKivGeneralError);
  EXPECT_THROW(TResourceUpdate(file, false), EKivGeneralError);
  EXPECT_EQ(Platform::GetModuleHandle(u"kiv_unicows.dll"), nullptr);
}

TEST_F(ResUtils, On9xUpdatesNeedTheWholeUpdateLibrary) {
  if (!ExpectWin9x()) GTEST_SKIP() << "the Windows 98 run only";
  std::u16string file = NewModule();
  ExpectRefused(file);
  UseUpdateLibrary(u"unicows-partial\\");
  ExpectRefused(file);

  UseUpdateLibrary();
  ASSERT_TRUE(LoadResourceUpdateLibrary());
  HMODULE library = Platform::GetModuleHandle(u"kiv_unicows.dll");
  EXPECT_NE(library, nullptr);
  {
    TResourceUpdate update(file, false);
    SaveRcText(update.get(), u"KIV.XRS", u"through the library");
    update.Commit();
  }
  EXPECT_EQ(ReadRcDataText(LoadAsData(file).get(), u"KIV.XRS"), u"through the library");
  // Kept loaded until the unit ends.
  EXPECT_EQ(Platform::GetModuleHandle(u"kiv_unicows.dll"), library);
  FinalizeKivTrxResourceUtils();
  EXPECT_EQ(Platform::GetModuleHandle(u"kiv_unicows.dll"), nullptr);
}

// What a rebuild ended at any point leaves: the old module set aside as
// "<module>.previous" (9x) and the successor built as "<module>.new".
TEST_F(ResUtils, WhatAnInterruptedRebuildLeftIsResolvedWithoutLosingAModule) {
  const std::vector<std::uint8_t> old = FileBytes(FixturePath(u"TrxPrepared.dll"));
  const std::vector<std::uint8_t> successor = FileBytes(FixturePath(u"TrxOther.dll"));
  const std::u16string module = dir / u"App.DEU";
  const std::u16string aside = module + u".previous", next = module + u".new";
  auto write = [](const std::u16string& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(std::filesystem::path(file), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  };
  const std::vector<std::uint8_t> unprepared = FileBytes(FixturePath(u"TrxNoMap.dll"));
  const std::vector<std::uint8_t> cut = Damaged(successor, ModuleDamage::CutInResources);
  // The old module waits aside while its place is empty, or holds no whole module.
  for (const std::vector<std::uint8_t>* inPlace :
       {static_cast<const std::vector<std::uint8_t>*>(nullptr), &unprepared, &cut}) {
    if (inPlace) write(module, *inPlace);
    write(aside, old);
    ResolveInterruptedRebuild(module);
    EXPECT_EQ(FileBytes(module), old);
    EXPECT_FALSE(FileExists(aside));
  }
  // A whole module in its place: the successor was put there complete.
  write(module, successor);
  write(aside, old);
  write(next, cut);
  ResolveInterruptedRebuild(module);
  EXPECT_EQ(FileBytes(module), successor);
  EXPECT_FALSE(FileExists(aside));
  // A successor that was never put in place goes; the module stays for the next rebuild.
  EXPECT_FALSE(FileExists(next));
  ResolveInterruptedRebuild(module);  // nothing left to do
  EXPECT_EQ(FileBytes(module), successor);
}

}  // namespace
