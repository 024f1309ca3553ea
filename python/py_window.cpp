#include "python/py_window.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/service/atlas_export.h"
#include "app/service/profile_comparison.h"
#include "app/service/window_atlas.h"
#include "app/service/window_description.h"
#include "app/service/window_export.h"
#include "app/service/window_service.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/graph_derivative_check.h"
#include "app/window/settings.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "mechanisms/mechanism_file.h"
#include "mechanisms/registry.h"

namespace kinelab::python {

PyObject* convergence_warning = nullptr;

namespace {

// A file that could not be written: OSError(errno, message) is made as the subclass of that
// errno (PermissionError, FileNotFoundError…); OSError itself where there is none.
[[noreturn]] void raise_os_error(int error_number, const std::string& message) {
  if (error_number == 0) {
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw py::error_already_set();
  }
  const py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(error_number, message);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

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
std::string value_text(const py::handle& given) {
  py::object v = py::reinterpret_borrow<py::object>(given);
  // A numpy array of one value (np.array(2.5)) is that value; any other array is refused.
  if (py::hasattr(v, "ndim") && py::hasattr(v, "shape") && py::hasattr(v, "item")) {
    if (v.attr("ndim").cast<long long>() != 0)
      throw py::type_error("a control takes one number or a text, not an array of shape " +
                           py::str(v.attr("shape")).cast<std::string>());
    v = v.attr("item")();
  }
  if (py::isinstance<py::str>(v)) return v.cast<std::string>();
  const std::string what = py::str(py::type::of(v).attr("__name__")).cast<std::string>();
  if (py::isinstance<py::bool_>(v) || what == "bool_")
    throw py::type_error("a control takes a number or a text, not a bool");
  if (auto text = whole_text(v)) return *text;
  if (PyFloat_Check(v.ptr()) || py::hasattr(v, "__float__")) {
    const double d = PyFloat_AsDouble(v.ptr());
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return format_exact(d);
  }
  throw py::type_error("a control takes a number or a text, not " + what);
}

// A read-only view of one array's storage, in the CSV's column order: (steps, 3, 3) for a point
// or a posture (rows x, y, z; columns value, rate, acceleration), (steps, 3) for a scalar
// history. `owner` keeps the storage alive.
py::array view_of(const trajectory_array& a, const double* data, const py::object& owner) {
  const auto steps = static_cast<py::ssize_t>(a.size());
  constexpr auto d = static_cast<py::ssize_t>(sizeof(double));
  const auto row = static_cast<py::ssize_t>(a.lean ? sizeof(scalar_state) : sizeof(kin_state));
  py::array out =
      a.kind == array_kind::scalar
          ? py::array(py::dtype::of<double>(), {steps, py::ssize_t{3}}, {row, d}, data, owner)
          : py::array(py::dtype::of<double>(), {steps, py::ssize_t{3}, py::ssize_t{3}},
                      {row, 3 * d, d}, data, owner);
  py::detail::array_proxy(out.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return out;
}

// Values per step of one array, in the CSV's column order: (steps, 3, 3) for a point or a
// posture (rows x, y, z; columns value, rate, acceleration), (steps, 3) for a scalar history.
py::array_t<double> numpy_of(const trajectory_array& a) {
  const std::vector<array_column> columns = array_columns(a);
  const auto steps = static_cast<py::ssize_t>(a.size());
  py::array_t<double> out = a.kind == array_kind::scalar
                                ? py::array_t<double>({steps, py::ssize_t{3}})
                                : py::array_t<double>({steps, py::ssize_t{3}, py::ssize_t{3}});
  double* d = out.mutable_data();
  for (std::size_t i = 0; i < a.size(); ++i)
    for (const array_column& c : columns) *d++ = a.get(i, c.field);
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

void py_window::reset() {
  const in_use u(busy_);
  sim_window& s = simulation();
  // Views of the old window keep it alive; new ones look at the new window.
  std::unique_ptr<sim_window> fresh;
  {
    py::gil_scoped_release unlocked;
    fresh = reopened(s);
  }
  w_ = std::move(fresh);
  views_.clear();
}

py::dict py_window::controls() {
  const in_use u(busy_);
  sim_window& s = simulation();
  py::dict out;
  for (const control_description& c : control_descriptions(s)) {
    py::dict d;
    d["caption"] = c.caption;
    d["caption_ja"] = c.caption_japanese;
    d["role"] = to_string(c.role);
    d["unit"] = c.unit.empty() ? py::object(py::none()) : py::object(py::str(c.unit));
    d["min"] = c.min ? py::object(py::float_(*c.min)) : py::object(py::none());
    d["max"] = c.max ? py::object(py::float_(*c.max)) : py::object(py::none());
    d["slider_rewrites"] = c.slider_rewrites;
    d["meaning"] = c.meaning;
    d["value"] =
        std::visit([](const auto& v) -> py::object { return py::cast(v); }, s.value_of(c.address));
    out[py::str(c.address)] = d;
  }
  return out;
}

py::dict py_window::quantities() {
  const in_use u(busy_);
  sim_window& s = simulation();
  py::dict out;
  for (const trajectory_array& a : s.logic().arrays.all()) {
    py::dict d;
    const bool scalar = a.kind == array_kind::scalar;
    d["meaning"] = a.meaning;
    d["unit"] = a.unit;
    d["kind"] = scalar ? "scalar" : "point";
    d["shape"] = scalar ? py::make_tuple(a.size(), 3) : py::make_tuple(a.size(), 3, 3);
    d["layout"] = scalar ? "per step: value, rate, acceleration"
                         : "per step: rows x, y, z; columns value, rate, acceleration";
    out[py::str(a.name)] = d;
  }
  return out;
}

py::object py_window::tolerance() {
  const in_use u(busy_);
  const std::optional<std::string> address = tolerance_control(simulation());
  if (!address) return py::none();
  return py::cast(std::get<std::string>(w_->value_of(*address)));
}

void py_window::set_tolerance(const py::object& value) {
  const std::string text = value_text(value);
  const in_use u(busy_);
  const std::optional<std::string> address = tolerance_control(simulation());
  if (!address)
    throw py::attribute_error(w_->name() + " has no tolerance: it does not solve iteratively");
  computing([&] { w_->set_value(*address, text); });
}

std::string py_window::profile() {
  const in_use u(busy_);
  return to_string(simulation().profile());
}

void py_window::set_profile(const py::object& profile) {
  const in_use u(busy_);
  sim_window& s = simulation();
  if (!py::isinstance<py::str>(profile))
    throw py::type_error("profile takes a name: quintic, cubic or constant velocity");
  const std::string name = profile.cast<std::string>();
  const int option = profile_option(s, name);
  if (option < 0)
    throw py::value_error(
        message(ui_language::english, message_id::study_not_a_profile, {name, s.name()}));
  computing([&] { s.select_option(option); });
}

std::string py_window::repr() {
  const in_use u(busy_);
  std::ostringstream out;
  sim_window* s = simulation_of(*w_);
  out << "<kinelab.Window " << w_->name() << ": " << w_->title();
  if (!s) return out.str() + " (function test)>";
  out << ", N " << w_->settings.N << ", T " << format_exact(w_->settings.T) << ", profile "
      << to_string(s->profile()) << ">";
  for (const control_description& c : control_descriptions(*s)) {
    const std::string value = std::visit(
        [](const auto& v) {
          if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
            return v;
          else
            return std::to_string(v);
        },
        s->value_of(c.address));
    char line[256];
    std::snprintf(line, sizeof line, "\n  %-12s %-12s %-28s %-8s %s", c.address.c_str(),
                  to_string(c.role), c.caption.c_str(), c.unit.c_str(), value.c_str());
    out << line;
  }
  return out.str();
}

std::unique_ptr<py_window> py_window::from_mechanism(const std::filesystem::path& path,
                                                     const std::string& kind, const py::object& N,
                                                     double T,
                                                     const std::optional<std::string>& text) {
  const auto k = arm_window_kind_from(kind);
  if (!k) throw py::value_error("kind is \"forward\" or \"inverse\", not \"" + kind + "\"");
  run_settings s;
  check_settings(N, T, s);
  mechanism_file m;
  {
    py::gil_scoped_release unlocked;
    m = text ? parse_mechanism_file(*text, path.string()) : read_mechanism_file(path.string());
  }
  std::unique_ptr<py_window> w(new py_window());
  w->w_ = make_mechanism_window(m, *k, s);
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
  detach_views();
  const int stops = w_->field_stops;
  sim_window* sim = simulation_of(*w_);
  // Ctrl-C reaches Python's handler only when the interpreter runs: the computation asks it a
  // few times a second (the GIL taken for the moment), and stops when it raised.
  std::optional<py::error_already_set> interrupt;
  if (sim)
    sim->cancel_requested = [&interrupt] {
      py::gil_scoped_acquire locked;
      if (PyErr_CheckSignals() == 0) return false;
      interrupt.emplace();
      return true;
    };
  struct unhook {
    sim_window* sim;
    ~unhook() {
      if (sim) sim->cancel_requested = nullptr;
    }
  } unhooked{sim};
  {
    py::gil_scoped_release unlocked;
    f();
  }
  if (interrupt) throw std::move(*interrupt);
  if (w_->field_stops != stops) throw field_stop(w_->status);
}

void py_window::detach_views() {
  sim_window* sim = simulation_of(*w_);
  if (!sim) return;
  for (auto& [name, holder] : views_) {
    if (holder.use_count() == 1) continue;
    // A placed array's holder has its own copy already.
    if (trajectory_array* a = sim->logic().arrays.find(name); a && !a->placed) {
      holder->at.swap(a->at);
      holder->scalar_at.swap(a->scalar_at);
      a->at = holder->at;
      a->scalar_at = holder->scalar_at;
    }
    holder = std::make_shared<array_storage>();
  }
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

void py_window::set(const std::string& address, const py::object& value) {
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
  int error_number = 0;
  std::optional<std::string> path;
  if (result_file) path = result_file->string();
  computing([&] { run_into(s, path, error, ui_language::english, &error_number); });
  if (!error.empty()) raise_os_error(error_number, error);
  const run_record* last = s.last_run();
  if (!last) return;
  if (!last->overflow.empty())
    throw run_stop(
        s.name() + ": " +
        (path ? message(ui_language::english, message_id::result_kept, {*path, last->overflow})
              : last->overflow));
  if (last->unconverged > 0) {
    const std::vector<int> steps = s.unconverged_steps();
    const std::string text =
        message(ui_language::english, message_id::unconverged_warning,
                {std::to_string(last->unconverged), std::to_string(last->N + 1),
                 std::to_string(steps.empty() ? -1 : steps.front())});
    if (PyErr_WarnEx(convergence_warning, (s.name() + ": " + text).c_str(), 1) < 0)
      throw py::error_already_set();
  }
}

py::dict py_window::arrays() {
  const in_use u(busy_);
  sim_window& s = simulation();
  py::dict out;
  if (s.static_pose_over_run()) {
    // Step 0 holds a static pose; the Run's own is set aside: copies of the Run's values.
    const sim_window::run_view run(s);
    for (const trajectory_array& a : s.logic().arrays.all()) out[py::str(a.name)] = numpy_of(a);
    return out;
  }
  // Placed arrays have no storage to show: their holders get a copy, taken step by step for all
  // of them at once (the window places every placed array of a step together).
  std::vector<std::pair<const trajectory_array*, kin_state*>> placed;
  for (const trajectory_array& a : s.logic().arrays.all()) {
    if (!a.placed) continue;
    std::shared_ptr<array_storage>& holder = views_[a.name];
    if (!holder || holder.use_count() > 1) holder = std::make_shared<array_storage>();
    holder->at.resize(a.size());
    placed.emplace_back(&a, holder->at.data());
  }
  for (std::size_t i = 0; !placed.empty() && i < placed.front().first->size(); ++i)
    for (auto& [a, to] : placed) to[i] = a->state(i);
  for (const trajectory_array& a : s.logic().arrays.all()) {
    std::shared_ptr<array_storage>& holder = views_[a.name];
    if (!holder) holder = std::make_shared<array_storage>();
    // The view keeps the window (and so its storage) and the holder of the storage it shows
    // once detached.
    struct keep {
      std::shared_ptr<window_model> window;
      std::shared_ptr<array_storage> holder;
    };
    const py::capsule owner(new keep{w_, holder}, [](void* p) { delete static_cast<keep*>(p); });
    const double* data = a.placed ? &holder->at.front().x
                         : a.lean ? &a.scalar_at.front().x
                                  : &a.at.front().x;
    out[py::str(a.name)] = view_of(a, data, owner);
  }
  return out;
}

py::object py_window::converged() {
  const in_use u(busy_);
  detach_views();
  sim_window& s = simulation();
  const sim_window::run_view run(s);
  const std::vector<nr_outcome>& r = s.logic().arrays.solver_record();
  if (r.empty()) return py::none();
  return numpy_of<bool>(r.size(),
                        [&](std::size_t i) { return r[i].status == nr_status::converged; });
}

py::object py_window::guarded() {
  const in_use u(busy_);
  detach_views();
  sim_window& s = simulation();
  const sim_window::run_view run(s);
  const trajectory_arrays& a = s.logic().arrays;
  return numpy_of<bool>(static_cast<std::size_t>(a.N() + 1),
                        [&](std::size_t i) { return a.guarded(static_cast<int>(i)); });
}

py::object py_window::solver() {
  const in_use u(busy_);
  detach_views();
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

py::list py_window::actuators() {
  const in_use u(busy_);
  sim_window& s = simulation();
  py::list out;
  const std::optional<atlas_mechanism> m = s.logic().atlas();
  if (!m) return out;
  for (std::size_t k = 0; k < m->actuators.size(); ++k) {
    const solved_variable& v = m->actuators[k];
    const trajectory_array* a = s.logic().arrays.find(v.array);
    const double scale = v.angle ? 180 / pi : 1;
    py::dict d;
    d["name"] = a && a->kind == array_kind::scalar ? v.array : v.array + "." + v.component;
    d["angle"] = v.angle;
    d["limits"] = py::none();
    if (k < m->declared_limits.size() && m->declared_limits[k].given)
      d["limits"] =
          py::make_tuple(m->declared_limits[k].lo * scale, m->declared_limits[k].hi * scale);
    out.append(d);
  }
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

py::object py_window::csv(const std::optional<std::filesystem::path>& path) {
  const in_use u(busy_);
  sim_window& s = simulation();
  if (const std::string refusal = csv_refusal(s); !refusal.empty()) throw run_stop(refusal);
  if (path) {
    // Streamed to the file as kinelab-cli --dump writes it, never held whole.
    std::string error;
    int error_number = 0;
    computing([&] { save_window_csv(s, path->string(), error, error_number); });
    if (!error.empty()) raise_os_error(error_number, error);
    return py::none();
  }
  // The text in pieces of 1 MiB, copied once into Python's string: at the peak the text is
  // held twice, without the growth of one string reallocated as it is built.
  constexpr std::size_t piece = 1 << 20;
  std::vector<std::string> pieces;
  std::size_t size = 0;
  bool ascii = true;
  computing([&] {
    write_window_csv(s, [&](std::string_view t) {
      size += t.size();
      for (const char c : t) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
      while (!t.empty()) {
        if (pieces.empty() || pieces.back().size() == piece) pieces.emplace_back().reserve(piece);
        const std::size_t n = std::min(t.size(), piece - pieces.back().size());
        pieces.back().append(t.substr(0, n));
        t.remove_prefix(n);
      }
    });
  });
  if (!ascii) {
    std::string text;
    text.reserve(size);
    for (std::string& p : pieces) text += std::exchange(p, {});
    return py::str(text);
  }
  py::str out = py::reinterpret_steal<py::str>(PyUnicode_New(static_cast<py::ssize_t>(size), 127));
  if (!out) throw py::error_already_set();
  auto* d = static_cast<char*>(PyUnicode_DATA(out.ptr()));
  for (std::string& p : pieces) {
    d = std::copy(p.begin(), p.end(), d);
    std::string().swap(p);
  }
  return out;
}

std::string py_window::study_text() {
  const in_use u(busy_);
  return study_document(simulation());
}

void py_window::save(const std::filesystem::path& path) {
  const in_use u(busy_);
  std::string error;
  int error_number = 0;
  if (!save_study(simulation(), path.string(), error, &error_number))
    raise_os_error(error_number, error);
}

py::list py_window::load(const std::filesystem::path& path) {
  const in_use u(busy_);
  sim_window& s = simulation();
  const study st = read_study(path.string());
  detach_views();
  open_study(st, s);
  py::list notes;
  for (const std::string& n : st.notes) notes.append(n);
  return notes;
}

std::string py_window::result_text() {
  const in_use u(busy_);
  sim_window& s = simulation();
  if (!s.has_run()) throw run_stop(s.name() + " has not run: result.dat comes from a Run");
  // As the Run itself: a Run that overflowed writes no result.dat.
  if (!s.last_run()->overflow.empty()) throw run_stop(s.name() + ": " + s.last_run()->overflow);
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
                              const py::object& samples, const py::object& locus, bool with_csv) {
  const workspace_options o =
      atlas_options(mode, plane, offset, cells, depth, limits, samples, locus);

  const in_use u(busy_);
  sim_window& s = simulation();
  std::ostringstream summary;
  workspace_outcome r;
  std::string csv;
  computing([&] {
    r = run_workspace(s, o, summary);
    if (r.grid && with_csv) csv = atlas_csv(*r.source, *r.grid);
  });
  if (r.usage) throw py::value_error(r.problem);
  if (r.interrupted) throw std::runtime_error(r.problem);
  if (!r.grid) throw std::runtime_error(s.name() + ": no workspace atlas: " + r.problem);

  const atlas_grid& g = *r.grid;
  const atlas_source& src = *r.source;
  py::dict out;
  out["summary"] = summary.str();
  out["csv"] = with_csv ? py::object(py::str(csv)) : py::object(py::none());
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
