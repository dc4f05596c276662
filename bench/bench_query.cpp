// Reading a large table three ways in one run: the stand-in client's raw
// fetch loop (OCIStmtFetch in arrays of 25 through dlopen), TOracleQuery with
// FieldAsText of every column, and TOracleDataSet opening every record and
// reading every field as text.  The goals: the query within 1.5 times the raw
// loop, the data set within 3 times.
//
// BENCH_QUERY_ROWS sets the row count (default 1048576, a little over a
// million, made by doubling one row twenty times).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "bench_table.h"
#include "engine/engine.h"
#include "oracle/dataset.h"
#include "oracle/loader.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "platform/locale_formats.h"

namespace {

const char* kSelect = "select id, name, amount, created from bench_rows";

bench::BenchTable& fixture() { return bench::benchTable(); }

bool setUp() {
  if (!bench::benchTable().session) {
    platform::LocaleFormats lf;
    lf.shortDateFormat = "dd/mm/yyyy";
    lf.longTimeFormat = "hh:nn:ss";
    platform::setLocaleFormats(lf);
  }
  return bench::setUpBenchTable("BENCH_QUERY_ROWS", "customer name 1");
}

void tearDown() { bench::tearDownBenchTable(); }

std::map<std::string, double> g_secondsPerRun;  // wall clock
std::map<std::string, double> g_cpuPerRun;

// The raw loop: the client library's own calls, bound by dlopen, defining the
// same external types the query uses (integer, string, float, DATE).
struct RawApi {
  OCIEnvCreate_fn EnvCreate;
  OCIHandleAlloc_fn HandleAlloc;
  OCIHandleFree_fn HandleFree;
  OCIServerAttach_fn ServerAttach;
  OCIServerDetach_fn ServerDetach;
  OCIAttrSet_fn AttrSet;
  OCISessionBegin_fn SessionBegin;
  OCISessionEnd_fn SessionEnd;
  OCIStmtPrepare_fn StmtPrepare;
  OCIStmtExecute_fn StmtExecute;
  OCIDefineByPos_fn DefineByPos;
  OCIStmtFetch_fn StmtFetch;
  OCIAttrGet_fn AttrGet;
};

void BM_RawFetchLoop(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  void* h = ::dlopen(fixture().lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    state.SkipWithError("dlopen failed");
    return;
  }
  RawApi a{};
#define BIND(field, name) a.field = reinterpret_cast<name##_fn>(::dlsym(h, #name))
  BIND(EnvCreate, OCIEnvCreate);
  BIND(HandleAlloc, OCIHandleAlloc);
  BIND(HandleFree, OCIHandleFree);
  BIND(ServerAttach, OCIServerAttach);
  BIND(ServerDetach, OCIServerDetach);
  BIND(AttrSet, OCIAttrSet);
  BIND(SessionBegin, OCISessionBegin);
  BIND(SessionEnd, OCISessionEnd);
  BIND(StmtPrepare, OCIStmtPrepare);
  BIND(StmtExecute, OCIStmtExecute);
  BIND(DefineByPos, OCIDefineByPos);
  BIND(StmtFetch, OCIStmtFetch);
  BIND(AttrGet, OCIAttrGet);
#undef BIND
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIServer* srv = nullptr;
  OCISession* ses = nullptr;
  a.EnvCreate(&env, OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  a.HandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  a.HandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  a.HandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
  a.HandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
  const char* db = "BENCH";
  if (a.ServerAttach(srv, err, reinterpret_cast<const OraText*>(db), 5, 0) != OCI_SUCCESS) {
    state.SkipWithError("attach failed");
    return;
  }
  a.AttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
  a.AttrSet(ses, OCI_HTYPE_SESSION, (void*)"SCOTT", 5, OCI_ATTR_USERNAME, err);
  a.AttrSet(ses, OCI_HTYPE_SESSION, (void*)"TIGER", 5, OCI_ATTR_PASSWORD, err);
  a.SessionBegin(svc, err, ses, OCI_CRED_RDBMS, 0);
  a.AttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);

  constexpr int kRows = 25;
  int32_t ids[kRows];
  char names[kRows][31];
  double amounts[kRows];
  unsigned char dates[kRows][7];
  sb2 ind[4][kRows];
  ub2 len[4][kRows];
  long total = 0;
  for (auto _ : state) {
    OCIStmt* st = nullptr;
    a.HandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    a.StmtPrepare(st, err, reinterpret_cast<const OraText*>(kSelect), ub4(std::strlen(kSelect)), OCI_NTV_SYNTAX,
                  OCI_DEFAULT);
    a.StmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    OCIDefine* d = nullptr;
    a.DefineByPos(st, &d, err, 1, ids, 4, SQLT_INT, ind[0], len[0], nullptr, OCI_DEFAULT);
    a.DefineByPos(st, &d, err, 2, names, 31, SQLT_STR, ind[1], len[1], nullptr, OCI_DEFAULT);
    a.DefineByPos(st, &d, err, 3, amounts, 8, SQLT_FLT, ind[2], len[2], nullptr, OCI_DEFAULT);
    a.DefineByPos(st, &d, err, 4, dates, 7, SQLT_DAT, ind[3], len[3], nullptr, OCI_DEFAULT);
    ub4 before = 0;
    long rows = 0;
    for (;;) {
      sword s = a.StmtFetch(st, err, kRows, OCI_FETCH_NEXT, OCI_DEFAULT);
      ub4 now = 0;
      a.AttrGet(st, OCI_HTYPE_STMT, &now, nullptr, OCI_ATTR_ROW_COUNT, err);
      rows += now - before;
      before = now;
      benchmark::DoNotOptimize(ids[0]);
      benchmark::DoNotOptimize(names[0][0]);
      if (s != OCI_SUCCESS) break;
    }
    total = rows;
    a.HandleFree(st, OCI_HTYPE_STMT);
  }
  state.counters["rows"] = double(total);
  a.SessionEnd(svc, err, ses, 0);
  a.ServerDetach(srv, err, 0);
  a.HandleFree(env, OCI_HTYPE_ENV);
}

void BM_QueryFieldAsText(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  TOracleQuery q(fixture().session.get());
  q.SetSQLText(kSelect);
  long total = 0;
  for (auto _ : state) {
    long rows = 0;
    size_t bytes = 0;
    q.Execute();
    const int n = q.FieldCount();
    while (!q.Eof()) {
      for (int i = 0; i < n; ++i) bytes += q.FieldAsText(i).size();
      ++rows;
      q.Next();
    }
    benchmark::DoNotOptimize(bytes);
    total = rows;
  }
  state.counters["rows"] = double(total);
}

// The query's fetch path alone, reading no column: what the buffering costs.
void BM_QueryNextOnly(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  TOracleQuery q(fixture().session.get());
  q.SetSQLText(kSelect);
  long total = 0;
  for (auto _ : state) {
    long rows = 0;
    for (q.Execute(); !q.Eof(); q.Next()) ++rows;
    total = rows;
  }
  state.counters["rows"] = double(total);
}

void BM_DataSetAsString(benchmark::State& state) {
  if (!setUp()) {
    state.SkipWithError(fixture().error.c_str());
    return;
  }
  TOracleDataSet ds(fixture().session.get(), "odsOracle");
  ds.SetSQLText(kSelect);
  long total = 0;
  for (auto _ : state) {
    ds.SetActive(false);
    ds.SetActive(true);
    long rows = 0;
    size_t bytes = 0;
    const int n = ds.FieldCount();
    for (ds.First(); !ds.Eof(); ds.Next()) {
      for (int i = 0; i < n; ++i) bytes += ds.Fields(i).AsString().size();
      ++rows;
    }
    benchmark::DoNotOptimize(bytes);
    total = rows;
  }
  ds.SetActive(false);
  state.counters["rows"] = double(total);
}

BENCHMARK(BM_RawFetchLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QueryFieldAsText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QueryNextOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DataSetAsString)->Unit(benchmark::kMillisecond)->Iterations(3);

// Collects each benchmark's real time per run, to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred && r.iterations > 0)
      {
        g_secondsPerRun[r.benchmark_name()] = r.GetAdjustedRealTime();
        g_cpuPerRun[r.benchmark_name()] = r.GetAdjustedCPUTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // CPU time is the fairer measure on a shared machine; wall clock is shown beside it.
  const std::string rawName = "BM_RawFetchLoop/iterations:3";
  const std::string queryName = "BM_QueryFieldAsText/iterations:3";
  const std::string dataSetName = "BM_DataSetAsString/iterations:3";
  if (g_cpuPerRun[rawName] > 0) {
    std::printf("rows: %ld\n", fixture().rows);
    auto ratio = [](std::map<std::string, double>& m, const std::string& a, const std::string& b) {
      return m[b] > 0 ? m[a] / m[b] : 0.0;
    };
    std::printf("query / raw fetch loop:    %.2f CPU, %.2f wall (goal 1.5)\n", ratio(g_cpuPerRun, queryName, rawName),
                ratio(g_secondsPerRun, queryName, rawName));
    std::printf("data set / raw fetch loop: %.2f CPU, %.2f wall (goal 3)\n", ratio(g_cpuPerRun, dataSetName, rawName),
                ratio(g_secondsPerRun, dataSetName, rawName));
  } else if (!fixture().error.empty()) {
    std::printf("%s\n", fixture().error.c_str());
  }
  tearDown();
  benchmark::Shutdown();
  return 0;
}
