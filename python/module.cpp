// The module `kinelab`: kinelab.windows(), kinelab.Window and the errors.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "app/atlas/atlas.h"
#include "app/service/window_export.h"
#include "app/study/study_file.h"
#include "app/text/caption_english.h"
#include "app/window/settings.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/arm_file.h"
#include "python/py_window.h"

namespace py = pybind11;
using kinelab::python::py_window;

namespace {

py::list windows() {
  py::list out;
  for (const kinelab::window_entry& e : kinelab::window_registry()) {
    py::dict d;
    d["name"] = e.name;
    d["title"] = e.title;
    d["menu_item"] = e.menu_item;
    d["menu_caption"] = e.menu_caption;
    d["caption"] = kinelab::english_caption(e.menu_caption);
    d["simulation"] = e.simulation;
    out.append(d);
  }
  return out;
}

}  // namespace

PYBIND11_MODULE(_kinelab, m) {
  m.doc() = "The windows of kinelab (kinematics of spatial mechanisms), driven from Python.";
  m.attr("__version__") = kinelab::program_version();

  // The errors of the module; every one is a subclass of a built-in error a script can catch.
  py::register_exception<kinelab::python::field_stop>(m, "FieldError", PyExc_ValueError).doc() =
      "A field that is not a number stopped an action (a ValueError); the message is "
      "the window's status line.";
  static py::exception<void> study_error(m, "StudyError", PyExc_ValueError);
  study_error.doc() =
      "A study file (.kinelab or an exported CSV) that cannot be opened into the "
      "window (a ValueError): \"FILE:LINE: KEY: problem\". The window is "
      "unchanged.";
  static py::exception<void> mechanism_error(m, "MechanismError", PyExc_ValueError);
  mechanism_error.doc() =
      "A mechanism file (or .urdf) that cannot be read (a ValueError): \"FILE:LINE: KEY: "
      "problem\".";
  py::register_exception<kinelab::python::run_stop>(m, "RunError", PyExc_RuntimeError).doc() =
      "A Run that overflowed (no result file was written), or a result of a Run that there is "
      "not (a RuntimeError); the message is the one kinelab-cli prints.";
  kinelab::python::convergence_warning =
      PyErr_NewExceptionWithDoc("kinelab.ConvergenceWarning",
                                "Some steps of a Run did not reach the tolerance; w.converged "
                                "says which.",
                                PyExc_UserWarning, nullptr);
  m.attr("ConvergenceWarning") = py::handle(kinelab::python::convergence_warning);
  // An edit of a control that does not exist is a KeyError; one the control refuses (out of
  // range, disabled, not a whole number) a ValueError. A study file that cannot be read at all
  // is the OSError of its cause (FileNotFoundError, PermissionError).
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const kinelab::edit_error& e) {
      PyErr_SetString(
          e.why == kinelab::edit_error::reason::no_such_control ? PyExc_KeyError : PyExc_ValueError,
          e.what());
    } catch (const kinelab::study_error& e) {
      if (e.system_error_number != 0) {
        // OSError(errno, text) is made as the subclass of that errno.
        py::object error =
            py::reinterpret_borrow<py::object>(PyExc_OSError)(e.system_error_number, e.what());
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
      } else {
        PyErr_SetString(study_error.ptr(), e.what());
      }
    } catch (const kinelab::arm_file_error& e) {
      PyErr_SetString(mechanism_error.ptr(), e.what());
    }
  });

  m.def(
      "limit_threads",
      [](const py::object& threads) {
        if (threads.is_none()) return kinelab::limit_atlas_threads(0);
        if (py::isinstance<py::bool_>(threads) || !PyIndex_Check(threads.ptr()))
          throw py::type_error("limit_threads takes a whole number or None");
        const long long n = threads.cast<long long>();
        if (n < 1 || n > 1 << 16) throw py::value_error("limit_threads takes 1 or more threads");
        kinelab::limit_atlas_threads(static_cast<int>(n));
      },
      py::arg("threads"),
      "Holds the atlases of this process (Window.workspace) to at most `threads` threads of "
      "computation from now on; None lifts the limit (one thread per core the process may "
      "use). A sweep's workers take one each, so that several share the cores without "
      "crowding them.");
  m.def("windows", &windows,
        "Every window: a dict of name, title, menu_item, menu_caption and simulation (False "
        "for the function-test windows).");

  const kinelab::run_settings defaults;
  py::class_<py_window>(m, "Window",
                        "One window of kinelab, driven as kinelab-cli drives it: its controls by "
                        "address (w[\"Text2(1)\"]) and described in w.controls, its buttons, "
                        "its Run and the arrays of the Run (w.arrays, described in "
                        "w.quantities). print(w) shows its controls.")
      .def(py::init<const std::string&, const py::object&, double>(), py::arg("name"),
           py::arg("N") = py::int_(defaults.N), py::arg("T") = defaults.T,
           "Opens the window `name` (see windows()) with N time divisions and cycle time T "
           "seconds.")
      .def_static("from_mechanism", &py_window::from_mechanism, py::arg("path"),
                  py::arg("kind") = "forward", py::arg("N") = py::int_(defaults.N),
                  py::arg("T") = defaults.T, py::arg("text") = py::none(),
                  "Opens the forward or inverse window of the arm or hexapod a mechanism file "
                  "(or a .urdf) describes; MechanismError (a ValueError) naming the file, the "
                  "line and the key when it cannot be read. With `text`, that is read as the "
                  "file's content (an edited copy, say): `path` then names it in messages and a "
                  "URDF it names is found next to `path`.")
      .def_property_readonly("name", &py_window::name, "The window's name (\"form_3r_jun\").")
      .def_property_readonly("title", &py_window::title, "The window's title (\"3r_jun\").")
      .def_property_readonly("buttons", &py_window::buttons, "The names press() takes.")
      .def_property_readonly("status", &py_window::status, "The window's status line.")
      .def_property_readonly("step_no", &py_window::step_no, "The step on display.")
      .def_property_readonly("figure_no", &py_window::figure_no,
                             "The graph \"next\" shows next (0: the mechanism).")
      .def_property("N", &py_window::N, &py_window::set_N, "N of the next Run.")
      .def_property("T", &py_window::T, &py_window::set_T, "T of the next Run, in seconds.")
      .def_property_readonly(
          "controls", &py_window::controls,
          "Every control, by address: a dict of caption (English), caption_ja, role "
          "('geometry', 'start', 'stop', 'tolerance', 'readout', 'slider', 'time slider', "
          "'profile'), unit ('deg', 'length', 'step' or None), min and max (None where there "
          "is no limit), slider_rewrites (a pose slider writes the field), meaning and value.")
      .def_property_readonly(
          "quantities", &py_window::quantities,
          "Every array of w.arrays, by name: a dict of meaning, unit ('length' or 'rad'; "
          "rates per second, accelerations per second squared), kind ('point' or 'scalar'), "
          "shape and layout.")
      .def_property("tolerance", &py_window::tolerance, &py_window::set_tolerance,
                    "The tolerance field's text, wherever the window keeps it (None where it "
                    "solves in closed form); set it as a number or a text.")
      .def_property("profile", &py_window::profile, &py_window::set_profile,
                    "The motion profile by the name study files use: 'quintic', 'cubic' or "
                    "'constant velocity'.")
      .def("__getitem__", &py_window::get, py::arg("address"),
           "A control's value by address (\"Text9(0)\"): a field's text, a slider's value, "
           "Option1's choice.")
      .def("__setitem__", &py_window::set, py::arg("address"), py::arg("value"),
           "Sets a control as kinelab-cli --set does; a number (numpy scalars and 0-d arrays "
           "included) goes to a field in the shortest text that reads back as the same double.")
      .def("press", &py_window::press, py::arg("button"),
           "Presses a button (see buttons): \"run\" writes result.dat in the current directory.")
      .def("tick", &py_window::tick, py::arg("k") = 1, "k ticks of the animation timer.")
      .def("run", &py_window::run, py::arg("result_file") = py::none(),
           "A Run: computes the trajectory; writes result.dat only to result_file (a str or a "
           "path) when given. RunError when the Run overflowed (the file untouched); a "
           "ConvergenceWarning when steps did not reach the tolerance; KeyboardInterrupt on "
           "Ctrl-C, the window then as before its first Run.")
      .def("reset", &py_window::reset,
           "Returns the window to its freshly opened state: every control at its default, no "
           "Run, the solves starting where a new window's do. N and T stay.")
      .def_property_readonly(
          "arrays", &py_window::arrays,
          "The last Run's arrays (before the first, the static pose at step 0), name -> "
          "read-only numpy view of the window's own storage, no copy (see w.quantities): "
          "(N+1, 3, 3) for a point or posture (rows x, y, z; columns value, rate, "
          "acceleration), (N+1, 3) for a scalar history. A view keeps what it shows: before "
          "the window changes (a Run, an edit) it takes over the storage it looks at.")
      .def_property_readonly("converged", &py_window::converged,
                             "Per step of the last Run, whether its solve reached the "
                             "tolerance (numpy bool); None where the window does not solve "
                             "iteratively.")
      .def_property_readonly("guarded", &py_window::guarded,
                             "Per step, whether a value that was not finite was replaced by 0 "
                             "(numpy bool; the dump's guarded column).")
      .def_property_readonly("solver", &py_window::solver,
                             "The Newton-Raphson record per step (iterations, residual, status: "
                             "0 converged, 1 iteration limit, 2 singular Jacobian, 3 not "
                             "finite, 4 unreachable; minimum_norm_rates: the Jacobian is "
                             "singular at the solution, so its rates are minimum-norm; "
                             "near_singular: its condition number exceeds 1e6, so its rates "
                             "are large and sensitive); None "
                             "where the window does not solve iteratively.")
      .def_property_readonly(
          "actuators", &py_window::actuators,
          "The actuators whose limits decide the atlas's reachability (legs, sliders, joints), "
          "in the atlas's order: a dict each of name (as in w.arrays; 'pp.x' for a point's "
          "component), angle (its values in w.arrays are radians) and limits, the (lo, hi) the "
          "mechanism itself declares (a mechanism file's joint limits) as the window shows "
          "them, degrees for an angle, or None (a built-in window's: their limits are the "
          "atlas's to set). Empty for a window without an atlas.")
      .def_property_readonly(
          "singularity", &py_window::singularity,
          "sigma_min and the condition number of the Jacobian per step of the last "
          "Run (before the first, of the static pose).")
      .def("svg", &py_window::svg, "The drawing as kinelab-cli --svg writes it.")
      .def("csv", &py_window::csv, py::arg("path") = py::none(),
           "The arrays as kinelab-cli --dump writes them: streamed to `path` (a str or a path) "
           "when given, else returned as a str. RunError before a Run.")
      .def("study_text", &py_window::study_text,
           "The window's study, as save() writes it (kinelab-cli --save).")
      .def("save", &py_window::save, py::arg("path"),
           "Writes the window's study to `path` (a str or a path; kinelab-cli --save); OSError "
           "when it cannot.")
      .def("load", &py_window::load, py::arg("path"),
           "Opens a study or an exported CSV into the window (kinelab-cli --load): "
           "FileNotFoundError or PermissionError when the file cannot be read, StudyError (a "
           "ValueError) naming the file, the line and the key when it cannot be opened; the "
           "window is then unchanged. Returns the notes about skipped keys of a newer format.")
      .def("result_text", &py_window::result_text,
           "result.dat of the last Run; RunError before a Run or after one that overflowed.")
      .def("check_derivatives", &py_window::check_derivatives,
           "kinelab-cli --check-derivatives: per graph's quantity, the largest mismatch of the "
           "rate and of the acceleration against numerical derivatives.")
      .def("compare_profiles", &py_window::compare_profiles,
           "kinelab-cli --compare-profiles: one dict per quantity and profile.")
      .def("workspace", &py_window::workspace, py::kw_only(), py::arg("mode") = py::none(),
           py::arg("plane") = py::none(), py::arg("offset") = py::none(),
           py::arg("cells") = py::none(), py::arg("depth") = py::none(),
           py::arg("limits") = py::none(), py::arg("samples") = py::none(),
           py::arg("locus") = py::none(), py::arg("csv") = true,
           "The workspace and singularity atlas, as kinelab-cli --workspace with the same "
           "options (mode 'position' or 'posture', plane 'xy', 'xz' or 'yz', offset, cells, "
           "depth, limits as (lo, hi) or a list of them in lengths or degrees, samples, locus); "
           "None takes kinelab-cli's default; csv=False leaves the cells' text out (None). A "
           "dict: summary, csv (as --dump writes it), mode, "
           "plane, axes, the cell centres u, v, w, and per cell (shape (depth, cells, cells)) "
           "reachable, sigma_min, condition, singular, state (an index into state_names); "
           "actuators and their limits; samples.")
      .def("__repr__", [](py_window& w) { return "<kinelab.Window " + w.name() + ">"; })
      .def("__str__", &py_window::repr,
           "The window's title, N, T, profile and a table of its controls.");
}
