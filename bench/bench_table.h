// The large table the benchmarks read: a stand-in database in a temporary
// folder with bench_rows (id, name, amount, created), made once per program
// by doubling one row until the wanted count is reached, and a session of
// SCOTT logged on to it.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "oracle/loader.h"
#include "oracle/query.h"
#include "oracle/session.h"

namespace bench {

struct BenchTable {
  std::string dir;
  std::string lib;
  std::unique_ptr<TOracleSession> session;
  long rows = 0;
  std::string error;
};

inline BenchTable& benchTable() {
  static BenchTable t;
  return t;
}

// The row count: the environment variable `rowsVariable`, or 1048576.
inline long wantedRows(const char* rowsVariable) {
  const char* v = std::getenv(rowsVariable);
  long n = v ? std::atol(v) : 1048576;
  return n > 0 ? n : 1;
}

// Makes the table on first use; false (with error set) when it cannot.
// `firstName` is the text of the first row's name, which every row copies.
inline bool setUpBenchTable(const char* rowsVariable, const std::string& firstName) {
  BenchTable& t = benchTable();
  if (t.session) return true;
  if (!t.error.empty()) return false;
  t.lib = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
  if (!std::filesystem::exists(t.lib)) {
    t.error = "no stand-in client library at " + t.lib;
    return false;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tarlow-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    t.error = "mkdtemp failed";
    return false;
  }
  t.dir = pattern;
  ::setenv("OCISIM_DATA", t.dir.c_str(), 1);
  try {
    ocisim::createDatabase(t.dir, "BENCH");
    ocisim::addUser(t.dir, "BENCH", "SCOTT", "TIGER");
    oci::SetOCIDLL(t.lib);
    t.session = std::make_unique<TOracleSession>();
    t.session->SetLogonDatabase("BENCH");
    t.session->SetLogonUsername("SCOTT");
    t.session->SetLogonPassword("TIGER");
    t.session->SetConnected(true);
    TOracleQuery q(t.session.get());
    q.SetSQLText("create table bench_rows (id number(9), name varchar2(30), amount number(10,2), created date)");
    q.Execute();
    std::string quoted;
    for (char c : firstName) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    q.SetSQLText("insert into bench_rows values (1, '" + quoted +
                 "', 1234.5, to_date('2020-02-29 13:45:00', 'yyyy-mm-dd hh24:mi:ss'))");
    q.Execute();
    long have = 1, want = wantedRows(rowsVariable);
    while (have < want) {
      long add = std::min(have, want - have);
      q.SetSQLText("insert into bench_rows select id + " + std::to_string(have) +
                   ", name, amount + id, created + id / 1000 from bench_rows where id <= " + std::to_string(add));
      q.Execute();
      have += add;
    }
    t.session->Commit();
    t.rows = have;
  } catch (const std::exception& e) {
    t.error = std::string("setting up the table failed: ") + e.what();
    t.session.reset();
    return false;
  }
  return true;
}

inline void tearDownBenchTable() {
  BenchTable& t = benchTable();
  if (t.session) {
    try {
      t.session->SetConnected(false);
    } catch (...) {
    }
    t.session.reset();
  }
  if (!t.dir.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(t.dir, ec);
  }
}

}  // namespace bench
