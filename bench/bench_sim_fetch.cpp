// The stand-in client's raw fetch path beside SQLite's own dump of the same
// table: a five-column table of a million rows (OCISIM_BENCH_ROWS to
// change that), fetched through OCIStmtFetch in arrays of 25 via dlopen,
// and `sqlite3 file .dump` of its storage table.  The goal is a fetch that
// takes no more than twice as long as the dump.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "oracle/oci.h"

namespace {

struct Api {
  void* lib = nullptr;
#define BENCH_MEMBER(name, ret, params) name##_fn name = nullptr;
  OCI8_ENTRY_POINTS(BENCH_MEMBER)
  OCI81_ENTRY_POINTS(BENCH_MEMBER)
#undef BENCH_MEMBER
  Api() {
    std::string path = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
    lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
#define BENCH_BIND(name, ret, params) name = reinterpret_cast<name##_fn>(dlsym(lib, #name));
    OCI8_ENTRY_POINTS(BENCH_BIND)
    OCI81_ENTRY_POINTS(BENCH_BIND)
#undef BENCH_BIND
  }
};

// The database, made once for the whole run.
struct Fixture {
  Api api;
  std::string dir;
  long rows = 1000000;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  std::string failure;

  Fixture() {
    if (const char* r = getenv("OCISIM_BENCH_ROWS")) rows = atol(r);
    if (!api.lib) {
      failure = "cannot load libocisim.so";
      return;
    }
    char tmpl[] = "/tmp/ocisim-bench-XXXXXX";
    dir = mkdtemp(tmpl);
    setenv("OCISIM_DATA", dir.c_str(), 1);
    ocisim::createDatabase(dir, "BENCH");
    ocisim::addUser(dir, "BENCH", "bench", "bench");
    api.OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    if (api.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>("bench"), 5,
                     reinterpret_cast<const OraText*>("bench"), 5, reinterpret_cast<const OraText*>("BENCH"), 5) !=
        OCI_SUCCESS) {
      failure = "logon failed";
      return;
    }
    run("create table big (id number(9), amount number(12,2), name varchar2(30), born date, code varchar2(10))");
    fill();
  }
  ~Fixture() {
    if (env) api.OCIHandleFree(env, OCI_HTYPE_ENV);
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }

  std::string error() {
    char buf[512] = {0};
    sb4 code = 0;
    api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_ERROR);
    return buf;
  }
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.data()), static_cast<ub4>(sql.size()),
                       OCI_NTV_SYNTAX, OCI_DEFAULT);
    return st;
  }
  void run(const std::string& sql) {
    OCIStmt* st = prepare(sql);
    if (api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) failure = error();
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  }

  // Array inserts of 1000 rows each.
  void fill() {
    constexpr int kBatch = 1000;
    std::vector<int> id(kBatch);
    std::vector<double> amount(kBatch);
    std::vector<char> name(kBatch * 30), code(kBatch * 10);
    std::vector<ub2> nameLen(kBatch), codeLen(kBatch);
    std::vector<unsigned char> born(kBatch * 7);
    OCIStmt* st = prepare("insert into big values (:1, :2, :3, :4, :5)");
    OCIBind* b = nullptr;
    api.OCIBindByPos(st, &b, err, 1, id.data(), sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, &b, err, 2, amount.data(), sizeof(double), SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr,
                     0);
    api.OCIBindByPos(st, &b, err, 3, name.data(), 30, SQLT_CHR, nullptr, nameLen.data(), nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, &b, err, 4, born.data(), 7, SQLT_DAT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, &b, err, 5, code.data(), 10, SQLT_CHR, nullptr, codeLen.data(), nullptr, 0, nullptr, 0);
    for (long done = 0; done < rows && failure.empty();) {
      int n = static_cast<int>(std::min<long>(kBatch, rows - done));
      for (int i = 0; i < n; ++i) {
        long r = done + i;
        id[i] = static_cast<int>(r);
        amount[i] = static_cast<double>(r % 100000) / 100.0;
        nameLen[i] = static_cast<ub2>(std::snprintf(&name[i * 30], 30, "customer number %ld", r));
        codeLen[i] = static_cast<ub2>(std::snprintf(&code[i * 10], 10, "C%ld", r % 9973));
        unsigned char* d = &born[i * 7];
        d[0] = 119;
        d[1] = static_cast<unsigned char>(100 + 50 + r % 50);
        d[2] = static_cast<unsigned char>(1 + r % 12);
        d[3] = static_cast<unsigned char>(1 + r % 28);
        d[4] = d[5] = d[6] = 1;
      }
      if (api.OCIStmtExecute(svc, st, err, static_cast<ub4>(n), 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS)
        failure = error();
      done += n;
    }
    api.OCITransCommit(svc, err, 0);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_OciFetchArraysOf25(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.failure.empty()) {
    state.SkipWithError(f.failure.c_str());
    return;
  }
  for (auto _ : state) {
    OCIStmt* st = f.prepare("select id, amount, name, born, code from big");
    constexpr ub4 kRows = 25;
    int id[kRows];
    double amount[kRows];
    char name[kRows][31], code[kRows][11];
    unsigned char born[kRows][7];
    sb2 ind[5][kRows];
    ub2 len[5][kRows];
    OCIDefine* d = nullptr;
    f.api.OCIDefineByPos(st, &d, f.err, 1, id, sizeof(int), SQLT_INT, ind[0], len[0], nullptr, OCI_DEFAULT);
    f.api.OCIDefineByPos(st, &d, f.err, 2, amount, sizeof(double), SQLT_FLT, ind[1], len[1], nullptr, OCI_DEFAULT);
    f.api.OCIDefineByPos(st, &d, f.err, 3, name, 31, SQLT_STR, ind[2], len[2], nullptr, OCI_DEFAULT);
    f.api.OCIDefineByPos(st, &d, f.err, 4, born, 7, SQLT_DAT, ind[3], len[3], nullptr, OCI_DEFAULT);
    f.api.OCIDefineByPos(st, &d, f.err, 5, code, 11, SQLT_STR, ind[4], len[4], nullptr, OCI_DEFAULT);
    f.api.OCIStmtExecute(f.svc, st, f.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    long total = 0;
    for (;;) {
      sword rc = f.api.OCIStmtFetch(st, f.err, kRows, OCI_FETCH_NEXT, OCI_DEFAULT);
      ub4 got = 0;
      f.api.OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, f.err);
      total += got;
      benchmark::DoNotOptimize(id[0]);
      if (rc != OCI_SUCCESS) break;
    }
    f.api.OCIHandleFree(st, OCI_HTYPE_STMT);
    if (total != f.rows) state.SkipWithError("wrong row count");
    state.counters["rows"] = static_cast<double>(total);
  }
}
BENCHMARK(BM_OciFetchArraysOf25)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SqliteDump(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.failure.empty()) {
    state.SkipWithError(f.failure.c_str());
    return;
  }
  // The table's storage name inside the database file is "OWNER.NAME".
  std::string cmd = "sqlite3 '" + f.dir + "/BENCH.db' '.dump \"BENCH.BIG\"' > /dev/null";
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("sqlite3 .dump failed");
  }
}
BENCHMARK(BM_SqliteDump)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
