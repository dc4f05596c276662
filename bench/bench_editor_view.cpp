// The script editor's view on a generated script of 1,000,000 lines:
// setting the text into the store and painting the first screen, painting
// the first and the last screen of the script once it is coloured, the
// first jump to the end (which colours every line before it), and paging
// down one screen at a time through 10,000 lines.  The store's resident
// memory is reported as a counter (MB).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <cstdio>
#include <memory>
#include <string>

#include "editor/memo_source.h"
#include "editor/sql_parser.h"
#include "editor/ui/memo_view.h"
#include "generated_script.h"

namespace {

using tarlow::TMemoSource;
using tarlow::TMemoView;

constexpr int kLines = 1000000;

const std::u16string& ScriptText() {
  static const std::u16string text = bench_script::GeneratedScript(kLines);
  return text;
}

double ResidentMB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The heap in use, which unlike the resident size shrinks when memory is
// freed, so a later measurement is not hidden by memory an earlier one freed.
double HeapMB() {
  const struct mallinfo2 m = ::mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

// The window's script store and view at the window's first size.
struct ScriptView {
  tarlow::TSqlParser parser;
  TMemoSource store;
  TMemoView view;
  QImage screen;
  ScriptView() {
    tarlow::ApplyScriptStoreSettings(store);
    store.SetSyntaxParser(&parser);
    view.resize(420, 300);
    view.SetMemoSource(&store);
    view.show();
    QApplication::processEvents();
    screen = QImage(view.viewport()->size(), QImage::Format_RGB32);
  }
  void Paint() {
    view.Flush();
    view.viewport()->render(&screen);
    benchmark::DoNotOptimize(screen.constBits());
  }
};

void BM_SetTextAndPaintFirstScreen1M(benchmark::State& state) {
  const std::u16string& text = ScriptText();
  double storeRss = 0, storeHeap = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto sv = std::make_unique<ScriptView>();
    const double rss = ResidentMB(), heap = HeapMB();
    state.ResumeTiming();
    sv->store.Lines().SetText(text);
    sv->Paint();
    state.PauseTiming();
    // The first store is measured on fresh memory; later ones reuse what
    // the earlier freed, which the resident size does not show.
    if (storeRss == 0) storeRss = ResidentMB() - rss;
    storeHeap = HeapMB() - heap;
    if (sv->store.Lines().Count() != kLines) state.SkipWithError("the store did not take every line");
    sv.reset();
    state.ResumeTiming();
  }
  state.counters["store_rss_MB"] = storeRss;
  state.counters["store_heap_MB"] = storeHeap;
}

ScriptView& Shared() {
  static ScriptView* sv = [] {
    auto* v = new ScriptView;
    v->store.Lines().SetText(ScriptText());
    v->Paint();
    return v;
  }();
  return *sv;
}

// Colouring every line on the way: what the first look at the end costs.
void BM_FirstJumpToTheEnd1M(benchmark::State& state) {
  ScriptView& sv = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    sv.store.ResetColoring();
    sv.view.SetTopLine(0);
    sv.Paint();
    state.ResumeTiming();
    sv.view.SetTopLine(kLines - sv.view.VisibleLines());
    sv.Paint();
  }
  // The whole script coloured: the store with every line's colour data.
  state.counters["coloured_heap_MB"] = HeapMB();
}

void PaintAt(benchmark::State& state, bool last) {
  ScriptView& sv = Shared();
  const int top = last ? kLines - sv.view.VisibleLines() : 0;
  sv.view.SetTopLine(top);
  sv.Paint();  // coloured once; the iterations repaint
  for (auto _ : state) sv.Paint();
  if (sv.view.TopLine() != top) state.SkipWithError("the view is not where it was put");
}

void BM_PaintFirstScreen1M(benchmark::State& state) { PaintAt(state, false); }
void BM_PaintLastScreen1M(benchmark::State& state) { PaintAt(state, true); }

// One PgDn and the repaint it causes, through the first 10,000 lines.
void BM_PageDownRepaint(benchmark::State& state) {
  ScriptView& sv = Shared();
  sv.view.setFocus();
  auto toStart = [&] {
    sv.store.SetSelection(tarlow::kSelNone, {}, {});
    sv.store.SetCaret({0, 0});
    sv.view.SetTopLine(0);
    sv.store.ClearUndo();
    sv.Paint();
  };
  toStart();
  for (auto _ : state) {
    if (sv.store.Caret().Line >= 10000) {
      state.PauseTiming();
      toStart();
      state.ResumeTiming();
    }
    sv.view.HandleKey(Qt::Key_PageDown, Qt::NoModifier, QString());
    sv.Paint();
  }
  if (sv.store.Caret().Line == 0) state.SkipWithError("PgDn did not move the caret");
}

BENCHMARK(BM_SetTextAndPaintFirstScreen1M)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstJumpToTheEnd1M)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PaintFirstScreen1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintLastScreen1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageDownRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
