// The module `kinelab`: kinelab.windows(), kinelab.Window and the errors.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "app/service/window_export.h"
#include "app/study/study_file.h"
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
    d["simulation"] = e.simulation;
    out.append(d);
  }
  return out;
}

}  // namespace

PYBIND11_MODULE(kinelab, m) {
  m.doc() = "The windows of kinelab (kinematics of spatial mechanisms), driven from Python.";
  m.attr("__version__") = kinelab::program_version();

  py::register_exception<kinelab::python::field_stop>(m, "FieldError", PyExc_ValueError);
  // An edit of a control that does not exist is a KeyError; one the control refuses (out of
  // range, disabled, not a whole number) a ValueError.
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const kinelab::edit_error& e) {
      PyErr_SetString(
          e.why == kinelab::edit_error::reason::no_such_control ? PyExc_KeyError : PyExc_ValueError,
          e.what());
    } catch (const kinelab::study_error& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const kinelab::arm_file_error& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });

  m.def("windows", &windows,
        "Every window: a dict of name, title, menu_item, menu_caption and simulation (False "
        "for the function-test windows).");

  const kinelab::run_settings defaults;
  py::class_<py_window>(m, "Window")
      .def(py::init<const std::string&, const py::object&, double>(), py::arg("name"),
           py::arg("N") = py::int_(defaults.N), py::arg("T") = defaults.T,
           "Opens the window `name` (see windows()) with N time divisions and cycle time T "
           "seconds.")
      .def_static("from_mechanism", &py_window::from_mechanism, py::arg("path"),
                  py::arg("kind") = "forward", py::arg("N") = py::int_(defaults.N),
                  py::arg("T") = defaults.T,
                  "Opens the forward or inverse window of the arm a mechanism file (or a .urdf) "
                  "describes; ValueError naming the file, the line and the key when it cannot "
                  "be read.")
      .def_property_readonly("name", &py_window::name)
      .def_property_readonly("title", &py_window::title)
      .def_property_readonly("buttons", &py_window::buttons)
      .def_property_readonly("status", &py_window::status, "The window's status line.")
      .def_property_readonly("step_no", &py_window::step_no)
      .def_property_readonly("figure_no", &py_window::figure_no)
      .def_property("N", &py_window::N, &py_window::set_N, "N of the next Run.")
      .def_property("T", &py_window::T, &py_window::set_T, "T of the next Run, in seconds.")
      .def("__getitem__", &py_window::get,
           "A control's value by address (\"Text9(0)\"): a field's text, a slider's value, "
           "Option1's choice.")
      .def("__setitem__", &py_window::set,
           "Sets a control as kinelab-cli --set does; a number goes to a field in the shortest "
           "text that reads back as the same double.")
      .def("press", &py_window::press, py::arg("button"))
      .def("tick", &py_window::tick, py::arg("k") = 1, "k ticks of the animation timer.")
      .def("run", &py_window::run, py::arg("result_file") = py::none(),
           "A Run: computes the trajectory; writes result.dat only to result_file when given.")
      .def_property_readonly("arrays", &py_window::arrays,
                             "The last Run's arrays (before the first, the static pose at step 0), "
                             "name -> numpy array: (N+1, 3, 3) for a point or posture "
                             "(rows x, y, z; columns value, rate, acceleration), (N+1, 3) for a "
                             "scalar history.")
      .def_property_readonly("solver", &py_window::solver,
                             "The Newton-Raphson record per step (iterations, residual, status: "
                             "0 converged, 1 iteration limit, 2 singular Jacobian, 3 not "
                             "finite, 4 unreachable; minimum_norm_rates: the Jacobian is "
                             "singular at the solution, so its rates are minimum-norm; "
                             "near_singular: its condition number exceeds 1e6, so its rates "
                             "are large and sensitive); None "
                             "where the window does not solve iteratively.")
      .def_property_readonly(
          "singularity", &py_window::singularity,
          "sigma_min and the condition number of the Jacobian per step of the last "
          "Run (before the first, of the static pose).")
      .def("svg", &py_window::svg, "The drawing as kinelab-cli --svg writes it.")
      .def("csv", &py_window::csv, "The arrays as kinelab-cli --dump writes them.")
      .def("save", &py_window::save, py::arg("path"),
           "Writes the window's study (kinelab-cli --save); OSError when it cannot.")
      .def("load", &py_window::load, py::arg("path"),
           "Opens a study or an exported CSV into the window (kinelab-cli --load); ValueError "
           "when the file cannot be opened, the window unchanged. Returns the notes about "
           "skipped keys of a newer format.")
      .def("result_text", &py_window::result_text, "result.dat of the last Run.")
      .def("check_derivatives", &py_window::check_derivatives,
           "kinelab-cli --check-derivatives: per graph's quantity, the largest mismatch of the "
           "rate and of the acceleration against numerical derivatives.")
      .def("compare_profiles", &py_window::compare_profiles,
           "kinelab-cli --compare-profiles: one dict per quantity and profile.")
      .def("workspace", &py_window::workspace, py::kw_only(), py::arg("mode") = py::none(),
           py::arg("plane") = py::none(), py::arg("offset") = py::none(),
           py::arg("cells") = py::none(), py::arg("depth") = py::none(),
           py::arg("limits") = py::none(), py::arg("samples") = py::none(),
           py::arg("locus") = py::none(),
           "The workspace and singularity atlas, as kinelab-cli --workspace with the same "
           "options (mode 'position' or 'posture', plane 'xy', 'xz' or 'yz', offset, cells, "
           "depth, limits as (lo, hi) or a list of them in lengths or degrees, samples, locus); "
           "None takes kinelab-cli's default. A dict: summary, csv (as --dump writes it), mode, "
           "plane, axes, the cell centres u, v, w, and per cell (shape (depth, cells, cells)) "
           "reachable, sigma_min, condition, singular, state (an index into state_names); "
           "actuators and their limits; samples.")
      .def("__repr__", [](py_window& w) { return "<kinelab.Window " + w.name() + ">"; });
}
