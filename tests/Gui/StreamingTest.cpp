// Reading and writing form descriptions with the class registry and property tables,
// on components that need no window.
#include <gtest/gtest.h>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "Gui/Reader.h"
#include "Gui/Writer.h"
#include "SampleComponents.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Streaming : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSampleClasses(); }

  static void Read(TComponent& root, std::string_view text) {
    Bytes b = FormTextToBinary(text);
    ReadDescription(root, b);
  }
  static std::string Written(TComponent& root, TComponent* ancestor = nullptr) {
    return FormBinaryToText(WriteDescription(root, ancestor));
  }
  static std::string ReadError(TComponent& root, std::string_view text) {
    try {
      Read(root, text);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no error";
  }
};

const char* const kFull =
    "object Root: TSampleRoot\r\n"
    "  Count = 3\r\n"
    "  Buddy = Second\r\n"
    "  object First: TSample\r\n"
    "    Tag = 7\r\n"
    "    Count = -70000\r\n"
    "    Flag = True\r\n"
    "    Mode = smThird\r\n"
    "    Options = [soOne, soThree]\r\n"
    "    Shade = shFull\r\n"
    "    Text = 'caf'#233\r\n"
    "    Font.Name = 'Mono'\r\n"
    "    Font.Size = 11\r\n"
    "    Items = <\r\n"
    "      item\r\n"
    "        Caption = 'one'\r\n"
    "      end\r\n"
    "      item\r\n"
    "        Width = 70\r\n"
    "      end>\r\n"
    "    Lines.Strings = (\r\n"
    "      'a'\r\n"
    "      'b')\r\n"
    "    OnPing = Ping\r\n"
    "    object Second: TSample\r\n"
    "      Shade = 77\r\n"
    "      Buddy = First\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object Lone: TPlain\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(Streaming, ADescriptionBuildsComponentsOfEveryPropertyKind) {
  TSampleRoot root;
  Read(root, kFull);
  EXPECT_EQ(root.Name(), "Root");
  ASSERT_EQ(root.ComponentCount(), 3);
  ASSERT_NE(root.First, nullptr);
  ASSERT_NE(root.Second, nullptr);
  TSample& first = *root.First;
  EXPECT_EQ(first.Tag(), 7);
  EXPECT_EQ(first.Count(), -70000);
  EXPECT_TRUE(first.Flag());
  EXPECT_EQ(first.Mode(), TSampleMode::smThird);
  EXPECT_EQ(first.Options(), kOptionOne | kOptionThree);
  EXPECT_EQ(first.Shade(), 255);
  EXPECT_EQ(first.Text(), u"caf\u00e9");
  EXPECT_EQ(first.Font().Name(), u"Mono");
  EXPECT_EQ(first.Font().Size(), 11);
  ASSERT_EQ(first.Items().Count(), 2);
  EXPECT_EQ(static_cast<TSampleItem&>(first.Items().Items(0)).Caption(), u"one");
  EXPECT_EQ(static_cast<TSampleItem&>(first.Items().Items(1)).Width(), 70);
  EXPECT_EQ(first.Lines().Text(), u"a\r\nb\r\n");
  EXPECT_EQ(root.Second->Shade(), 77);
  // References are resolved once everything is read, forwards too.
  EXPECT_EQ(root.Buddy(), root.Second);
  EXPECT_EQ(root.Second->Buddy(), &first);
  // Nesting places components, ownership stays with the root.
  EXPECT_EQ(root.Second->ParentSample(), &first);
  EXPECT_EQ(root.Second->Owner(), &root);
  // Events call the root's published method.
  first.OnPing(&first);
  ASSERT_EQ(root.pinged.size(), 1u);
  EXPECT_EQ(root.pinged[0], &first);
  EXPECT_EQ(first.OnPing.MethodName(), "Ping");
}

TEST_F(Streaming, LoadedRunsOnceForEveryComponentAfterAllIsRead) {
  std::vector<std::string> order;
  TSample::loadOrder = &order;
  TSampleRoot root;
  Read(root, kFull);
  TSample::loadOrder = nullptr;
  EXPECT_EQ(order, (std::vector<std::string>{"First", "Second", "Root"}));
  EXPECT_FALSE(root.HasState(csLoading));
  EXPECT_FALSE(root.First->HasState(csLoading | csReading));
}

TEST_F(Streaming, TheWriterStoresWhatItReadAndNothingAtItsDefault) {
  TSampleRoot root;
  Read(root, kFull);
  std::string text = Written(root);
  // Float values are left out of kFull, so the text is compared as a whole.
  EXPECT_EQ(text, kFull);

  TSampleRoot again;
  Read(again, text);
  EXPECT_EQ(Written(again), text);
}

TEST_F(Streaming, ChangesShowAsTheirPropertiesOnly) {
  TSampleRoot root;
  Read(root, kFull);
  root.First->Font().SetSize(8);  // back to its default
  root.First->SetFlag(false);
  root.Second->SetMode(TSampleMode::smSecond);
  std::string text = Written(root);
  EXPECT_EQ(text.find("Font.Size"), std::string::npos);
  EXPECT_EQ(text.find("Flag"), std::string::npos);
  EXPECT_NE(text.find("      Mode = smSecond\r\n"), std::string::npos);
}

TEST_F(Streaming, FloatValuesSurviveTheRoundTrip) {
  TSampleRoot root;
  root.SetName("Root");
  root.SetRatio(0.8);
  TSampleRoot copy;
  ReadDescription(copy, WriteDescription(root));
  EXPECT_EQ(copy.Ratio(), 0.8);
}

TEST_F(Streaming, AnAncestorLimitsTheDescriptionToWhatDiffers) {
  const char* base =
      "object Root: TSampleRoot\r\n"
      "  Count = 3\r\n"
      "  object First: TSample\r\n"
      "    Text = 'base'\r\n"
      "    Lines.Strings = (\r\n"
      "      'x')\r\n"
      "  end\r\n"
      "end\r\n";
  TSampleRoot ancestor;
  Read(ancestor, base);
  TSampleRoot derived;
  Read(derived, base);
  derived.First->SetText(u"derived");
  auto* added = new TSample(&derived);
  added->SetName("Added");
  added->SetCount(5);
  EXPECT_EQ(Written(derived, &ancestor),
            "inherited Root: TSampleRoot\r\n"
            "  inherited First: TSample\r\n"
            "    Text = 'derived'\r\n"
            "  end\r\n"
            "  object Added: TSample\r\n"
            "    Count = 5\r\n"
            "  end\r\n"
            "end\r\n");
  // A list emptied against a non-empty ancestor list is written (empty).
  derived.First->Lines().Clear();
  EXPECT_NE(Written(derived, &ancestor).find("Lines.Strings"), std::string::npos);
}

TEST_F(Streaming, InheritedDescriptionsAreReadBaseFirst) {
  const char* base =
      "object Root: TSampleRoot\r\n"
      "  Count = 1\r\n"
      "  object First: TSample\r\n"
      "    Text = 'base'\r\n"
      "    Count = 2\r\n"
      "  end\r\n"
      "end\r\n";
  const char* derived =
      "inherited Root: TSampleRoot\r\n"
      "  Count = 9\r\n"
      "  inherited First: TSample\r\n"
      "    Text = 'derived'\r\n"
      "  end\r\n"
      "  object Second: TSample\r\n"
      "  end\r\n"
      "end\r\n";
  Bytes b1 = FormTextToBinary(base);
  Bytes b2 = FormTextToBinary(derived);
  std::span<const std::uint8_t> both[] = {b1, b2};
  std::vector<std::string> order;
  TSample::loadOrder = &order;
  TSampleRoot root;
  ReadDescriptions(root, both);
  TSample::loadOrder = nullptr;
  EXPECT_EQ(root.Count(), 9);
  ASSERT_NE(root.First, nullptr);
  EXPECT_EQ(root.First->Text(), u"derived");
  EXPECT_EQ(root.First->Count(), 2);
  EXPECT_NE(root.Second, nullptr);
  EXPECT_EQ(root.ComponentCount(), 2);
  // Loaded once, even for components both descriptions touch.
  EXPECT_EQ(order, (std::vector<std::string>{"First", "Second", "Root"}));
}

TEST_F(Streaming, InheritedDescriptionsAreFoundPerClassUpToTheStopClass) {
  std::vector<std::string> asked;
  Bytes some = FormTextToBinary("object Root: TSampleRoot\r\nend\r\n");
  auto found =
      InheritedDescriptions(TSampleRoot::kClassInfo, TComponent::kClassInfo, [&](const char* name) {
        asked.push_back(name);
        return std::string_view(name) == "TSample" ? std::span<const std::uint8_t>(some)
                                                   : std::span<const std::uint8_t>();
      });
  EXPECT_EQ(asked, (std::vector<std::string>{"TSampleRoot", "TSample"}));
  EXPECT_EQ(found.size(), 1u);
  try {
    InheritedDescriptions(TSampleRoot::kClassInfo, TComponent::kClassInfo,
                          [](const char*) { return std::span<const std::uint8_t>(); });
    FAIL() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TSampleRoot not found");
  }
}

// The message with the offset the binary reader names replaced by "*".
std::string OffsetHidden(std::string message) {
  const std::string at = "offset ";
  std::size_t p = message.find(at);
  if (p == std::string::npos) return message;
  std::size_t digits = p + at.size();
  std::size_t end = message.find_first_not_of("0123456789", digits);
  if (end == digits) return message;
  return message.replace(digits, end - digits, "*");
}

TEST_F(Streaming, DescriptionsThatDoNotFitAreRefusedAndLeaveNothingBehind) {
  struct Case {
    const char* body;
    const char* error;
  };
  const Case cases[] = {
      {"  object A: TNowhere\r\n  end\r\n", "EClassNotFound: Class TNowhere not found"},
      {"  object First: TSample\r\n    Nope = 1\r\n  end\r\n",
       "EReadError: Error reading Root.First.Nope: Property Nope does not exist"},
      {"  object First: TSample\r\n    Font.Nope = 1\r\n  end\r\n",
       "EReadError: Error reading Root.First.Font.Nope: Property Font.Nope does not exist"},
      {"  object First: TSample\r\n    Mode = smFourth\r\n  end\r\n",
       "EReadError: Error reading Root.First.Mode: Invalid property value smFourth"},
      {"  object First: TSample\r\n    OnPing = Missing\r\n  end\r\n",
       "EReadError: Error reading Root.First.OnPing: Method Missing not found"},
      {"  object First: TSample\r\n    OnPing = Other\r\n  end\r\n",
       "EReadError: Error reading Root.First.OnPing: Method Other does not have the parameters of "
       "OnPing"},
      {"  object First: TSample\r\n    Buddy = Nobody\r\n  end\r\n",
       "EReadError: Error reading Root.First.Buddy: Component Nobody not found"},
      {"  object First: TSample\r\n  end\r\n  object First: TSample\r\n  end\r\n",
       "EReadError: Error reading Root: A component named First already exists"},
      {"  inherited Ghost: TSample\r\n  end\r\n",
       "EReadError: Error reading Root: Ancestor for 'Ghost' not found"},
      {"  object First: TSample\r\n    Items = <\r\n      item\r\n      end\r\n      item\r\n"
       "        Width = 'wide'\r\n      end>\r\n  end\r\n",
       "EReadError: Error reading Root.First.Items[1].Width: Invalid form data at offset *: "
       "integer expected"},
      {"  object First: TSample\r\n    Count = 'ten'\r\n  end\r\n",
       "EReadError: Error reading Root.First.Count: Invalid form data at offset *: integer "
       "expected"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    TSampleRoot root;
    std::string text = std::string(
                           "object Root: TSampleRoot\r\n  object Kept: TSample\r\n"
                           "  end\r\n") +
                       c.body + "end\r\n";
    EXPECT_EQ(OffsetHidden(ReadError(root, text)), c.error);
    EXPECT_EQ(root.ComponentCount(), 0);
    EXPECT_EQ(root.First, nullptr);
    EXPECT_FALSE(root.HasState(csLoading));
  }
}

// Only a binary description holds a single-precision value; a property after it reads
// wrong if the kept value leaves the single's bytes behind.
TEST_F(Streaming, AKeptSingleIsKeptWhole) {
  Bytes b;
  TBinaryFormWriter w(b);
  w.WriteSignature();
  w.WriteObjectHeader({.className = "TSampleRoot", .objectName = "Root"});
  w.WriteListEnd();
  w.WriteObjectHeader({.className = "TSample", .objectName = "First"});
  w.WritePropertyName("Design");
  w.WriteSingle(1.5f);
  w.WritePropertyName("Tag");
  w.WriteInteger(7);
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  TSampleRoot root;
  ReadDescription(root, b);
  ASSERT_NE(root.First, nullptr);
  EXPECT_EQ(root.First->Tag(), 7);
  EXPECT_NE(Written(root).find("    Design = 1.5s\r\n"), std::string::npos);
}

TEST_F(Streaming, KeptPropertiesAreWrittenBackAsTheyWereReadUnlessTheAncestorHasThem) {
  const char* text =
      "object Root: TSampleRoot\r\n"
      "  object First: TSample\r\n"
      "    Design = (\r\n"
      "      10\r\n"
      "      'caf'#233\r\n"
      "      [soOne]\r\n"
      "      1.500000000000000000\r\n"
      "      nil)\r\n"
      "    Glass.Enabled = True\r\n"
      "  end\r\n"
      "  object Second: TSample\r\n"
      "    Design = <\r\n"
      "      item\r\n"
      "        Anything = {0102}\r\n"
      "      end>\r\n"
      "  end\r\n"
      "end\r\n";
  TSampleRoot root;
  Read(root, text);
  EXPECT_EQ(Written(root), text);
  // An inherited form writes a kept value only where it differs from its ancestor's.
  TSampleRoot ancestor;
  Read(ancestor, text);
  Read(ancestor,
       "inherited Root: TSampleRoot\r\n  inherited Second: TSample\r\n    Design = 2\r\n"
       "  end\r\nend\r\n");
  EXPECT_EQ(Written(root, &ancestor),
            "inherited Root: TSampleRoot\r\n"
            "  inherited First: TSample\r\n"
            "  end\r\n"
            "  inherited Second: TSample\r\n"
            "    Design = <\r\n"
            "      item\r\n"
            "        Anything = {0102}\r\n"
            "      end>\r\n"
            "  end\r\n"
            "end\r\n");
  // A kept value that is cut short is malformed data like any other.
  Bytes b = FormTextToBinary(text);
  b.resize(b.size() - 12);
  TSampleRoot cut;
  try {
    ReadDescription(cut, b);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(OffsetHidden(e.Message()),
              "Error reading Root.Second.Design: Invalid form data at offset *: unexpected end "
              "of data");
  }
}

TEST_F(Streaming, ASecondRootOfOneNameUnderOneOwnerGetsANumber) {
  TComponent owner(nullptr);
  auto* first = new TSampleRoot(&owner);
  auto* second = new TSampleRoot(&owner);
  auto* third = new TSampleRoot(&owner);
  Read(*first, "object Root: TSampleRoot\r\nend\r\n");
  Read(*second, "object Root: TSampleRoot\r\nend\r\n");
  Read(*third, "object Root: TSampleRoot\r\nend\r\n");
  EXPECT_EQ(first->Name(), "Root");
  EXPECT_EQ(second->Name(), "Root_1");
  EXPECT_EQ(third->Name(), "Root_2");
  // A root read again keeps its name.
  Read(*first, "object Root: TSampleRoot\r\nend\r\n");
  EXPECT_EQ(first->Name(), "Root");
}

TEST_F(Streaming, ADescriptionOfAnotherClassIsRefused) {
  TSample plain(nullptr);
  EXPECT_EQ(ReadError(plain, "object X: TSampleRoot\r\nend\r\n"),
            "EReadError: Error reading TSample: the description is of class TSampleRoot");
}

TEST_F(Streaming, CollectionsReportOneChangeForAWholeRead) {
  TSampleRoot root;
  Read(root, kFull);
  EXPECT_EQ(root.First->Items().updates, 1);
}

TEST(Components, NamesAreIdentifiersUniqueAmongTheirOwnersComponents) {
  TSampleRoot root;
  auto* a = new TSample(&root);
  auto* b = new TSample(&root);
  a->SetName("Alpha");
  try {
    b->SetName("ALPHA");
    FAIL() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named ALPHA already exists");
  }
  try {
    b->SetName("2nd");
    FAIL() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "'2nd' is not a valid component name");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("alpha");  // a new spelling of its own name is no clash
  EXPECT_EQ(root.FindComponent("ALPHA"), a);
}

TEST(Components, ReferencesToAComponentOfAnotherOwnerAreClearedWhenItGoes) {
  TSampleRoot one;
  TSampleRoot two;
  auto* target = new TSample(&two);
  auto* holder = new TSample(&one);
  holder->SetBuddy(target);
  delete target;
  EXPECT_EQ(holder->Buddy(), nullptr);
  // And a holder that goes first leaves nothing dangling behind in the target.
  auto* target2 = new TSample(&two);
  holder->SetBuddy(target2);
  delete holder;
  delete target2;
}

TEST(Components, OwnersDestroyWhatTheyOwnNewestFirst) {
  // Each destructor logs before its owned components go.
  std::vector<std::string> gone;
  struct TLogged : TComponent {
    TLogged(TComponent* owner, std::string n, std::vector<std::string>& log)
        : TComponent(owner), tag(std::move(n)), log_(log) {}
    ~TLogged() override { log_.push_back(tag); }
    std::string tag;
    std::vector<std::string>& log_;
  };
  {
    TComponent root(nullptr);
    new TLogged(&root, "first", gone);
    auto* second = new TLogged(&root, "second", gone);
    new TLogged(second, "inner", gone);
    EXPECT_EQ(root.ComponentCount(), 2);
  }
  EXPECT_EQ(gone, (std::vector<std::string>{"second", "inner", "first"}));
}

}  // namespace
