"""`import kinelab` against kinelab-cli: every window gives the CLI's bytes and its doubles to
the bit, and every mistake a script can make is a Python exception, never a crash."""
import ctypes
import json
import os
import pathlib
import signal
import subprocess
import threading
import time
import warnings

import numpy as np
import pytest

import kinelab

CLI = os.environ["KINELAB_CLI"]
SIMULATIONS = [w["name"] for w in kinelab.windows() if w["simulation"]]
# Not the defaults, so that the settings are seen to reach the Run.
N, T = 37, 2.5


def cli(cwd, *args):
    return subprocess.run([CLI, *args], cwd=cwd, capture_output=True, text=True, check=False)


def dump_columns(path):
    lines = [l for l in path.read_text().splitlines() if not l.startswith("#")]
    header = lines[0].split(",")
    rows = [l.split(",") for l in lines[1:]]
    return {name: np.array([float(r[k]) for r in rows]) for k, name in enumerate(header)}


def bits(values):
    return np.ascontiguousarray(values, dtype=np.float64).view(np.uint64)


def column_names(name, values):
    if values.ndim == 2:
        return [name, "d" + name, "dd" + name]
    return [f"{name}.{d}{c}" for c in "xyz" for d in ("", "d", "dd")]


@pytest.mark.parametrize("name", SIMULATIONS)
def test_a_run_gives_the_cli_bytes_and_doubles(name, tmp_path):
    r = cli(tmp_path, name, "--N", str(N), "--T", str(T), "--press", "run",
            "--dump", "arrays.csv", "--svg", "view.svg")
    w = kinelab.Window(name, N=N, T=T)
    w.run(result_file=tmp_path / "python.dat")
    # 3: the Run finished, but some steps did not reach the tolerance.
    short = w.solver is not None and (w.solver["status"] != 0).any()
    assert r.returncode == (3 if short else 0), r.stderr

    assert w.csv().encode() == (tmp_path / "arrays.csv").read_bytes()
    w.csv(tmp_path / "python.csv")
    assert (tmp_path / "python.csv").read_bytes() == (tmp_path / "arrays.csv").read_bytes()
    assert w.svg().encode() == (tmp_path / "view.svg").read_bytes()
    result = (tmp_path / "result.dat").read_bytes()
    assert (tmp_path / "python.dat").read_bytes() == result
    assert w.result_text().encode() == result

    columns = dump_columns(tmp_path / "arrays.csv")
    seen = {"i"}
    assert set(w.quantities) == set(w.arrays)
    for array, values in w.arrays.items():
        # A view of the window's storage: no copy, and not to be written.
        assert not values.flags.writeable and not values.flags.owndata
        assert w.quantities[array]["shape"] == values.shape
        assert values.shape[0] == N + 1
        flat = values.reshape(N + 1, -1)
        for k, column in enumerate(column_names(array, values)):
            assert np.array_equal(bits(flat[:, k]), bits(columns[column])), column
            seen.add(column)
    solver = w.solver
    if solver is None:
        assert "nr_status" not in columns
    else:
        for key in ("iterations", "residual", "status", "minimum_norm_rates", "near_singular"):
            assert np.array_equal(bits(solver[key]), bits(columns["nr_" + key])), key
            seen.add("nr_" + key)
    for key, values in w.singularity.items():
        assert np.array_equal(bits(values), bits(columns[key])), key
        seen.add(key)
    # Every value was finite: no row stands for values replaced by 0.
    assert not columns["guarded"].any() and not w.guarded.any()
    seen.add("guarded")
    if solver is not None:
        assert np.array_equal(w.converged, solver["status"] == 0)
    assert seen == set(columns)


def test_the_figures_are_the_cli_figures(tmp_path):
    name = "form_stewart_jun"
    w = kinelab.Window(name, N=N, T=T)
    checks = w.check_derivatives()
    printed = cli(tmp_path, name, "--N", str(N), "--T", str(T), "--check-derivatives").stdout
    lines = printed.splitlines()
    assert len(lines) == len(checks) + 1 and checks
    assert any(q["at_rest"] for q in checks) and not all(q["at_rest"] for q in checks)
    for q, line in zip(checks, lines):
        if q["at_rest"]:
            assert line == f"{q['quantity']}: at rest"
        else:
            assert line.startswith(f"{q['quantity']}: rate {q['rate']['relative']:.2g}, "
                                   f"acceleration {q['acceleration']['relative']:.2g} ")
    assert not (tmp_path / "result.dat").exists()

    rows = w.compare_profiles()
    table = cli(tmp_path, name, "--N", str(N), "--T", str(T), "--compare-profiles").stdout
    header, *lines = table.splitlines()
    keys = header.split("\t")
    assert len(lines) == len(rows) and rows
    for row, line in zip(rows, lines):
        cells = dict(zip(keys, line.split("\t")))
        assert (row["quantity"], row["profile"]) == (cells["quantity"], cells["profile"])
        for key in keys[2:]:  # the CLI writes 15 significant digits
            assert row[key] == pytest.approx(float(cells[key]), rel=1e-14, abs=0)


@pytest.mark.parametrize("name,options", [("form_stewart_gyaku", {"cells": 30}),
                                          ("form_3r_jun", {"cells": 20, "samples": 20000})])
def test_the_workspace_atlas_is_the_clis(name, options, tmp_path):
    args = [a for k, v in options.items() for a in (f"--{k}", str(v))]
    r = cli(tmp_path, name, "--workspace", *args, "--dump", "atlas.csv", "--svg", "atlas.svg")
    assert r.returncode == 0, r.stderr
    w = kinelab.Window(name)
    a = w.workspace(**options)
    assert a["summary"] == r.stdout
    assert a["csv"].encode() == (tmp_path / "atlas.csv").read_bytes()
    assert w.svg().encode() == (tmp_path / "atlas.svg").read_bytes()

    lines = [l.split(",") for l in a["csv"].splitlines() if not l.startswith("#")][1:]
    nw, nv, nu = a["reachable"].shape
    assert len(lines) == nw * nv * nu and a["reachable"].any()
    for row, (k, j, i) in zip(lines, np.ndindex(nw, nv, nu)):
        assert [float(x) for x in row[:3]] == [a["u"][i], a["v"][j], a["w"][k]]
        assert a["reachable"][k, j, i] == (row[3] == "1")
        assert a["state_names"][a["state"][k, j, i]] == row[6]
        if row[3] == "1":
            assert [float(row[4]), float(row[5])] == [a["sigma_min"][k, j, i],
                                                      a["condition"][k, j, i]]


def test_editing_driving_and_reading_a_window(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    w = kinelab.Window("form_stewart_jun", N=20, T=2.0)
    w["Text9(0)"] = 2.1
    w["Text10(0)"] = "3.25"
    assert (w["Text9(0)"], w["Text10(0)"], w["HScroll1(0)"]) == ("2.1", "3.25", 20)
    w.run()
    assert not (tmp_path / "result.dat").exists()
    leg = w.arrays["the1"]
    # The legs are solved back from the pose, to the window's tolerance of 0.001.
    assert leg.shape == (21, 3) and np.allclose([leg[0, 0], leg[-1, 0]], [2.1, 3.25], atol=1e-3)
    w.press("run")
    assert (tmp_path / "result.dat").read_bytes() == w.result_text().encode()
    w.tick(3)
    assert w.step_no == 3
    w.press("next")
    assert w.figure_no == 1
    w.N = 10
    w.run()
    assert w.arrays["pp"].shape == (11, 3, 3)

    test = kinelab.Window("test_newton")
    test.press("Command1")
    assert test.status == ""


def stewart():
    return kinelab.Window("form_stewart_jun")


def set_control(address, value):
    return lambda: stewart().__setitem__(address, value)


def study_file(tmp_path, edit, csv=False):
    """A study of form_3r_jun, or the header of its dump, with one line edited."""
    w = kinelab.Window("form_3r_jun", N=3)
    path = tmp_path / ("d.csv" if csv else "s.kinelab")
    if csv:
        w.run()
    path.write_text(edit(w.csv() if csv else w.study_text()))
    return path


ERRORS = [
    ("unknown window", lambda: kinelab.Window("form_nothing"), KeyError),
    ("N of 0", lambda: kinelab.Window("form_3r_jun", N=0), ValueError),
    ("N past the cap", lambda: kinelab.Window("form_3r_jun", N=200001), ValueError),
    ("T of 0", lambda: kinelab.Window("form_3r_jun", T=0.0), ValueError),
    ("T not a number", lambda: kinelab.Window("form_3r_jun", T=float("nan")), ValueError),
    ("N past a long long", lambda: kinelab.Window("form_3r_jun", N=10**30), ValueError),
    ("N not whole", lambda: kinelab.Window("form_3r_jun", N=2.5), TypeError),
    ("N set to 0", lambda: setattr(stewart(), "N", 0), ValueError),
    ("unknown control", set_control("Text99(0)", 1), KeyError),
    ("index past the end", set_control("Text9(6)", 1), KeyError),
    ("reading an unknown control", lambda: stewart()["Nothing"], KeyError),
    ("unknown button", lambda: stewart().press("launch"), KeyError),
    ("slider past its range", set_control("HScroll1(0)", 10**9), ValueError),
    ("slider past a long long", set_control("HScroll1(0)", 10**30), ValueError),
    ("slider not a whole number", set_control("HScroll1(0)", 2.5), ValueError),
    ("a bool for a control", set_control("Text9(0)", True), TypeError),
    ("an object for a control", set_control("Text9(0)", object()), TypeError),
    ("negative ticks", lambda: stewart().tick(-1), ValueError),
    ("result.dat before a Run", lambda: stewart().result_text(), RuntimeError),
    ("arrays as CSV before a Run", lambda: stewart().csv(), RuntimeError),
    ("arrays of a test window", lambda: kinelab.Window("test_newton").arrays, AttributeError),
    ("atlas of no cells", lambda: stewart().workspace(cells=0), ValueError),
    ("atlas in no mode", lambda: stewart().workspace(mode="sideways"), ValueError),
    ("atlas limits for two legs of six", lambda: stewart().workspace(limits=[(1, 2), (3, 4)]),
     ValueError),
    ("atlas limits not numbers", lambda: stewart().workspace(limits="x"), TypeError),
    ("result file in no folder", lambda: stewart().run("/nonexistent/result.dat"),
     FileNotFoundError),
    ("an array for a control", set_control("Text9(0)", np.array([2.0, 3.0])), TypeError),
    ("a numpy bool for a control", set_control("Text9(0)", np.bool_(True)), TypeError),
    ("a 0-d array for a slider, not whole", set_control("HScroll1(0)", np.array(2.5)), ValueError),
    ("a profile no window has", lambda: setattr(stewart(), "profile", "sideways"), ValueError),
    ("a profile by number", lambda: setattr(stewart(), "profile", 1), TypeError),
    ("a tolerance where none is", lambda: setattr(kinelab.Window("form_3r_jun"), "tolerance", 1),
     AttributeError),
    ("a study that is not there", lambda: stewart().load(pathlib.Path("/nonexistent.kinelab")),
     FileNotFoundError),
    ("a study folder", lambda: stewart().load("/"), OSError),
    ("controls of a test window", lambda: kinelab.Window("test_newton").controls, AttributeError),
]


@pytest.mark.parametrize("action,error", [e[1:] for e in ERRORS], ids=[e[0] for e in ERRORS])
def test_mistakes_raise(action, error):
    with pytest.raises(error):
        action()


# Study files and dump headers that cannot be opened: a StudyError (a ValueError) naming the
# file, the line and the key, the window unchanged.
BAD_STUDIES = [
    ("a number past a double", False, lambda t: t.replace('"T": 1.0', '"T": 1e400'), ":8: T: "),
    ("a slider past a long long", False,
     lambda t: t.replace('"HScroll2(0)": 0', '"HScroll2(0)": 18446744073709551615'),
     ": HScroll2(0): "),
    ("nesting past the limit", False,
     lambda t: t.replace('"T": 1.0', '"T": 1.0, "zz": ' + "[" * 100000 + "]" * 100000), ":8: "),
    ("not JSON", False, lambda t: t[:-3], ": "),
    ("a header's number past a double", True, lambda t: t.replace("T = 1,", "T = 1e400,"), ":3: "),
    ("a header's slider not whole", True,
     lambda t: t.replace("HScroll2: (0) 0", "HScroll2: (0) 1e30"), ":12: "),
]


@pytest.mark.parametrize("csv,edit,where", [b[1:] for b in BAD_STUDIES],
                         ids=[b[0] for b in BAD_STUDIES])
def test_a_study_that_cannot_be_opened_raises_a_study_error(csv, edit, where, tmp_path):
    path = study_file(tmp_path, edit, csv)
    w = kinelab.Window("form_3r_jun")
    before = w.study_text()
    with pytest.raises(kinelab.StudyError) as e:
        w.load(path)
    assert isinstance(e.value, ValueError)
    assert str(e.value).startswith(str(path) + ":") and where in str(e.value)
    assert w.study_text() == before


@pytest.mark.parametrize("value,address,shown", [(np.array(2.5), "Text10(0)", "2.5"),
                                                 (np.float32(0.1), "Text10(0)", "0.10000000149011612"),
                                                 (np.int64(25), "HScroll1(0)", 25),
                                                 (np.array(7), "HScroll1(0)", 7)])
def test_numpy_scalars_are_values(value, address, shown):
    w = stewart()
    w[address] = value
    assert w[address] == shown


ROLES = {"geometry", "start", "stop", "tolerance", "readout", "slider", "time slider", "profile"}


@pytest.mark.parametrize("name", SIMULATIONS)
def test_every_control_and_array_describes_itself(name):
    w = kinelab.Window(name)
    study = json.loads(w.study_text())
    controls = w.controls
    assert set(controls) == set(study["fields"]) | set(study["sliders"]) | {"Option1"}
    for address, c in controls.items():
        assert c["role"] in ROLES and c["caption"] and c["caption_ja"] and c["meaning"], address
        assert c["value"] == w[address]
        if c["role"] in ("slider", "time slider", "profile"):
            assert c["min"] <= c["value"] <= c["max"], address
        if c["role"] in ("geometry", "start", "stop"):
            assert c["unit"] in ("deg", "length"), address
    assert sum(c["role"] == "time slider" for c in controls.values()) == 1
    # The tolerance by name is the one field of that role; the windows that solve by
    # Newton-Raphson have one.
    tolerances = [a for a, c in controls.items() if c["role"] == "tolerance"]
    assert (w.tolerance is None) == (w.solver is None) == (not tolerances)
    if tolerances:
        assert w.tolerance == w[tolerances[0]]
    for array, q in w.quantities.items():
        assert q["meaning"] and q["unit"] in ("length", "rad"), array
    assert str(w).startswith(f"<kinelab.Window {name}: {w.title}, N 50, T 1, profile quintic>")
    assert all(address in str(w) for address in controls)


# What a control or an array is, where a window's names alone would mislead.
MEANINGS = [
    ("form_3r_jun", "Text2(1)", {"role": "stop", "unit": "deg", "caption": "stop of the1"}),
    ("form_stewart_jun", "Text10(0)", {"role": "stop", "unit": "length"}),
    ("form_stewart_jun", "Text4", {"role": "tolerance", "caption": "tolerance", "min": 0.0}),
    ("form_stewart_jun", "Text11(3)", {"role": "readout", "unit": "deg"}),
    ("form_stewart_jun", "Text9(0)", {"role": "start", "slider_rewrites": True}),
    ("form_stewart_gyaku", "Text9(3)", {"role": "start", "unit": "deg"}),
    ("form_6r_gyaku", "Text12", {"role": "tolerance", "caption": "displacement tolerance"}),
    ("form_3r_jun", "HScroll2(0)", {"role": "slider", "min": -18.0, "max": 18.0}),
]


@pytest.mark.parametrize("name,address,expected", MEANINGS)
def test_controls_say_what_they_are(name, address, expected):
    c = kinelab.Window(name).controls[address]
    assert {k: c[k] for k in expected} == expected


def test_arrays_say_what_they_are():
    assert kinelab.Window("form_3r_jun").quantities["the1"]["unit"] == "rad"
    assert kinelab.Window("form_stewart_jun").quantities["the1"]["unit"] == "length"
    assert [w["caption"] for w in kinelab.windows()][:2] == [
        "serial 3R forward kinematics", "serial 3R inverse kinematics (Newton–Raphson)"]


def test_the_tolerance_and_the_profile_by_name(tmp_path):
    w = kinelab.Window("form_stewart_jun", N=N, T=T)
    w.tolerance = 1e-9
    w.profile = "constant velocity"
    assert (w["Text4"], w["Option1"], w.profile) == ("1e-09", 2, "constant velocity")
    r = cli(tmp_path, "form_stewart_jun", "--N", str(N), "--T", str(T), "--set", "Text4=1e-09",
            "--set", "Option1=2", "--press", "run", "--dump", "d.csv")
    w.run()
    assert w.csv().encode() == (tmp_path / "d.csv").read_bytes()
    assert json.loads(w.study_text())["profile"] == "constant velocity"


def test_steps_short_of_the_tolerance_warn(tmp_path):
    w = stewart()
    w.tolerance = 1e-300
    with pytest.warns(kinelab.ConvergenceWarning) as record:
        w.run()
    short = np.flatnonzero(~w.converged)
    assert len(record) == 1 and short.size
    assert str(record[0].message) == (f"form_stewart_jun: {short.size} of 51 steps did not reach "
                                      f"the tolerance; the first is step {short[0]}")
    assert issubclass(kinelab.ConvergenceWarning, UserWarning)


# Form_orvak4_jun places its joints again when they are read: its views are of copies.
@pytest.mark.parametrize("name, point", [("form_stewart_jun", "pp"), ("Form_orvak4_jun", "pp1")])
def test_views_keep_what_they_show_and_their_window(name, point):
    w = kinelab.Window(name, N=20)
    w.run()
    views = w.arrays
    copies = {k: v.copy() for k, v in views.items()}
    with pytest.raises(ValueError):
        views[point][0, 0, 0] = 1.0
    # A Run that reallocates the storage, and one with other values: the views stay the Run's
    # they came from.
    w.N = 2000
    w["Text10(0)"] = 3.5
    w.run()
    w.reset()
    del w
    assert all(np.array_equal(views[k], copies[k]) for k in copies)


def test_reset_returns_a_window_to_its_opening(tmp_path):
    fresh = kinelab.Window("form_6r_gyaku", N=N)
    fresh.run()
    w = kinelab.Window("form_6r_gyaku", N=N)
    w["HScroll2(0)"] = 18
    w["Text2(1)"] = 0.4
    w.profile = "cubic"
    w.run()
    w.reset()
    assert (w.N, w.study_text(), w.status) == (N, kinelab.Window("form_6r_gyaku", N=N).study_text(),
                                               "")
    with pytest.raises(kinelab.RunError):
        w.result_text()
    w.run()
    assert w.csv() == fresh.csv()


def interrupt_soon():
    pid = os.getpid()
    threading.Timer(0.05, lambda: os.kill(pid, signal.SIGINT)).start()


@pytest.mark.parametrize("act", [lambda w: w.run(), lambda w: w.workspace(cells=3000)],
                         ids=["run", "workspace"])
def test_ctrl_c_stops_a_long_computation_and_leaves_the_window_usable(act, tmp_path):
    handlers = [signal.getsignal(s) for s in (signal.SIGINT, signal.SIGTERM)]
    w = kinelab.Window("form_stewart_jun", N=200000)
    interrupt_soon()
    with pytest.raises(KeyboardInterrupt):
        act(w)
    assert [signal.getsignal(s) for s in (signal.SIGINT, signal.SIGTERM)] == handlers
    with pytest.raises(kinelab.RunError):
        w.result_text()
    w.N = N
    w.run()
    fresh = kinelab.Window("form_stewart_jun", N=N)
    fresh.run()
    assert w.csv() == fresh.csv()


def test_the_csv_before_a_run_is_refused_as_the_cli_refuses_it(tmp_path):
    r = cli(tmp_path, "form_3r_jun", "--dump", "d.csv")
    assert r.returncode == 1 and not (tmp_path / "d.csv").exists()
    with pytest.raises(RuntimeError) as e:
        kinelab.Window("form_3r_jun").csv()
    assert str(e.value).startswith("no Run yet") and str(e.value) in r.stderr


def test_a_run_that_overflowed_raises_the_clis_message_and_keeps_the_result_file(
        tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    old = b"GOOD OLD RESULT\r\n"
    (tmp_path / "result.dat").write_bytes(old)
    r = cli(tmp_path, "form_3r_jun", "--set", "Text7(1)=1e308", "--press", "run")
    assert r.returncode == 1
    w = kinelab.Window("form_3r_jun")
    w["Text7(1)"] = 1e308
    with pytest.raises(kinelab.RunError) as e:
        w.run(result_file="result.dat")
    assert isinstance(e.value, RuntimeError) and str(e.value) + "\n" == r.stderr
    with pytest.raises(kinelab.RunError):
        w.run(result_file=tmp_path / "result.dat")
    assert (tmp_path / "result.dat").read_bytes() == old
    with pytest.raises(kinelab.RunError, match="overflowed"):
        w.result_text()


def os_signal_handler(sig):
    """The handler the process has for `sig`, as the C library sees it (signal.getsignal only
    reports what Python itself installed)."""
    libc = ctypes.CDLL(None, use_errno=True)
    action = ctypes.create_string_buffer(256)  # struct sigaction opens with the handler
    assert libc.sigaction(sig, None, action) == 0
    return ctypes.c_void_p.from_buffer(action).value


def test_writing_a_result_file_leaves_the_signal_handling_alone(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    sigs = (signal.SIGTERM, signal.SIGINT)
    before = [(signal.getsignal(s), os_signal_handler(s)) for s in sigs]
    kinelab.Window("form_3r_jun", N=5).run(result_file="x.dat")
    assert (tmp_path / "x.dat").exists()
    assert [(signal.getsignal(s), os_signal_handler(s)) for s in sigs] == before


@pytest.mark.parametrize("act", [lambda w: w.run(), lambda w: w.press("run"),
                                 lambda w: w.check_derivatives(),
                                 lambda w: w.compare_profiles(), lambda w: w.workspace()],
                         ids=["run", "press run", "check_derivatives", "compare_profiles",
                              "workspace"])
def test_a_field_that_is_not_a_number_raises_the_windows_message(act, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    w = stewart()
    w["Text9(0)"] = "2,1"
    with pytest.raises(kinelab.FieldError) as e:
        act(w)
    assert isinstance(e.value, ValueError)
    assert str(e.value) == 'start of L1 (Text9(0)) is not a number: "2,1"'
    assert not (tmp_path / "result.dat").exists()


def test_a_study_saved_from_python_reopens_to_the_same_run(tmp_path):
    w = kinelab.Window("form_stewart_jun", N=N, T=T)
    w["Text10(0)"] = "2.7"
    w["HScroll1(2)"] = 25
    w["Option1"] = 1
    w.save(str(tmp_path / "s.kinelab"))
    w.run(result_file=str(tmp_path / "a.dat"))
    fresh = kinelab.Window("form_stewart_jun")
    assert fresh.load(tmp_path / "s.kinelab") == []
    assert (tmp_path / "s.kinelab").read_text() == w.study_text()
    assert (fresh.N, fresh.T, fresh["Text10(0)"], fresh["HScroll1(2)"]) == (N, T, "2.7", 25)
    fresh.run(result_file=str(tmp_path / "b.dat"))
    assert (tmp_path / "a.dat").read_bytes() == (tmp_path / "b.dat").read_bytes()
    r = cli(tmp_path, "--load", "s.kinelab", "--press", "run")
    assert r.returncode == 0, r.stderr
    assert (tmp_path / "result.dat").read_bytes() == (tmp_path / "a.dat").read_bytes()

    other = kinelab.Window("form_3r_jun")
    before = other["Text2(1)"]
    with pytest.raises(kinelab.StudyError, match="a study of stewart_jun, not of 3r_jun"):
        other.load(str(tmp_path / "s.kinelab"))
    assert other["Text2(1)"] == before
    with pytest.raises(FileNotFoundError):
        other.save(tmp_path / "no" / "such" / "dir.kinelab")
    locked = tmp_path / "locked.csv"
    locked.write_text("")
    locked.chmod(0o444)
    fresh.run()
    for write in (other.save, fresh.csv, lambda p: fresh.run(result_file=p)):
        with pytest.raises(PermissionError):
            write(locked)
    assert locked.read_text() == ""


EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "mechanisms")


@pytest.mark.parametrize("file,kind", [("arm7.json", "inverse"), ("planar_rp.json", "forward"),
                                       ("hexapod_650_250.json", "forward")])
def test_a_mechanism_window_gives_the_cli_bytes(file, kind, tmp_path):
    path = os.path.join(EXAMPLES, file)
    r = cli(tmp_path, "--mechanism", path, kind, "--N", str(N), "--T", str(T), "--press", "run",
            "--dump", "arrays.csv")
    assert r.returncode == 0, r.stderr
    w = kinelab.Window.from_mechanism(path, kind=kind, N=N, T=T)
    w.run(result_file=tmp_path / "python.dat")
    assert w.name == "mechanism_" + kind
    assert w.csv().encode() == (tmp_path / "arrays.csv").read_bytes()
    assert (tmp_path / "python.dat").read_bytes() == (tmp_path / "result.dat").read_bytes()


def test_a_hexapod_walked_through_a_pose_it_cannot_reach_runs_as_a_fresh_window():
    # The ninth move asks for legs no pose has; the last converged pose then lies where the
    # tenth goal is not reached from, though a fresh window reaches it from the home pose.
    path = os.path.join(EXAMPLES, "builtin_stewart.json")
    moves = [(1, 31), (4, 20), (1, 22), (4, 23), (3, 32), (3, 38), (5, 32), (4, 35), (2, 33),
             (5, 26)]
    walked = kinelab.Window.from_mechanism(path, kind="forward", N=60)
    for k, v in moves:
        walked[f"HScroll1({k})"] = v
    walked.run()
    fresh = kinelab.Window.from_mechanism(path, kind="forward", N=60)
    for k, v in dict(moves).items():
        fresh[f"HScroll1({k})"] = v
    fresh.run()
    assert fresh.converged.all()
    assert walked.converged.sum() == fresh.converged.sum()


def test_a_bad_mechanism_file_raises_with_its_place(tmp_path):
    bad = tmp_path / "bad.json"
    bad.write_text('{"format": "kinelab mechanism",\n "format_version": "1.0",\n'
                   ' "kind": "serial arm", "unit": "m", "urdf": "none.urdf"}\n')
    with pytest.raises(ValueError, match=r"bad.json:3: urdf: cannot read .*none.urdf"):
        kinelab.Window.from_mechanism(str(bad))
    with pytest.raises(ValueError, match="forward"):
        kinelab.Window.from_mechanism(os.path.join(EXAMPLES, "arm7.json"), kind="sideways")
