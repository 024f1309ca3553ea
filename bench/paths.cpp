#include "bench/paths.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/window/settings.h"
#include "bench/bench_support.h"
#include "core/angles.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/serial_inverse.h"
#include "mechanisms/serial/serial_window.h"
#include "mechanisms/stewart/hexapod_window.h"

namespace kinelab::bench {

namespace {

constexpr int path_divisions = 50;  // the settings' default N

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "kinelab_bench: %s\n", what);
  std::abort();
}

// Opens and runs a window at the default N; the window stays alive for its arrays.
std::unique_ptr<window_model> run_default(std::unique_ptr<window_model> m) {
  enter_scratch_dir();
  if (!m) fail("a window the benchmarks step along is not registered");
  m->open();
  m->press("run");
  return m;
}

std::unique_ptr<window_model> run_registered(const char* name) {
  const window_entry* e = find_window(name);
  return run_default(e ? e->make({.N = path_divisions}) : nullptr);
}

serial_path serial_from(const sim_window& w, int joints, const std::vector<std::string>& groups,
                        const char* tolerance_group) {
  serial_path p;
  p.arm = read_link_table(w.ctl, groups);
  p.tolerance = w.ctl.number(tolerance_group);
  p.goal_p = array_of(w, "goal_p");
  if (joints == 6) p.goal_s = array_of(w, "goal_s");
  p.the.resize(p.goal_p.size());
  for (int k = 1; k <= joints; ++k) {
    const auto& a = array_of(w, "the" + std::to_string(k));
    for (std::size_t i = 0; i < a.size(); ++i) p.the[i](k) = a[i].x;
  }
  return p;
}

}  // namespace

const serial_path& three_axis_path() {
  static const serial_path p = [] {
    const auto m = run_registered("form_3r_gyaku");
    return serial_from(*as_simulation(m.get()), 3, three_axis_link_groups(), "Text9");
  }();
  return p;
}

const serial_path& six_axis_path() {
  static const serial_path p = [] {
    static serial_inverse_layout layout = {"form_6r_gyaku",
                                           "6r_gyaku",
                                           6,
                                           six_axis_link_groups(),
                                           six_axis_link_defaults(),
                                           {{"X", "0.2", {-50, 50, 30, true}, 0.01},
                                            {"Y", "0.1", {-50, 50, -30, true}, 0.01},
                                            {"Z", "0.6", {0, 100, 50, true}, 0.01},
                                            {"α(deg)", "30", {-18, 18, 0, true}, 5, true},
                                            {"β(deg)", "-20", {-18, 18, 0, true}, 5, true},
                                            {"γ(deg)", "45", {-18, 18, 0, true}, 5, true}},
                                           "Text12",
                                           "変位誤差",
                                           six_axis_first_guess_deg,
                                           six_axis_result_header()};
    static const window_decl decl = serial_inverse_window(layout);
    const auto m =
        run_default(std::make_unique<sim_window>(decl, run_settings{.N = path_divisions}));
    const sim_window& w = *as_simulation(m.get());
    if (!w.status.empty()) fail(("the 6R path from 20° did not solve: " + w.status).c_str());
    return serial_from(w, 6, six_axis_link_groups(), "Text12");
  }();
  return p;
}

const stewart_path& stewart_forward_path() {
  static const stewart_path p = [] {
    const auto m = run_registered("form_stewart_jun");
    const sim_window& w = *as_simulation(m.get());
    stewart_path r;
    for (int k = 1; k <= stewart_leg_count; ++k) {
      r.geometry.Bx(k) = w.ctl.number("Text1", k - 1);
      r.geometry.By(k) = w.ctl.number("Text2", k - 1);
      r.geometry.ax(k) = w.ctl.number("Text3", k - 1);
      r.geometry.ay(k) = w.ctl.number("Text6", k - 1);
    }
    r.tolerance = w.ctl.number("Text4");
    r.position = array_of(w, "pp");
    r.posture = array_of(w, "sp");
    // The goal lengths are not kept by the window: they are the profile between the start and
    // stop fields, as its Run forms them.
    const std::size_t n = r.position.size();
    r.leg.resize(n), r.dleg.resize(n), r.ddleg.resize(n);
    for (int k = 1; k <= stewart_leg_count; ++k) {
      const double start = w.ctl.number("Text9", k - 1), stop = w.ctl.number("Text10", k - 1);
      for (std::size_t i = 0; i < n; ++i) {
        const driven_value v =
            apply_profile(profile_at(w.profile(), static_cast<int>(i), w.N()), start, stop, w.T());
        r.leg[i](k) = v.q, r.dleg[i](k) = v.dq, r.ddleg[i](k) = v.ddq;
      }
    }
    return r;
  }();
  return p;
}

const stewart_path& hexapod_file_forward_path() {
  static const stewart_path p = [] {
    const auto h = std::make_shared<const hexapod_file>(read_hexapod_file(
        std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/hexapod_650_250.json"));
    enter_scratch_dir();
    const std::unique_ptr<sim_window> w = make_hexapod_window(h, hexapod_window_kind::forward);
    w->open();
    w->press("run");
    stewart_path r;
    r.geometry = h->geometry;
    r.tolerance = w->ctl.number("Text4");
    r.position = array_of(*w, "pp");
    r.posture = array_of(*w, "sp");
    const std::size_t n = r.position.size();
    r.leg.resize(n), r.dleg.resize(n), r.ddleg.resize(n);
    for (int k = 1; k <= stewart_leg_count; ++k) {
      const double start = w->ctl.number("Text9", k - 1), stop = w->ctl.number("Text10", k - 1);
      for (std::size_t i = 0; i < n; ++i) {
        const driven_value v = apply_profile(profile_at(w->profile(), static_cast<int>(i), w->N()),
                                             start, stop, w->T());
        r.leg[i](k) = v.q, r.dleg[i](k) = v.dq, r.ddleg[i](k) = v.ddq;
      }
    }
    return r;
  }();
  return p;
}

const rail_path& rail_forward_path() {
  static const rail_path p = [] {
    const auto m = run_registered("form_drav_jun");
    const sim_window& w = *as_simulation(m.get());
    rail_path r;
    for (int k = 1; k <= rail_leg_count; ++k) {
      r.geometry.ax(k) = w.ctl.number("Text1", k - 1);
      r.geometry.ay(k) = w.ctl.number("Text2", k - 1);
      r.geometry.By(k) = w.ctl.number("Text3", k - 1);
    }
    r.geometry.rod_length = w.ctl.number("Text6");
    r.tolerance = w.ctl.number("Text7");
    r.position = array_of(w, "pp");
    r.posture = array_of(w, "sp");
    const std::size_t n = r.position.size();
    r.bx.resize(n), r.dbx.resize(n), r.ddbx.resize(n);
    for (int k = 1; k <= rail_leg_count; ++k) {
      const auto& a = array_of(w, "bx" + std::to_string(k));
      for (std::size_t i = 0; i < n; ++i)
        r.bx[i](k) = a[i].x, r.dbx[i](k) = a[i].dx, r.ddbx[i](k) = a[i].ddx;
    }
    return r;
  }();
  return p;
}

const zelko_path& zelko_inverse_path() {
  static const zelko_path p = [] {
    const auto m = run_registered("Form_zelko_gyaku");
    const sim_window& w = *as_simulation(m.get());
    zelko_path z;
    z.geometry = default_zelko_geometry();
    z.tolerance = w.ctl.number("Text13");
    z.goal_p = array_of(w, "goal_p");
    z.goal_s = array_of(w, "goal_s");
    z.twists.resize(z.goal_p.size());
    for (int k = 1; k <= 3; ++k) {
      const auto& a = array_of(w, "hineri" + std::to_string(k));
      for (std::size_t i = 0; i < a.size(); ++i) z.twists[i][static_cast<std::size_t>(k)] = a[i];
    }
    return z;
  }();
  return p;
}

}  // namespace kinelab::bench
