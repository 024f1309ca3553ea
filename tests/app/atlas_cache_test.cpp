// The atlas cache: what it reuses after a move of the pose is what a fresh atlas computes, and
// any edit of what the samples or the cells depend on computes them again. The identity a
// window gives its mechanism is held to the maps themselves: a field that leaves the identity
// as it was leaves the maps as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/atlas/atlas.h"
#include "app/window/sim_window.h"
#include "core/number_text.h"
#include "mechanisms/registry.h"
#include "support/atlas_window.h"

namespace kinelab {
namespace {

struct open_window : test::open_window {
  using test::open_window::open_window;
  atlas_source source() { return test::source_of(w); }
  void move_slider(const std::string& group, int index, int value) {
    w.ctl.slider_at(group, index).value = value;
    w.slider_changed(group, index);
  }
  // Nudges the first field that changes the mechanism's identity.
  void edit_geometry() {
    const std::string before = w.logic().atlas()->identity;
    for (text_group& g : w.ctl.texts)
      for (text_field& f : g.fields) {
        const auto v = parse_number(f.text);
        if (f.readout || !f.enabled || !v) continue;
        const std::string kept = f.text;
        f.text = format_number(*v * 1.05 + 0.01);
        w.static_pose();
        if (w.logic().atlas()->identity != before) return;
        f.text = kept;
      }
    ADD_FAILURE() << "no field changes the geometry";
  }
};

bool same_bits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every map of the mechanism at a few fixed inputs, as bytes.
std::string maps_at_probes(const atlas_mechanism& m) {
  std::string out;
  const std::size_t n = m.pose.size();
  for (int p = 0; p < 6; ++p) {
    std::vector<double> q(n), a(m.actuators.size());
    for (std::size_t k = 0; k < n; ++k)
      q[k] = (m.pose[k].angle ? 0.3 : 0.05) * std::sin(1.7 * p + 0.9 * static_cast<double>(k));
    if (m.kind == atlas_kind::platform && m.position_free()) q[2] += 1;  // above the base
    double point[3] = {};
    if (m.forward) out += m.forward(q.data(), point) ? 'f' : 'n';
    if (m.inverse) out += static_cast<char>(m.inverse(q.data(), a.data()));
    jacobian_matrix J;
    out += m.jacobian(q.data(), J) ? 'j' : 'n';
    for (double v : point) out.append(reinterpret_cast<const char*>(&v), sizeof v);
    for (double v : a) out.append(reinterpret_cast<const char*>(&v), sizeof v);
    for (int r = 1; r <= J.rows; ++r)
      for (int c = 1; c <= J.cols; ++c) {
        const double v = J.m(r, c);
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
      }
  }
  return out;
}

// Each field of every window with an atlas, nudged: where the identity stays, so do the maps;
// and the geometry fields do move the identity (so that the cache can serve at all).
TEST(atlas_cache, an_identity_that_stays_means_maps_that_stay) {
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    open_window o(e.name);
    std::optional<atlas_mechanism> base = o.w.logic().atlas();
    if (!base) continue;
    SCOPED_TRACE(e.name);
    o.w.static_pose();
    base = o.w.logic().atlas();
    EXPECT_FALSE(base->identity.empty());
    const std::string base_maps = maps_at_probes(*base);
    int moved = 0;
    for (text_group& g : o.w.ctl.texts)
      for (std::size_t i = 0; i < g.fields.size(); ++i) {
        text_field& f = g.fields[i];
        const auto v = parse_number(f.text);
        if (f.readout || !f.enabled || !v) continue;
        SCOPED_TRACE(g.name + "(" + std::to_string(i) + ") = " + f.text);
        const std::string kept = f.text;
        f.text = format_number(*v * 1.1 + 0.013);
        o.w.static_pose();
        const std::optional<atlas_mechanism> m = o.w.logic().atlas();
        if (m->identity == base->identity)
          EXPECT_EQ(maps_at_probes(*m), base_maps);
        else
          ++moved;
        f.text = kept;
        o.w.static_pose();
      }
    // Windows from a file hold the file's geometry; the built-in ones have geometry fields.
    if (e.name.find("file") == std::string::npos) {
      EXPECT_GT(moved, 0);
    }
  }
}

void expect_same_cells(const atlas_grid& a, const atlas_grid& b) {
  ASSERT_EQ(a.state.size(), b.state.size());
  EXPECT_EQ(a.nu, b.nu);
  EXPECT_TRUE(same_bits(a.u0, b.u0) && same_bits(a.du, b.du) && same_bits(a.v0, b.v0) &&
              same_bits(a.w0, b.w0) && same_bits(a.dw, b.dw));
  EXPECT_TRUE(a.state == b.state);
  std::size_t differ = 0;
  for (std::size_t c = 0; c < a.state.size(); ++c)
    differ += !same_bits(a.sigma_min[c], b.sigma_min[c]) ||
              !same_bits(a.condition[c], b.condition[c]) || a.singular[c] != b.singular[c];
  EXPECT_EQ(differ, 0u);
}

// A sampled mechanism's atlases from one cache through a run of edits, each against a fresh
// atlas of the same source and request: the cells bit for bit, and the samples reused exactly
// where the mechanism, its limits and the sample count stayed.
TEST(atlas_cache, sampled_atlases_are_those_computed_afresh) {
  struct edit {
    const char* what;
    std::function<void(open_window&, atlas_request&)> apply;
    atlas_cache::reuse expected;
  };
  const struct {
    const char* window;
    const char* pose_sliders;
  } windows[] = {{"form_6r_gyaku", "HScroll2"}, {"Form_zelko_gyaku", "HScroll1"}};
  for (const auto& win : windows) {
    SCOPED_TRACE(win.window);
    open_window o(win.window);
    const std::vector<atlas_limit> limits = o.source().default_limits;
    const std::string sliders = win.pose_sliders;
    const edit edits[] = {
        {"first", [](open_window&, atlas_request&) {}, atlas_cache::reuse::none},
        {"pose slider", [&](open_window& w, atlas_request&) { w.move_slider(sliders, 0, 3); },
         atlas_cache::reuse::samples},
        {"another pose slider",
         [&](open_window& w, atlas_request&) { w.move_slider(sliders, 1, -4); },
         atlas_cache::reuse::samples},
        {"plane", [](open_window&, atlas_request& r) { r.plane = atlas_plane::xz; },
         atlas_cache::reuse::samples},
        {"cells", [](open_window&, atlas_request& r) { r.cells = 37; },
         atlas_cache::reuse::samples},
        {"samples", [](open_window&, atlas_request& r) { r.samples = 30000; },
         atlas_cache::reuse::none},
        {"a limit",
         [](open_window&, atlas_request& r) {
           r.limits[1].hi = std::nextafter(r.limits[1].hi, 9.0);
         },
         atlas_cache::reuse::none},
        {"geometry", [](open_window& w, atlas_request&) { w.edit_geometry(); },
         atlas_cache::reuse::none},
        {"geometry kept", [](open_window&, atlas_request&) {}, atlas_cache::reuse::samples},
    };
    atlas_cache cache;
    atlas_request r;
    r.cells = 40;
    r.samples = 20000;
    r.limits = limits;
    for (const edit& e : edits) {
      SCOPED_TRACE(e.what);
      e.apply(o, r);
      const atlas_source src = o.source();
      const atlas_result kept = compute_atlas(src, r, ui_language::english, &cache);
      EXPECT_EQ(cache.last_reuse(), e.expected);
      const atlas_result fresh = compute_atlas(src, r);
      ASSERT_TRUE(kept.grid && fresh.grid) << kept.problem << fresh.problem;
      expect_same_cells(*kept.grid, *fresh.grid);
      EXPECT_EQ(describe_atlas(*kept.grid), describe_atlas(*fresh.grid));
    }
  }
}

// An atlas stopped part way leaves the samples it drew in the cache; the next one, from the
// cache, is still the one computed afresh.
TEST(atlas_cache, an_interrupted_atlas_leaves_only_whole_samples) {
  open_window o("Form_zelko_gyaku");
  const atlas_source src = o.source();
  atlas_cache cache;
  atlas_request r;
  r.cells = 40;
  r.samples = 60000;
  int asks = 0;
  cancellation stop([&] { return ++asks > 3; }, std::chrono::nanoseconds(0));
  r.cancel = &stop;
  EXPECT_FALSE(compute_atlas(src, r, ui_language::english, &cache).grid);
  EXPECT_GT(asks, 3);
  r.cancel = nullptr;
  const atlas_result kept = compute_atlas(src, r, ui_language::english, &cache);
  EXPECT_EQ(cache.last_reuse(), atlas_cache::reuse::samples);
  const atlas_result fresh = compute_atlas(src, r);
  ASSERT_TRUE(kept.grid && fresh.grid);
  expect_same_cells(*kept.grid, *fresh.grid);
}

// A platform's grid is reused while the pose moves within the slice, and every cell of it is
// the cell at its centre for the pose moved; a move across the slice, of the posture, of a
// limit or of the geometry computes it again.
TEST(atlas_cache, platform_grids_follow_what_their_cells_depend_on) {
  open_window o("form_stewart_gyaku");
  const std::vector<atlas_limit> limits = o.source().default_limits;
  atlas_cache cache;
  atlas_request r;
  r.cells = 30;
  r.limits = limits;
  const struct {
    const char* what;
    std::function<void()> apply;
    atlas_cache::reuse expected;
  } edits[] = {
      {"first", [] {}, atlas_cache::reuse::none},
      {"x slider", [&] { o.move_slider("HScroll1", 0, 3); }, atlas_cache::reuse::grid},
      {"y slider", [&] { o.move_slider("HScroll1", 1, -2); }, atlas_cache::reuse::grid},
      {"z slider (the slice)", [&] { o.move_slider("HScroll1", 2, 17); }, atlas_cache::reuse::none},
      {"a posture slider", [&] { o.move_slider("HScroll1", 4, 3); }, atlas_cache::reuse::none},
      {"a limit", [&] { r.limits[0].lo -= 0.01; }, atlas_cache::reuse::none},
      {"geometry", [&] { o.edit_geometry(); }, atlas_cache::reuse::none},
      {"x slider again", [&] { o.move_slider("HScroll1", 0, -3); }, atlas_cache::reuse::grid},
  };
  for (const auto& e : edits) {
    SCOPED_TRACE(e.what);
    e.apply();
    const atlas_source src = o.source();
    const atlas_result a = compute_atlas(src, r, ui_language::english, &cache);
    ASSERT_TRUE(a.grid) << a.problem;
    EXPECT_EQ(cache.last_reuse(), e.expected);
    const atlas_grid& g = *a.grid;
    long long reachable = 0;
    for (int j = 0; j < g.nv; ++j)
      for (int i = 0; i < g.nu; ++i) {
        const std::size_t c = g.index(i, j);
        const atlas_cell cell =
            evaluate_platform_cell(src, g.mode, g.plane, r.limits, g.u_at(i), g.v_at(j), g.w0);
        ASSERT_EQ(cell.state, g.state[c]) << i << " " << j;
        if (cell.state != cell_state::reachable) continue;
        ++reachable;
        ASSERT_TRUE(same_bits(cell.sigma_min, g.sigma_min[c])) << i << " " << j;
      }
    EXPECT_GT(reachable, 0);
    // The grid is the fresh one wherever it was computed.
    if (e.expected == atlas_cache::reuse::none) expect_same_cells(g, *compute_atlas(src, r).grid);
  }
}

}  // namespace
}  // namespace kinelab
