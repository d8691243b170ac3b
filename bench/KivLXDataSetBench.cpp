// The variant-array data set: sorting on open against std::sort with the same
// comparison, locates through the binary search against linear scans, one post of an
// edited sort key in a large set, and memory per row.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DataSets/KivLXVarArrayDataSet.h"

namespace {

// `texts` wide-string fields named S0, S1, … and, when asked, an integer field "N".
class TBenchSet : public TKivVarArrayDataSet {
 public:
  TBenchSet(int texts, bool withNumber) : texts_(texts), withNumber_(withNumber) {}
  ~TBenchSet() override { CloseForDestroy(); }
  using TKivDataSet::RowList;
  void Value(TRowHandle row, int field, Variant& v) { GetRowValue(row, field, v); }

 protected:
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (int i = 0; i < texts_; ++i) FieldDefs().Add("S" + std::to_string(i), ftWideString, 40);
    if (withNumber_) FieldDefs().Add("N", ftInteger);
  }

 private:
  int texts_;
  bool withNumber_;
};

std::u16string RandomText(std::mt19937& rng, int length) {
  static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::uniform_int_distribution<int> pick(0, 51);
  std::u16string s(static_cast<std::size_t>(length), u' ');
  for (auto& c : s) c = kLetters[pick(rng)];
  return s;
}

// Opens a set of (S0 text, N number) rows in creation order.
std::unique_ptr<TBenchSet> MakeNamedSet(int rows, std::vector<std::u16string>* names = nullptr) {
  auto ds = std::make_unique<TBenchSet>(1, true);
  ds->Open();
  std::mt19937 rng(42);
  TField& text = ds->FieldByName("S0");
  TField& number = ds->FieldByName("N");
  for (int i = 0; i < rows; ++i) {
    std::u16string s = RandomText(rng, 12);
    if (names) names->push_back(s);
    ds->Append();
    text.SetAsWideString(s);
    number.SetAsInteger(i);
    ds->Post();
  }
  return ds;
}

void BM_SortOnOpen(benchmark::State& state) {
  auto ds = MakeNamedSet(static_cast<int>(state.range(0)));
  ds->SetSortOptions({loCaseInsensitive});
  for (auto _ : state) {
    state.PauseTiming();
    ds->SetSort("");  // back to creation order
    state.ResumeTiming();
    ds->SetSort("S0");  // reloads and sorts
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdSortSameComparison(benchmark::State& state) {
  auto ds = MakeNamedSet(static_cast<int>(state.range(0)));
  const TKivList& rows = ds->RowList();
  std::vector<TRowHandle> handles;
  const TLocateOptions options{loCaseInsensitive};
  for (auto _ : state) {
    state.PauseTiming();
    handles.assign(rows.List(), rows.List() + rows.Count());
    state.ResumeTiming();
    std::sort(handles.begin(), handles.end(), [&](TRowHandle a, TRowHandle b) {
      Variant va, vb;
      ds->Value(a, 0, va);
      ds->Value(b, 0, vb);
      return TKivDataSet::CompareVariants(va, vb, options) < 0;
    });
    benchmark::DoNotOptimize(handles.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Locates on the sort field take the binary search; on another field, a linear scan.
void Locates(benchmark::State& state, const char* field, bool byText, TLocateOptions options) {
  std::vector<std::u16string> names;
  auto ds = MakeNamedSet(10000, &names);
  ds->SetSort("S0");
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 9999);
  std::int64_t found = 0;
  for (auto _ : state) {
    int i = pick(rng);
    found += ds->Locate(field, byText ? Variant(names[static_cast<std::size_t>(i)]) : Variant(i),
                        options)
                 ? 1
                 : 0;
  }
  if (found != state.iterations()) state.SkipWithError("a locate missed its row");
  state.SetItemsProcessed(state.iterations());
}

// The search options match the sort's, so the binary search sees the order it was made in.
void BM_LocateSortField(benchmark::State& state) {
  Locates(state, "S0", true, {loCaseInsensitive});
}
void BM_LocateOtherField(benchmark::State& state) { Locates(state, "N", false, {}); }

void BM_PostEditedSortKey(benchmark::State& state) {
  auto ds = MakeNamedSet(static_cast<int>(state.range(0)));
  ds->SetSort("S0");
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> pick(1, static_cast<int>(state.range(0)));
  TField& text = ds->FieldByName("S0");
  for (auto _ : state) {
    state.PauseTiming();
    ds->SetRecNo(pick(rng));
    ds->Edit();
    text.SetAsWideString(RandomText(rng, 12));
    state.ResumeTiming();
    ds->Post();  // one binary search and one move of the row in the list
  }
}

// Heap bytes per row for 8 wide-string fields of 20 characters, against the text.
void BM_MemoryPerRow(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  double perRow = 0;
  for (auto _ : state) {
    std::size_t before = mallinfo2().uordblks;
    {
      TBenchSet ds(8, false);
      ds.Open();
      std::mt19937 rng(11);
      std::vector<TField*> fields;
      for (int f = 0; f < 8; ++f) fields.push_back(&ds.FieldByName("S" + std::to_string(f)));
      for (int i = 0; i < rows; ++i) {
        ds.Append();
        for (TField* f : fields) f->SetAsWideString(RandomText(rng, 20));
        ds.Post();
      }
      std::size_t after = mallinfo2().uordblks;
      perRow = static_cast<double>(after - before) / rows;
    }
  }
  const double rawText = 8 * 20 * sizeof(char16_t);
  state.counters["bytes_per_row"] = perRow;
  state.counters["raw_text_bytes"] = rawText;
  state.counters["ratio"] = perRow / rawText;
}

}  // namespace

BENCHMARK(BM_SortOnOpen)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortSameComparison)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateSortField)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocateOtherField)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostEditedSortKey)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemoryPerRow)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
