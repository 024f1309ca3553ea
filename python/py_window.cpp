#include "python/py_window.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <functional>
#include <limits>
#include <sstream>
#include <type_traits>
#include <variant>

#include "app/service/atlas_export.h"
#include "app/service/profile_comparison.h"
#include "app/service/window_atlas.h"
#include "app/service/window_export.h"
#include "app/service/window_service.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/graph_derivative_check.h"
#include "app/window/settings.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/arm_file_window.h"

namespace kinelab::python {

namespace {

// Exclusive use of a window for the length of one call.
class in_use {
 public:
  explicit in_use(std::atomic<bool>& busy) : busy_(busy) {
    if (busy_.exchange(true))
      throw std::runtime_error("this kinelab.Window is in use by another thread");
  }
  ~in_use() { busy_ = false; }
  in_use(const in_use&) = delete;
  in_use& operator=(const in_use&) = delete;

 private:
  std::atomic<bool>& busy_;
};

// A Python integer (or anything with __index__) in digits, however large.
std::optional<std::string> whole_text(const py::handle& v) {
  if (py::isinstance<py::bool_>(v) || !PyIndex_Check(v.ptr())) return std::nullopt;
  return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr()))).cast<std::string>();
}

// N and T handed to the settings as numbers; an integer past a double's range is as far past
// the cap on N.
void check_settings(const py::handle& N, double T, run_settings& s) {
  if (py::isinstance<py::bool_>(N) || !PyIndex_Check(N.ptr()))
    throw py::type_error("N takes a whole number");
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(N.ptr()));
  double n = PyLong_AsDouble(index.ptr());
  if (n == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    const bool negative = PyObject_RichCompareBool(index.ptr(), py::int_(0).ptr(), Py_LT) == 1;
    n = negative ? -std::numeric_limits<double>::infinity()
                 : std::numeric_limits<double>::infinity();
  }
  if (auto problem = apply_settings(T, n, s)) throw py::value_error(*problem);
}

// What a control is given: a text as it stands, a whole number in digits, any other number in
// the shortest text that reads back as the same double.
std::string value_text(const py::handle& v) {
  if (py::isinstance<py::str>(v)) return v.cast<std::string>();
  if (py::isinstance<py::bool_>(v)) throw py::type_error("a control takes a number or a text");
  if (auto text = whole_text(v)) return *text;
  if (PyFloat_Check(v.ptr()) || py::hasattr(v, "__float__")) return format_exact(v.cast<double>());
  throw py::type_error("a control takes a number or a text");
}

// Values per step of one array, in the CSV's column order: (steps, 3, 3) for a point or a
// posture (rows x, y, z; columns value, rate, acceleration), (steps, 3) for a scalar history.
py::array_t<double> numpy_of(const trajectory_array& a) {
  const std::vector<array_column> columns = array_columns(a);
  const auto steps = static_cast<py::ssize_t>(a.at.size());
  py::array_t<double> out = a.kind == array_kind::scalar
                                ? py::array_t<double>({steps, py::ssize_t{3}})
                                : py::array_t<double>({steps, py::ssize_t{3}, py::ssize_t{3}});
  double* d = out.mutable_data();
  for (const kin_state& s : a.at)
    for (const array_column& c : columns) *d++ = s.*(c.field);
  return out;
}

template <class T, class F>
py::array_t<T> numpy_of(std::size_t n, F value_at) {
  py::array_t<T> out(static_cast<py::ssize_t>(n));
  T* d = out.mutable_data();
  for (std::size_t i = 0; i < n; ++i) d[i] = value_at(i);
  return out;
}

// The atlas's limits from Python: one (lo, hi) pair for every actuator, or a sequence of pairs.
std::vector<atlas_limit> atlas_limits(const py::handle& limits) {
  const auto pair = [](const py::handle& p) {
    const auto lo_hi = p.cast<std::pair<double, double>>();
    return atlas_limit{lo_hi.first, lo_hi.second};
  };
  const auto items = py::reinterpret_borrow<py::sequence>(limits);
  if (items.size() == 2 && !py::isinstance<py::sequence>(items[0])) return {pair(limits)};
  std::vector<atlas_limit> out;
  for (const py::handle& p : items) out.push_back(pair(p));
  return out;
}

// A whole number from `lo` to `hi` for the option `name` (any Python integer, however large).
long long whole_in(const py::handle& v, const char* name, long long lo, long long hi) {
  if (py::isinstance<py::bool_>(v) || !PyIndex_Check(v.ptr()))
    throw py::type_error("cells, depth and samples take whole numbers");
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr()));
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || n < lo || n > hi)
    throw py::value_error(
        std::string(name) + " takes a " +
        (hi == std::numeric_limits<long long>::max()
             ? "positive whole number"
             : "whole number from " + std::to_string(lo) + " to " + std::to_string(hi)));
  return n;
}

// The atlas options from the keywords given (None: the window's default).
workspace_options atlas_options(const py::object& mode, const py::object& plane,
                                const py::object& offset, const py::object& cells,
                                const py::object& depth, const py::object& limits,
                                const py::object& samples, const py::object& locus) {
  workspace_options o;
  atlas_request& r = o.request;
  // The value as a T, or a TypeError naming the keyword.
  const auto as = [](const py::object& v, const char* name, auto type) {
    try {
      return v.cast<typename decltype(type)::type>();
    } catch (const py::cast_error&) {
      throw py::type_error(std::string("workspace: ") + name + " is not of the kind it takes");
    }
  };
  if (!mode.is_none()) {
    const auto m = atlas_mode_from(as(mode, "mode", std::type_identity<std::string>{}));
    if (!m) throw py::value_error("mode takes position or posture");
    r.mode = *m;
    o.mode_given = true;
  }
  if (!plane.is_none()) {
    const auto p = atlas_plane_from(as(plane, "plane", std::type_identity<std::string>{}));
    if (!p) throw py::value_error("plane takes xy, xz or yz");
    r.plane = *p;
  }
  if (!offset.is_none()) r.offset = as(offset, "offset", std::type_identity<double>{});
  if (!cells.is_none()) r.cells = static_cast<int>(whole_in(cells, "cells", 1, 1'000'000));
  if (!depth.is_none()) r.depth = static_cast<int>(whole_in(depth, "depth", 1, 1'000'000));
  if (!samples.is_none())
    r.samples = whole_in(samples, "samples", 1, std::numeric_limits<long long>::max());
  if (!locus.is_none()) {
    const double v = as(locus, "locus", std::type_identity<double>{});
    if (!(v >= 0 && v <= 1)) throw py::value_error("locus takes a fraction from 0 to 1");
    r.singular_fraction = v;
  }
  if (!limits.is_none()) {
    try {
      o.limits = atlas_limits(limits);
    } catch (const py::cast_error&) {
      throw py::type_error("workspace: limits is not of the kind it takes");
    }
  }
  return o;
}

template <class T>
py::array_t<T> grid_array(const atlas_grid& g, const std::vector<T>& values) {
  py::array_t<T> out({py::ssize_t{g.nw}, py::ssize_t{g.nv}, py::ssize_t{g.nu}});
  std::copy(values.begin(), values.end(), out.mutable_data());
  return out;
}

py::dict mismatch_figures(const derivative_mismatch& m) {
  py::dict d;
  d["relative"] = m.relative;
  d["step"] = m.step;
  d["analytic"] = m.analytic;
  d["numerical"] = m.numerical;
  d["scale"] = m.scale;
  d["difference_error"] = m.difference_error;
  return d;
}

}  // namespace

py_window::py_window(const std::string& name, const py::object& N, double T) {
  const window_entry* entry = find_window(name);
  if (!entry) throw py::key_error("unknown window: " + name + " (kinelab.windows() lists them)");
  run_settings s;
  check_settings(N, T, s);
  w_ = entry->make(s);
  w_->open();
}

std::unique_ptr<py_window> py_window::from_mechanism(const std::string& path,
                                                     const std::string& kind, const py::object& N,
                                                     double T) {
  const auto k = arm_window_kind_from(kind);
  if (!k) throw py::value_error("kind is \"forward\" or \"inverse\", not \"" + kind + "\"");
  run_settings s;
  check_settings(N, T, s);
  auto arm = std::make_shared<const arm_file>(read_arm_file(path));
  std::unique_ptr<py_window> w(new py_window());
  w->w_ = make_arm_file_window(std::move(arm), *k, s);
  w->w_->open();
  return w;
}

sim_window& py_window::simulation() {
  sim_window* sim = simulation_of(*w_);
  if (!sim)
    throw py::attribute_error(w_->name() +
                              " is a function-test window: it has no trajectory or drawing");
  return *sim;
}

void py_window::computing(const std::function<void()>& f) {
  const int stops = w_->field_stops;
  {
    py::gil_scoped_release unlocked;
    f();
  }
  if (w_->field_stops != stops) throw field_stop(w_->status);
}

std::string py_window::name() {
  const in_use u(busy_);
  return w_->name();
}

std::string py_window::title() {
  const in_use u(busy_);
  return w_->title();
}

py::list py_window::buttons() {
  const in_use u(busy_);
  py::list out;
  for (const button_decl& b : w_->buttons()) out.append(b.name);
  return out;
}

std::string py_window::status() {
  const in_use u(busy_);
  return w_->status;
}

int py_window::step_no() {
  const in_use u(busy_);
  return simulation().step_no;
}

int py_window::figure_no() {
  const in_use u(busy_);
  return simulation().figure_no;
}

long long py_window::N() {
  const in_use u(busy_);
  return w_->settings.N;
}

double py_window::T() {
  const in_use u(busy_);
  return w_->settings.T;
}

void py_window::set_N(const py::object& N) {
  const in_use u(busy_);
  check_settings(N, w_->settings.T, w_->settings);
}

void py_window::set_T(double T) {
  const in_use u(busy_);
  check_settings(py::int_(w_->settings.N), T, w_->settings);
}

py::object py_window::get(const std::string& address) {
  const in_use u(busy_);
  return std::visit([](const auto& v) -> py::object { return py::cast(v); }, w_->value_of(address));
}

void py_window::set(const std::string& address, const py::handle& value) {
  const std::string text = value_text(value);  // may run Python code: before taking the window
  const in_use u(busy_);
  computing([&] { w_->set_value(address, text); });
}

void py_window::press(const std::string& button) {
  const in_use u(busy_);
  bool known = false;
  computing([&] { known = w_->press(button); });
  if (!known) throw py::key_error(w_->name() + " has no button " + button);
}

void py_window::tick(long long k) {
  const in_use u(busy_);
  if (k < 0) throw py::value_error("tick takes a count of 0 or more");
  computing([&] { w_->advance_ticks(static_cast<long>(k)); });
}

void py_window::run(const std::optional<std::filesystem::path>& result_file) {
  const in_use u(busy_);
  sim_window& s = simulation();
  std::string error;
  std::optional<std::string> path;
  if (result_file) path = result_file->string();
  computing([&] { run_into(s, path, error); });
  if (!error.empty()) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
}

py::dict py_window::arrays() {
  const in_use u(busy_);
  py::dict out;
  const sim_window::run_view run(simulation());
  for (const trajectory_array& a : simulation().logic().arrays.all())
    out[py::str(a.name)] = numpy_of(a);
  return out;
}

py::object py_window::solver() {
  const in_use u(busy_);
  const sim_window::run_view run(simulation());
  const std::vector<nr_outcome>& r = simulation().logic().arrays.solver_record();
  if (r.empty()) return py::none();
  const std::vector<double>& near = simulation().near_singular_steps();
  py::dict out;
  out["iterations"] = numpy_of<int>(r.size(), [&](std::size_t i) { return r[i].iterations; });
  out["residual"] = numpy_of<double>(r.size(), [&](std::size_t i) { return r[i].residual; });
  out["status"] =
      numpy_of<int>(r.size(), [&](std::size_t i) { return static_cast<int>(r[i].status); });
  out["minimum_norm_rates"] =
      numpy_of<bool>(r.size(), [&](std::size_t i) { return r[i].minimum_norm_rates; });
  out["near_singular"] =
      numpy_of<bool>(r.size(), [&](std::size_t i) { return i < near.size() && near[i] != 0; });
  return out;
}

py::dict py_window::singularity() {
  const in_use u(busy_);
  sim_window& s = simulation();
  const singularity_history* h = nullptr;
  const sim_window::run_view run(s);
  computing([&] { h = &s.singularity(); });
  py::dict out;
  out["sigma_min"] =
      numpy_of<double>(h->sigma_min.size(), [&](std::size_t i) { return h->sigma_min[i]; });
  out["condition"] =
      numpy_of<double>(h->condition.size(), [&](std::size_t i) { return h->condition[i]; });
  return out;
}

std::string py_window::svg() {
  const in_use u(busy_);
  sim_window& s = simulation();
  std::string text;
  computing([&] { text = window_svg(s); });
  return text;
}

std::string py_window::csv() {
  const in_use u(busy_);
  sim_window& s = simulation();
  if (const std::string refusal = csv_refusal(s); !refusal.empty())
    throw std::runtime_error(refusal);
  std::string text;
  computing([&] { text = window_csv(s); });
  return text;
}

void py_window::save(const std::string& path) {
  const in_use u(busy_);
  std::string error;
  if (!save_study(simulation(), path, error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
}

py::list py_window::load(const std::string& path) {
  const in_use u(busy_);
  sim_window& s = simulation();
  const study st = read_study(path);
  open_study(st, s);
  py::list notes;
  for (const std::string& n : st.notes) notes.append(n);
  return notes;
}

std::string py_window::result_text() {
  const in_use u(busy_);
  sim_window& s = simulation();
  if (!s.has_run())
    throw std::runtime_error(s.name() + " has not run: result.dat comes from a Run");
  std::string text;
  computing([&] { text = s.result_file_text(); });
  return text;
}

py::list py_window::check_derivatives() {
  const in_use u(busy_);
  sim_window& s = simulation();
  std::optional<std::vector<quantity_check>> checks;
  computing([&] { checks = check_graph_derivatives(s); });
  py::list out;
  if (!checks) return out;
  for (const quantity_check& q : *checks) {
    py::dict d;
    d["quantity"] = q.column;
    d["at_rest"] = q.at_rest;
    d["rate"] = mismatch_figures(q.rate_mismatch);
    d["acceleration"] = mismatch_figures(q.accel_mismatch);
    out.append(d);
  }
  return out;
}

py::list py_window::compare_profiles() {
  const in_use u(busy_);
  sim_window& s = simulation();
  profile_comparison c;
  computing([&] { c = kinelab::compare_profiles(s); });
  if (!c.problem.empty()) throw field_stop(c.problem);
  py::list out;
  for (const profile_comparison_row& row : c.rows)
    for (int k = 0; k < 3; ++k) {
      const profile_figures& f = row.figures[k];
      py::dict d;
      d["quantity"] = row.quantity;
      d["profile"] = to_string(compared_profiles[k]);
      d["peak_rate"] = f.peak_rate;
      d["peak_acceleration"] = f.peak_acceleration;
      d["start_acceleration_jump"] = f.start_acceleration_jump;
      d["end_acceleration_jump"] = f.end_acceleration_jump;
      d["start_rate_jump"] = f.start_rate_jump;
      d["end_rate_jump"] = f.end_rate_jump;
      out.append(d);
    }
  return out;
}

py::dict py_window::workspace(const py::object& mode, const py::object& plane,
                              const py::object& offset, const py::object& cells,
                              const py::object& depth, const py::object& limits,
                              const py::object& samples, const py::object& locus) {
  const workspace_options o =
      atlas_options(mode, plane, offset, cells, depth, limits, samples, locus);

  const in_use u(busy_);
  sim_window& s = simulation();
  std::ostringstream summary;
  workspace_outcome r;
  std::string csv;
  computing([&] {
    r = run_workspace(s, o, summary);
    if (r.grid) csv = atlas_csv(*r.source, *r.grid);
  });
  if (r.usage) throw py::value_error(r.problem);
  if (!r.grid) throw std::runtime_error(s.name() + ": no workspace atlas: " + r.problem);

  const atlas_grid& g = *r.grid;
  const atlas_source& src = *r.source;
  py::dict out;
  out["summary"] = summary.str();
  out["csv"] = csv;
  out["mode"] = to_string(g.mode);
  out["plane"] = to_string(g.plane);
  py::list axes;
  for (int a = 0; a < 3; ++a) axes.append(atlas_axis_name(g.mode, g.plane, a));
  out["axes"] = axes;
  out["u"] = numpy_of<double>(static_cast<std::size_t>(g.nu),
                              [&](std::size_t i) { return g.u_at(static_cast<int>(i)); });
  out["v"] = numpy_of<double>(static_cast<std::size_t>(g.nv),
                              [&](std::size_t j) { return g.v_at(static_cast<int>(j)); });
  out["w"] = numpy_of<double>(static_cast<std::size_t>(g.nw),
                              [&](std::size_t k) { return g.w_at(static_cast<int>(k)); });
  std::vector<std::uint8_t> state(g.state.size()), reachable(g.state.size());
  for (std::size_t c = 0; c < g.state.size(); ++c) {
    state[c] = static_cast<std::uint8_t>(g.state[c]);
    reachable[c] = g.state[c] == cell_state::reachable;
  }
  out["reachable"] = grid_array(g, reachable).attr("astype")("bool");
  out["sigma_min"] = grid_array(g, g.sigma_min);
  out["condition"] = grid_array(g, g.condition);
  out["singular"] = grid_array(g, g.singular).attr("astype")("bool");
  out["state"] = grid_array(g, state);
  py::list state_names;
  for (auto k : {cell_state::reachable, cell_state::outside_limits, cell_state::no_assembly,
                 cell_state::no_jacobian, cell_state::not_sampled})
    state_names.append(to_string(k));
  out["state_names"] = state_names;
  py::list actuators;
  py::array_t<double> limit_array({py::ssize_t(g.limits.size()), py::ssize_t{2}});
  double* l = limit_array.mutable_data();
  for (std::size_t k = 0; k < g.limits.size(); ++k) {
    const double scale = src.mechanism.actuators[k].angle ? 180 / pi : 1;
    actuators.append(src.actuator_names[k]);
    *l++ = g.limits[k].lo * scale;
    *l++ = g.limits[k].hi * scale;
  }
  out["actuators"] = actuators;
  out["limits"] = limit_array;
  out["samples"] = g.samples;
  return out;
}

}  // namespace kinelab::python
