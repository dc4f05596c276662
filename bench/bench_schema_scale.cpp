// A schema's size against the stand-in's cost: loading N tables (each with a
// primary key, a check, a NOT NULL column, an index, a comment, a foreign key
// to the table before it and one row) with `ocisim run`, then scripting them
// all with tarlow-script --all.  Compare N = 5000 with N = 1000: a linear
// cost gives 5x.  TARLOW_BENCH_TABLES=N1,N2,... picks other sizes.
// Beside the real time, each case reports child_cpu_s: the processor time
// its child processes took, which other load on a shared machine does not
// inflate.  BM_Logon logs on and runs one query against the loaded schema.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

struct Schema {
  std::string dir;
  std::string file;
  bool loaded = false;
};

Schema& SchemaOf(long tables) {
  static std::map<long, Schema> schemas;
  Schema& s = schemas[tables];
  if (!s.dir.empty()) return s;
  std::string pattern = (fs::temp_directory_path() / "tarlow-bench-schema-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return s;
  s.dir = pattern;
  s.file = s.dir + "/schema.sql";
  std::ofstream out(s.file);
  for (long i = 0; i < tables; ++i) {
    char t[32], prev[32];
    std::snprintf(t, sizeof t, "T%05ld", i);
    std::snprintf(prev, sizeof prev, "T%05ld", i - 1);
    out << "CREATE TABLE " << t << " (ID NUMBER(9) CONSTRAINT " << t << "_PK PRIMARY KEY, NAME VARCHAR2(40) NOT NULL,"
        << " AMOUNT NUMBER(10,2) CHECK (AMOUNT >= 0), CREATED DATE, PARENT NUMBER(9));\n"
        << "CREATE INDEX " << t << "_IX ON " << t << " (NAME);\n"
        << "COMMENT ON TABLE " << t << " IS 'Table " << i << "';\n";
    if (i > 0)
      out << "ALTER TABLE " << t << " ADD CONSTRAINT " << t << "_FK FOREIGN KEY (PARENT) REFERENCES " << prev
          << " (ID);\n";
    out << "INSERT INTO " << t << " VALUES (" << i << ", 'name " << i << "', " << i << ".5, NULL, NULL);\n";
  }
  return s;
}

int Run(const std::string& dir, const std::string& command) {
  const std::string cmd = "OCISIM_DATA=" + Quote(dir) + " " + command + " >/dev/null 2>" + Quote(dir + "/err");
  return std::system(cmd.c_str());
}

// Processor time (user and system) of the children waited for so far.
double ChildCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_CHILDREN, &u);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

std::string Tool() { return Quote(std::string(TARLOW_BIN_DIR) + "/ocisim"); }

void BM_LoadSchema(benchmark::State& state) {
  Schema& s = SchemaOf(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(s.dir + "/S.db");
    fs::remove(s.dir + "/S.db-wal");
    fs::remove(s.dir + "/S.db-shm");
    if (Run(s.dir, Tool() + " --database S create") != 0 || Run(s.dir, Tool() + " --database S adduser U u") != 0) {
      state.SkipWithError("ocisim cannot make the database");
      return;
    }
    state.ResumeTiming();
    const double cpu = ChildCpuSeconds();
    if (Run(s.dir, Tool() + " --database S --user U --password u run " + Quote(s.file)) != 0) {
      state.SkipWithError("the schema does not load");
      return;
    }
    state.counters["child_cpu_s"] = ChildCpuSeconds() - cpu;
    s.loaded = true;
  }
}

void BM_Logon(benchmark::State& state) {
  Schema& s = SchemaOf(state.range(0));
  if (!s.loaded) {
    state.SkipWithError("BM_LoadSchema has not loaded this size");
    return;
  }
  const double cpu = ChildCpuSeconds();
  for (auto _ : state)
    if (Run(s.dir, Tool() + " --database S --user U --password u query " + Quote("SELECT 1 FROM DUAL")) != 0)
      state.SkipWithError("ocisim cannot log on");
  state.counters["child_cpu_s"] =
      benchmark::Counter(ChildCpuSeconds() - cpu, benchmark::Counter::kAvgIterations);
}

void BM_ScriptAll(benchmark::State& state) {
  Schema& s = SchemaOf(state.range(0));
  if (!s.loaded) {
    state.SkipWithError("BM_LoadSchema has not loaded this size");
    return;
  }
  const std::string command = Quote(std::string(TARLOW_BIN_DIR) + "/tarlow-script") +
                              " --database S --user U --password u --all " +
                              Quote("OCIDLL=" + std::string(TARLOW_LIB_DIR) + "/libocisim.so");
  const double cpu = ChildCpuSeconds();
  for (auto _ : state)
    if (Run(s.dir, command) != 0) state.SkipWithError("tarlow-script failed");
  state.counters["child_cpu_s"] = ChildCpuSeconds() - cpu;
}

void Sizes(benchmark::internal::Benchmark* b) {
  std::string sizes = std::getenv("TARLOW_BENCH_TABLES") ? std::getenv("TARLOW_BENCH_TABLES") : "1000,5000";
  std::stringstream in(sizes);
  for (std::string n; std::getline(in, n, ',');)
    if (std::atol(n.c_str()) > 0) b->Arg(std::atol(n.c_str()));
}

}  // namespace

BENCHMARK(BM_LoadSchema)->Apply(Sizes)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_Logon)->Apply(Sizes)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScriptAll)->Apply(Sizes)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
