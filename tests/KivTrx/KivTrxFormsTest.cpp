// The translatable string list: sorting, duplicates, component renames and its stream
// property "WideStrings".
#include <gtest/gtest.h>

#include "FormFiles/FormText.h"
#include "Gui/Component.h"
#include "Gui/Properties.h"
#include "Gui/Reader.h"
#include "Gui/Writer.h"
#include "KivTrx/KivTrxForms.h"

namespace {

std::u16string Lines(const TKivStringList& list) { return list.Text(); }

TEST(KivTrxStringList, IsSortedAndIgnoresDuplicatesInAnyCase) {
  TKivTrxStringList list;
  list.Add(u"Button1.Caption");
  list.Add(u"Alpha.Hint");
  list.Add(u"BUTTON1.CAPTION");
  list.Add(u"Button1.Caption");
  EXPECT_EQ(Lines(list), u"Alpha.Hint\r\nButton1.Caption\r\n");
}

TEST(KivTrxStringList, RenameFollowsTheComponentOnlyForSimplePaths) {
  TKivTrxStringList list;
  for (const char16_t* s :
       {u"Button1.Caption", u"Button1.Hint", u"Button10.Caption", u"Grid1.Columns[0].Title.Caption",
        u"Frame1.Button1.Caption", u"Caption"}) {
    list.Add(s);
  }
  list.RenameComponent("Button1", "OkButton");
  EXPECT_EQ(Lines(list),
            u"Button10.Caption\r\nCaption\r\nFrame1.Button1.Caption\r\n"
            u"Grid1.Columns[0].Title.Caption\r\nOkButton.Caption\r\nOkButton.Hint\r\n");
  // Entries that become equal merge.
  list.Add(u"Button10.Hint");
  list.RenameComponent("OkButton", "Button10");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf(u"Button10.Hint"), 1);
  // A name of the path before the last dot renames dotted entries too.
  list.RenameComponent("Grid1.Columns[0].Title", "X");
  EXPECT_NE(list.IndexOf(u"X.Caption"), -1);
  // Empty names change nothing.
  std::u16string before = Lines(list);
  list.RenameComponent("", "Y");
  list.RenameComponent("Button10", "");
  EXPECT_EQ(Lines(list), before);
}

// A component that carries one translatable list, for streaming.
class TListHolder : public TComponent {
  KIV_CLASS_INFO()

 public:
  using TComponent::TComponent;
  TKivTrxTranslatableProps& List() { return list_; }

 private:
  TKivTrxTranslatableProps list_;
};

constexpr TPropInfo kHolderProps[] = {ObjProp<&TListHolder::List>("List")};
const TClassInfo TListHolder::kClassInfo{
    "TListHolder", &TComponent::kClassInfo, nullptr, kHolderProps, {}, {}};

std::string Written(TListHolder& h, TListHolder* ancestor = nullptr) {
  return FormBinaryToText(WriteDescription(h, ancestor));
}

TEST(KivTrxStringList, StoresItsStringsAsWideStringsOnlyWhenThereAreAny) {
  TListHolder h(nullptr);
  h.SetName("H");
  EXPECT_EQ(Written(h), "object H: TListHolder\r\nend\r\n");
  h.List().Add(u"B.Caption");
  h.List().Add(u"A.Caption");
  EXPECT_EQ(Written(h),
            "object H: TListHolder\r\n  List.WideStrings = (\r\n    'A.Caption'\r\n"
            "    'B.Caption')\r\nend\r\n");
  // Written as wide strings, whatever the characters.
  std::vector<std::uint8_t> bytes = WriteDescription(h);
  std::string b(bytes.begin(), bytes.end());
  EXPECT_EQ(b.find("A.Caption"), std::string::npos);
}

TEST(KivTrxStringList, AnEmptyListIsStoredOnlyAgainstANonEmptyInheritedList) {
  TListHolder ancestor(nullptr);
  ancestor.SetName("H");
  TListHolder h(nullptr);
  h.SetName("H");
  EXPECT_EQ(Written(h, &ancestor).find("List.WideStrings"), std::string::npos);
  ancestor.List().Add(u"A.Caption");
  EXPECT_NE(Written(h, &ancestor).find("List.WideStrings"), std::string::npos);
  h.List().Add(u"A.Caption");
  EXPECT_NE(Written(h, &ancestor).find("List.WideStrings"), std::string::npos);
}

TEST(KivTrxStringList, ReadsLists8BitOrWideAndReplacesItsContent) {
  TListHolder h(nullptr);
  h.List().Add(u"Old.Caption");
  // Plain ASCII becomes 8-bit strings in the binary form; #233 makes a wide one.
  ReadDescription(h, FormTextToBinary("object H: TListHolder\r\n  List.WideStrings = (\r\n"
                                      "    'Zed.Caption'\r\n    'Caf'#233'.Caption')\r\nend\r\n"));
  EXPECT_EQ(Lines(h.List()), u"Caf\u00e9.Caption\r\nZed.Caption\r\n");
}

TEST(KivTrxStringList, SetStringsCopiesSortedAndFreeOfDuplicates) {
  TKivStringList source;
  source.Add(u"b");
  source.Add(u"a");
  source.Add(u"B");
  TKivTrxStringList list;
  list.Add(u"old");
  int changes = 0;
  list.OnChange = [&](TKivStringList&) { ++changes; };
  list.SetStrings(source);
  EXPECT_EQ(Lines(list), u"a\r\nb\r\n");
  EXPECT_EQ(changes, 1);
}

}  // namespace
