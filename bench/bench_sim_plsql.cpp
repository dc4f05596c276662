// A block that writes a large LOB in pieces, as scripts write every LOB
// value: the row's LOB returned by its INSERT, then one WRITEAPPEND per
// 4,000-byte piece.  The time per byte should not grow with the value's size
// (the argument is the value's size in bytes).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "engine/engine.h"

namespace {

std::string blockFor(size_t bytes) {
  std::string block =
      "DECLARE l CLOB;\nBEGIN\nINSERT INTO t (a, c) VALUES (1, EMPTY_CLOB()) RETURNING c INTO l;\n";
  std::string piece;
  for (size_t i = 0; i < 4000; ++i) piece += static_cast<char>('a' + i % 26);
  for (size_t at = 0; at < bytes; at += 4000)
    block += "DBMS_LOB.WRITEAPPEND(l, 4000, '" + piece.substr(0, 2000) + "'\n|| '" + piece.substr(2000) + "');\n";
  return block + "END;";
}

void BM_WriteAppendPieces(benchmark::State& state) {
  char tmpl[] = "/tmp/ocisim-bench-plsql-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  ocisim::createDatabase(dir, "BENCH");
  ocisim::addUser(dir, "BENCH", "bench", "bench");
  {
    auto conn = ocisim::attachIn(dir, "BENCH");
    std::string warning;
    conn->logon("bench", "bench", &warning);
    conn->prepare("CREATE TABLE t (a NUMBER, c CLOB)")->execute();
    std::string block = blockFor(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
      auto st = conn->prepare(block);
      st->execute();
      conn->rollback();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_WriteAppendPieces)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
