// One redraw of a window after a Run at N = 10 000, so that the output path has 10 001 points:
// the window records the frame (arm or platform, axes, path), and the recording is painted on
// an offscreen QPainter surface of the desktop program's drawing size, as its widget does.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

#include "app/atlas/atlas.h"
#include "app/atlas/atlas_picture.h"
#include "app/service/window_atlas.h"
#include "bench/bench_support.h"
#include "draw/surface.h"
#include "gui/qpainter_surface.h"
#include "gui/sim_tools.h"
#include "gui/window_widget.h"
#include "gui/workspace_panel.h"
#include "mechanisms/registry.h"

namespace kinelab::bench {

namespace {

constexpr int path_divisions = 10000;
constexpr double screen_dpi = 96;
constexpr double mm_per_inch = 25.4;

// A white image of the desktop program's drawing size at 96 dpi.
QImage drawing_image() {
  const int width =
      static_cast<int>(std::lround(default_surface_width_mm * screen_dpi / mm_per_inch));
  const int height =
      static_cast<int>(std::lround(default_surface_height_mm * screen_dpi / mm_per_inch));
  return QImage(width, height, QImage::Format_ARGB32_Premultiplied);
}

// Paints the window's recording on the image.
void paint(sim_window& w, QImage& image) {
  QPainter painter(&image);
  qpainter_surface target(painter, image.width(), image.height(), screen_dpi, screen_dpi);
  w.picture()->replay(target);
}

void redraw(benchmark::State& state, const std::string& window) {
  std::unique_ptr<window_model> m = open_window(window, path_divisions);
  sim_window& w = *as_simulation(m.get());
  w.press("run");
  w.stop();
  QImage image = drawing_image();
  for (auto _ : state) {
    w.redraw();
    paint(w, image);
  }
  state.counters["path_points"] = static_cast<double>(w.logic().output_path()->size());
}

// The workspace atlas of the default Stewart platform, a 400 × 400 slice at constant
// orientation: its drawing recorded and painted (the redraw), and the whole slider move
// (the Run the defaults come from, the atlas and the redraw).
void atlas_redraw(benchmark::State& state, bool recompute) {
  std::unique_ptr<window_model> m = open_window("form_stewart_gyaku", 50);
  sim_window& w = *as_simulation(m.get());
  atlas_request r;
  r.cells = 400;
  atlas_source_result src = atlas_source_of(w);
  atlas_result a = compute_atlas(*src.source, r);
  QImage image = drawing_image();
  for (auto _ : state) {
    if (recompute) {
      src = atlas_source_of(w);
      a = compute_atlas(*src.source, r);
    }
    draw_atlas(*w.picture(), *src.source, *a.grid);
    paint(w, image);
  }
  state.counters["ops"] = static_cast<double>(w.picture()->ops().size());
}

// A pose slider's move with the atlas open in the desktop program: the window's widget moves its
// first pose slider (one step, back and forth), its workspace panel computes the atlas (from its
// cache, off the GUI thread; waited for) and draws it, and the picture widget is painted
// offscreen. `kept`: false for what the panel did before it kept its atlases, on the GUI thread:
// the window's Run and static pose, a whole atlas at the Run's limits (400 000 samples for an
// arm), the drawing and the same paint.
void atlas_slider_move_in(benchmark::State& state, const std::string& window,
                          const std::string& sliders, bool kept) {
  window_widget w(find_window(window)->make());
  w.show();
  sim_window& sim = *as_simulation(&w.model());
  workspace_panel* panel = nullptr;
  if (kept) {
    w.tools()->findChild<QAction*>("workspace")->trigger();
    panel = w.tools()->workspace();
    panel->settle();
  }
  QImage image(w.picture()->size(), QImage::Format_ARGB32_Premultiplied);
  const int start = sim.ctl.slider_at(sliders, 0).value;
  int step = 0;
  for (auto _ : state) {
    w.slider_moved(sliders, 0, start + (++step % 2));
    if (kept) {
      panel->settle();
    } else {
      atlas_source_result src = atlas_source_of(sim);
      sim.stop();
      atlas_request r;
      r.cells = 100;
      r.samples = 400'000;
      const atlas_result a = compute_atlas(*src.source, r, sim.language);
      if (!a.grid) state.SkipWithError(a.problem.c_str());
      draw_atlas(*sim.picture(), *src.source, *a.grid, 0, sim.language);
    }
    w.picture()->render(&image);
  }
  if (kept && !panel->grid()) state.SkipWithError("no atlas");
}

// kinelab-cli's --tick 10^18 at the settings cap: the timer's walk to the step it ends on, and
// the one frame recorded there, beside recording one frame alone.
constexpr int cap_divisions = 200000;
constexpr long huge_tick_count = 1000000000000000000L;

void ticks_at_the_cap(benchmark::State& state, bool many) {
  std::unique_ptr<window_model> m = open_window("form_3r_jun", cap_divisions);
  sim_window& w = *as_simulation(m.get());
  w.press("run");
  for (auto _ : state) {
    if (many)
      w.advance_ticks(huge_tick_count);
    else
      w.redraw();
  }
}

}  // namespace

}  // namespace kinelab::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kinelab::bench::enter_scratch_dir();
  for (const kinelab::window_entry& e : kinelab::window_registry())
    if (e.simulation)
      benchmark::RegisterBenchmark(("redraw/" + e.name + "/N:10000").c_str(),
                                   kinelab::bench::redraw, e.name)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
  benchmark::RegisterBenchmark("atlas_redraw/form_stewart_gyaku/400x400",
                               kinelab::bench::atlas_redraw, false)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("atlas_slider_move/form_stewart_gyaku/400x400",
                               kinelab::bench::atlas_redraw, true)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  for (const char* window : {"form_6r_gyaku", "Form_zelko_gyaku", "form_stewart_gyaku"})
    for (const bool kept : {true, false}) {
      // The serial windows' pose sliders are HScroll2, the parallel ones' HScroll1.
      const std::string sliders =
          std::string(window).rfind("form_6r", 0) == 0 ? "HScroll2" : "HScroll1";
      benchmark::RegisterBenchmark(
          (std::string(kept ? "atlas_pose_slider/" : "atlas_pose_slider_uncached/") + window)
              .c_str(),
          kinelab::bench::atlas_slider_move_in, window, sliders, kept)
          ->Unit(benchmark::kMillisecond)
          ->MeasureProcessCPUTime()
          ->UseRealTime()
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    }
  for (const bool many : {false, true})
    benchmark::RegisterBenchmark(
        many ? "ticks/form_3r_jun/N:200000/K:1e18" : "record_one_frame/form_3r_jun/N:200000",
        kinelab::bench::ticks_at_the_cap, many)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
