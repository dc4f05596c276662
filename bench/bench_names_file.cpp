// The names file reader at sizes no real file reaches: 200,000 aliases
// (goal: under a second, growing as n log n) and an include path written
// with a million leading backslashes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "oracle/tnsnames.h"

namespace {

std::string TempFolder() {
  char pattern[] = "/tmp/tarlow_bench_names_XXXXXX";
  return mkdtemp(pattern);
}

void BM_ParseAliases(benchmark::State& state) {
  const long n = state.range(0);
  const std::string dir = TempFolder();
  const std::string path = dir + "/tnsnames.ora";
  {
    std::ofstream out(path);
    // Names in no particular order, a tenth of them repeated in another case.
    for (long i = 0; i < n; ++i) {
      const long k = (i * 7919) % n;
      out << (k % 10 == 0 ? "db" : "DB") << k << " = (DESCRIPTION = (ADDRESS = (HOST = h" << k
          << ")(PORT = 1521))(CONNECT_DATA = (SERVICE_NAME = s)))\n";
      if (k % 10 == 0) out << "Db" << k << " = (x)\n";
    }
  }
  for (auto _ : state) {
    oci::ResetNetServiceNames();
    oci::ParseTnsNames(path);
    benchmark::DoNotOptimize(oci::NetServiceNames().size());
  }
  state.SetItemsProcessed(state.iterations() * n);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ParseAliases)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_LeadingBackslashes(benchmark::State& state) {
  const std::string dir = TempFolder();
  const std::string path = dir + "/tnsnames.ora";
  std::ofstream(path) << "A = (x)\nIFILE = " << std::string(1000000, '\\') << "missing.ora\nB = (x)\n";
  for (auto _ : state) {
    oci::ResetNetServiceNames();
    oci::ParseTnsNames(path);
    benchmark::DoNotOptimize(oci::NetServiceNames().size());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LeadingBackslashes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
