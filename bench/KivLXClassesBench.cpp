// TKivList: a million inserts and then a million deletes at the front, against the
// same at the back. The front gap should make the two cost about the same; a
// std::vector working at its front is shown for scale (on a smaller count, since it
// is quadratic).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "DataSets/KivLXClasses.h"

namespace {

void* Item(std::int64_t i) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(i + 1)); }

void BM_KivListFront(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TKivList l;
    for (int i = 0; i < n; ++i) l.Insert(0, Item(i));
    for (int i = 0; i < n; ++i) l.Delete(0, 1);
    benchmark::DoNotOptimize(l.Count());
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}

void BM_KivListBack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TKivList l;
    for (int i = 0; i < n; ++i) l.Insert(l.Count(), Item(i));
    for (int i = 0; i < n; ++i) l.Delete(l.Count() - 1, 1);
    benchmark::DoNotOptimize(l.Count());
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}

void BM_VectorFront(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<void*> v;
    for (int i = 0; i < n; ++i) v.insert(v.begin(), Item(i));
    for (int i = 0; i < n; ++i) v.erase(v.begin());
    benchmark::DoNotOptimize(v.size());
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}

}  // namespace

BENCHMARK(BM_KivListFront)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KivListBack)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorFront)->Arg(100000)->Unit(benchmark::kMillisecond);
