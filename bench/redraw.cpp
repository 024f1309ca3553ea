// One redraw of a window after a Run at N = 10 000, so that the output path has 10 001 points:
// the window records the frame (arm or platform, axes, path), and the recording is painted on
// an offscreen QPainter surface of the desktop program's drawing size, as its widget does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

#include "app/atlas/atlas.h"
#include "app/atlas/atlas_picture.h"
#include "bench/bench_support.h"
#include "draw/surface.h"
#include "gui/qpainter_surface.h"
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
