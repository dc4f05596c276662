// The script writer's two sinks: N statements of a few lines each, written as
// the run writes them (text, then two line breaks).  The editor sink works on
// the last line only, so it should stay within a small factor of the file
// sink and grow linearly with N.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "editor/memo_source.h"
#include "script/script_writer.h"

namespace {

std::string Statement(long i) {
  return "INSERT INTO EMP (EMPNO, ENAME, JOB)\r\nVALUES (" + std::to_string(i) +
         ", 'SMITH', 'CLERK');";
}

void BM_EditorSink(benchmark::State& state) {
  const long n = state.range(0);
  for (auto _ : state) {
    tarlow::TMemoSource store;
    tarlow::ApplyScriptStoreSettings(store);
    tarlow::ScriptWriter writer(store, nullptr);
    for (long i = 0; i < n; ++i) writer.WriteScript(Statement(i), 2);
    benchmark::DoNotOptimize(store.Lines().Count());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_FileSink(benchmark::State& state) {
  const long n = state.range(0);
  char pattern[] = "/tmp/tarlow_bench_XXXXXX";
  const std::string dir = mkdtemp(pattern);
  for (auto _ : state) {
    tarlow::TMemoSource store;
    auto file = tarlow::ScriptFile::Create(dir + "/script.sql");
    tarlow::ScriptWriter writer(store, file.get());
    for (long i = 0; i < n; ++i) writer.WriteScript(Statement(i), 2);
    file->Close();
  }
  state.SetItemsProcessed(state.iterations() * n);
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_EditorSink)->Arg(100000)->Arg(200000)->Arg(400000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileSink)->Arg(100000)->Arg(200000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
