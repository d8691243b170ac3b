#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DataSets/KivFields.h"
#include "DataSets/KivLXDataSet.h"
#include "DataSets/KivLXVarArrayDataSet.h"
#include "Rtl/Exceptions.h"

namespace {

// A concrete data set with a name, an age, a city and a large integer.
class TPeople : public TKivVarArrayDataSet {
 public:
  ~TPeople() override { CloseForDestroy(); }
  using TKivDataSet::CurrentIndex;
  using TKivDataSet::InternalDelete;
  int fieldsCreatedCalls = 0;
  int fieldCountWhenCreated = -1;

  void Add(const std::u16string& name, int age, const std::u16string& city = u"") {
    Append();
    FieldByName("Name").SetAsWideString(name);
    FieldByName("Age").SetAsInteger(age);
    if (!city.empty()) FieldByName("City").SetAsWideString(city);
    Post();
  }
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> out;
    TBookmark here = GetBookmark();
    for (First(); !Eof(); Next()) out.push_back(FieldByName("Name").AsWideString());
    GotoBookmark(here);
    return out;
  }
  std::u16string Name() { return FieldByName("Name").AsWideString(); }
  // Asks for the current record while the cursor stands before the first row.
  void FetchCurrentBeforeFirst() {
    InternalFirst();
    GetRecord(ActiveBuffer(), gmCurrent, true);
  }
  // Stores the record being inserted through the add-record hook.
  void AddInserted(bool append) { InternalAddRecord(ActiveBuffer(), append); }
  // Posts the active buffer as an edit, whatever the state: reaches the store's
  // consistency check that the toolkit's own Edit never lets through.
  void PostAsEdit() {
    TDataSetState saved = SetTempState(dsEdit);
    ScopeRestore restore{this, saved};
    InternalPost();
  }

 protected:
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("Name", ftWideString, 40);
    FieldDefs().Add("Age", ftInteger);
    FieldDefs().Add("City", ftWideString, 30);
    FieldDefs().Add("Big", ftLargeint);
  }
  void FieldsCreated() override {
    ++fieldsCreatedCalls;
    fieldCountWhenCreated = FieldCount();
  }

 private:
  struct ScopeRestore {
    TPeople* self;
    TDataSetState state;
    ~ScopeRestore() { self->RestoreState(state); }
  };
};

using Names = std::vector<std::u16string>;

template <typename E>
std::string MessageOf(const std::function<void()>& op) {
  try {
    op();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no exception)";
}

class KivDataSet : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.Open();
    ds.Add(u"carol", 30, u"Oslo");
    ds.Add(u"alice", 25, u"Rome");
    ds.Add(u"Bob", 40, u"Oslo");
    ds.Add(u"dave", 35, u"Rome");
  }
  TPeople ds;
};

TEST(KivDataSetEmpty, NavigationEditingAndRecordNumbers) {
  TPeople ds;
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.CurrentIndex(), -1);
  EXPECT_TRUE(ds.FieldByName("Name").IsNull());
  ds.SetRecNo(3);
  EXPECT_EQ(ds.RecNo(), 0);  // the re-synchronise finds no row and puts the cursor before it
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Delete(); }),
            "Internal Error: SnapRecordPosition() required a record count.");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.PostAsEdit(); }),
            "Internal Error: SnapRecordPosition() required a record count.");
  EXPECT_EQ(ds.StoreCount(), 0);
  ds.Edit();  // nothing to edit: the toolkit inserts instead
  EXPECT_EQ(ds.State(), dsInsert);
  ds.Cancel();
  EXPECT_TRUE(ds.IsEmpty());
}

TEST(KivDataSetEmpty, OpenAssertsTheFieldCount) {
  class TNoFields : public TKivVarArrayDataSet {
   protected:
    void InternalInitFieldDefs() override {}
  } none;
  std::string m = MessageOf<EAssertionFailed>([&] { none.Open(); });
  EXPECT_EQ(m.rfind("TKivDataSet.InternalOpen: FieldCount must be greater than zero. "
                    "(lib/DataSets/KivLXDataSet, line ",
                    0),
            0u)
      << m;
  EXPECT_FALSE(none.Active());

  class TTooMany : public TKivVarArrayDataSet {
   protected:
    void InternalInitFieldDefs() override {
      FieldDefs().Clear();
      for (int i = 0; i <= kMaxFieldCount; ++i) FieldDefs().Add("F" + std::to_string(i), ftInteger);
    }
  } many;
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] {
              many.Open();
            }).rfind("TKivDataSet.InternalOpen: FieldCount exceeds limits.", 0),
            0u);
  EXPECT_EQ(many.FieldCount(), 0);  // default fields go again with the failed open
}

TEST(KivDataSetEmpty, ClosedDataSetRefusesWork) {
  TPeople ds;
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Locate("Name", u"x", {}); }),
            "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.First(); }),
            "Cannot perform this operation on a closed dataset");
  ds.Open();
  // A mark on the field: the allocator may well hand the new one the same address.
  ds.FieldByName("Name").SetDisplayWidth(77);
  ds.Close();
  ds.Open();  // default fields were made again
  EXPECT_NE(ds.FieldByName("Name").DisplayWidth(), 77);
  EXPECT_EQ(ds.fieldsCreatedCalls, 2);
  EXPECT_EQ(ds.fieldCountWhenCreated, 4);
}

TEST(KivDataSetEmpty, ActiveBufferMissingIsAnInternalError) {
  TPeople other;
  other.FieldDefs().Add("Name", ftWideString, 10);
  other.CreateFields();  // exists while closed
  EXPECT_EQ(MessageOf<EKivInternalError>([&] { other.FieldByName("Name").AsWideString(); }),
            "Internal Error: ActiveBuffer not assigned.");
}

TEST_F(KivDataSet, CurrentRecordOutsideTheRowsIsAnInternalError) {
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.FetchCurrentBeforeFirst(); }),
            "Internal Error: TKivDataSet.InternalGetRecord has no current record.");
}

TEST_F(KivDataSet, AppendAndInsertWithoutSort) {
  EXPECT_EQ(ds.Names(), (Names{u"carol", u"alice", u"Bob", u"dave"}));
  ds.First();
  ds.Next();  // on alice
  ds.Insert();
  ds.FieldByName("Name").SetAsWideString(u"eve");
  ds.Post();
  EXPECT_EQ(ds.Name(), u"eve");
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(ds.Names(), (Names{u"carol", u"eve", u"alice", u"Bob", u"dave"}));
  ds.Add(u"zed", 1);
  EXPECT_EQ(ds.RecNo(), 6);
}

TEST_F(KivDataSet, AddRecordHookAppendsOrInsertsAtTheCursor) {
  ds.First();
  ds.Next();
  ds.Insert();
  ds.FieldByName("Name").SetAsWideString(u"x");
  ds.AddInserted(true);
  ds.Cancel();
  EXPECT_EQ(ds.Name(), u"x");
  ds.First();
  ds.Next();
  ds.Insert();
  ds.FieldByName("Name").SetAsWideString(u"y");
  ds.AddInserted(false);
  ds.Cancel();
  EXPECT_EQ(ds.Names(), (Names{u"carol", u"y", u"alice", u"Bob", u"dave", u"x"}));
}

TEST_F(KivDataSet, SortPlacesPostsAheadOfEqualKeysAndMovesEditedRows) {
  ds.SetSort("Name");
  EXPECT_EQ(ds.Names(), (Names{u"alice", u"Bob", u"carol", u"dave"}));
  ds.Add(u"BOB", 99);  // equal to "Bob" ignoring case: goes ahead of it
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(ds.FieldByName("Age").AsInteger(), 99);
  ds.Add(u"bob", 98);  // ahead of every equal key, not just one of them
  EXPECT_EQ(ds.RecNo(), 2);
  ds.Last();
  ASSERT_TRUE(ds.Locate("Name", u"BoB", {loCaseInsensitive}));
  EXPECT_EQ(ds.FieldByName("Age").AsInteger(), 98);  // the first of the equal keys
  ds.Last();
  ds.Insert();  // inserting also goes to the sorted place, not the cursor's
  ds.FieldByName("Name").SetAsWideString(u"aaron");
  ds.Post();
  EXPECT_EQ(ds.RecNo(), 1);

  ASSERT_TRUE(ds.Locate("Name", u"alice", {loCaseInsensitive}));
  ds.Edit();
  ds.FieldByName("Name").SetAsWideString(u"zoe");
  ds.Post();
  EXPECT_EQ(ds.Name(), u"zoe");  // the cursor followed the row
  EXPECT_EQ(ds.RecNo(), 7);
  EXPECT_EQ(ds.Names(), (Names{u"aaron", u"bob", u"BOB", u"Bob", u"carol", u"dave", u"zoe"}));
}

TEST_F(KivDataSet, NullSortsFirstAndSortOptionsApply) {
  ds.Append();
  ds.FieldByName("Age").SetAsInteger(1);
  ds.Post();  // no name
  ds.SetSort("Name");
  EXPECT_EQ(ds.Names().front(), u"");
  EXPECT_EQ(TKivDataSet::CompareVariants(u"abc", u"ABC", ds.SortOptions()), 0);
  ds.SetSortOptions({});
  EXPECT_NE(TKivDataSet::CompareVariants(u"abc", u"ABC", ds.SortOptions()), 0);
  ds.SetSort("City;Age");
  EXPECT_EQ(ds.Names(), (Names{u"", u"carol", u"Bob", u"alice", u"dave"}));
}

TEST_F(KivDataSet, LocateUsesBinarySearchOnTheSortFieldAndExactScansElsewhere) {
  ds.SetSort("Name");
  ds.Last();
  EXPECT_TRUE(ds.Locate("name", u"BO", {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(ds.Name(), u"Bob");
  EXPECT_FALSE(ds.Locate("Name", u"BO", {loCaseInsensitive}));
  EXPECT_EQ(ds.Name(), u"Bob");  // a failed locate does not move

  // A one-field scan honours the options ...
  EXPECT_TRUE(ds.Locate("City", u"ro", {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(ds.Name(), u"alice");
  // ... a several-field scan compares exactly.
  EXPECT_FALSE(ds.Locate("City;Age", VarArrayOf({u"oslo", 40}), {loCaseInsensitive}));
  EXPECT_TRUE(ds.Locate("City;Age", VarArrayOf({u"Oslo", 40}), {loCaseInsensitive}));
  EXPECT_EQ(ds.Name(), u"Bob");

  EXPECT_FALSE(ds.Locate("Nope", u"x", {}));
  EXPECT_FALSE(ds.Locate("Name", VarArrayOf({u"a", u"b"}), {}));  // wrong shape: no match
  EXPECT_TRUE(ds.Lookup("Nope", u"x", "Name").IsNull());
}

TEST_F(KivDataSet, LookupLeavesTheCursor) {
  ds.First();
  Variant v = ds.Lookup("Name", u"dave", "Age;City");
  EXPECT_EQ(v.GetElement(0).AsInteger(), 35);
  EXPECT_EQ(v.GetElement(1).AsWideString(), u"Rome");
  EXPECT_EQ(ds.Lookup("Name", u"DAVE", "Age").IsNull(), true);  // lookups are exact
  EXPECT_EQ(ds.Name(), u"carol");
  EXPECT_THROW(ds.Lookup("Name", u"dave", "Nope"), EDatabaseError);
}

TEST_F(KivDataSet, QuickFindAndCompareVariants) {
  EXPECT_THROW(
      {
        int i;
        ds.QuickFind(u"x", i, 1, {});
      },
      EAssertionFailed);
  ds.SetSort("Name");
  int index = -1;
  EXPECT_TRUE(ds.QuickFind(u"CAROL", index, 1, {loCaseInsensitive}));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(ds.QuickFind(u"bz", index, 1, {loCaseInsensitive}));
  EXPECT_EQ(index, 2);  // where it would go

  const TLocateOptions ci{loCaseInsensitive};
  EXPECT_EQ(TKivDataSet::CompareVariants(u"abc", u"ABC", ci), 0);
  EXPECT_EQ(TKivDataSet::CompareVariants(u"abcdef", u"ABC", {loCaseInsensitive, loPartialKey}), 0);
  EXPECT_EQ(TKivDataSet::CompareVariants(Variant::Null(), 5, {}), -1);
  EXPECT_EQ(TKivDataSet::CompareVariants(u"a", Variant(), ci), 1);
  EXPECT_EQ(TKivDataSet::CompareVariants(Variant::Null(), Variant(), {}), 0);
  EXPECT_EQ(TKivDataSet::CompareVariants(VarArrayOf({1, u"b"}), VarArrayOf({1, u"a"}), {}), 1);
  EXPECT_EQ(TKivDataSet::CompareVariants(VarArrayCreate(0, -1), VarArrayCreate(0, -1), {}), 0);
  auto assertion = [](const Variant& x, const Variant& y) {
    std::string m = MessageOf<EAssertionFailed>([&] { TKivDataSet::CompareVariants(x, y, {}); });
    return m.substr(0, m.find(" ("));
  };
  EXPECT_EQ(assertion(VarArrayOf({1}), 1), "CompareVariants: Must have same dim count.");
  EXPECT_EQ(assertion(VarArrayOf({1}), VarArrayCreate(1, 1)),
            "CompareVariants: Must have same lower bound.");
  EXPECT_EQ(assertion(VarArrayOf({1}), VarArrayOf({1, 2})),
            "CompareVariants: Must have same upper bound.");
  EXPECT_EQ(assertion(VarArrayOf({VarArrayOf({1})}), VarArrayOf({VarArrayOf({1})})),
            "InternalError: Array type variants found.");
}

TEST_F(KivDataSet, UnknownSortFieldEmptiesSortAndKeepsTheDataSetUsable) {
  ds.Locate("Name", u"Bob", {});
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.SetSort("Name;Nope"); }), "Field 'Nope' not found");
  EXPECT_EQ(ds.Sort(), "");
  EXPECT_EQ(ds.Name(), u"Bob");
  EXPECT_EQ(ds.RecordCount(), 4);
  ds.Close();
  ds.SetSort("Nope");
  EXPECT_THROW(ds.Open(), EDatabaseError);
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.Sort(), "");
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
}

TEST_F(KivDataSet, FiltersHideRowsWithoutFreeingThem) {
  ds.SetOnFilterRecord([](TDataSet&, bool&) {});  // never accepts
  EXPECT_EQ(ds.RecordCount(), 4);                 // not filtering yet
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.StoreCount(), 4);
  ds.SetFiltered(false);
  EXPECT_EQ(ds.Names(), (Names{u"carol", u"alice", u"Bob", u"dave"}));

  ds.SetOnFilterRecord(
      [](TDataSet& d, bool& accept) { accept = d.FieldByName("City").AsWideString() == u"Oslo"; });
  ds.SetFiltered(true);
  EXPECT_EQ(ds.Names(), (Names{u"carol", u"Bob"}));
  ds.SetOnFilterRecord(nullptr);
  EXPECT_EQ(ds.RecordCount(), 4);
  EXPECT_EQ(MessageOf<EKivGeneralError>([&] { ds.SetFilterText("City = 'Oslo'"); }),
            "TKivDataSet.Filter property is not supported yet.");
}

TEST_F(KivDataSet, RefreshKeepsTheCursorOnItsRowOrItsIndex) {
  ds.Locate("Name", u"Bob", {});
  ds.SetSort("Age");  // Bob is oldest: moves last
  EXPECT_EQ(ds.Name(), u"Bob");
  EXPECT_EQ(ds.RecNo(), 4);

  std::u16string hidden = u"Bob";
  ds.SetOnFilterRecord(
      [&](TDataSet& d, bool& accept) { accept = d.FieldByName("Name").AsWideString() != hidden; });
  ds.First();
  ds.Next();  // carol, index 1 in age order
  ds.SetFiltered(true);
  EXPECT_EQ(ds.Name(), u"carol");
  ds.Last();  // dave, the last of three
  hidden = u"";
  ds.Refresh();
  EXPECT_EQ(ds.Name(), u"dave");  // same row, Bob now follows it

  hidden = u"Bob";
  ds.Last();  // Bob goes, and his index is past the end: the cursor starts over
  ds.Refresh();
  EXPECT_EQ(ds.Name(), u"alice");
  EXPECT_EQ(ds.RecNo(), 1);

  ds.Next();  // carol goes, but her index still exists: it now holds dave
  hidden = u"carol";
  ds.Refresh();
  EXPECT_EQ(ds.Name(), u"dave");
  EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(KivDataSet, DeleteFreesTheRowAndKeepsAPosition) {
  ds.Locate("Name", u"alice", {});
  ds.Delete();
  EXPECT_EQ(ds.Name(), u"Bob");
  EXPECT_EQ(ds.StoreCount(), 3);
  ds.Last();
  ds.Delete();
  EXPECT_EQ(ds.Name(), u"Bob");
  while (!ds.IsEmpty()) ds.Delete();
  EXPECT_EQ(ds.StoreCount(), 0);
  EXPECT_EQ(ds.CurrentIndex(), -1);
}

TEST_F(KivDataSet, BookmarksAreRowHandlesWithSerialNumbers) {
  EXPECT_EQ(ds.BookmarkSize(), static_cast<int>(sizeof(void*) + 8));
  ds.Locate("Name", u"Bob", {});
  TBookmark bob = ds.GetBookmark();
  TBookmarkStr bobText = ds.Bookmark();
  ds.First();
  TBookmark carol = ds.GetBookmark();
  EXPECT_EQ(ds.CompareBookmarks(bob, carol), 1);
  EXPECT_EQ(ds.CompareBookmarks(carol, bob), -1);
  EXPECT_TRUE(ds.BookmarkExists(bob));
  EXPECT_TRUE(ds.BookmarkExists(bobText));
  EXPECT_FALSE(ds.BookmarkExists(TBookmark{}));
  EXPECT_FALSE(ds.BookmarkExists(TBookmarkStr("abc")));  // wrong size: not a bookmark
  TBookmark forged = bob;
  forged.back() ^= 0x40;  // the right row, another serial
  EXPECT_FALSE(ds.BookmarkExists(forged));
  ds.SetBookmark(bobText);
  EXPECT_EQ(ds.Name(), u"Bob");
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkExists(bob));
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.GotoBookmark(bob); }), "Bookmark not found.");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] {
              ds.GotoBookmark(TBookmark{1, 2, 3});
            }),
            "Invalid bookmark");
}

TEST_F(KivDataSet, BookmarkOfADeletedRowStaysDeadInTheVariantArrayStore) {
  ds.Locate("Name", u"Bob", {});
  TBookmark bob = ds.GetBookmark();
  ds.Delete();
  // The heap may hand Bob's cell to one of the new rows; whichever takes it, the old
  // bookmark must not name it.
  bool reused = false;
  for (int i = 0; i < 64 && !reused; ++i) {
    ds.Add(u"new" + std::u16string(1, char16_t(u'a' + i % 26)), i);
    TBookmark fresh = ds.GetBookmark();
    reused = std::equal(bob.begin(), bob.begin() + sizeof(void*), fresh.begin());
  }
  EXPECT_FALSE(ds.BookmarkExists(bob));
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.GotoBookmark(bob); }), "Bookmark not found.");
}

// A row store that hands a freed row's slot, and with it its handle, to the next new
// row, as a heap is free to do.
class TRecyclingRows : public TKivDataSet {
 public:
  ~TRecyclingRows() override { CloseForDestroy(); }
  void Add(const std::u16string& name) {
    Append();
    FieldByName("Name").SetAsWideString(name);
    Post();
  }
  std::u16string Name() { return FieldByName("Name").AsWideString(); }

 protected:
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("Name", ftWideString, 20);
  }
  void LoadRows(TKivList& rows, TRowHandle) override {
    rows.Clear();
    for (Slot* slot : live_) rows.Add(slot);
  }
  void GetRowValue(TRowHandle row, int field, Variant& value) override {
    value = static_cast<Slot*>(row)->values.at(static_cast<std::size_t>(field));
  }
  void SetRowValue(TRowHandle row, int field, const Variant& value) override {
    static_cast<Slot*>(row)->values.at(static_cast<std::size_t>(field)) = value;
  }
  void FreeRow(TRowHandle row) override {
    live_.erase(std::find(live_.begin(), live_.end(), static_cast<Slot*>(row)));
    free_.push_back(static_cast<Slot*>(row));
  }
  TRowHandle NewRow() override {
    Slot* slot = free_.empty() ? &slots_.at(used_++) : free_.back();
    if (!free_.empty()) free_.pop_back();
    slot->serial = ++lastSerial_;
    slot->values.assign(static_cast<std::size_t>(FieldCount()), Variant());
    live_.push_back(slot);
    return slot;
  }
  std::uint64_t RowSerial(TRowHandle row) const override {
    return static_cast<const Slot*>(row)->serial;
  }
  void InternalClose() override {
    TKivDataSet::InternalClose();
    for (Slot* slot : live_) free_.push_back(slot);
    live_.clear();
  }

 private:
  struct Slot {
    std::uint64_t serial = 0;
    std::vector<Variant> values;
  };
  std::array<Slot, 16> slots_;
  std::size_t used_ = 0;
  std::vector<Slot*> live_;  // in creation order
  std::vector<Slot*> free_;  // the last freed is handed out first
  std::uint64_t lastSerial_ = 0;
};

TEST(KivDataSetBookmarks, ABookmarkOfADeletedRowNeverLandsOnTheRowThatTookItsHandle) {
  TRecyclingRows ds;
  ds.Open();
  ds.Add(u"ann");
  ds.Add(u"ben");
  ds.Add(u"cat");
  ds.First();
  ds.Next();
  TBookmark ben = ds.GetBookmark();
  TBookmarkStr benText = ds.Bookmark();
  ds.Delete();
  ds.Add(u"dan");  // takes ben's slot
  TBookmark dan = ds.GetBookmark();
  ASSERT_TRUE(std::equal(ben.begin(), ben.begin() + sizeof(void*), dan.begin()))
      << "the store did not hand the handle out again";

  EXPECT_FALSE(ds.BookmarkExists(ben));
  EXPECT_FALSE(ds.BookmarkExists(benText));
  EXPECT_TRUE(ds.BookmarkExists(dan));
  ds.First();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.GotoBookmark(ben); }), "Bookmark not found.");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.SetBookmark(benText); }), "Bookmark not found.");
  EXPECT_EQ(ds.Name(), u"ann");                  // the cursor stayed
  EXPECT_EQ(ds.CompareBookmarks(ben, dan), -1);  // a dead bookmark has no position
  ds.GotoBookmark(dan);
  EXPECT_EQ(ds.Name(), u"dan");

  // Closing frees every row; the rows of the reopened set get new serials.
  TBookmark ann;
  ds.First();
  ann = ds.GetBookmark();
  ds.Close();
  ds.Open();
  ds.Add(u"eve");
  EXPECT_FALSE(ds.BookmarkExists(ann));
}

TEST(KivDataSetSearch, LocateWithOtherOptionsThanTheSortScans) {
  TPeople cs;
  cs.Open();
  cs.SetSort("Name");  // case-insensitive: the four names below are one key
  // Each post goes ahead of the equal keys, so the order is the reverse of the posts;
  // a case-sensitive binary search of it misses "Ab" under either case order.
  for (const char16_t* name : {u"Ab", u"AB", u"aB", u"ab"}) cs.Add(name, 1);
  ASSERT_EQ(cs.Names(), (Names{u"ab", u"aB", u"AB", u"Ab"}));
  cs.First();
  EXPECT_TRUE(cs.Locate("Name", u"Ab", {}));
  EXPECT_EQ(cs.Name(), u"Ab");
  EXPECT_EQ(cs.RecNo(), 4);
  EXPECT_TRUE(cs.Locate("Name", u"aB", {}));
  EXPECT_EQ(cs.RecNo(), 2);
  EXPECT_FALSE(cs.Lookup("Name", u"Ab", "Name").IsNull());
  // With the sort's own options the binary search answers: the first equal key.
  EXPECT_TRUE(cs.Locate("Name", u"Ab", {loCaseInsensitive}));
  EXPECT_EQ(cs.RecNo(), 1);
}

TEST_F(KivDataSet, LargeIntegersSurviveTheFieldBuffer) {
  const std::int64_t big = (std::int64_t{1} << 53) + 1;  // loses its last digit as a double
  ds.First();
  ds.Edit();
  ds.FieldByName("Big").SetAsLargeInt(big);
  ds.Post();
  ds.Refresh();
  EXPECT_EQ(ds.FieldByName("Big").AsLargeInt(), big);
  ds.Edit();
  ds.FieldByName("Big").SetValue(2.5);  // fractions are rounded, half to even
  EXPECT_EQ(ds.FieldByName("Big").AsLargeInt(), 2);
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("Big").AsLargeInt(), big);
}

TEST_F(KivDataSet, FieldChecksAndUnicodeFieldClasses) {
  EXPECT_NE(dynamic_cast<TKivWideStringField*>(&ds.FieldByName("Name")), nullptr);
  EXPECT_EQ(dynamic_cast<TKivWideStringField*>(&ds.FieldByName("Age")), nullptr);
  ds.First();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.FieldByName("Name").SetAsWideString(u"x"); }),
            "Dataset not in edit or insert mode");
  ds.Edit();
  ds.FieldByName("Name").SetAsWideString(u"\u4e2d\u6587");
  EXPECT_EQ(ds.FieldByName("Name").WideDisplayText(), u"\u4e2d\u6587");
  EXPECT_EQ(ds.FieldByName("Name").DisplayText(), "??");  // the 8-bit path cannot hold it
  ds.FieldByName("Name").Clear();
  ds.FieldByName("Name").SetRequired(true);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Post(); }), "Field 'Name' must have a value");
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Cancel();
  ds.FieldByName("Age").SetReadOnly(true);
  ds.Edit();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.FieldByName("Age").SetAsInteger(1); }),
            "Field 'Age' cannot be modified");
}

TEST(KivDataSetFields, UnconvertibleFieldTypesAreRefused) {
  class TOdd : public TKivVarArrayDataSet {
   public:
    ~TOdd() override { CloseForDestroy(); }
    // A value put straight into the store, past the field buffer.
    void AddRawRow(const Variant& v) {
      SetRowValue(NewRow(), 0, v);
      Refresh();
    }

   protected:
    void InternalInitFieldDefs() override {
      FieldDefs().Clear();
      FieldDefs().Add("V", ftVariant);
    }
  } odd;
  odd.Open();
  odd.Append();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { odd.FieldByName("V").SetValue(1); }),
            "Internal Error: BufferToVar() encountered unexpected field type.");
  odd.Cancel();
  odd.AddRawRow(7);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { odd.FieldByName("V").Value(); }),
            "Internal Error: VarToBuffer() encountered unexpected field type.");
  EXPECT_FALSE(odd.IsEmpty());
}

TEST(KivVarArrayDataSet, RowsLiveInTheStoreWhileOpen) {
  TPeople ds;
  ds.Open();
  ds.Add(u"b", 2);
  ds.Add(u"a", 1);
  ds.Add(u"c", 3);
  ds.Refresh();
  EXPECT_EQ(ds.Names(), (Names{u"b", u"a", u"c"}));  // creation order
  ds.SetSort("Name");
  EXPECT_EQ(ds.Names(), (Names{u"a", u"b", u"c"}));
  ds.Locate("Name", u"b", {});
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(ds.StoreCount(), 2);
  ds.Close();
  EXPECT_EQ(ds.StoreCount(), 0);
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
}

}  // namespace
