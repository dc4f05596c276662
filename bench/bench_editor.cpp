// The script editor's model on a generated script of 1,000,000 lines held in
// the store: the plain scan of every line with the standard library (the
// physical limit), the store's Find repeated to the end with a word and with
// a pattern, colouring every line from scratch, Replace All of many matches
// in one undo step, and a pattern with nested repetitions over a long line.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "editor/memo_source.h"
#include "editor/regexpr.h"
#include "editor/sql_parser.h"
#include "generated_script.h"

namespace {

using tarlow::TMemoSource;

constexpr int kLines = 1000000;
const std::u16string kWord = u"DEPT_ID";
const std::u16string kPattern = u"{[A-Z]}+_ID";

// The script store of the window (read-only, as after a run) with a parser.
struct ScriptStore {
  tarlow::TSqlParser parser;
  TMemoSource store;
  ScriptStore() {
    tarlow::ApplyScriptStoreSettings(store);
    store.SetSyntaxParser(&parser);
    store.Lines().SetText(bench_script::GeneratedScript(kLines));
  }
};

ScriptStore& Script() {
  static ScriptStore s;
  return s;
}

long RawCount(const TMemoSource& store, std::u16string_view word) {
  long found = 0;
  const auto& lines = store.InternalLines();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::u16string_view line = lines.Item(i).LineText;
    for (std::size_t p = line.find(word); p != std::u16string_view::npos; p = line.find(word, p + word.size()))
      ++found;
  }
  return found;
}

void BM_RawFind1M(benchmark::State& state) {
  TMemoSource& store = Script().store;
  long found = 0;
  for (auto _ : state) {
    found = RawCount(store, kWord);
    benchmark::DoNotOptimize(found);
  }
  state.counters["matches"] = static_cast<double>(found);
}

long FindAll(TMemoSource& store, tarlow::TSearchOptions& o) {
  long found = 0;
  store.SetCaret({0, 0});
  if (store.FindFromDialog(o)) {
    ++found;
    for (;;) {
      store.SearchAgain(o);
      if (store.MatchHighlight().Line < 0) break;
      ++found;
    }
  }
  return found;
}

void RunFindAll(benchmark::State& state, bool regular) {
  TMemoSource& store = Script().store;
  tarlow::TSearchOptions o;
  o.TextToFind = regular ? kPattern : kWord;
  o.RegularExpr = regular;
  long found = 0;
  for (auto _ : state) {
    found = FindAll(store, o);
    state.PauseTiming();
    store.ClearUndo();  // each match moved the caret, which is recorded
    state.ResumeTiming();
  }
  const long expected = regular ? 2L * (kLines / 10) : RawCount(store, kWord);
  if (found != expected) state.SkipWithError("the store's Find did not find every occurrence");
  state.counters["matches"] = static_cast<double>(found);
}

void BM_FindAll1M(benchmark::State& state) { RunFindAll(state, false); }
void BM_FindPattern1M(benchmark::State& state) { RunFindAll(state, true); }

void BM_Colour1M(benchmark::State& state) {
  TMemoSource& store = Script().store;
  for (auto _ : state) {
    store.ResetColoring();
    for (int i = 0; i < store.Lines().Count(); ++i) benchmark::DoNotOptimize(store.ColorData(i).size());
  }
}

void BM_ReplaceAll100k(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::u16string text;
  for (int i = 0; i < n; ++i) text += u"  EMP_ID NUMBER(6),\r\n";
  tarlow::TSqlParser parser;
  for (auto _ : state) {
    state.PauseTiming();
    auto store = std::make_unique<TMemoSource>();
    tarlow::ApplyScriptStoreSettings(*store);
    store->SetSyntaxParser(&parser);
    store->Lines().SetText(text);
    store->SetReadOnly(false);
    tarlow::TSearchOptions o;
    o.TextToFind = u"EMP_ID";
    o.ReplaceWith = u"EMPLOYEE_ID";
    o.ReplaceAll = true;
    state.ResumeTiming();
    store->ReplaceFromDialog(o);
    state.PauseTiming();
    int actions = 0;
    for (const auto& r : store->UndoList().Records()) actions += r.StartsAction ? 1 : 0;
    if (store->Lines().Get(n - 1) != u"  EMPLOYEE_ID NUMBER(6)," || actions != 1)
      state.SkipWithError("Replace All did not replace every match in one undo step");
    store.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_PathologicalRegex(benchmark::State& state) {
  const std::u16string line(5000, u'a');
  tarlow::TRegExpr re(u"{a*}*b", false);
  for (auto _ : state) {
    int col = 1;
    int len = 0;
    benchmark::DoNotOptimize(re.SearchLine(line, col, true, len));
  }
}

BENCHMARK(BM_RawFind1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAll1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPattern1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Colour1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAll100k)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PathologicalRegex)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
