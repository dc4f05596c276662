// Ordering views, procedures and functions by their references: 2,000 of
// each kind in one chain, every object referencing the next by name, so that
// the list sorted by name is the worst order to start from (each object must
// end up after the one it references).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "script/dependency_order.h"

namespace {

std::vector<tarlow::TOracleObject> Chain(const std::string& prefix, int n) {
  std::vector<tarlow::TOracleObject> list(static_cast<size_t>(n));
  auto name = [&](int i) {
    const std::string digits = std::to_string(i);
    return prefix + std::string(6 - digits.size(), '0') + digits;
  };
  for (int i = 0; i < n; ++i) {
    list[size_t(i)].ObjectName = name(i);
    if (i + 1 < n) list[size_t(i)].Dependencies = {name(i + 1)};
  }
  return list;
}

void BM_OrderThreeKindsInChains(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto views = Chain("V", n), procedures = Chain("P", n), functions = Chain("F", n);
    state.ResumeTiming();
    tarlow::OrderByDependencies(views);
    tarlow::OrderByDependencies(procedures);
    tarlow::OrderByDependencies(functions);
    benchmark::DoNotOptimize(views.front().ObjectName);
  }
}

}  // namespace

BENCHMARK(BM_OrderThreeKindsInChains)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
