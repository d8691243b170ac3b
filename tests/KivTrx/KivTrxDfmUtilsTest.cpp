#include <gtest/gtest.h>

#include <filesystem>

#include "EmbeddedFiles.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "RealForms.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Tests write their forms with LF; form text has CR LF.
std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class DfmUtils : public ::testing::Test {
 protected:
  void SetUp() override { InitializeKivTrxDfmUtils(); }
  void TearDown() override { FinalizeKivTrxDfmUtils(); }

  // Loads a test form the way a resource is loaded: compiled, converted back, parsed.
  void LoadTestForm(const char* name) {
    Bytes binary = FormTextToBinary(TestForm(name).Text());
    form.LoadFromBinary(binary.data(), binary.size(), &flat);
  }

  TDfmProperty* Find(std::string_view path) {
    for (TDfmProperty* p : flat) {
      if (p->Path == path) return p;
    }
    ADD_FAILURE() << "no property " << path;
    static TDfmProperty none;
    return &none;
  }

  TDfmObject& Child(TDfmObject& parent, std::string_view name) {
    for (auto& c : parent.Children) {
      if (c->ObjectName == name) return *c;
    }
    ADD_FAILURE() << "no child " << name;
    return parent;
  }

  std::string ParseError(std::string_view text) {
    TDfmForm f;
    try {
      f.Parse(Crlf(text), &flat);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no error";
  }

  TDfmForm form;
  TDfmPropertyList flat;
};

TEST_F(DfmUtils, PathsFollowTheFormNotTheVisualNesting) {
  LoadTestForm("Translatable.dfm");
  EXPECT_EQ(form.Keyword, "inherited");
  EXPECT_EQ(form.Path, "Form1");
  EXPECT_EQ(form.PathParent, &form);

  TDfmObject& panel3 = Child(Child(Child(form, "Panel1"), "Panel2"), "Panel3");
  TDfmObject& deep = Child(panel3, "DeepLabel");
  EXPECT_EQ(deep.Path, "Form1.DeepLabel");
  EXPECT_EQ(deep.Level, 4);
  EXPECT_EQ(deep.PathParent, &form);

  TDfmObject& ok = Child(form, "OkButton");
  EXPECT_EQ(ok.ObjectClass, "TButton [1]");
  EXPECT_EQ(Find("Form1.OkButton.Hint")->Value, "'Stra'#223'e '#8364' '#39'quoted'#39");

  // Components of an inline frame are named relative to the frame.
  TDfmObject& frame = Child(form, "Frame11");
  EXPECT_EQ(frame.Keyword, "inline");
  EXPECT_EQ(Child(frame, "Label1").Path, "Form1.Frame11.Label1");
  EXPECT_EQ(Find("Form1.Frame11.Label1.Caption")->Value, "'In the frame'");

  TDfmProperty* title = Find("Form1.Grid.Columns[2].Title.Caption");
  EXPECT_EQ(title->Name, "Title.Caption");
  EXPECT_EQ(title->Owner->ObjectName, "item");
  EXPECT_EQ(title->Owner->Level, 3);
  EXPECT_EQ(title->Owner->PathParent, &Child(form, "Grid"));
  EXPECT_EQ(Find("Form1.Grid.ColumnsEmpty")->Items.has_value(), false);
  EXPECT_EQ(Find("Form1.Grid.Columns")->Items->size(), 3u);

  TDfmObject& menu = *form.Children.back();
  EXPECT_EQ(menu.ObjectName, "");
  EXPECT_EQ(menu.ObjectClass, "TMainMenu");
  EXPECT_EQ(menu.Keyword, "object");
  EXPECT_EQ(Find("Form1.SaveItem.ShortCut")->Value, "16467");
  EXPECT_EQ(Find("Form1.Panel1.Caption")->Value, "'a = b'");
}

TEST_F(DfmUtils, FormListsNameEveryTranslatablePropertyByItsFullPath) {
  LoadTestForm("Translatable.dfm");
  ASSERT_TRUE(form.TranslatableProps);
  ASSERT_TRUE(form.InlineClasses);
  EXPECT_TRUE(form.TranslatableProps->Sorted());
  EXPECT_EQ(form.TranslatableProps->Count(), 6);
  EXPECT_EQ(form.TranslatableProps->Get(0), u"Form1.DeepLabel.Caption");
  // Every listed path is a property the parse found.
  for (int i = 0; i < form.TranslatableProps->Count(); ++i) {
    std::u16string path = form.TranslatableProps->Get(i);
    bool found = false;
    for (TDfmProperty* p : flat)
      found = found || std::u16string(p->Path.begin(), p->Path.end()) == path;
    EXPECT_TRUE(found) << std::string(path.begin(), path.end());
  }
  EXPECT_EQ(form.InlineClasses->IndexOf(u"tframe1"), 0);
}

TEST_F(DfmUtils, FlatListHoldsEveryPropertyInTextOrder) {
  LoadTestForm("Translatable.dfm");
  ASSERT_EQ(flat.size(), 20u);
  EXPECT_EQ(flat.front()->Path, "Form1.Left");
  EXPECT_EQ(flat.back()->Path, "Form1.SaveItem.ShortCut");
  // A collection property comes before its items' properties.
  auto at = [&](std::string_view path) {
    return std::find_if(flat.begin(), flat.end(), [&](TDfmProperty* p) { return p->Path == path; });
  };
  EXPECT_LT(at("Form1.Grid.Columns"), at("Form1.Grid.Columns[0].Expanded"));
  EXPECT_LT(at("Form1.Grid.Columns[2].Width"), at("Form1.Grid.ColumnsEmpty"));
}

TEST_F(DfmUtils, WithoutInlineClassesAFramesComponentsBelongToTheForm) {
  std::string text(TestForm("Translatable.dfm").Text());
  std::size_t start = text.find("  KivInlineClasses");
  text.erase(start, text.find("  object Panel1") - start);
  form.Parse(text, &flat);
  EXPECT_FALSE(form.InlineClasses);
  EXPECT_EQ(Child(Child(form, "Frame11"), "Label1").Path, "Form1.Label1");
  EXPECT_EQ(form.AsText(), text);
}

TEST_F(DfmUtils, EveryTestFormRendersBackUnchanged) {
  for (std::size_t i = 0; i < kTestFormsCount; ++i) {
    SCOPED_TRACE(kTestForms[i].name);
    TDfmForm f;
    f.Parse(kTestForms[i].Text(), nullptr);
    EXPECT_EQ(f.AsText(), kTestForms[i].Text());
  }
}

TEST_F(DfmUtils, EveryRealFormParsesAndRendersUnchanged) {
  int texts = 0;
  for (const RealForm& f : RealForms()) {
    SCOPED_TRACE(f.name);
    TDfmForm parsed;
    TDfmPropertyList properties;
    if (!f.binary) {
      ++texts;
      // The model renders CR LF whatever the file used.
      std::string text = WithCrLf(f.Text());
      ASSERT_NO_THROW(parsed.Parse(text, &properties));
      EXPECT_EQ(parsed.AsText(), text);
      EXPECT_FALSE(properties.empty());
      EXPECT_EQ(parsed.Utf8, HasUtf8Bom(text));
    }
    // And as a resource is loaded: binary, converted to text, parsed, rendered, compared.
    Bytes binary = f.binary ? f.bytes : FormTextToBinary(f.Text());
    TDfmForm loaded;
    TDfmPropertyList loadedProperties;
    ASSERT_NO_THROW(loaded.LoadFromBinary(binary.data(), binary.size(), &loadedProperties));
    if (!f.binary) {
      EXPECT_EQ(loadedProperties.size(), properties.size());
    }
  }
  EXPECT_EQ(texts, 76);
}

TEST_F(DfmUtils, Utf8FormsKeepTheirMarkOutOfTheFirstLine) {
  const EmbeddedFile& utf8 = TestForm("Utf8Names.dfm");
  form.Parse(utf8.Text(), &flat);
  EXPECT_TRUE(form.Utf8);
  EXPECT_EQ(form.Keyword, "inherited");
  EXPECT_EQ(form.ObjectName, "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0");
  EXPECT_EQ(form.NameToWide(form.ObjectName), u"\u0424\u043E\u0440\u043C\u0430");
  EXPECT_EQ(form.AsText(), utf8.Text());
  // Parsing again starts afresh.
  form.Parse("object A: T\r\nend\r\n", nullptr);
  EXPECT_FALSE(form.Utf8);
  EXPECT_EQ(form.AsText(), "object A: T\r\nend\r\n");
  EXPECT_EQ(DfmStringToWide("'\xC3\xA9'#233", true), u"\u00E9\u00E9");
}

TEST_F(DfmUtils, HandWrittenShapesRenderUnchanged) {
  const char* texts[] = {
      // empty collection, unnamed object, a multi-line string, a caption holding "="
      "object F: TF\n  C = <>\n  object TTimer\n    Interval = 5\n  end\n"
      "  object L: TLabel\n    Caption = \n      'x' +\n      'y'\n    Hint = 'a=b'\n  end\nend\n",
      // a collection item holding a collection and a child object
      "object F: TF\n  C = <\n    item\n      D = <\n        item\n          A = 1\n        end>\n"
      "      object X: TY\n      end\n    end\n    item\n    end>\nend\n",
  };
  for (const char* t : texts) {
    std::string text = Crlf(t);
    TDfmForm f;
    f.Parse(text, nullptr);
    EXPECT_EQ(f.AsText(), text);
  }
}

TEST_F(DfmUtils, ParseErrors) {
  EXPECT_EQ(ParseError(""), "EKivInternalError: Dfm parse error: No more strings to find objects.");
  EXPECT_EQ(ParseError("object A: T"),
            "EKivInternalError: Dfm parse error: No more strings to find properties.");
  EXPECT_EQ(ParseError("object A: T\n  object B: T\n  end\n"),
            "EKivInternalError: Dfm parse error: No more strings to find objects.");
  // Text that ends behind a property line ends while its continuation is looked for.
  EXPECT_EQ(ParseError("object A: T\n  X = 1"), "EStringListError: List index out of bounds (2)");
  EXPECT_EQ(ParseError("object A: T\n  X = (\n    1)"),
            "EStringListError: List index out of bounds (3)");
  EXPECT_EQ(ParseError("object A: T\n  C = <\n    thing\n    end>\nend"),
            "Exception: Collection Item (C[0]) must be = 'item': thing");
  EXPECT_EQ(ParseError("object A: T\n  C = <x\nend"),
            "Exception: Collection Property must have 2 lines (<x).");
  EXPECT_EQ(ParseError("object A: T\n  C = <x\n    end>\nend"),
            "Exception: Collection must start with \"<\": '<x'");
  EXPECT_EQ(ParseError("object A: T\n  C = <\n    item\n    end\nend"),
            "Exception: Collection must end with \"end>\": 'end'");
  std::string deep;
  for (int i = 0; i < 600; ++i)
    deep += std::string(static_cast<std::size_t>(i) * 2, ' ') + "object T\n";
  EXPECT_EQ(ParseError(deep), "EKivInternalError: Dfm parse error: Objects are nested too deeply.");
}

TEST_F(DfmUtils, AFailedParseTakesItsPropertiesOutOfTheFlatList) {
  TDfmProperty earlier;
  flat.push_back(&earlier);
  EXPECT_NE(ParseError("object A: T\n  X = 1\n  object B: T\n    Y = 2\n    C = <\n"
                       "      item\n        Z = 3\n      end>\n  end\n"),
            "no error");
  EXPECT_EQ(flat, TDfmPropertyList{&earlier});
}

TEST_F(DfmUtils, ARoundTripFailureWritesBothTextsAndSaysWhere) {
  auto dir = std::filesystem::temp_directory_path() /
             ("kivtrx_dfm_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  std::u16string original = (dir / "original.txt").u16string();
  std::u16string rendered = (dir / "rendered.txt").u16string();
  const char16_t* saved[] = {DfmOriginalFileName, DfmRenderedFileName};
  DfmOriginalFileName = original.c_str();
  DfmRenderedFileName = rendered.c_str();

  TDfmProperty earlier;
  flat.push_back(&earlier);
  std::string text = Crlf("object A: T\n  X = 1  \nend\n");  // trailing blanks do not render
  try {
    form.LoadFromText(text, &flat);
    ADD_FAILURE() << "no error";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: DFM did not render correctly.  See the files: \r\n  " +
                               std::string(original.begin(), original.end()) + "\r\n  " +
                               std::string(rendered.begin(), rendered.end()));
  }
  EXPECT_EQ(flat, TDfmPropertyList{&earlier});
  auto read = [](const std::u16string& f) {
    Bytes b = ReadFileBytes(f);
    return std::string(b.begin(), b.end());
  };
  EXPECT_EQ(read(original), text);
  EXPECT_EQ(read(rendered), Crlf("object A: T\n  X = 1\nend\n"));

  // A diagnostic file that cannot be written does not hide the error.
  std::u16string unwritable = (dir / "missing" / "x.txt").u16string();
  DfmOriginalFileName = unwritable.c_str();
  EXPECT_THROW(form.LoadFromText(text, &flat), EKivInternalError);

  DfmOriginalFileName = saved[0];
  DfmRenderedFileName = saved[1];
  std::filesystem::remove_all(dir);
}

TEST_F(DfmUtils, ConvertersDecodeAndEncodeByPropertyName) {
  LoadTestForm("Translatable.dfm");
  TDfmProperty* hint = Find("Form1.OkButton.Hint");
  EXPECT_EQ(PropertyValueToWide(*hint), u"Stra\u00DFe \u20AC 'quoted'");
  EXPECT_EQ(PropertyValueToWide(*Find("Form1.DeepLabel.Caption")),
            u"A caption long enough to be cut into two pieces by the form writer");
  EXPECT_EQ(PropertyValueToWide(*Find("Form1.Grid.Columns[2].Title.Caption")), u"Third");
  TDfmProperty* shortCut = Find("Form1.SaveItem.ShortCut");
  EXPECT_EQ(PropertyValueToWide(*shortCut), u"Ctrl+S");
  WideToPropertyValue(*shortCut, u"Ctrl+Shift+F5");
  EXPECT_EQ(shortCut->Value, "24692");
  EXPECT_THROW(WideToPropertyValue(*shortCut, u"Strg+S"), EConvertError);
  EXPECT_EQ(shortCut->Value, "24692");

  TDfmProperty lower;
  lower.Name = "caption";
  lower.Value = "'x'";
  EXPECT_EQ(PropertyValueToWide(lower), u"x");
  try {
    PropertyValueToWide(*Find("Form1.Left"));
    ADD_FAILURE();
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Property can not be converted for : Left");
  }
  EXPECT_THROW(DfmShortCutToText("65536"), EConvertError);
  EXPECT_THROW(DfmShortCutToText("-1"), EConvertError);
  EXPECT_THROW(DfmShortCutToText("x"), EConvertError);
  FinalizeKivTrxDfmUtils();
  EXPECT_EQ(FindPropertyConverter("Caption"), nullptr);
  EXPECT_THROW(PropertyValueToWide(*hint), EKivInternalError);
}

TEST_F(DfmUtils, AnEditedFormRendersToTextThatCompilesAndReadsBack) {
  LoadTestForm("Translatable.dfm");
  const std::u16string longCaption = std::u16string(70, u'x') + u" = \u00E9'";
  WideToPropertyValue(*Find("Form1.Grid.Columns[2].Title.Caption"), longCaption);
  WideToPropertyValue(*Find("Form1.OkButton.Caption"), u"");

  Bytes binary = FormTextToBinary(form.AsText());
  TDfmForm again;
  TDfmPropertyList againFlat;
  again.LoadFromBinary(binary.data(), binary.size(), &againFlat);
  ASSERT_EQ(againFlat.size(), flat.size());
  for (TDfmProperty* p : againFlat) {
    if (p->Path == "Form1.Grid.Columns[2].Title.Caption") {
      EXPECT_EQ(PropertyValueToWide(*p), longCaption);
    } else if (p->Path == "Form1.OkButton.Caption") {
      EXPECT_EQ(p->Value, "''");
    }
  }
}

// A form of an older writer holds 8-bit strings of its code page, which no reader can
// know: translating some of its captions must leave the bytes of the others alone.
TEST_F(DfmUtils, TranslationKeepsTheBytesOfUntranslatedEightBitStrings) {
  const std::string ok = "\xCE\xEA";                      // "Ок" in code page 1251
  const std::string cancel = "\xCE\xF2\xEC\xE5\xED\xE0";  // "Отмена"
  Bytes binary = {'T', 'P', 'F', '0', 6, 'T', 'F', 'o', 'r', 'm', '1', 5, 'F', 'o', 'r', 'm', '1'};
  for (const std::string* caption : {&ok, &cancel}) {
    binary.insert(binary.end(), {7, 'C', 'a', 'p', 't', 'i', 'o', 'n', 0x06});
    binary.push_back(static_cast<std::uint8_t>(caption->size()));
    binary.insert(binary.end(), caption->begin(), caption->end());
    binary.insert(binary.end(), {4, 'H', 'i', 'n', 't', 0x06, 1, 'x'});
  }
  binary.insert(binary.end(), {0, 0});
  form.LoadFromBinary(binary.data(), binary.size(), &flat);
  ASSERT_EQ(flat.size(), 4u);
  // Untranslated: given their own text back, whatever code page decoded it.
  WideToPropertyValue(*flat[0], PropertyValueToWide(*flat[0]));
  WideToPropertyValue(*flat[1], PropertyValueToWide(*flat[1]));
  // Translated: to characters no code page need hold, and to ASCII.
  WideToPropertyValue(*flat[2], u"\u0412\u0456\u0434\u043C\u0456\u043D\u0430");
  WideToPropertyValue(*flat[3], u"y");

  Bytes written = FormTextToBinary(form.AsText());
  Bytes expected(binary.begin(), binary.begin() + 17);
  auto property = [&](std::string_view name, Bytes value) {
    expected.push_back(static_cast<std::uint8_t>(name.size()));
    expected.insert(expected.end(), name.begin(), name.end());
    expected.insert(expected.end(), value.begin(), value.end());
  };
  property("Caption", {0x06, 2, 0xCE, 0xEA});
  property("Hint", {0x06, 1, 'x'});
  property("Caption", {0x12, 7, 0, 0, 0, 0x12, 0x04, 0x56, 0x04, 0x34, 0x04, 0x3C, 0x04, 0x56, 0x04,
                       0x3D, 0x04, 0x30, 0x04});
  property("Hint", {0x06, 1, 'y'});
  expected.insert(expected.end(), {0, 0});
  EXPECT_EQ(written, expected);
}

TEST(DfmStrings, WideToDfmStringCutsLongTextAndEscapes) {
  const std::string a64(64, 'a');
  EXPECT_EQ(WideToDfmString(u""), "''");
  EXPECT_EQ(WideToDfmString(std::u16string(64, u'a')), "'" + a64 + "'");
  EXPECT_EQ(WideToDfmString(std::u16string(65, u'a')), "\r\n'" + a64 + "' +\r\n'a'");
  EXPECT_EQ(WideToDfmString(std::u16string(100, u'a')),
            "\r\n'" + a64 + "' +\r\n'" + std::string(36, 'a') + "'");
  EXPECT_EQ(WideToDfmString(u"don't"), "'don'#39't'");
  EXPECT_EQ(WideToDfmString(u"caf\u00E9\r\n"), "'caf'#233#13#10");
  for (std::u16string s : {std::u16string(100, u'a'), std::u16string(u"don't"),
                           std::u16string(130, u'\u00E9'), std::u16string(u"\0x", 2)}) {
    EXPECT_EQ(DfmStringToWide(WideToDfmString(s)), s);
  }
}

TEST(DfmStrings, ReadingJoinsPiecesAndNeedsAStringAfterPlus) {
  EXPECT_EQ(DfmStringToWide("'a' +\r\n  'b'#66"), u"abB");
  EXPECT_EQ(DfmStringToWide("16467"), u"16467");  // any first token gives its text
  EXPECT_EQ(DfmStringToWide(""), u"");
  try {
    DfmStringToWide("'a' +\r\n  5");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "String expected on line 2");
  }

  TKivStringList list;
  list.Add(u"stale");
  ReadDfmWideStringList("(\r\n  'one'\r\n  'tw' +\r\n  'o'\r\n  '')", list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(1), u"two");
  EXPECT_EQ(list.Get(2), u"");
  ReadDfmWideStringList("'no list'", list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(ReadDfmWideStringList("('a'", list), EParserError);
}

TEST(DfmStrings, LinesAndPaths) {
  EXPECT_EQ(IndentLevel(""), 0);
  EXPECT_EQ(IndentLevel("x"), 0);
  EXPECT_EQ(IndentLevel(" x"), 1);
  EXPECT_EQ(IndentLevel("  x"), 1);
  EXPECT_EQ(IndentLevel("   x"), 2);
  EXPECT_EQ(IndentLevel("\t\tx"), 0);
  EXPECT_EQ(JoinPath("Form1", "Button1"), "Form1.Button1");
  EXPECT_EQ(JoinPath("Form1", ""), "Form1");
  EXPECT_EQ(SplitDfmLines("a\r\nb\nc\rd\r\n"), (TDfmLines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitDfmLines("a\r\n\r\nb"), (TDfmLines{"a", "", "b"}));
}

}  // namespace
