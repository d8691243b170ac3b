#include <gtest/gtest.h>

#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Streams.h"

namespace {

std::vector<std::u16string> Items(const TKivStringList& l) {
  std::vector<std::u16string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Get(i));
  return out;
}

TEST(KivStringList, UnsortedKeepsInsertionOrderAndObjects) {
  TKivStringList l;
  int a = 1;
  int b = 2;
  EXPECT_EQ(l.AddObject(u"zeta", &a), 0);
  EXPECT_EQ(l.Add(u"alpha"), 1);
  l.InsertObject(1, u"mid", &b);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"zeta", u"mid", u"alpha"}));
  EXPECT_EQ(l.Objects(0), &a);
  EXPECT_EQ(l.Objects(1), &b);
  EXPECT_EQ(l.IndexOfObject(&b), 1);
  EXPECT_EQ(l.IndexOf(u"ALPHA"), 2);  // case-insensitive by default
  l.Delete(0);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"mid", u"alpha"}));
  EXPECT_EQ(l.IndexOf(u"zeta"), -1);
}

TEST(KivStringList, IndexErrorsNameTheIndexAndChangeNothing) {
  TKivStringList l;
  l.Add(u"x");
  try {
    l.Get(1);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_THROW(l.Delete(-1), EStringListError);
  EXPECT_THROW(l.Insert(3, u"y"), EStringListError);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"x"}));
}

TEST(KivStringList, SortedModeOrdersCaseInsensitively) {
  TKivStringList l;
  l.Add(u"pear");
  l.Add(u"Apple");
  l.Add(u"banana");
  l.SetSorted(true);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"Apple", u"banana", u"pear"}));
  l.Add(u"Cherry");
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"Apple", u"banana", u"Cherry", u"pear"}));
  int index = -1;
  EXPECT_TRUE(l.Find(u"CHERRY", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(l.Find(u"blueberry", index));
  EXPECT_EQ(index, 2);  // where it would go
  EXPECT_FALSE(l.Find(u"zzz", index));
  EXPECT_EQ(index, 4);
  EXPECT_THROW(l.Insert(0, u"x"), EStringListError);
  EXPECT_THROW(l.Put(0, u"x"), EStringListError);
}

TEST(KivStringList, DuplicateRulesInSortedMode) {
  TKivStringList ignore;
  ignore.SetSorted(true);
  ignore.Add(u"one");
  EXPECT_EQ(ignore.Add(u"ONE"), 0);
  EXPECT_EQ(ignore.Count(), 1);
  EXPECT_EQ(ignore.Get(0), u"one");

  TKivStringList reject;
  reject.SetSorted(true);
  reject.SetDuplicates(TDuplicates::dupError);
  reject.Add(u"one");
  try {
    reject.Add(u"One");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  EXPECT_EQ(reject.Count(), 1);

  TKivStringList accept;
  accept.SetSorted(true);
  accept.SetDuplicates(TDuplicates::dupAccept);
  accept.Add(u"b");
  accept.Add(u"a");
  accept.Add(u"B");
  accept.Add(u"b");
  EXPECT_EQ(accept.Count(), 4);
  int index = -1;
  ASSERT_TRUE(accept.Find(u"b", index));
  EXPECT_EQ(index, 1);  // the first of the equal run
}

TEST(KivStringList, CaseSensitiveComparison) {
  TKivStringList l;
  l.SetCaseSensitive(true);
  l.Add(u"Abc");
  EXPECT_EQ(l.IndexOf(u"abc"), -1);
  EXPECT_EQ(l.IndexOf(u"Abc"), 0);
}

TEST(KivStringList, SortKeepsEveryItemWithManyEqualKeys) {
  TKivStringList l;
  for (int i = 0; i < 200; ++i) l.Add(i % 3 == 0 ? u"b" : (i % 3 == 1 ? u"a" : u"c"));
  l.Sort();
  ASSERT_EQ(l.Count(), 200);
  for (int i = 1; i < l.Count(); ++i) EXPECT_LE(l.Get(i - 1), l.Get(i));
}

TEST(KivStringList, NameValueAccess) {
  TKivStringList l;
  l.Add(u"Path=C:\\Tools");
  l.Add(u"Flag");
  l.Add(u"Expr=a=b");
  EXPECT_EQ(l.Names(0), u"Path");
  EXPECT_EQ(l.Names(1), u"");
  EXPECT_EQ(l.Values(u"path"), u"C:\\Tools");
  EXPECT_EQ(l.Values(u"Expr"), u"a=b");  // split at the first "=" only
  EXPECT_EQ(l.Values(u"missing"), u"");
  l.SetValue(u"Path", u"D:\\");
  EXPECT_EQ(l.Get(0), u"Path=D:\\");
  l.SetValue(u"New", u"1");
  EXPECT_EQ(l.Get(3), u"New=1");
  l.SetValue(u"Path", u"");
  EXPECT_EQ(l.IndexOfName(u"Path"), -1);
  EXPECT_EQ(l.Count(), 3);
}

TEST(KivStringList, TextUsesCrLfAndSplitsAnyLineBreak) {
  TKivStringList l;
  l.SetText(u"one\r\ntwo\nthree\rfour\r\n");
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"one", u"two", u"three", u"four"}));
  EXPECT_EQ(l.Text(), u"one\r\ntwo\r\nthree\r\nfour\r\n");
  l.SetText(u"a\r\n\r\nb");
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"a", u"", u"b"}));
}

TEST(KivStringList, UpdatesNotifyOnceAtTheEnd) {
  TKivStringList l;
  int changes = 0;
  l.OnChange = [&](TKivStringList&) { ++changes; };
  l.Add(u"a");
  EXPECT_EQ(changes, 1);
  l.BeginUpdate();
  l.Add(u"b");
  l.Add(u"c");
  EXPECT_EQ(changes, 1);
  l.EndUpdate();
  EXPECT_EQ(changes, 2);
}

TEST(KivStringList, SavesUtf16WithByteOrderMarkAndLoadsItBack) {
  TKivStringList l;
  l.Add(u"caf\u00e9");
  l.Add(u"\u65e5\u672c");
  TMemoryStream s;
  l.SaveToStream(s);
  const auto& b = s.Bytes();
  ASSERT_GE(b.size(), 4u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  EXPECT_EQ(b[2], 'c');
  EXPECT_EQ(b[3], 0);
  // CR LF after each line, as UTF-16 LE.
  EXPECT_EQ(b[b.size() - 4], '\r');
  EXPECT_EQ(b[b.size() - 2], '\n');

  TKivStringList back;
  s.SetPosition(0);
  back.LoadFromStream(s);
  EXPECT_EQ(Items(back), Items(l));
}

TEST(KivStringList, LoadsUtf8WithMarkAndCodePageText) {
  TKivStringList l;
  TMemoryStream utf8(std::vector<std::uint8_t>{0xEF, 0xBB, 0xBF, 'x', 0xC3, 0xA9, '\r', '\n'});
  l.LoadFromStream(utf8);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"x\u00e9"}));
  TMemoryStream plain(std::vector<std::uint8_t>{'a', '\n', 'b'});
  l.LoadFromStream(plain);
  EXPECT_EQ(Items(l), (std::vector<std::u16string>{u"a", u"b"}));
}

}  // namespace
