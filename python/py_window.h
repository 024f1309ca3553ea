#pragma once
// kinelab.Window: one window model of the registry, driven from Python as kinelab-cli drives it.
// Every method that computes releases the GIL; a window is used by one thread at a time (a
// second thread gets RuntimeError instead of a data race).
#include <pybind11/pybind11.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "app/window/window_model.h"

namespace kinelab::python {

namespace py = pybind11;

// A field that is not a number stopped an action; kinelab.FieldError (a ValueError) in Python.
struct field_stop : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A Run that overflowed, or a result of one asked for; kinelab.RunError (a RuntimeError).
struct run_stop : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// kinelab.ConvergenceWarning, set when the module is made.
extern PyObject* convergence_warning;

class py_window {
 public:
  py_window(const std::string& name, const py::object& N, double T);
  // The forward or inverse window of an arm read from a mechanism file (or a .urdf), or from
  // `text` standing for the file's content (`path` then names it in messages and anchors a
  // relative URDF reference); ValueError with "FILE:LINE: KEY: problem" when it cannot be read.
  static std::unique_ptr<py_window> from_mechanism(const std::filesystem::path& path,
                                                   const std::string& kind, const py::object& N,
                                                   double T,
                                                   const std::optional<std::string>& text);

  std::string name();
  std::string title();
  py::list buttons();
  std::string status();
  int step_no();
  int figure_no();
  // The settings the next Run uses, checked as the settings window checks them.
  long long N();
  double T();
  void set_N(const py::object& N);
  void set_T(double T);

  // w[address] and w[address] = value: a field's text, a slider's or Option1's whole number.
  py::object get(const std::string& address);
  void set(const std::string& address, const py::object& value);
  // Every control described (caption, role, unit, range, meaning) with its value; every array.
  py::dict controls();
  py::dict quantities();
  // The tolerance field by its role; None where the window has none.
  py::object tolerance();
  void set_tolerance(const py::object& value);
  // The profile by the name study files use ("quintic", "cubic", "constant velocity").
  std::string profile();
  void set_profile(const py::object& profile);
  std::string repr();

  void press(const std::string& button);
  void tick(long long k);
  // A Run that writes result.dat only to the file given.
  void run(const std::optional<std::filesystem::path>& result_file);
  // The window as freshly opened (N and T stay).
  void reset();

  py::dict arrays();
  py::object converged();
  py::object guarded();
  py::object solver();
  // The actuators whose limits decide the atlas's reachability, in its order: name, whether an
  // angle, and the limits the mechanism itself declares as the window shows them (degrees for
  // an angle), None where it declares none.
  py::list actuators();
  py::dict singularity();
  std::string svg();
  py::object csv(const std::optional<std::filesystem::path>& path);
  std::string study_text();
  // The window's study written to `path` (OSError when it cannot be); a study (.kinelab or an
  // exported CSV) opened into the window as 開く does (ValueError naming the file, the line and
  // the key when it cannot be, and the window unchanged). load returns the notes about keys of
  // a newer format that were skipped.
  void save(const std::filesystem::path& path);
  py::list load(const std::filesystem::path& path);
  std::string result_text();
  py::list check_derivatives();
  py::list compare_profiles();
  // The workspace atlas as kinelab-cli --workspace makes it; options left None take its
  // defaults. The atlas is drawn on the window's picture (w.svg()).
  py::dict workspace(const py::object& mode, const py::object& plane, const py::object& offset,
                     const py::object& cells, const py::object& depth, const py::object& limits,
                     const py::object& samples, const py::object& locus, bool with_csv);

 private:
  py_window() = default;
  sim_window& simulation();
  // Runs f with the GIL released, Ctrl-C stopping a long Run or atlas (KeyboardInterrupt);
  // throws field_stop when a field stopped what f did. The arrays' views are detached first.
  void computing(const std::function<void()>& f);
  // Hands the storage the live views of the arrays look at to the views, the window keeping a
  // copy: a view then keeps what it showed, whatever the window does next.
  void detach_views();

  // Shared with the arrays' views, which keep the window's storage alive.
  std::shared_ptr<window_model> w_;
  // Per array, the holder of its storage once views of it are detached; while a view holds it,
  // the storage must be handed over before the window changes.
  std::map<std::string, std::shared_ptr<std::vector<kin_state>>> views_;
  std::atomic<bool> busy_{false};
};

}  // namespace kinelab::python
