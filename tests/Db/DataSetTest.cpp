// The data-set abstraction, driven through the variant-array data set.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DataSets/KivFields.h"
#include "DataSets/KivLXVarArrayDataSet.h"
#include "Db/DataSet.h"
#include "Rtl/Exceptions.h"

namespace {

class TNumbers : public TKivVarArrayDataSet {
 public:
  ~TNumbers() override { CloseForDestroy(); }
  int failDeletes = 0;

  void Fill(int n) {
    for (int i = 1; i <= n; ++i) {
      Append();
      FieldByName("Id").SetAsInteger(i);
      Post();
    }
  }
  int Id() { return FieldByName("Id").AsInteger(); }

 protected:
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("Id", ftInteger, 0, true);
    FieldDefs().Add("Name", ftString, 12);
    FieldDefs().Add("When", ftDate);
  }
  void InternalDelete() override {
    if (failDeletes > 0) {
      --failDeletes;
      throw EDatabaseError("busy");
    }
    TKivVarArrayDataSet::InternalDelete();
  }
};

// Records what a control would hear, and reads the ring as a grid would.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> heard;
  bool throwOnChange = false;

  std::vector<int> RingIds() {
    std::vector<int> ids;
    int active = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      ids.push_back(DataSet()->FieldByName("Id").AsInteger());
    }
    SetActiveRecord(active);
    return ids;
  }

 protected:
  void ActiveChanged() override { heard.push_back("active"); }
  void EditingChanged() override { heard.push_back("editing"); }
  void DataSetChanged() override {
    heard.push_back("changed");
    if (throwOnChange) throw EKivGeneralError("control failed");
  }
  void DataSetScrolled(int distance) override {
    heard.push_back("scrolled " + std::to_string(distance));
  }
  void RecordChanged(TField* field) override {
    heard.push_back(std::string("record ") + (field ? field->FieldName() : "-"));
  }
};

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST(DataSetRing, KeepsAWindowOfRecordsAroundTheCursor) {
  TNumbers ds;
  TRecordingLink grid;
  grid.SetBufferCount(5);
  grid.SetDataSet(&ds);
  ds.Open();
  ds.Fill(20);
  EXPECT_EQ(ds.BufferCount(), 5);

  ds.First();
  EXPECT_EQ(grid.RingIds(), Range(1, 5));
  EXPECT_EQ(grid.ActiveRecord(), 0);
  grid.heard.clear();
  EXPECT_EQ(ds.MoveBy(6), 6);
  EXPECT_EQ(ds.Id(), 7);
  EXPECT_EQ(grid.RingIds(), Range(3, 7));  // scrolled by two, active at the bottom
  EXPECT_EQ(grid.ActiveRecord(), 4);
  EXPECT_EQ(grid.heard, (std::vector<std::string>{"scrolled 2"}));

  ds.MoveBy(-5);
  EXPECT_EQ(ds.Id(), 2);
  EXPECT_EQ(grid.RingIds(), Range(2, 6));

  ASSERT_TRUE(ds.Locate("Id", 12, {}));
  EXPECT_EQ(grid.RingIds(), Range(10, 14));  // centred
  EXPECT_EQ(grid.ActiveRecord(), 2);

  ds.Last();
  EXPECT_EQ(grid.RingIds(), Range(16, 20));
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.MoveBy(3), 0);
  EXPECT_EQ(ds.MoveBy(-30), -19);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.Id(), 1);

  grid.SetBufferCount(2);  // a smaller control: the ring shrinks around the cursor
  EXPECT_EQ(ds.Id(), 1);
  EXPECT_EQ(grid.RingIds(), Range(1, 2));
  grid.SetDataSet(nullptr);
  EXPECT_EQ(ds.BufferCount(), 1);
}

TEST(DataSetRing, InsertOpensASlotAtTheCursorAndCancelClosesIt) {
  TNumbers ds;
  TRecordingLink grid;
  grid.SetBufferCount(4);
  grid.SetDataSet(&ds);
  ds.Open();
  ds.Fill(6);
  ds.First();
  ds.Next();
  ds.Insert();
  EXPECT_EQ(grid.RecordCount(), 4);
  EXPECT_TRUE(ds.FieldByName("Id").IsNull());
  grid.SetActiveRecord(2);
  EXPECT_EQ(ds.Id(), 2);  // the record the new one goes ahead of
  grid.SetActiveRecord(1);
  ds.Cancel();
  EXPECT_EQ(ds.Id(), 2);
  EXPECT_EQ(grid.RingIds(), Range(1, 4));
  EXPECT_THROW(grid.SetActiveRecord(4), EListError);
}

TEST(DataSetControls, DisabledControlsHearOneChangeAtTheEnd) {
  TNumbers ds;
  TRecordingLink link;
  link.SetDataSet(&ds);
  ds.Open();
  ds.Fill(3);
  link.heard.clear();
  ds.DisableControls();
  ds.DisableControls();
  ds.First();
  ds.Next();
  ds.Edit();
  ds.FieldByName("Name").SetAsString("x");
  ds.Post();
  ds.EnableControls();
  EXPECT_TRUE(link.heard.empty());
  ds.EnableControls();
  EXPECT_EQ(link.heard, (std::vector<std::string>{"changed"}));
  EXPECT_FALSE(ds.ControlsDisabled());

  link.heard.clear();
  ds.Edit();
  ds.FieldByName("Name").SetAsString("y");
  EXPECT_EQ(link.heard, (std::vector<std::string>{"editing", "record -", "record Name"}));
  ds.Cancel();
}

int g_handled = 0;
void CountHandled() { ++g_handled; }

TEST(DataSetControls, AFailingControlGoesToTheApplicationHandler) {
  TNumbers ds;
  TRecordingLink link;
  link.SetDataSet(&ds);
  ds.Open();
  ds.Fill(2);
  link.throwOnChange = true;
  EXPECT_THROW(ds.First(), EKivGeneralError);  // no handler: the failure propagates
  SetDataSetExceptionHandler(&CountHandled);
  g_handled = 0;
  ds.Last();
  EXPECT_EQ(g_handled, 1);
  EXPECT_EQ(ds.Id(), 2);
  SetDataSetExceptionHandler(nullptr);
}

TEST(DataSetEvents, OrderAroundEditingAndScrolling) {
  TNumbers ds;
  std::vector<std::string> log;
  auto note = [&](const char* what) { return [&log, what](TDataSet&) { log.push_back(what); }; };
  ds.BeforeInsert = note("BeforeInsert");
  ds.AfterInsert = note("AfterInsert");
  ds.BeforePost = note("BeforePost");
  ds.AfterPost = note("AfterPost");
  ds.BeforeScroll = note("BeforeScroll");
  ds.AfterScroll = note("AfterScroll");
  ds.BeforeCancel = note("BeforeCancel");
  ds.BeforeOpen = note("BeforeOpen");
  ds.AfterClose = note("AfterClose");
  ds.Open();
  ds.Fill(1);
  EXPECT_EQ(log,
            (std::vector<std::string>{"BeforeOpen", "BeforeInsert", "BeforeScroll", "AfterInsert",
                                      "AfterScroll", "BeforePost", "AfterPost"}));
  log.clear();
  ds.Last();
  ds.Next();  // already at the end: nothing moves, no events
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  log.clear();
  ds.Edit();
  ds.First();  // unmodified edit: cancelled, not posted
  ds.Edit();
  ds.FieldByName("Name").SetAsString("n");
  ds.Next();  // modified: posted first
  EXPECT_EQ(ds.FieldByName("Name").AsString(), "n");
  EXPECT_EQ(log,
            (std::vector<std::string>{"BeforeCancel", "BeforeScroll", "AfterScroll", "BeforePost",
                                      "AfterPost", "BeforeScroll", "AfterScroll"}));
  log.clear();
  ds.Close();
  ds.Close();
  EXPECT_EQ(log, (std::vector<std::string>{"AfterClose"}));
}

TEST(DataSetEvents, DeleteErrorsCanBeRetriedAbortedOrFailed) {
  TNumbers ds;
  ds.Open();
  ds.Fill(3);
  ds.failDeletes = 2;
  ds.OnDeleteError = [](TDataSet&, EDatabaseError& e, TDataAction& action) {
    EXPECT_EQ(e.Message(), "busy");
    action = daRetry;
  };
  ds.First();
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 2);

  ds.failDeletes = 1;
  ds.OnDeleteError = [](TDataSet&, EDatabaseError&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(ds.Delete(), EAbort);
  ds.failDeletes = 1;
  ds.OnDeleteError = nullptr;
  EXPECT_THROW(ds.Delete(), EDatabaseError);
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(ds.State(), dsBrowse);
}

TEST(DataSetFields, FieldListsValuesAndChecks) {
  TNumbers ds;
  ds.Open();
  ds.Fill(1);
  std::vector<TField*> list;
  ds.GetFieldList(list, " name ;ID;");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->FieldName(), "Name");
  EXPECT_EQ(list[1]->FieldName(), "Id");
  try {
    ds.GetFieldList(list, "Id;;Name");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field '' not found");
  }

  ds.Edit();
  ds.SetFieldValues("Name;When", VarArrayOf({"abc", Variant::FromDate(36526.75)}));
  ds.Post();
  Variant v = ds.FieldValues("Id;Name");
  EXPECT_EQ(v.GetElement(0).AsInteger(), 1);
  EXPECT_EQ(v.GetElement(1).AsAnsiString(), "abc");
  EXPECT_EQ(ds.FieldByName("When").DisplayText(), "2000-01-01");  // a date field shows the date
  EXPECT_EQ(ds.FieldByName("When").DisplayWidth(), 10);
  EXPECT_EQ(ds.FieldByName("Name").DisplayWidth(), 12);
  ds.FieldByName("Name").SetDisplayWidth(3);
  EXPECT_EQ(ds.FieldByName("Name").DisplayWidth(), 3);
  EXPECT_EQ(ds.FieldByName("Id").FieldNo(), 1);
  // The library's data sets hand out the Unicode layer's classes for text and dates.
  EXPECT_NE(dynamic_cast<TKivDateField*>(&ds.FieldByName("When")), nullptr);
  EXPECT_NE(dynamic_cast<TKivStringField*>(&ds.FieldByName("Name")), nullptr);
  EXPECT_NE(dynamic_cast<TIntegerField*>(&ds.FieldByName("Id")), nullptr);

  ds.Append();
  try {
    ds.Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'Id' must have a value");  // required by its definition
  }
  ds.Cancel();
  EXPECT_THROW(ds.AddField(std::make_unique<TIntegerField>(), "Extra"), EDatabaseError);
  EXPECT_THROW(ds.FieldDefs().Add("ID", ftInteger), EDatabaseError);
}

TEST(DataSetFields, PersistentFieldsOutliveCloseAndMustMatchTheirDefinitions) {
  class TWithFields : public TKivVarArrayDataSet {
   public:
    ~TWithFields() override { CloseForDestroy(); }
    bool wrongType = false;

   protected:
    void InternalInitFieldDefs() override {
      FieldDefs().Clear();
      FieldDefs().Add("Id", wrongType ? ftString : ftInteger);
    }
  } ds;
  TField& id = ds.AddField(std::make_unique<TIntegerField>(), "Id");
  ds.Open();
  EXPECT_FALSE(ds.DefaultFields());
  EXPECT_EQ(&ds.FieldByName("Id"), &id);
  ds.Close();
  EXPECT_EQ(&ds.FieldByName("Id"), &id);
  ds.wrongType = true;
  try {
    ds.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Type mismatch for field 'Id'");
  }
  EXPECT_FALSE(ds.Active());
}

}  // namespace
