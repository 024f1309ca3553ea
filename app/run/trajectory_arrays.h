#pragma once
// A window's trajectory arrays, indexed by time step 0..N. A point or posture is a kin_state
// array and uses all nine fields (columns p4.x, p4.dx, p4.ddx, p4.y, ...); a scalar history
// keeps value, rate and acceleration in x, dx, ddx (columns the1, dthe1, ddthe1), in a
// scalar_state array (add_scalar) or, added the older way, in a kin_state array.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/io/file_writer.h"
#include "core/kin_state.h"
#include "core/newton.h"

namespace kinelab {

enum class array_kind { point, scalar };

// Point arrays a window does not keep step by step but places again whenever they are read, from
// what it does keep at the same step (joint positions from a posture). fill(i, out) writes step i
// of every member, in the order they were added, as the Run placed them. Step 0 is kept (a static
// pose stands there, placed at the fields as they stood then; the window writes it through
// step0()), and so is every step that held a value that was not finite. Reads are not
// thread-safe (one step is cached).
class placed_arrays {
 public:
  using fill_fn = std::function<void(std::size_t step, kin_state* out)>;
  explicit placed_arrays(fill_fn fill) : fill_(std::move(fill)) {}
  kin_state* step0() { return step0_.data(); }
  // From now on steps 1..N are placed by fill (before the first Run they read as zero).
  void start_run() {
    live_ = true;
    checked_ = false;
    cached_ = 0;
  }
  const kin_state& value(int member, std::size_t i) const;
  // Step i of every member into out, without the cache: safe from several threads at once
  // (fill must only read).
  void values_at(std::size_t i, kin_state* out) const;
  std::size_t steps() const { return steps_; }

 private:
  friend class trajectory_arrays;
  fill_fn fill_;
  bool live_ = false;
  bool checked_ = false;  // steps 1..N looked over for values that are not finite
  std::size_t steps_ = 0;
  std::vector<kin_state> step0_;
  std::map<std::size_t, std::vector<kin_state>> kept_;
  mutable std::size_t cached_ = 0;  // 0: none (step 0 is never placed)
  mutable std::vector<kin_state> cache_;
};

struct trajectory_array {
  std::string name;
  array_kind kind = array_kind::point;
  std::vector<kin_state> at;  // 0..N; empty for a lean scalar
  // What the array holds, for a reader of the arrays ("position of the platform origin"), and
  // the unit of its values ("length", "rad"; rates per second, accelerations per second²).
  std::string meaning, unit;
  // A scalar added with add_scalar keeps its steps here instead of in `at`.
  bool lean = false;
  std::vector<scalar_state> scalar_at;  // 0..N
  // A placed array: member `member` of `placed`, no storage of its own.
  std::shared_ptr<placed_arrays> placed;
  int member = 0;

  std::size_t size() const {
    return placed ? placed->steps() : lean ? scalar_at.size() : at.size();
  }
  // Step i as a kin_state (a lean scalar's fields in x, dx, ddx, the rest 0).
  kin_state state(std::size_t i) const {
    if (placed) return placed->value(member, i);
    if (!lean) return at[i];
    const scalar_state& s = scalar_at[i];
    return {s.x, s.dx, s.ddx};
  }
  // One field of step i; a lean scalar has only x, dx and ddx.
  double get(std::size_t i, const double kin_state::*f) const {
    if (placed) return placed->value(member, i).*f;
    return lean ? scalar_at[i].*scalar_field(f) : at[i].*f;
  }
  // Of a stored array only.
  double& get(std::size_t i, double kin_state::*f) {
    return lean ? scalar_at[i].*scalar_field(f) : at[i].*f;
  }
  static double scalar_state::*scalar_field(const double kin_state::*f) {
    return f == &kin_state::ddx  ? &scalar_state::ddx
           : f == &kin_state::dx ? &scalar_state::dx
                                 : &scalar_state::x;
  }
};

class trajectory_arrays {
 public:
  // The returned reference stays valid for the life of this object.
  std::vector<kin_state>& add(std::string name, array_kind kind, std::string meaning = {},
                              std::string unit = {});
  // A scalar history in three doubles a step (the CSV and the Python arrays are as for a
  // scalar added with add()).
  std::vector<scalar_state>& add_scalar(std::string name, std::string meaning = {},
                                        std::string unit = {});
  // A point array of `group`, which stays valid for the life of this object.
  placed_arrays& add_placed_group(placed_arrays::fill_fn fill);
  const trajectory_array& add_placed(placed_arrays& group, std::string name,
                                     std::string meaning = {}, std::string unit = {});
  void resize(int N);  // every array to N + 1 records; existing steps are kept
  int N() const;       // last index (−1 when there are no arrays)
  const trajectory_array* find(const std::string& name) const;
  trajectory_array* find(const std::string& name);
  const std::deque<trajectory_array>& all() const { return arrays_; }

  // Windows that solve by Newton–Raphson keep one outcome per step (columns nr_iterations,
  // nr_residual, nr_status, nr_minimum_norm_rates in the CSV); resize() sizes it with the arrays
  // once enabled.
  void keep_solver_record() { solver_record_enabled_ = true; }
  std::vector<nr_outcome>& solver_record() { return solver_record_; }
  const std::vector<nr_outcome>& solver_record() const { return solver_record_; }

  // Sets every value that is not finite to 0, so that the drawing and the graphs can show the
  // rest, and marks its step as guarded; says how many there were and where the first stood.
  // A safety net behind the kinematics' own guards.
  struct replaced {
    int count = 0;
    int first_step = -1;
    std::string first_column;  // "p4.dx"
  };
  replaced replace_non_finite();
  // Every step, or one, holds computed values again (a Run starts over; a static pose redoes
  // step 0).
  void clear_guarded();
  void clear_guarded(int step);
  bool guarded(int step) const;
  // A step the mechanism could not reach (a rod short of its rail): its values are the
  // kinematics' placeholders, not a pose of the mechanism.
  void mark_unreached(int step);
  bool reached(int step) const;

  // Everything the arrays hold at one step: a static pose after a Run keeps the Run's step 0 in
  // one of these while the display shows the pose.
  struct step_values {
    std::vector<kin_state> values;  // one per array, in the order of all()
    nr_outcome outcome;
    unsigned char marks = 0;  // as guarded_
  };
  step_values step(int i) const;
  // Exchanges step i with `s` (which must have come from step()).
  void swap_step(int i, step_values& s);

  // CSV: one row per step, one column per field, named after the arrays, then the solver
  // record, the extra columns (values per step 0..N) in the order given, and `guarded`
  // (1 where a value that was not finite was replaced by 0, 2 on a step that was not reached,
  // 3 for both).
  struct extra_column {
    std::string name;
    const std::vector<double>* values;
  };
  void write_csv(const text_out& out, const std::vector<extra_column>& extra = {}) const;
  std::string csv(const std::vector<extra_column>& extra = {}) const;  // the whole text

 private:
  std::deque<trajectory_array> arrays_;
  std::vector<std::shared_ptr<placed_arrays>> placed_;
  bool solver_record_enabled_ = false;
  std::vector<nr_outcome> solver_record_;
  // Per step: 1 guarded, 2 not reached; shorter when the last steps were never marked.
  std::vector<unsigned char> guarded_;
};

// The column names of one array in CSV order, with a pointer to each field.
struct array_column {
  std::string name;
  double kin_state::*field;
};
std::vector<array_column> array_columns(const trajectory_array& a);

}  // namespace kinelab
