#include "mechanisms/stewart/hexapod_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "app/text/messages.h"
#include "app/window/decl_builder.h"
#include "app/window/owning_window.h"
#include "core/angles.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

std::string short_number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v == 0 ? 0.0 : v);
  return text;
}

// The joints, the legs and the drawing of the built-in Stewart windows over the file's geometry,
// with the file's limits checked at every stored step.
class hexapod_file_logic : public stewart_logic {
 public:
  hexapod_file_logic(std::shared_ptr<const hexapod_file> h, std::string result_header)
      : stewart_logic(std::move(result_header)), file_(std::move(h)) {
    outside_ = &arrays.add_scalar("outside",
                                  "first leg beyond its length range or a joint cone (0: none)");
  }

  double slider_units_per_length() const { return 1 / hexapod_slider_step(*file_); }

  // The Stewart platform's atlas with the leg range as the actuators' limits and the joint
  // cones, where the file gives them, as limits of the pose.
  std::optional<atlas_mechanism> atlas() const override {
    std::optional<atlas_mechanism> m = stewart_logic::atlas();
    m->declared_limits.assign(6, {true, file_->leg_min, file_->leg_max});
    // The geometry is in the identity already; the file's content holds the range and the cones.
    m->identity += "hexapod file " + file_->content_hash + " " + file_->path;
    if (file_->base_cone > 0 || file_->platform_cone > 0) {
      m->inverse = [legs = m->inverse, h = file_](const double* q, double* a) {
        const cell_state s = legs(q, a);
        if (s != cell_state::reachable) return s;
        const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
        const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
        for (int k = 1; k <= 6; ++k)
          if ((h->base_cone > 0 && base_cone_angle(*h, k, position, posture) > h->base_cone) ||
              (h->platform_cone > 0 &&
               platform_cone_angle(*h, k, position, posture) > h->platform_cone))
            return cell_state::outside_limits;
        return s;
      };
    }
    return m;
  }

  std::string run_note(ui_language lang) const override {
    return joined(stewart_logic::run_note(lang), limit_note(lang));
  }
  std::string static_pose_note(ui_language lang) const override { return limit_note(lang); }

 protected:
  // The geometry is the file's. The first read sizes the view to the whole hexapod at home: the
  // farthest base joint, or the platform's farthest joint (its origin's distance plus the
  // joint's reach), with a tenth to spare, rounded up to a slider step. The built-in windows
  // size it by the platform alone, which leaves a file's taller or wider hexapod outside the
  // picture.
  bool read_geometry(sim_window& w) {
    geometry_ = file_->geometry;
    if (sized_) return false;
    sized_ = true;
    const stewart_geometry& g = geometry_;
    const vec<6>& q = file_->home;
    const double origin = std::sqrt(q(1) * q(1) + q(2) * q(2) + q(3) * q(3));
    double extent = 0;
    for (int k = 1; k <= 6; ++k) {
      extent =
          std::max(extent, std::sqrt(g.Bx(k) * g.Bx(k) + g.By(k) * g.By(k) + g.Bz(k) * g.Bz(k)));
      extent = std::max(
          extent, origin + std::sqrt(g.ax(k) * g.ax(k) + g.ay(k) * g.ay(k) + g.az(k) * g.az(k)));
    }
    const double step = hexapod_slider_step(*file_);
    w.set_draw_size(std::ceil(1.1 * extent / step) * step);
    return true;
  }

  // Step i against the file's limits at the stored pose; step 0 starts the record afresh.
  void note_limits(int i) {
    const stewart_leg_set legs = stewart_legs(geometry_, pp(i), sp(i));
    const hexapod_limit_check c = check_hexapod_limits(*file_, legs.leg, pp(i), sp(i));
    scalar_state& o = (*outside_)[static_cast<std::size_t>(i)];
    o = {};
    o.x = c.leg;
    if (i == 0) first_outside_.reset();
    if (c.leg && !first_outside_) first_outside_ = std::pair{c, i};
  }

  const hexapod_file& file() const { return *file_; }

 private:
  static std::string joined(const std::string& a, const std::string& b) {
    return a.empty() ? b : b.empty() ? a : a + "; " + b;
  }
  std::string limit_note(ui_language lang) const {
    if (!first_outside_) return {};
    const auto& [c, step] = *first_outside_;
    const message_id id = c.limit == hexapod_limit::length ? message_id::hexapod_leg_outside_range
                          : c.limit == hexapod_limit::base_cone ? message_id::hexapod_base_cone
                                                                : message_id::hexapod_platform_cone;
    return message(lang, id, {std::to_string(c.leg), std::to_string(step)});
  }

  std::shared_ptr<const hexapod_file> file_;
  bool sized_ = false;
  std::vector<scalar_state>* outside_ = nullptr;
  std::optional<std::pair<hexapod_limit_check, int>> first_outside_;
};

// The Stewart model over the file's logic.
struct hexapod_model : stewart_model {
  using base = hexapod_file_logic;
};

const char* const result_header =
    "i, pp(i).x, pp(i).y, pp(i).z, the1(i), the2(i), the3(i), the4(i), the5(i), the6(i)";

class inverse_logic : public platform_inverse_logic<hexapod_model> {
 public:
  explicit inverse_logic(std::shared_ptr<const hexapod_file> h)
      : platform_inverse_logic(std::move(h), result_header) {}

  void static_pose(sim_window& w) override {
    platform_inverse_logic::static_pose(w);
    note_limits(0);
  }
  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    platform_inverse_logic::trajectory_step(w, i, p);
    note_limits(i);
  }
};

class forward_logic : public platform_forward_logic<hexapod_model> {
 public:
  explicit forward_logic(std::shared_ptr<const hexapod_file> h)
      : platform_forward_logic(std::move(h), result_header) {}

 protected:
  void parameters_read(sim_window&, bool first) override {
    if (!first) return;
    // The first guess: the file's home pose.
    const pose home = pose_at(file().home);
    pp(0) = home.position;
    sp(0) = home.posture;
    start_pose_ = {{pp(0), sp(0)}};
  }

  void static_goals(sim_window& w) override {
    const start_stop_fields& f = stewart_start_stop;
    for (int k = 1; k <= stewart_leg_count; ++k) {
      goal_(k) = w.ctl.slider_at(f.sliders, k - 1).value / slider_units_per_length();
      w.ctl.set_number(f.start, f.start_index(k - 1), goal_(k));
    }
  }

  // The static pose is solved to a tenth of a slider step, whatever the tolerance field holds.
  double static_pose_tolerance() const override { return hexapod_slider_step(file()) / 10; }

  nr_outcome solve(double tolerance, pose& q, platform_joints& joints) override {
    return newton_fk_stewart(tolerance, geometry_, goal_, goal_rate_, goal_acc_, q.position,
                             q.posture, joints);
  }

  void store_static(const platform_joints& joints) override {
    store_joints(0, joints);
    note_limits(0);
  }

  void store_solved(int i, const platform_joints&) override {
    // The legs as the solved pose makes them, with the solved rates.
    stewart_leg_set legs;
    platform_joints joints;
    inverse(pp(i), sp(i), legs, joints);
    store_step(i, legs, joints);
    note_limits(i);
  }
};

// ---- declarations ----

std::string with_unit(const std::string& caption, const std::string& unit) {
  return caption + "(" + unit + ")";
}

bool legs_within(const hexapod_file& h, const vec<6>& q) {
  const pose p = pose_at(q);
  const stewart_leg_set legs = stewart_legs(h.geometry, p.position, p.posture);
  for (int k = 1; k <= 6; ++k)
    if (!(legs.leg(k) >= h.leg_min && legs.leg(k) <= h.leg_max)) return false;
  return true;
}

// The pose the sliders start at: the home pose, lengths to the slider step, angles to whole
// degrees; and the stop: the platform raised (or lowered) by an eighth of the leg range and
// turned 10° about z, the first of these with every leg within its range.
struct default_poses {
  vec<6> start, stop;  // lengths in the unit, angles in degrees
};
default_poses default_poses_of(const hexapod_file& h) {
  const double step = hexapod_slider_step(h);
  default_poses d;
  for (int k = 1; k <= 3; ++k) d.start(k) = std::round(h.home(k) / step) * step;
  for (int k = 4; k <= 6; ++k) d.start(k) = std::round(deg(h.home(k)));
  const double rise = std::max(1.0, std::round((h.leg_max - h.leg_min) / 8 / step)) * step;
  auto radians = [](vec<6> v) {
    for (int k = 4; k <= 6; ++k) v(k) = rad(v(k));
    return v;
  };
  d.stop = d.start;
  d.stop(6) += 5;
  for (const double dz : {rise, -rise}) {
    vec<6> q = d.start;
    q(3) += dz;
    q(6) += 10;
    if (legs_within(h, radians(q))) {
      d.stop = q;
      break;
    }
  }
  return d;
}

// Within what an int holds, for a home far from the base in steps of the legs' range.
int slider_steps(double v, double step) {
  return static_cast<int>(std::clamp(std::round(v / step), -1e9, 1e9));
}

window_decl hexapod_decl(const std::shared_ptr<const hexapod_file>& file,
                         hexapod_window_kind kind) {
  const hexapod_file& h = *file;
  const double step = hexapod_slider_step(h);
  window_decl d;
  const bool forward = kind == hexapod_window_kind::forward;
  d.name = forward ? "mechanism_forward" : "mechanism_inverse";
  const message_id title = forward ? message_id::arm_forward_title : message_id::arm_inverse_title;
  d.title = message(ui_language::english, title, {h.name});
  d.shown_title = [name = h.name, title](ui_language lang) { return message(lang, title, {name}); };
  d.mechanism_path = std::filesystem::absolute(h.path).lexically_normal().string();
  d.mechanism_hash = h.content_hash;
  controls& c = d.initial;
  const default_poses poses = default_poses_of(h);

  if (!forward) {
    // The pose rows: Px, Py, Pz on sliders of the slider step within the legs' reach, the angles
    // on sliders of whole degrees from −90 to 90.
    const int reach = static_cast<int>(std::ceil(1.2 * h.leg_max / step)) +
                      std::abs(slider_steps(h.home(3), step));
    const char* captions[] = {"Px", "Py", "Pz", "α", "β", "γ"};
    std::vector<start_stop_row> rows;
    for (int k = 0; k < 6; ++k) {
      const bool length = k < 3;
      const double start = poses.start(k + 1);
      const int limit = length ? reach : 90;
      const int v =
          std::clamp(length ? slider_steps(start, step) : static_cast<int>(start), -limit, limit);
      const slider range{-limit, limit, v, true};
      rows.push_back(stewart_start_stop.row(
          k, length ? with_unit(captions[k], h.unit) : std::string(captions[k]) + "(deg)",
          short_number(start), short_number(poses.stop(k + 1)), range));
    }
    d.layout.push_back(start_stop_table(c, "", {"", "start", "stop"}, rows));

    declare_stewart_leg_readouts(d, "(" + h.unit + ")");
  } else {
    d.layout.push_back(readout_table(
        c, "", {{"許容誤差", hexapod_model::tolerance_field, 0, short_number(step / 1000)}},
        false));
    // The leg rows: the legs at the start and at the stop pose, on sliders of the slider step
    // over the leg range.
    const pose from = pose_at(poses.start), to = pose_at(poses.stop);
    const pose from_rad{from.position, rad(from.posture)}, to_rad{to.position, rad(to.posture)};
    const stewart_leg_set a = stewart_legs(h.geometry, from_rad.position, from_rad.posture);
    const stewart_leg_set b = stewart_legs(h.geometry, to_rad.position, to_rad.posture);
    const int lo = static_cast<int>(std::floor(h.leg_min / step));
    const int hi = static_cast<int>(std::ceil(h.leg_max / step));
    std::vector<start_stop_row> rows;
    for (int k = 0; k < stewart_leg_count; ++k) {
      const int v = std::clamp(slider_steps(a.leg(k + 1), step), lo, hi);
      const double stop = std::round(b.leg(k + 1) / (step / 100)) * (step / 100);
      rows.push_back(stewart_start_stop.row(k, with_unit("L" + std::to_string(k + 1), h.unit),
                                            short_number(v * step), short_number(stop),
                                            slider{lo, hi, v, true}));
    }
    d.layout.push_back(start_stop_table(c, "", {"", "start", "stop"}, rows));

    const char* captions[] = {"Px", "Py", "Pz", "α", "β", "γ"};
    control_grid shown;
    shown.rows.resize(1);
    for (int k = 0; k < stewart_leg_count; ++k) {
      const std::string caption =
          k < 3 ? with_unit(captions[k], h.unit) : std::string(captions[k]) + "(deg)";
      declare_field(c, stewart_readouts, k, "", caption);
      shown.column_captions.push_back(caption);
      shown.rows[0].push_back(field_cell(stewart_readouts, k));
    }
    mark_readouts(c, stewart_readouts);
    d.layout.push_back(shown);
  }

  declare_stewart_common(d);
  // The lengths' quantities carry the file's unit.
  for (graph_decl& g : d.graphs)
    if (!g.degrees) g.quantity = with_unit(g.quantity, h.unit);
  if (forward) {
    d.solved_variables = {{"pp", 'x', false}, {"pp", 'y', false}, {"pp", 'z', false},
                          {"sp", 'x', true},  {"sp", 'y', true},  {"sp", 'z', true}};
    d.branch = solution_branch::assembly_mode;
  }
  d.make_logic = [file, forward]() -> std::unique_ptr<window_logic> {
    if (forward) return std::make_unique<forward_logic>(file);
    return std::make_unique<inverse_logic>(file);
  };
  return d;
}

}  // namespace

double hexapod_slider_step(const hexapod_file& h) {
  return nice_step(h.leg_max / 40);
}

std::unique_ptr<sim_window> make_hexapod_window(std::shared_ptr<const hexapod_file> h,
                                                hexapod_window_kind kind,
                                                const run_settings& settings) {
  return make_owning_window(hexapod_decl(h, kind), settings);
}

}  // namespace kinelab
