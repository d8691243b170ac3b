#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include "KivLX/KivLXUtils.h"
#endif
#include "KivTrx/KivTrxPoFile.h"
#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

// Failures show the entries' texts.
void PrintTo(const TKivPoEntry& e, std::ostream* os) {
  *os << ::testing::PrintToString(WideToUtf8(e.Context)) << " "
      << ::testing::PrintToString(WideToUtf8(e.Original)) << " -> "
      << ::testing::PrintToString(WideToUtf8(e.Translation))
      << (e.Translated ? "" : " (not translated)") << " // "
      << ::testing::PrintToString(WideToUtf8(e.Comment));
}

namespace {

TKivPoEntry Entry(std::u16string context, std::u16string original, std::u16string translation,
                  bool translated, std::u16string comment = u"", bool formatString = false) {
  TKivPoEntry e;
  e.Context = std::move(context);
  e.Original = std::move(original);
  e.Translation = std::move(translation);
  e.Translated = translated;
  e.Comment = std::move(comment);
  e.FormatString = formatString;
  return e;
}

std::string ErrorOf(std::string_view po) {
  try {
    ReadPoCatalog(po);
  } catch (const EKivGeneralError& e) {
    return e.Message();
  }
  return "(no error)";
}

std::vector<TKivPoEntry> TrickyEntries() {
  std::u16string longText;
  for (int i = 0; i < 30; ++i) longText += u"word" + std::u16string(1, u'a' + i % 26) + u' ';
  std::u16string noSpaces(200, u'x');
  return {
      Entry(u"Form1.Label1.Caption", u"&File", u"&Datei", true),
      Entry(u"Form1.Empty.Caption", u"", u"", false),
      Entry(u"", u"", u"", false),
      Entry(u"SEmptyOnPurpose", u"Note", u"", true),
      Entry(u"SFuzzy", u"Open", u"Öffnen", false, u"checked by\nnobody yet"),
      Entry(u"SQuotes", u"Say \"hi\" \\ bye\\", u"\"\\\"", true),
      Entry(u"SControls", u"tab\there\r\nline\nend\n",
            u"\a\b\f\v\x01"
            u"7\x7F\x1F",
            true),
      Entry(u"SNul", std::u16string(u"a\0b", 3), u"\n", true),
      Entry(u"SNonAscii", u"Größe ÄÖÜ € 日本語", u"Μέγεθος", true),
      Entry(u"SSurrogates", u"\U0001F600 and \U00010348", u"\U0001F600", true),
      Entry(u"SLong", longText, longText + u"\n" + noSpaces + u"\n\n", true),
      Entry(u"Form1.Memo1.Lines", u"x", u"y", true,
            u"\nfirst line blank\r\n  indented\n#not a flag\n~ tilde\n, comma\n\n"),
      Entry(u"Form1.Label1.Caption", u"&File", u"&Fichier", false),  // a duplicate id
      Entry(u"ctx with \"quote\"\nand line", u"#~ msgid \"x\"", u"msgstr \"y\"", true),
      Entry(u"SFormat", u"%0:s has %d", u"%1:d hat %0:s", true, u"", true),
      Entry(u"SFormatFuzzy", u"%s", u"%s?", false, u"", true),
  };
}

TEST(PoFile, EveryEntryReadsBackAsWritten) {
  std::vector<TKivPoEntry> entries = TrickyEntries();
  TKivPoHeader header{u"Plinth2000 \"1.0\" äöü", u"de", u"2024-02-29 23:59+0000"};
  std::string po = WritePoCatalog(entries, header);

  TKivPoHeader readHeader{u"old", u"old", u"old"};
  EXPECT_EQ(ReadPoCatalog(po, &readHeader), entries);
  EXPECT_EQ(readHeader, header);

  // Each entry alone, so that a fault in one cannot be hidden by its neighbours.
  for (const TKivPoEntry& e : entries) {
    EXPECT_EQ(ReadPoCatalog(WritePoCatalog({e}, {})), std::vector<TKivPoEntry>{e})
        << WideToUtf8(e.Context);
  }
}

TEST(PoFile, WrittenCatalogHasGettextsLayout) {
  std::string po =
      WritePoCatalog({Entry(u"Form1.Caption", u"Open", u"Öffnen", false, u"line one\nline two"),
                      Entry(u"SText", u"a\nb", u"", false), Entry(u"SKept", u"x", u"", true),
                      Entry(u"SFiles", u"%d files", u"%d Datei", false, u"", true)},
                     {u"Plinth2000 1.0", u"", u"2024-01-02 03:04+0000"});
  EXPECT_EQ(po,
            "msgid \"\"\n"
            "msgstr \"\"\n"
            "\"Project-Id-Version: Plinth2000 1.0\\n\"\n"
            "\"PO-Revision-Date: 2024-01-02 03:04+0000\\n\"\n"
            "\"Last-Translator: \\n\"\n"
            "\"Language-Team: \\n\"\n"
            "\"MIME-Version: 1.0\\n\"\n"
            "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
            "\"Content-Transfer-Encoding: 8bit\\n\"\n"
            "\n"
            "# line one\n"
            "# line two\n"
            "#, fuzzy\n"
            "msgctxt \"Form1.Caption\"\n"
            "msgid \"Open\"\n"
            "msgstr \"Öffnen\"\n"
            "\n"
            "msgctxt \"SText\"\n"
            "msgid \"\"\n"
            "\"a\\n\"\n"
            "\"b\"\n"
            "msgstr \"\"\n"
            "\n"
            "#, translated-empty\n"
            "msgctxt \"SKept\"\n"
            "msgid \"x\"\n"
            "msgstr \"\"\n"
            "\n"
            "#, fuzzy, object-pascal-format\n"
            "msgctxt \"SFiles\"\n"
            "msgid \"%d files\"\n"
            "msgstr \"%d Datei\"\n");
}

TEST(PoFile, LongTextsWrapAtSpacesWithinTheLineWidth) {
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"Wörter ";
  std::string po = WritePoCatalog({Entry(u"S", text, u"", false)}, {});
  std::istringstream lines(po);
  std::string line;
  int continuationLines = 0;
  while (std::getline(lines, line)) {
    EXPECT_LE(Utf8ToWide(line).size(), 79u) << line;
    if (line.starts_with("\"W")) ++continuationLines;
  }
  EXPECT_GE(continuationLines, 3);
  EXPECT_NE(po.find("msgid \"\"\n\"Wörter"), std::string::npos);
  EXPECT_EQ(ReadPoCatalog(po).at(0).Original, text);
}

// A catalog the way the gettext tools write it, with the kinds of lines they write.
constexpr std::string_view kGettextCatalog = R"(# German translation of the installer.
# Copyright (C) 2001 Jörg Example
#
#, fuzzy
msgid ""
msgstr ""
"Project-Id-Version: Plinth2000 2.1\n"
"Report-Msgid-Bugs-To: \n"
"PO-Revision-Date: 2001-05-04 12:00+0200\n"
"Language: de\n"
"MIME-Version: 1.0\n"
"Content-Type: text/plain; charset=utf-8\n"
"Content-Transfer-Encoding: 8bit\n"

#. TRANSLATORS: the main window's title
#: Main.dfm:12 Main.dfm:40
# Keep it short.
msgctxt "TMainForm.Caption"
msgid "Installer"
msgstr "Installationsprogramm"

#, c-format, fuzzy
#| msgid "Copying %s..."
msgctxt "SCopying"
msgid ""
"Copying %s to the target folder; this can take a while on slow disks, so "
"please wait.\n"
"Do not switch the computer off."
msgstr ""
"Kopiere %s in den Zielordner.\n"
"Bitte warten."

msgctxt "SEscapes"
msgid "tab\tquote\" octal\101\60 hex\x42\x7e question\?"
msgstr "\303\244\xc3\xb6"

msgid "No context"
msgstr ""

# A comment of an obsolete entry
#~ msgctxt "SOld"
#~ msgid "Old text"
#~ msgstr "Alter Text"

#, c-format
msgctxt "SLast"
msgid "Last" " one"
msgstr "Letzte"   "r"
#~ msgid "Another old one"
#~ msgstr ""
)";

TEST(PoFile, ReadsACatalogInTheStyleOfGettext) {
  TKivPoHeader header;
  std::vector<TKivPoEntry> entries = ReadPoCatalog(kGettextCatalog, &header);
  EXPECT_EQ(header, (TKivPoHeader{u"Plinth2000 2.1", u"de", u"2001-05-04 12:00+0200"}));
  std::vector<TKivPoEntry> expected = {
      Entry(u"TMainForm.Caption", u"Installer", u"Installationsprogramm", true, u"Keep it short."),
      Entry(u"SCopying",
            u"Copying %s to the target folder; this can take a while on slow disks, so please "
            u"wait.\nDo not switch the computer off.",
            u"Kopiere %s in den Zielordner.\nBitte warten.", false),
      Entry(u"SEscapes", u"tab\tquote\" octalA0 hexB~ question?", u"äö", true),
      Entry(u"", u"No context", u"", false),
      Entry(u"SLast", u"Last one", u"Letzter", true),
  };
  EXPECT_EQ(entries, expected);
}

TEST(PoFile, ReadsCrLfLinesAndAByteOrderMark) {
  std::string po = "\xEF\xBB\xBF";
  for (char c : std::string_view(kGettextCatalog)) {
    if (c == '\n') po += '\r';
    po += c;
  }
  EXPECT_EQ(ReadPoCatalog(po), ReadPoCatalog(kGettextCatalog));
  EXPECT_EQ(ReadPoCatalog(po).at(0).Comment, u"Keep it short.");
}

TEST(PoFile, EmptyAndHeaderOnlyCatalogsHaveNoEntries) {
  EXPECT_TRUE(ReadPoCatalog("").empty());
  EXPECT_TRUE(ReadPoCatalog("\n\n# only a comment\n").empty());
  TKivPoHeader header{u"stale", u"stale", u"stale"};
  EXPECT_TRUE(ReadPoCatalog(WritePoCatalog({}, {u"P", u"fr", u""}), &header).empty());
  EXPECT_EQ(header, (TKivPoHeader{u"P", u"fr", u""}));
  EXPECT_TRUE(ReadPoCatalog("", &header).empty());
  EXPECT_EQ(header, TKivPoHeader{});
}

TEST(PoFile, HeaderWithoutCharsetIsTakenAsUtf8) {
  auto entries = ReadPoCatalog(
      "msgid \"\"\nmsgstr \"Project-Id-Version: X\\n\"\n\n"
      "msgctxt \"A\"\nmsgid \"ä\"\nmsgstr \"\"\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Original, u"ä");
}

TEST(PoFile, OtherCharsetsAreRefused) {
  EXPECT_EQ(ErrorOf("# Jörg\nmsgid \"\"\nmsgstr \"\"\n"
                    "\"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\n"
                    "msgctxt \"A\"\nmsgid \"\xE4\"\nmsgstr \"\"\n"),
            "PO file line 3: the catalog's charset is \"ISO-8859-1\"; only UTF-8 catalogs are "
            "accepted.");
  EXPECT_EQ(ErrorOf("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=CHARSET\\n\"\n"),
            "PO file line 2: the catalog's charset is \"CHARSET\"; only UTF-8 catalogs are "
            "accepted.");
}

TEST(PoFile, PluralFormsAreRefused) {
  const std::string expected =
      ": plural forms (msgid_plural, msgstr[n]) are not supported: a translation table has "
      "none.";
  EXPECT_EQ(ErrorOf("msgctxt \"A\"\nmsgid \"file\"\nmsgid_plural \"files\"\n"
                    "msgstr[0] \"Datei\"\nmsgstr[1] \"Dateien\"\n"),
            "PO file line 3" + expected);
  EXPECT_EQ(ErrorOf("msgid \"file\"\nmsgstr[0] \"Datei\"\n"), "PO file line 2" + expected);
}

TEST(PoFile, MalformedInputNamesItsLine) {
  struct {
    std::string_view po;
    std::string_view error;
  } cases[] = {
      {"msgctxt \"A\"\nmsgid\nmsgstr \"\"\n", "PO file line 2: string expected after msgid."},
      {"msgctxt\n", "PO file line 1: string expected after msgctxt."},
      {"msgid \"a\"\nmsgstr x\n", "PO file line 2: string expected after msgstr."},
      {"msgid \"a\"\nmsgstr \"b\" x\n", "PO file line 2: unexpected text after the string: \"x\"."},
      {"msgid \"a\nmsgstr \"\"\n", "PO file line 1: string not closed."},
      {"msgid \"a\\\"\nmsgstr \"\"\n", "PO file line 1: string not closed."},
      {"msgid \"a\\", "PO file line 1: string not closed."},
      {"msgid \"\\q\"\n", "PO file line 1: unknown escape sequence \\q."},
      {"msgid \"\\x\"\n", "PO file line 1: hexadecimal digits expected after \\x."},
      {"msgid \"\\x100\"\n", "PO file line 1: escape sequence beyond a byte's range."},
      {"msgid \"\\777\"\n", "PO file line 1: escape sequence beyond a byte's range."},
      {"\n\nmsgctxt \"A\"\nmsgtxt \"B\"\n", "PO file line 4: unknown keyword \"msgtxt\"."},
      {"msgctxt \"A\"\n\"more\"\nmsgctxt \"B\"\n", "PO file line 3: msgid expected after msgctxt."},
      {"msgctxt \"A\"\n# comment\nmsgid \"a\"\n", "PO file line 2: msgid expected after msgctxt."},
      {"msgctxt \"A\"\nmsgstr \"a\"\n", "PO file line 2: msgid expected after msgctxt."},
      {"msgid \"a\"\nmsgid \"b\"\n", "PO file line 2: msgstr expected after msgid."},
      {"msgid \"a\"\n#, fuzzy\nmsgstr \"\"\n", "PO file line 2: msgstr expected after msgid."},
      {"msgid \"a\"\n#~ msgid \"b\"\n", "PO file line 2: msgstr expected after msgid."},
      {"msgstr \"a\"\n", "PO file line 1: msgstr without a msgid before it."},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgstr \"c\"\n",
       "PO file line 3: msgstr without a msgid before it."},
      {"\"floating\"\n", "PO file line 1: string without a keyword before it."},
      {"msgid \"a\"\nmsgstr \"\"\n# c\n\"late\"\n",
       "PO file line 4: string without a keyword before it."},
      {"# c\nmsgctxt \"A\"\n", "PO file line 2: the file ends before the msgid of this msgctxt."},
      {"msgctxt \"A\"\nmsgid \"a\"\n\n",
       "PO file line 2: the file ends before the msgstr of "
       "this msgid."},
      {"msgctxt \"A\"\nmsgid \"\"\n\"\xC3\"\nmsgstr \"\"\n",
       "PO file line 2: the text of msgid is not UTF-8."},
      {"msgctxt \"A\"\nmsgid \"\\355\\240\\200\"\nmsgstr \"\"\n",
       "PO file line 2: the text of msgid is not UTF-8."},
      {"msgctxt \"A\"\nmsgid \"a\"\nmsgstr \"\\300\\201\"\n",
       "PO file line 3: the text of msgstr is not UTF-8."},
      {"# fine\n# J\xF6rg\nmsgctxt \"A\"\nmsgid \"a\"\nmsgstr \"\"\n",
       "PO file line 2: the text of a comment is not UTF-8."},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.po), c.error) << c.po;
}

TEST(PoFile, TextsPoCannotCarryAreRefusedOnWriting) {
  auto errorOfWriting = [](const TKivPoEntry& e, const TKivPoHeader& h) -> std::string {
    try {
      WritePoCatalog({e}, h);
    } catch (const EKivGeneralError& ex) {
      return ex.Message();
    }
    return "(no error)";
  };
  EXPECT_EQ(errorOfWriting(Entry(u"SLone", u"a\xD800", u"", false), {}),
            "PO entry \"SLone\": a text holds an unpaired surrogate (U+D800), which a PO file can "
            "not carry.");
  EXPECT_EQ(errorOfWriting(Entry(u"S", u"", u"", false, u"\xDC00\xD83D"), {}),
            "PO entry \"S\": a text holds an unpaired surrogate (U+DC00), which a PO file can "
            "not carry.");
  EXPECT_EQ(errorOfWriting(Entry(u"S", u"", u"", false), {u"two\nlines", u"", u""}),
            "A PO header value can not hold a line break: \"two\nlines\".");
}

// The gettext tools accept what is written, and what they write from it (with their own
// wrapping and escapes) reads back as the same entries.
TEST(PoFile, GettextToolsAgreeWithTheCatalog) {
  if (std::system("msgcat --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gettext tools";
  std::vector<TKivPoEntry> entries = TrickyEntries();
  // The tools end a text at a NUL, and merge entries with the same context and msgid.
  std::erase_if(entries, [](const TKivPoEntry& e) {
    return e.Original.find(u'\0') != std::u16string::npos || e.Translation == u"&Fichier";
  });
  auto dir = std::filesystem::temp_directory_path() /
             ("kivtrx-po-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "in.po", std::ios::binary) << WritePoCatalog(entries, {u"P 1", u"de", u""});
  std::string command = "msgcat --no-location -o '" + (dir / "out.po").string() + "' '" +
                        (dir / "in.po").string() + "' 2>'" + (dir / "err.txt").string() + "'";
  int status = std::system(command.c_str());
  std::ifstream out(dir / "out.po", std::ios::binary), err(dir / "err.txt");
  std::string rewritten((std::istreambuf_iterator<char>(out)), {});
  std::string errors((std::istreambuf_iterator<char>(err)), {});
  std::filesystem::remove_all(dir);
  ASSERT_EQ(status, 0) << errors;
  // The tools drop flags they do not know, so an empty translation is no longer marked.
  for (TKivPoEntry& e : entries) e.Translated = e.Translated && !e.Translation.empty();
  EXPECT_EQ(ReadPoCatalog(rewritten), entries);
}

// ---- Catalogs of translation tables ----

// A module's table: a form's caption and strings of every kind a catalog meets. The
// program's own texts are the originals; the module keeps formats canonical.
class Catalog : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    InitializeKivLXUtils();  // the screen-cursor stack of batch mode
#endif
    InitializeKivTrxDfmUtils();
    TTransTableContents c;
    c.Forms.push_back(std::make_unique<TDfmForm>());
    c.Forms.back()->Parse(
        "object Form1: TForm1\r\n  Caption = 'Hallo'\r\n"
        "  KivTranslatableProps.WideStrings = (\r\n    'Caption')\r\nend\r\n",
        &c.Properties);
    const std::vector<std::pair<std::u16string, std::u16string>> strings = {
        {u"Unit_SFiles", u"%d files"},          // untranslated, canonical spelling
        {u"Unit_SOpen", u"Öffnen"},             // translated
        {u"Unit_SDraft", u"Entwurf"},           // a draft, not marked translated
        {u"Unit_SBroken", u"%s kaputt"},        // translated, its format no longer fits
        {u"Unit_SEmpty", u""},                  // translated as empty
        {u"Unit_SLines", u"\nZwei\nZeilen\n"},  // translated
        {u"Unit_SPercent", u"100% sure"},       // untranslated, no format
        {u"unit_sopen", u"Öffnen"},             // the id once more, in other letters
        {u"Unit_SGone", u"Alt"},                // translated; the program lacks it
    };
    auto block = std::make_unique<TKivStringList>();
    for (std::size_t i = 0; i < strings.size(); ++i) {
      const int id = 16 + static_cast<int>(i);
      c.ResourceStringMap += IntToWide(id) + u"=" + strings[i].first + u"\r\n";
      block->AddObject(strings[i].second, reinterpret_cast<void*>(static_cast<std::intptr_t>(id)));
    }
    c.StringTables.push_back(std::move(block));
    c.Flags =
        u"Form1.Caption=TRUE\r\nUnit_SOpen=TRUE\r\nUnit_SBroken=TRUE\r\nUnit_SEmpty=TRUE\r\n"
        u"Unit_SLines=TRUE\r\nUnit_SGone=TRUE\r\n";
    c.Comments = u"Form1.Caption=the window's title\r\n";
    table.Load(std::move(c), u"module.DEU", false);
  }
  void TearDown() override {
    FinalizeKivTrxDfmUtils();
#ifdef _WIN32
    FinalizeKivLXUtils();
#endif
  }

  struct Row {
    std::u16string value;
    bool translated;
    std::u16string comment;
    bool operator==(const Row&) const = default;
  };
  Row RowOf(std::u16string_view id) {
    EXPECT_TRUE(table.FindTranID(id)) << WideToUtf8(id);
    return {table.TranValue(), table.Translated(), table.Comment()};
  }
  // The catalog's entry for an id, to be edited by a test.
  TKivPoEntry& EntryOf(std::vector<TKivPoEntry>& entries, std::u16string_view id) {
    for (TKivPoEntry& e : entries) {
      if (e.Context == id) return e;
    }
    ADD_FAILURE() << "no entry " << WideToUtf8(id);
    return entries.front();
  }

  const TOriginalTexts originals = {{u"Form1.Caption", u"Hello"},
                                    {u"Unit_SFiles", u"%0:d files"},
                                    {u"Unit_SOpen", u"Open"},
                                    {u"Unit_SDraft", u"Draft"},
                                    {u"Unit_SBroken", u"%d broken"},
                                    {u"Unit_SEmpty", u"%s"},
                                    {u"Unit_SLines", u"\nTwo\nlines\n"},
                                    {u"Unit_SPercent", u"100% sure"}};
  TKivTransTable table;
};

TEST_F(Catalog, OnlyATranslatorsTextIsATranslation) {
  std::vector<TKivPoEntry> expected = {
      Entry(u"Form1.Caption", u"Hello", u"Hallo", true, u"the window's title"),
      Entry(u"Unit_SBroken", u"%d broken", u"%s kaputt", false, u"", true),
      Entry(u"Unit_SDraft", u"Draft", u"Entwurf", false),
      Entry(u"Unit_SEmpty", u"%s", u"", true, u"", true),
      Entry(u"Unit_SFiles", u"%0:d files", u"", false, u"", true),
      Entry(u"Unit_SGone", u"Alt", u"Alt", true),
      Entry(u"Unit_SLines", u"\nTwo\nlines\n", u"\nZwei\nZeilen\n", true),
      Entry(u"Unit_SOpen", u"Open", u"Öffnen", true),
      Entry(u"Unit_SPercent", u"100% sure", u"", false),
  };
  std::vector<TKivPoEntry> entries = CatalogEntries(table, originals);
  // The two spellings of one id sort in either order; one of them is written.
  ASSERT_EQ(entries.size(), expected.size());
  for (TKivPoEntry& e : entries) {
    if (WideUpperCase(e.Context) == u"UNIT_SOPEN") e.Context = u"Unit_SOpen";
  }
  EXPECT_EQ(entries, expected);
}

TEST_F(Catalog, MsgfmtAcceptsTheExportWithoutAWarning) {
  if (std::system("msgfmt --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gettext tools";
  auto dir = std::filesystem::temp_directory_path() /
             ("kivtrx-msgfmt-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "de.po", std::ios::binary) << WritePoCatalog(
      CatalogEntries(table, originals), {u"Plinth2000.exe", u"de_DE", u"2024-01-02 03:04+0000"});
  std::string command = "msgfmt --check-format -c -o /dev/null '" + (dir / "de.po").string() +
                        "' 2>'" + (dir / "err.txt").string() + "'";
  int status = std::system(command.c_str());
  std::ifstream err(dir / "err.txt");
  std::string errors((std::istreambuf_iterator<char>(err)), {});
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(errors, "");
}

TEST_F(Catalog, AnExportImportedUnchangedChangesNothing) {
  const std::vector<TKivPoEntry> entries = CatalogEntries(table, originals);
  TKivPoImport result = ImportCatalogEntries(table, originals, entries);
  EXPECT_EQ(result.Changed, 0);
  EXPECT_TRUE(result.UnknownIds.empty());
  EXPECT_TRUE(result.StaleEntries.empty());
  EXPECT_FALSE(table.TableModified());
}

TEST_F(Catalog, ImportTakesEditsThroughTheTablesChecks) {
  std::vector<TKivPoEntry> entries = CatalogEntries(table, originals);
  EntryOf(entries, u"Unit_SFiles").Translation = u"%1:d Dateien";
  EntryOf(entries, u"Unit_SFiles").Translated = true;
  // Cleared by the translator: the program's text again.
  EntryOf(entries, u"Unit_SOpen").Translation = u"";
  EntryOf(entries, u"Unit_SOpen").Translated = false;
  EntryOf(entries, u"Unit_SDraft").Comment = u"first line\n  second line\n\n";
  entries.push_back(Entry(u"Unit_SUnknown", u"x", u"y", true));
  try {
    ImportCatalogEntries(table, originals, entries);
    FAIL() << "no error";
  } catch (const EFormatSpecifierError& e) {
    EXPECT_EQ(e.Message(),
              "Entry Unit_SFiles: Argument types for index 1 do not match. (none <> d)");
  }
  EXPECT_EQ(table.State(), dsBrowse);
  EXPECT_EQ(RowOf(u"Unit_SFiles"), (Row{u"%d files", false, u""}));

  EntryOf(entries, u"Unit_SFiles").Translation = u"%0:d Dateien";
  TKivPoImport result = ImportCatalogEntries(table, originals, entries);
  // The draft's comment came in before the refusal, which the module never saw.
  EXPECT_EQ(result.Changed, 2);
  EXPECT_EQ(result.UnknownIds, std::vector<std::u16string>{u"Unit_SUnknown"});
  EXPECT_EQ(RowOf(u"Unit_SFiles"), (Row{u"%0:d Dateien", true, u""}));
  EXPECT_EQ(RowOf(u"Unit_SOpen"), (Row{u"Open", false, u""}));
  EXPECT_EQ(RowOf(u"Unit_SDraft"), (Row{u"Entwurf", false, u"first line second line"}));
  EXPECT_TRUE(table.TableModified());
}

TEST_F(Catalog, EveryFormatFaultIsRefusedWithTheRowsId) {
  const std::pair<std::u16string, std::u16string> faults[] = {
      {u"Unit_SBroken", u"%s kaputt"},  // the export's own fuzzy text, now marked translated
      {u"Unit_SEmpty", u"%d"},
      {u"Unit_SFiles", u"%d %d"},
      {u"Unit_SFiles", u"%x%%"},  // fits: the control case
  };
  for (const auto& [id, translation] : faults) {
    std::vector<TKivPoEntry> entries = CatalogEntries(table, originals);
    EntryOf(entries, id).Translation = translation;
    EntryOf(entries, id).Translated = true;
    std::string error = "(accepted)";
    try {
      ImportCatalogEntries(table, originals, entries);
    } catch (const Exception& e) {
      error = e.Message();
    }
    if (translation == u"%x%%") {
      EXPECT_EQ(error, "(accepted)");
    } else {
      EXPECT_EQ(error.rfind("Entry " + WideToUtf8(id) + ": ", 0), 0u)
          << error << " for " << WideToUtf8(translation);
    }
  }
}

TEST_F(Catalog, AnEntryMadeForAnotherTextIsReportedAndSkipped) {
  std::vector<TKivPoEntry> entries = CatalogEntries(table, originals);
  TKivPoEntry& stale = EntryOf(entries, u"Form1.Caption");
  stale.Original = u"Hello, world";
  stale.Translation = u"Hallo, Welt";
  TKivPoImport result = ImportCatalogEntries(table, originals, entries);
  EXPECT_EQ(result.Changed, 0);
  ASSERT_EQ(result.StaleEntries.size(), 1u);
  EXPECT_EQ(result.StaleEntries[0].Id, u"Form1.Caption");
  EXPECT_EQ(result.StaleEntries[0].CatalogText, u"Hello, world");
  EXPECT_EQ(result.StaleEntries[0].ProgramText, u"Hello");
  EXPECT_EQ(RowOf(u"Form1.Caption"), (Row{u"Hallo", true, u"the window's title"}));
}

}  // namespace
