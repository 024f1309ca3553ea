#pragma once
// The workspace and singularity atlas: where a window's mechanism can go at its current
// geometry, and how far from a singularity it stands there. A grid of cells over a plane slice
// (or a box): a platform is placed at every cell centre and solved by the window's own inverse;
// a sampled mechanism's joint ranges are sampled (a Halton sequence) and every sample's output
// point lands in its cell, which keeps the best σmin found there. Per reachable cell: σmin and
// the condition number of the Jacobian the diagnostics use.
//
// Grid coordinates (u, v, w): the plane's two axes and the axis across it, in the window's
// length unit (position atlases) or in degrees (posture atlases). Cell (i, j, k) has its centre
// at (u0 + (i + ½)·du, v0 + (j + ½)·dv, w0 + (k + ½)·dw), stored at index (k·nv + j)·nu + i.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/atlas/atlas_mechanism.h"
#include "app/text/messages.h"
#include "core/cancellation.h"

namespace kinelab {

class sim_window;

enum class atlas_mode { position, posture };
enum class atlas_plane { xy, xz, yz };
const char* to_string(atlas_mode m);
const char* to_string(atlas_plane p);
std::optional<atlas_mode> atlas_mode_from(const std::string& text);
std::optional<atlas_plane> atlas_plane_from(const std::string& text);

// Limits of one actuator, as stored (length unit, or radians for an angle).
struct atlas_limit {
  double lo = 0, hi = 0;
};

// The most cells (and samples) one atlas may hold: about 300 MB of cells.
inline constexpr long long atlas_max_cells = 1LL << 24;
inline constexpr long long atlas_max_samples = 100'000'000;

// The extent of a grid along one axis: [lo, hi].
struct atlas_range {
  double lo = 0, hi = 0;
};

struct atlas_request {
  atlas_mode mode = atlas_mode::position;
  atlas_plane plane = atlas_plane::xy;
  std::optional<double> offset;     // w of the slice; the current pose's when not given
  int cells = 100;                  // along u and v
  int depth = 1;                    // along w: 1 for a slice
  std::vector<atlas_limit> limits;  // one per actuator; the defaults when empty
  // The extent along u, v (and w for a box); fitted to the reachable region when not given.
  std::optional<atlas_range> u_range, v_range, w_range;
  long long samples = 0;  // sampled mechanisms; 0 for the default
  // A reachable cell with σmin at most this part of the largest σmin over the grid is part of
  // the singularity locus.
  double singular_fraction = 0.02;
  // Asked while the cells are computed; an atlas that stops gives none.
  cancellation* cancel = nullptr;
};

// The mechanism as the window stands, for atlases.
struct atlas_source {
  std::string window, title;
  atlas_mechanism mechanism;
  std::vector<std::string> actuator_names;  // "the1", "bx3", "leng1.y": for files (CSV)
  // The same as the window names them ("L1", "Bx3", "l2"): for a person.
  std::vector<std::string> actuator_captions;
  std::vector<atlas_limit> default_limits;
  // The current pose (or joints), as stored: the static pose the window shows.
  std::vector<double> pose;
  double current_point[3] = {};                // the output point at the current pose
  std::vector<std::array<double, 3>> path;     // the Run's output points (position atlases)
  std::vector<std::vector<double>> pose_path;  // the Run's poses, steps 0..N
  std::string geometry;  // the window's fields, one "# Text1: ..." line per group
  // What the window's status line said of its static pose ("the static pose did not reach the
  // tolerance"); empty when it said nothing.
  std::string pose_status;
  bool pose_status_is_error = false;
};

// Reads the window's fields and computes its Run without result.dat (as the derivative check
// does), so that the default limits follow the current start and stop, then its static pose,
// where the atlas stands. Empty `problem`, or what
// stopped it (a field that is not a number, a window without an atlas).
struct atlas_source_result {
  std::optional<atlas_source> source;
  std::string problem;
};
atlas_source_result atlas_source_of(sim_window& w);

// The default limits of one actuator from its values over the steps of the Run that were
// reached: [lo − m, hi + m] with m = max(¼·(hi − lo), a tenth of the largest magnitude) for a
// length, max(¼·(hi − lo), 45°) for an angle, and an angle's range at most a whole turn about
// its middle.
atlas_limit widened_limit(double lo, double hi, bool angle);

struct atlas_grid {
  atlas_kind kind = atlas_kind::platform;
  atlas_mode mode = atlas_mode::position;
  atlas_plane plane = atlas_plane::xy;
  int nu = 0, nv = 0, nw = 0;
  double u0 = 0, v0 = 0, w0 = 0;  // the lower corner
  double du = 0, dv = 0, dw = 0;  // cell sizes
  std::vector<atlas_limit> limits;
  long long samples = 0;  // sampled mechanisms: how many were drawn
  double singular_threshold = 0;
  std::vector<cell_state> state;
  std::vector<double> sigma_min, condition;  // 0 where not reachable
  std::vector<std::uint8_t> singular;        // 1 where the cell is part of the locus

  long long cell_count() const { return static_cast<long long>(nu) * nv * nw; }
  std::size_t index(int i, int j, int k = 0) const {
    return (static_cast<std::size_t>(k) * static_cast<std::size_t>(nv) +
            static_cast<std::size_t>(j)) *
               static_cast<std::size_t>(nu) +
           static_cast<std::size_t>(i);
  }
  double u_at(int i) const { return u0 + (i + 0.5) * du; }
  double v_at(int j) const { return v0 + (j + 0.5) * dv; }
  double w_at(int k) const { return w0 + (k + 0.5) * dw; }
};

// The atlas, or why there is none (a grid too large, limits that do not match the actuators),
// said in `lang`.
struct atlas_result {
  std::optional<atlas_grid> grid;
  std::string problem;
};
struct atlas_sample_store;

// What one window's atlases keep for the next, so that an atlas asked again after a move of the
// pose costs only what the move changed. A sampled mechanism's samples (output points, and σmin
// and the condition number where a grid needed them) stay while its identity, limits and sample
// count do: a new slice bins them again. A platform's last grid stays while its identity, limits,
// the request and the pose but its in-plane coordinates do (a slice's offset included): the cells
// do not depend on those coordinates; only where the fit looked for the region did, and the grid
// keeps the extent found then (unless nothing was reachable, where the pose places the grid).
// Either gives the cells compute_atlas gives. One computation at a time; any thread.
class atlas_cache {
 public:
  atlas_cache();
  ~atlas_cache();
  atlas_cache(const atlas_cache&) = delete;
  atlas_cache& operator=(const atlas_cache&) = delete;

  enum class reuse { none, samples, grid };
  // What the last atlas took from the cache.
  reuse last_reuse() const { return last_reuse_.load(); }
  // Forgets everything kept.
  void clear();

 private:
  friend atlas_result compute_atlas(const atlas_source&, const atlas_request&, ui_language,
                                    atlas_cache*);
  std::mutex busy_;
  std::unique_ptr<atlas_sample_store> samples_;
  std::string grid_key_;
  std::optional<atlas_grid> grid_;
  std::atomic<reuse> last_reuse_{reuse::none};
};

// The atlas, computed afresh, or as far as it can from `cache` (which then keeps what this one
// found).
atlas_result compute_atlas(const atlas_source& source, const atlas_request& request,
                           ui_language lang = ui_language::english, atlas_cache* cache = nullptr);

// From now on every atlas of this process computes on at most `threads` threads (0: as many
// as the cores the process may use), for a process that shares the cores with others like it
// (the workers of a sweep) and leaves the choice of core to the system.
void limit_atlas_threads(int threads);

// One platform cell at grid coordinates (u, v, w) under the given limits: its state and, where
// the inverse has a solution, the actuator values (one per actuator). The evaluation
// compute_atlas makes at every cell centre.
struct atlas_cell {
  cell_state state = cell_state::no_assembly;
  std::vector<double> actuators;
  double sigma_min = 0, condition = 0;
};
atlas_cell evaluate_platform_cell(const atlas_source& source, atlas_mode mode, atlas_plane plane,
                                  const std::vector<atlas_limit>& limits, double u, double v,
                                  double w);

// "reachable area 3.21 (of 16 × 16 cells 0.25 wide, 8.00); condition number best 1.52 at
// (0, 0), worst 812 at (1.2, −0.4); singular (σmin ≤ 0.0012) in 14 cells", or what makes
// nothing reachable. In English for files and kinelab-cli.
std::string describe_atlas(const atlas_grid& g, ui_language lang = ui_language::english);

// A cell's state as the user reads it; to_string(cell_state) is the word files keep.
std::string describe(cell_state s, ui_language lang);

// Names of the grid axes: "x", "y" / "α", "β" ...
const char* atlas_axis_name(atlas_mode mode, atlas_plane plane, int axis);  // axis 0 u, 1 v, 2 w

}  // namespace kinelab
