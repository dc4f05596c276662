// Scripting the rows of a large table as INSERT statements into a file
// (the data writer through the file sink, as a run with "&To Text File"
// does), timed in the same run as sqlite3's own `.dump` of the same rows
// from the stand-in's database file.  The goal: the data writer no slower
// than 1.5 times sqlite3.
//
// BENCH_DATA_ROWS sets the row count (default 1048576, made by doubling one
// row twenty times).  The sqlite3 program is looked up on PATH.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench_table.h"
#include "editor/memo_source.h"
#include "engine/engine.h"
#include "oracle/loader.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "platform/locale_formats.h"
#include "script/schema_writers.h"
#include "script/script_host.h"
#include "script/script_writer.h"

namespace {

bench::BenchTable& fixture() { return bench::benchTable(); }

bool setUp() { return bench::setUpBenchTable("BENCH_DATA_ROWS", "customer's name"); }

void tearDown() { bench::tearDownBenchTable(); }

// Only what WriteTableData asks of the run: boxes, messages, the caption.
class BenchHost : public tarlow::ScriptHost {
 public:
  tarlow::TMemoSource store;
  bool BoxTicked(tarlow::OptionBox) override { return true; }
  bool ToTextFile() override { return true; }
  int ObjectCount() override { return 0; }
  std::string ObjectCaption(int) override { return {}; }
  bool ObjectTicked(int) override { return false; }
  tarlow::TMemoSource& ScriptStore() override { return store; }
  std::string ScriptCaption() override { return tarlow::kStopCaption; }
  void SetScriptCaption(const std::string&) override {}
  void SetStatus(const std::string&) override {}
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  std::optional<std::string> AskScriptFile() override { return std::nullopt; }
  void ReportError(const std::string&) override {}
};

std::map<std::string, double> g_wall;

void BM_WriteTableData(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  const std::string path = fixture().dir + "/data.sql";
  tarlow::SchemaWriters writers(*fixture().session);
  BenchHost host;
  uintmax_t bytes = 0;
  for (auto _ : state) {
    auto file = tarlow::ScriptFile::Create(path);
    tarlow::ScriptWriter writer(host.store, file.get());
    tarlow::ScriptContext ctx(host, writer);
    writers.WriteTableData(ctx, "BENCH_ROWS");
    file->Close();
    bytes = std::filesystem::file_size(path);
  }
  state.counters["rows"] = double(fixture().rows);
  state.counters["MB"] = double(bytes) / 1048576.0;
}

void BM_Sqlite3Dump(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0) {
    state.SkipWithError("no sqlite3 program on PATH");
    return;
  }
  const std::string out = fixture().dir + "/dump.sql";
  const std::string cmd = "sqlite3 '" + fixture().dir + "/BENCH.db' '.dump \"SCOTT.BENCH_ROWS\"' > '" + out + "'";
  uintmax_t bytes = 0;
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("sqlite3 .dump failed");
      return;
    }
    bytes = std::filesystem::file_size(out);
  }
  state.counters["MB"] = double(bytes) / 1048576.0;
}

BENCHMARK(BM_WriteTableData)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Sqlite3Dump)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred && r.iterations > 0) g_wall[r.run_name.function_name] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double tarlow = g_wall["BM_WriteTableData"], sqlite = g_wall["BM_Sqlite3Dump"];
  if (tarlow > 0 && sqlite > 0) {
    std::printf("rows: %ld\n", fixture().rows);
    std::printf("data writer / sqlite3 .dump: %.2f wall (goal 1.5)\n", tarlow / sqlite);
  } else if (!fixture().error.empty()) {
    std::printf("%s\n", fixture().error.c_str());
  }
  tearDown();
  benchmark::Shutdown();
  return 0;
}
