// The translation table on module files: a module made from the fixture program is
// loaded, translated, saved and loaded again; the program itself loads read-only.
#include <gtest/gtest.h>

#include "Gui/Application.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxTable.h"
#include "KivTrx/KivTrxUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

std::u16string SourceApp() { return FixturePath(u"TrxSourceApp.dll"); }

class TransTableWin : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
    InitializeKivTrxDfmUtils();
    InitializeKivTrxResourceUtils();
  }
  void TearDown() override {
    FinalizeKivTrxResourceUtils();
    FinalizeKivTrxDfmUtils();
    FinalizeKivLXUtils();
  }

  // A module as the framework writes its resources (language 0): the test form, a
  // string table, the map naming two of its strings, and a build GUID.
  std::u16string PreparedModule() {
    std::u16string file = dir / u"module.dll";
    WriteMinimalLibraryImage(file);
    TDfmForms forms;
    TDfmPropertyList flat;
    forms.push_back(std::make_unique<TDfmForm>());
    ModuleHandle program(Platform::LoadLibraryEx(SourceApp(), LOAD_LIBRARY_AS_DATAFILE));
    forms.back()->LoadFromResource(program.get(), u"TFORM1", &flat);
    TStringTableBlocks blocks;
    ReadStringTables(program.get(), blocks);
    program.reset();
    TResourceUpdate update(file, false);
    SaveFormsToModule(update.get(), forms);
    WriteStringTables(update.get(), blocks);
    SaveRcText(update.get(), u"KIV.DRC", u"17=Unit_SSeventeen\r\n1=Unit_SOne\r\n");
    SaveRcText(update.get(), u"KIV_TRX_GUID", u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}");
    update.Commit();
    return file;
  }

  TempDir dir;
};

TEST_F(TransTableWin, TranslationsSavedIntoTheModuleLoadBack) {
  std::u16string file = PreparedModule();
  {
    TKivTransTable table;
    table.LoadFromFile(SourceApp(), file);
    EXPECT_FALSE(table.ReadOnly());
    ASSERT_TRUE(table.FindTranID(u"Unit_SSeventeen"));
    EXPECT_EQ(table.TranValue(), u"seventeen");
    EXPECT_EQ(table.StringTableID(), 17);
    EXPECT_FALSE(table.FindTranID(u"Unit_SFirst"));  // named, but no such string
    table.Edit();
    table.SetTranValue(u"siebzehn");
    table.SetTranslated(true);
    table.SetComment(u"a number");
    table.Post();
    ASSERT_TRUE(table.FindTranID(u"Form1.OkButton.Caption"));
    EXPECT_EQ(table.TranValue(), u"&OK");
    table.Edit();
    table.SetTranValue(u"&Gut");
    table.Post();
    table.SaveToFile(false);
    EXPECT_FALSE(table.TableModified());
  }
  EXPECT_TRUE(IsResourceModulePrepared(file));

  TKivTransTable table;
  table.LoadFromFile(SourceApp(), file);
  ASSERT_TRUE(table.FindTranID(u"Unit_SSeventeen"));
  EXPECT_EQ(table.TranValue(), u"siebzehn");
  EXPECT_TRUE(table.Translated());
  EXPECT_EQ(table.Comment(), u"a number");
  ASSERT_TRUE(table.FindTranID(u"Unit_SOne"));
  EXPECT_EQ(table.TranValue(), u"one");
  EXPECT_FALSE(table.Translated());
  ASSERT_TRUE(table.FindTranID(u"Form1.OkButton.Caption"));
  EXPECT_EQ(table.TranValue(), u"&Gut");
  EXPECT_FALSE(table.Translated());
}

TEST_F(TransTableWin, TheProgramItselfLoadsReadOnlyAndAMissingFileIsNamed) {
  TKivTransTable table;
  table.LoadFromFile(SourceApp(), SourceApp());
  EXPECT_TRUE(table.ReadOnly());
  EXPECT_TRUE(table.FindTranID(u"Form1.OkButton.Caption"));
  EXPECT_THROW(table.SaveToFile(false), EKivInternalError);

  std::u16string missing = dir / u"missing.dll";
  try {
    table.LoadFromFile(SourceApp(), missing);
    FAIL();
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "File " + WideToAnsi(missing) + " doesn't exist.");
  }
  EXPECT_TRUE(table.ReadOnly());  // the failed load left the table as it was
}

}  // namespace
