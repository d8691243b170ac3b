#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#ifdef _WIN32
#include "KivLX/KivLXUtils.h"
#endif

#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

// Tests write their forms with LF; form text has CR LF.
std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The label's caption is written twice: one property path, one row.
constexpr const char* kForm = R"(object Form1: TForm1
  Caption = 'Main'
  KivTranslatableProps.WideStrings = (
    'Label1.Caption'
    'Button1.Hint'
    'Form1.Title')
  object Label1: TLabel
    Caption = 'Hello'
    Caption = 'Second'
  end
  object Button1: TButton
    Caption = 'Not listed'
    Hint = 'Press'
  end
end
)";

// An RT_STRING block's bytes with the given strings (by id) in their slots.
std::unique_ptr<TKivStringList> Block(int blockNumber,
                                      const std::map<int, std::u16string>& strings) {
  std::vector<std::uint8_t> data;
  for (int slot = 0; slot < 16; ++slot) {
    auto it = strings.find((blockNumber - 1) * 16 + slot);
    std::u16string text = it == strings.end() ? u"" : it->second;
    data.push_back(static_cast<std::uint8_t>(text.size()));
    data.push_back(static_cast<std::uint8_t>(text.size() >> 8));
    for (char16_t c : text) {
      data.push_back(static_cast<std::uint8_t>(c));
      data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  auto block = std::make_unique<TKivStringList>();
  DecodeStringTableBlock(blockNumber, data.data(), data.size(), *block);
  return block;
}

class TransTable : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    InitializeKivLXUtils();  // the screen-cursor stack of batch mode
#endif
    InitializeKivTrxDfmUtils();
  }
  void TearDown() override {
    FinalizeKivTrxDfmUtils();
#ifdef _WIN32
    FinalizeKivLXUtils();
#endif
  }

  // A module with the form above and strings 16 ("%0:d files"), 17 ("Open") and 18
  // (not in the map).
  TTransTableContents Module(std::u16string flags = u"", std::u16string comments = u"") {
    TTransTableContents c;
    c.Forms.push_back(std::make_unique<TDfmForm>());
    c.Forms.back()->Parse(Crlf(kForm), &c.Properties);
    c.ResourceStringMap = u"16=Unit_SFiles\r\n17=Unit_SOpen\r\n";
    c.StringTables.push_back(Block(2, {{16, u"%0:d files"}, {17, u"Open"}, {18, u"Unnamed"}}));
    c.Flags = std::move(flags);
    c.Comments = std::move(comments);
    return c;
  }

  void LoadModule(std::u16string flags = u"", std::u16string comments = u"") {
    table.Load(Module(std::move(flags), std::move(comments)), u"module.ENU", false);
  }

  std::vector<std::u16string> Ids() {
    std::vector<std::u16string> ids;
    for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.TranID());
    return ids;
  }

  const std::u16string& StringOf(int id) {
    const TKivStringList& block = *table.StringTables().front();
    for (int i = 0; i < block.Count(); ++i) {
      if (StringIdOf(block, i) == id) return block.Get(i);
    }
    static const std::u16string none = u"<none>";
    return none;
  }

  void Edit(std::u16string_view id, std::u16string_view value) {
    ASSERT_TRUE(table.FindTranID(id));
    table.Edit();
    table.SetTranValue(value);
    table.Post();
  }

  std::string PostError() {
    try {
      table.Post();
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no error";
  }

  TKivTransTable table;
};

TEST_F(TransTable, LoadsListedPropertiesAndNamedStringsSortedByTranID) {
  LoadModule();
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"Form1.Button1.Hint", u"Form1.Label1.Caption",
                                                u"Unit_SFiles", u"Unit_SOpen"}));

  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  EXPECT_EQ(table.TranValue(), u"Hello");
  EXPECT_EQ(table.TranType(), u"Caption");
  EXPECT_FALSE(table.IsStringResource());
  EXPECT_EQ(table.FieldByName("DictTranID").AsWideString(), u"LABEL1.CAPTION");
  ASSERT_NE(table.PDfmProp(), nullptr);
  EXPECT_EQ(table.PDfmProp()->Path, "Form1.Label1.Caption");
  EXPECT_EQ(table.PDfmProp()->Value, "'Hello'");

  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_TRUE(table.IsStringResource());
  EXPECT_EQ(table.StringTableID(), 16);
  EXPECT_EQ(table.TranValue(), u"%0:d files");
  EXPECT_EQ(table.RefValue(), u"");
  EXPECT_EQ(table.FieldByName("DictTranID").AsWideString(), u"RESOURCESTRING");
  EXPECT_FALSE(table.TableModified());
  EXPECT_EQ(table.FileName(), u"module.ENU");
}

TEST_F(TransTable, FieldsExistBeforeOpeningWithTheirWidths) {
  EXPECT_EQ(table.FieldCount(), 8);
  EXPECT_EQ(table.FieldByName("TranID").DisplayWidth(), 30);
  EXPECT_EQ(table.FieldByName("TranValue").DisplayWidth(), 40);
  EXPECT_FALSE(table.FieldByName("StringTableIDOrPDfmProp").Visible());
  EXPECT_TRUE(table.FieldByName("Translated").Required());
  EXPECT_FALSE(table.FieldByName("Comment").Required());
}

TEST_F(TransTable, AModuleWithNothingTranslatableIsAnEmptyTable) {
  TTransTableContents c;
  c.Forms.push_back(std::make_unique<TDfmForm>());
  c.Forms.back()->Parse(Crlf("object Form2: TForm2\n  Caption = 'x'\nend\n"), &c.Properties);
  c.StringTables.push_back(Block(1, {{1, u"unnamed"}}));
  c.ResourceStringMap = u"2=Unit_SOther\r\n";
  table.Load(std::move(c), u"m.DEU", false);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.RecordCount(), 0);
  TTransTableTexts texts = table.TranslationTexts();
  EXPECT_EQ(texts.Flags, u".");
  EXPECT_EQ(texts.Comments, u".");
}

TEST_F(TransTable, FlagsOtherThanFalseOrEmptyMarkRowsTranslated) {
  LoadModule(
      u"Unit_SFiles=false\r\nUnit_SOpen=FALSE\r\nForm1.Button1.Hint=\r\n"
      u"form1.label1.caption=yes\r\n",
      u"Unit_SOpen=menu entry\r\n");
  std::map<std::u16string, bool> translated;
  for (table.First(); !table.Eof(); table.Next()) translated[table.TranID()] = table.Translated();
  EXPECT_FALSE(translated[u"Unit_SFiles"]);
  EXPECT_FALSE(translated[u"Unit_SOpen"]);
  EXPECT_FALSE(translated[u"Form1.Button1.Hint"]);
  EXPECT_TRUE(translated[u"Form1.Label1.Caption"]);
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(table.Comment(), u"menu entry");
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.Comment(), u"");
}

// Two rows may carry one id (two strings of one name here): each takes the next of the
// id's flags and comments, in the order of the sorted lists.
TEST_F(TransTable, ARepeatedIdTakesTheNextFlagAndComment) {
  TTransTableContents c =
      Module(u"Unit_SDup=TRUE\r\nUnit_SDup=false\r\n", u"Unit_SDup=second\r\nUnit_SDup=first\r\n");
  c.ResourceStringMap = u"16=Unit_SDup\r\n17=Unit_SDup\r\n";
  table.Load(std::move(c), u"module.ENU", false);
  std::map<int, std::pair<bool, std::u16string>> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    if (table.IsStringResource())
      rows[table.StringTableID()] = {table.Translated(), table.Comment()};
  }
  EXPECT_EQ(rows, (std::map<int, std::pair<bool, std::u16string>>{{16, {false, u"first"}},
                                                                  {17, {true, u"second"}}}));
}

TEST_F(TransTable, SaveHandsOverTheTextsAndClearsModified) {
  LoadModule();
  TTransTableTexts written;
  int writes = 0;
  auto writer = [&](const TDfmForms& forms, const TStringTableBlocks& blocks,
                    const TTransTableTexts& texts) {
    EXPECT_EQ(&forms, &table.Forms());
    EXPECT_EQ(&blocks, &table.StringTables());
    written = texts;
    ++writes;
  };
  table.Save(false, writer);
  EXPECT_EQ(written.Flags, u".");
  EXPECT_EQ(written.Comments, u".");

  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.Edit();
  table.SetTranslated(true);
  table.SetComment(u"menu");
  table.Post();
  ASSERT_TRUE(table.FindTranID(u"Form1.Button1.Hint"));
  table.Edit();
  table.SetTranslated(true);
  table.Post();
  EXPECT_TRUE(table.TableModified());
  table.Save(false, writer);
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(written.Flags, u"Form1.Button1.Hint=TRUE\r\nUnit_SOpen=TRUE\r\n");
  EXPECT_EQ(written.Comments, u"Unit_SOpen=menu\r\n");
  EXPECT_FALSE(table.TableModified());

  // The texts read back give the same rows their flags and comments.
  LoadModule(written.Flags, written.Comments);
  EXPECT_EQ(table.TranslationTexts().Flags, written.Flags);
  EXPECT_EQ(table.TranslationTexts().Comments, written.Comments);
  LoadModule(u".", u".");
  EXPECT_EQ(table.TranslationTexts().Flags, u".");
}

TEST_F(TransTable, AFailedWriteKeepsTheTableModified) {
  LoadModule();
  Edit(u"Unit_SOpen", u"Öffnen");
  EXPECT_THROW(table.Save(false, [](auto&, auto&, auto&) { throw EKivGeneralError("disk full"); }),
               EKivGeneralError);
  EXPECT_TRUE(table.TableModified());
  EXPECT_EQ(table.BatchDepth(), 0);
}

TEST_F(TransTable, SaveMarksChangedRowsTranslatedWhenAsked) {
  LoadModule();
  table.CanonicalizeFormats();  // Unit_SFiles: RefValue "%0:d files", TranValue "%d files"
  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  table.Edit();
  table.SetRefValue(u"Hello");
  table.SetTranValue(u"Hallo");
  table.Post();
  TTransTableTexts texts;
  table.Save(true, [&](auto&, auto&, const TTransTableTexts& t) { texts = t; });
  // The string differs from its reference only in spelling: not a change.
  EXPECT_EQ(texts.Flags, u"Form1.Label1.Caption=TRUE\r\n");
}

TEST_F(TransTable, ACommentStaysOnOneLineOfItsText) {
  LoadModule();
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.Edit();
  table.SetComment(u"first\r\nsecond");
  EXPECT_EQ(PostError(), "EKivGeneralError: A comment can not span several lines.");
  table.SetComment(u"first; second = third");
  table.Post();
  EXPECT_EQ(table.TranslationTexts().Comments, u"Unit_SOpen=first; second = third\r\n");
}

TEST_F(TransTable, PostAppliesTranslationsToTheModuleData) {
  LoadModule();
  Edit(u"Unit_SOpen", u"Öffnen");
  EXPECT_EQ(StringOf(17), u"Öffnen");
  EXPECT_EQ(StringOf(16), u"%0:d files");
  Edit(u"Form1.Button1.Hint", u"Drück");
  ASSERT_TRUE(table.FindTranID(u"Form1.Button1.Hint"));
  EXPECT_EQ(PropertyValueToWide(*table.PDfmProp()), u"Drück");
  EXPECT_TRUE(table.TableModified());
}

TEST_F(TransTable, ATranslationThatDropsAnArgumentFailsAndStaysInEditState) {
  LoadModule();
  table.CanonicalizeFormats();
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.TranValue(), u"%d files");
  EXPECT_EQ(table.RefValue(), u"%0:d files");
  EXPECT_FALSE(table.TableModified() && table.Translated());

  table.Edit();
  table.SetTranValue(u"Dateien");
  EXPECT_EQ(PostError(), "EFormatSpecifierError: Number of format specifiers do not match.");
  EXPECT_EQ(table.State(), dsEdit);
  table.SetTranValue(u"%s Dateien");
  EXPECT_EQ(PostError(),
            "EFormatSpecifierError: Argument types for index 0 do not match. (d <> s)");
  table.SetFormatErrorNote(u"Row Unit_SFiles");
  EXPECT_EQ(PostError(),
            "EFormatSpecifierError: Argument types for index 0 do not match. (d <> s)\r\n\r\n\r\n"
            "Row Unit_SFiles");
  table.SetTranValue(u"%d Dateien");
  table.Post();
  EXPECT_EQ(StringOf(16), u"%d Dateien");

  table.SetSkipFormatCheck(true);
  Edit(u"Unit_SFiles", u"Dateien");
  EXPECT_EQ(StringOf(16), u"Dateien");
}

TEST_F(TransTable, CanonicalizeKeepsTheFirstReferenceAndTheCursor) {
  LoadModule();
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.CanonicalizeFormats();
  EXPECT_EQ(table.TranID(), u"Unit_SOpen");
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(StringOf(16), u"%d files");
  table.Edit();
  table.SetTranValue(u"%0:D Dateien");
  table.Post();
  table.CanonicalizeFormats();
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.TranValue(), u"%d Dateien");
  EXPECT_EQ(table.RefValue(), u"%0:d files");
  // Form texts are not formats.
  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  EXPECT_EQ(table.RefValue(), u"");
}

TEST_F(TransTable, FindTranIDIgnoresLetterCase) {
  LoadModule();
  EXPECT_TRUE(table.FindTranID(u"unit_sopen"));
  EXPECT_EQ(table.TranID(), u"Unit_SOpen");
  EXPECT_TRUE(table.FindTranID(u"FORM1.LABEL1.CAPTION"));
  EXPECT_EQ(table.TranID(), u"Form1.Label1.Caption");
  EXPECT_FALSE(table.FindTranID(u"Unit_SMissing"));
  EXPECT_EQ(table.TranID(), u"Form1.Label1.Caption");
}

// The order a rebuild uses: plain ordinal order of the upper-case ids, where "_" comes
// after the letters; searches in any letter case still find every row, also after an
// edit has put a row out of that order.
TEST_F(TransTable, InOrdinalOrderEveryRowIsFoundInAnyLetterCase) {
  TTransTableContents module = Module();
  module.ResourceStringMap += u"18=UnitA\r\n";
  table.SetOrdinalOrder(true);
  table.Load(std::move(module), u"module.ENU", false);
  EXPECT_EQ(table.Sort(), "");
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"Form1.Button1.Hint", u"Form1.Label1.Caption",
                                                u"UnitA", u"Unit_SFiles", u"Unit_SOpen"}));
  for (const std::u16string& id : Ids()) {
    table.First();
    EXPECT_TRUE(table.FindTranID(WideLowerCase(id))) << WideToAnsi(id);
    EXPECT_EQ(table.TranID(), id);
  }
  EXPECT_FALSE(table.FindTranID(u"Unit_SMissing"));

  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.Edit();
  table.SetTranID(u"AAA");
  table.Post();
  table.First();
  EXPECT_TRUE(table.FindTranID(u"aaa"));
  EXPECT_EQ(table.TranValue(), u"Open");
  EXPECT_TRUE(table.FindTranID(u"unita"));
  EXPECT_FALSE(table.FindTranID(u"Unit_SOpen"));
}

// Two tables in ordinal order pair their rows by id, also where the source lacks rows
// and spells ids in another letter case.
TEST_F(TransTable, CopyTranslationsPairsRowsInOrdinalOrder) {
  table.SetOrdinalOrder(true);
  LoadModule();
  TTransTableContents old = Module(u"UNIT_SOPEN=TRUE\r\nForm1.Label1.Caption=TRUE\r\n");
  old.ResourceStringMap = u"17=UNIT_SOPEN\r\n";  // no Unit_SFiles
  TKivTransTable source;
  source.SetOrdinalOrder(true);
  source.Load(std::move(old), u"old.DEU", false);
  for (auto [id, text] :
       {std::pair{u"Unit_SOpen", u"Offen"}, {u"Form1.Label1.Caption", u"Hallo"}}) {
    ASSERT_TRUE(source.FindTranID(id));
    source.Edit();
    source.SetTranValue(text);
    source.Post();
  }

  table.CopyTranslations(source, true);
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(table.TranValue(), u"Offen");
  EXPECT_TRUE(table.Translated());
  EXPECT_EQ(StringOf(17), u"Offen");
  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  EXPECT_EQ(table.TranValue(), u"Hallo");
  EXPECT_EQ(table.PDfmProp()->Value, "'Hallo'");
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_FALSE(table.Translated());
  EXPECT_EQ(StringOf(16), u"%0:d files");
}

// A rebuild reads the old module's translations without a table: every row must pair
// and carry over as from a table of the same module, repeated ids and letter case
// included, and through the cursor where a handler watches the posts.
TEST_F(TransTable, TranslationsReadWithoutATableCarryOverAsFromATable) {
  auto old = [] {
    TTransTableContents c;
    c.Forms.push_back(std::make_unique<TDfmForm>());
    std::string form = Crlf(kForm);
    form.replace(form.find("'Hello'"), 7, "'Hallo'");
    form.replace(form.find("'Press'"), 7, "'Dr'#252'cken'");
    c.Forms.back()->Parse(form, &c.Properties);
    // A repeated id in two letter cases, an id in another letter case, a format in
    // another spelling, a string that lost its argument.
    c.ResourceStringMap =
        u"16=Unit_SFiles\r\n17=UNIT_SFILES\r\n18=UNIT_SOPEN\r\n19=Unit_SCount\r\n"
        u"20=Unit_SGone\r\n";
    c.StringTables.push_back(Block(2, {{16, u"Dateien"},
                                       {17, u"zweite"},
                                       {18, u"Offen"},
                                       {19, u"%0:d St\u00fcck"},
                                       {20, u"Anzahl"}}));
    c.Flags =
        u"Unit_SFiles=TRUE\r\nUNIT_SFILES=false\r\nUnit_SOpen=TRUE\r\n"
        u"Unit_SCount=TRUE\r\nUnit_SGone=TRUE\r\nForm1.Label1.Caption=TRUE\r\n";
    c.Comments = u"Unit_SFiles=plural\r\nUnit_SOpen=verb\r\nForm1.Button1.Hint=untranslated\r\n";
    return c;
  };
  auto fresh = [this] {
    TTransTableContents c = Module(u"", u"Unit_SOpen=own\r\n");
    c.ResourceStringMap =
        u"16=Unit_SFiles\r\n17=Unit_SFiles\r\n18=Unit_SOpen\r\n"
        u"19=Unit_SCount\r\n20=Unit_SGone\r\n";
    c.StringTables.front() = Block(
        2, {{16, u"files"}, {17, u"second"}, {18, u"Open"}, {19, u"%d items"}, {20, u"%d gone"}});
    return c;
  };
  auto rows = [](TKivTransTable& t) {
    std::vector<std::u16string> out;
    for (t.First(); !t.Eof(); t.Next()) {
      out.push_back(t.TranID() + u"|" + t.TranValue() + u"|" + t.Comment() + u"|" +
                    (t.Translated() ? u"T" : u"F"));
    }
    for (const auto& block : t.StringTables()) {
      for (int i = 0; i < block->Count(); ++i) out.push_back(block->Get(i));
    }
    for (const TDfmProperty* property : t.Properties()) {
      out.push_back(AnsiToWide(property->Path + "=" + property->Value));
    }
    return out;
  };
  for (bool watched : {false, true}) {
    SCOPED_TRACE(watched ? "a table with a post handler" : "a table without handlers");
    TKivTransTable source, fromTable, fromTranslations;
    int posts = 0;
    for (TKivTransTable* t : {&source, &fromTable, &fromTranslations}) {
      t->SetOrdinalOrder(true);
      if (watched && t != &source) t->AfterPost = [&](TDataSet&) { ++posts; };
    }
    source.Load(old(), u"old.DEU", false);
    fromTable.Load(fresh(), u"a.DEU", false);
    fromTranslations.Load(fresh(), u"b.DEU", false);
    fromTable.CopyTranslations(source, true);
    const int postsFromTable = posts;
    fromTranslations.CopyTranslations(TTransTableTranslations(old()), true);
    EXPECT_EQ(rows(fromTranslations), rows(fromTable));
    EXPECT_EQ(posts, 2 * postsFromTable);
    EXPECT_EQ(fromTranslations.TableModified(), fromTable.TableModified());
    // The case carries something over, or the comparison would prove nothing.
    ASSERT_TRUE(fromTable.FindTranID(u"Form1.Label1.Caption"));
    EXPECT_EQ(fromTable.TranValue(), u"Hallo");
    ASSERT_TRUE(fromTable.FindTranID(u"Unit_SOpen"));
    EXPECT_EQ(fromTable.TranValue(), u"Offen");
    ASSERT_TRUE(fromTable.FindTranID(u"Unit_SCount"));
    EXPECT_EQ(fromTable.TranValue(), u"%d St\u00fcck");
  }
}

TEST_F(TransTable, RowsCanBeAddedOnlyByLoading) {
  LoadModule();
  int rows = table.RecordCount();
  for (auto add : {&TDataSet::Append, &TDataSet::Insert}) {
    try {
      (table.*add)();
      FAIL();
    } catch (const EKivInternalError& e) {
      EXPECT_EQ(e.Message(), "Records can not be added to this table.");
    }
    EXPECT_EQ(table.State(), dsBrowse);
  }
  EXPECT_EQ(table.RecordCount(), rows);
}

TEST_F(TransTable, AccessorsRefuseTheOtherKindOfRow) {
  auto message = [](auto&& call) -> std::string {
    try {
      call();
    } catch (const EKivInternalError& e) {
      return e.Message();
    }
    return "no error";
  };
  LoadModule();
  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  EXPECT_EQ(message([&] { table.StringTableID(); }),
            "Can not get StringTableID if not a string resource.");
  EXPECT_EQ(message([&] { table.SetStringTableID(1); }),
            "Can not set StringTableID if not a string resource.");
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(message([&] { table.PDfmProp(); }), "Can not get PDfmProp for a string resource.");
  EXPECT_EQ(message([&] { table.SetPDfmProp(nullptr); }),
            "Can not set PDfmProp for a string resource.");

  TKivTransTable empty;
  empty.Open();
  EXPECT_EQ(message([&] { empty.PDfmProp(); }), "Can not get PDfmProp for an undefined type.");
  EXPECT_EQ(message([&] { empty.SetPDfmProp(nullptr); }),
            "Can not set PDfmProp for an undefined type.");
}

TEST_F(TransTable, CopyTranslationsTakesTranslatedRowsOnly) {
  LoadModule();
  TKivTransTable source;
  TTransTableContents old =
      Module(u"Unit_SFiles=TRUE\r\nForm1.Label1.Caption=TRUE\r\nUnit_SOpen=TRUE\r\n",
             u"Unit_SFiles=plural\r\nForm1.Button1.Hint=untranslated\r\nUnit_SOpen=theirs\r\n");
  // The old module names a string this one lacks, and its own spelling of a format.
  old.ResourceStringMap += u"18=Unit_SGone\r\n";
  source.Load(std::move(old), u"old.DEU", false);
  ASSERT_TRUE(source.FindTranID(u"Unit_SFiles"));
  source.Edit();
  source.SetTranValue(u"%0:d Dateien");
  source.Post();
  ASSERT_TRUE(source.FindTranID(u"Form1.Label1.Caption"));
  source.Edit();
  source.SetTranValue(u"Hallo");
  source.Post();

  table.First();
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.Edit();
  table.SetComment(u"own");
  table.Post();
  table.CopyTranslations(source, true);

  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.TranValue(), u"%d Dateien");
  EXPECT_EQ(table.Comment(), u"plural");
  EXPECT_TRUE(table.Translated());
  EXPECT_EQ(StringOf(16), u"%d Dateien");
  ASSERT_TRUE(table.FindTranID(u"Form1.Label1.Caption"));
  EXPECT_EQ(table.TranValue(), u"Hallo");
  EXPECT_TRUE(table.Translated());
  // Untranslated in the source: neither text nor comment come over.
  ASSERT_TRUE(table.FindTranID(u"Form1.Button1.Hint"));
  EXPECT_EQ(table.TranValue(), u"Press");
  EXPECT_EQ(table.Comment(), u"");
  EXPECT_FALSE(table.Translated());
  // A comment of its own stays.
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(table.TranValue(), u"Open");
  EXPECT_EQ(table.Comment(), u"own");
  EXPECT_TRUE(table.Translated());
  EXPECT_FALSE(table.FindTranID(u"Unit_SGone"));
}

// A string whose arguments changed: its old translation, formatted with the new
// arguments, would fail.
TEST_F(TransTable, ATranslationThatNoLongerTakesTheArgumentsStaysBehind) {
  LoadModule();  // Unit_SFiles: "%0:d files"
  TKivTransTable source;
  source.Load(Module(u"Unit_SFiles=TRUE\r\nUnit_SOpen=TRUE\r\n", u"Unit_SFiles=old\r\n"),
              u"old.DEU", false);
  ASSERT_TRUE(source.FindTranID(u"Unit_SFiles"));
  source.Edit();
  source.SetTranValue(u"%s Dateien");
  source.Post();
  ASSERT_TRUE(source.FindTranID(u"Unit_SOpen"));
  source.Edit();
  source.SetTranValue(u"100% offen");  // no format: the program does not format "Open"
  source.Post();
  table.CopyTranslations(source, true);
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.TranValue(), u"%0:d files");
  EXPECT_FALSE(table.Translated());
  EXPECT_EQ(table.Comment(), u"");
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(table.TranValue(), u"100% offen");
  EXPECT_TRUE(table.Translated());
}

// The copy writes rows behind the cursor: the row it stands on shows the copy without
// a move, and a table with a post handler still has every copied row posted.
TEST_F(TransTable, CopiedTranslationsReachTheCurrentRowAndPostHandlers) {
  LoadModule();
  TKivTransTable source;
  source.Load(Module(u"Unit_SOpen=TRUE\r\nUnit_SFiles=TRUE\r\n"), u"old.DEU", false);
  for (auto [id, text] : {std::pair{u"Unit_SOpen", u"Offen"}, {u"Unit_SFiles", u"%d Dateien"}}) {
    ASSERT_TRUE(source.FindTranID(id));
    source.Edit();
    source.SetTranValue(text);
    source.Post();
  }
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.CopyTranslations(source, true);
  EXPECT_EQ(table.TranID(), u"Unit_SOpen");
  EXPECT_EQ(table.TranValue(), u"Offen");
  EXPECT_TRUE(table.Translated());
  EXPECT_TRUE(table.TableModified());

  TKivTransTable watched;
  watched.Load(Module(), u"new.DEU", false);
  std::vector<std::u16string> posted;
  watched.AfterPost = [&](TDataSet&) { posted.push_back(watched.TranID()); };
  watched.CopyTranslations(source, true);
  std::sort(posted.begin(), posted.end());
  EXPECT_EQ(posted, (std::vector<std::u16string>{u"Unit_SFiles", u"Unit_SOpen"}));
}

TEST_F(TransTable, CopyLeavesTranslatedRowsAloneAndMarksOnlyWhenAsked) {
  LoadModule(u"Unit_SFiles=TRUE\r\n");
  TKivTransTable source;
  source.Load(Module(u"Unit_SOpen=TRUE\r\nUnit_SFiles=TRUE\r\n"), u"old.DEU", false);
  ASSERT_TRUE(source.FindTranID(u"Unit_SOpen"));
  source.Edit();
  source.SetTranValue(u"Öffnen");
  source.Post();
  ASSERT_TRUE(source.FindTranID(u"Unit_SFiles"));
  source.Edit();
  source.SetTranValue(u"%d Dateien");
  source.Post();
  table.CopyTranslations(source, false);
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  EXPECT_EQ(table.TranValue(), u"Öffnen");
  EXPECT_FALSE(table.Translated());
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  EXPECT_EQ(table.TranValue(), u"%0:d files");
}

TEST_F(TransTable, AReadOnlyTableCannotBeTranslatedOrSaved) {
  table.Load(Module(), u"C:\\App\\App.exe", true);
  EXPECT_TRUE(table.ReadOnly());
  ASSERT_TRUE(table.FindTranID(u"Unit_SOpen"));
  table.Edit();
  EXPECT_THROW(table.SetTranValue(u"x"), EDatabaseError);
  table.Cancel();
  try {
    table.Save(false, [](auto&, auto&, auto&) { FAIL(); });
    FAIL();
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(),
              "You can not save changes directly to the application exe (C:\\App\\App.exe).");
  }
  // Reloading a module makes it editable again.
  LoadModule();
  EXPECT_FALSE(table.ReadOnly());
  Edit(u"Unit_SOpen", u"Öffnen");
}

TEST_F(TransTable, BatchModeNestsAndRestoresCursorAndFilter) {
  LoadModule();
  ASSERT_TRUE(table.FindTranID(u"Unit_SFiles"));
  table.SetOnFilterRecord(
      [this](TDataSet&, bool& accept) { accept = table.TranID() != u"Unit_SOpen"; });
  table.SetFiltered(true);
  EXPECT_EQ(table.RecordCount(), 3);
  table.BeginBatch();
  table.BeginBatch();
  EXPECT_FALSE(table.Filtered());
  EXPECT_EQ(table.RecordCount(), 4);
  EXPECT_TRUE(table.ControlsDisabled());
  table.Last();
  table.EndBatch();
  EXPECT_EQ(table.BatchDepth(), 1);
  EXPECT_FALSE(table.Filtered());
  table.EndBatch();
  EXPECT_TRUE(table.Filtered());
  EXPECT_FALSE(table.ControlsDisabled());
  EXPECT_EQ(table.TranID(), u"Unit_SFiles");
}

TEST_F(TransTable, ReloadingReplacesRowsAndModuleData) {
  LoadModule();
  Edit(u"Unit_SOpen", u"Öffnen");
  TTransTableContents c;
  c.ResourceStringMap = u"1=Unit_SOnly\r\n";
  c.StringTables.push_back(Block(1, {{1, u"Only"}}));
  table.Load(std::move(c), u"other.DEU", false);
  EXPECT_EQ(Ids(), std::vector<std::u16string>{u"Unit_SOnly"});
  EXPECT_TRUE(table.Forms().empty());
  EXPECT_FALSE(table.TableModified());
}

}  // namespace
