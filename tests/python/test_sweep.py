"""kinelab.sweep and kinelab-cli --sweep: a grid's rows are its points run alone through the
module; the CSV is the same byte for byte with one worker or two, after a worker was killed, and
after a resume; a bad description is refused with its place before any point runs."""
import csv
import io
import itertools
import json
import math
import os
import subprocess

import numpy as np
import pytest

import kinelab
from kinelab._description import read_description

pd = pytest.importorskip("pandas")
distributed = pytest.importorskip("distributed")

HERE = os.path.dirname(os.path.abspath(__file__))
CLI = os.environ.get("KINELAB_CLI")
N, T, CELLS, LIMITS = 20, 2.0, 12, [1.5, 3.5]
DESCRIPTION = {
    "base": {"window": "form_stewart_gyaku", "N": N, "T": T},
    "parameters": [
        {"address": "Text2(0)", "values": [1.8, 2.2]},
        # The platform joints of legs 1 and 6 moved out along x together.
        {"name": "a", "range": {"start": 0.8, "stop": 1.0, "count": 3},
         "controls": {"Text3(0)": "a * cos(pi / 6)", "Text3(5)": "a * cos(pi / 6)"}},
        # The start height's slider at its default, then past its end: that point fails.
        {"name": "slider", "address": "HScroll1(2)", "values": [15, 99]},
    ],
    "evaluate": {"run": True, "atlas": {"cells": CELLS, "limits": LIMITS}},
    "metrics": {
        "area": "reachable_area", "best": "best_condition", "worst": "worst_condition",
        "locus": "locus_cells", "rate": {"peak_rate": "the1"},
        "accel": {"peak_acceleration": "pp.z"}, "stroke": {"range": "the3"},
        "unconverged": "unconverged_steps", "score": {"expression": "area / worst"},
        "hook": {"python": "sweep_hook:a_and_maybe_die"},
        # Against the atlas's leg limits, which some of these Runs leave.
        "outside": "steps_outside_limits", "first_outside": "first_step_outside_limits",
        "leg_outside": "first_actuator_outside_limits",
    },
}


@pytest.fixture
def workers_env(monkeypatch):
    """Workers import the hook from here."""
    monkeypatch.setenv("PYTHONPATH", HERE + os.pathsep + os.environ.get("PYTHONPATH", ""))
    return monkeypatch


@pytest.fixture(scope="module")
def reference(tmp_path_factory):
    out = tmp_path_factory.mktemp("reference") / "two_workers.csv"
    with pytest.MonkeyPatch.context() as mp:
        mp.setenv("PYTHONPATH", HERE + os.pathsep + os.environ.get("PYTHONPATH", ""))
        df = kinelab.sweep(DESCRIPTION, workers=2, out=str(out))
    return df, out.read_bytes()


def alone(height, a):
    w = kinelab.Window("form_stewart_gyaku", N=N, T=T)
    w["Text2(0)"] = height
    w["Text3(0)"] = a * math.cos(math.pi / 6)
    w["Text3(5)"] = a * math.cos(math.pi / 6)
    w.run()
    atlas = w.workspace(cells=CELLS, limits=LIMITS)
    reachable = atlas["reachable"]
    condition = atlas["condition"][reachable]
    area = reachable.sum() * np.diff(atlas["u"]).mean() * np.diff(atlas["v"]).mean()
    legs = np.array([w.arrays[f"the{k}"][:, 0] for k in range(1, 7)])
    out = (legs < LIMITS[0]) | (legs > LIMITS[1])
    steps = [i for i in range(N + 1) if out[:, i].any()]
    return {
        "area": area, "best": condition.min(), "worst": condition.max(),
        "locus": int((atlas["singular"] & reachable).sum()),
        "rate": np.abs(w.arrays["the1"][:, 1]).max(),
        "accel": np.abs(w.arrays["pp"][:, 2, 2]).max(),
        "stroke": np.ptp(w.arrays["the3"][:, 0]),
        "unconverged": 0, "score": area / condition.max(), "hook": a,
        "outside": len(steps), "first_outside": steps[0] if steps else None,
        "leg_outside": f"the{np.argmax(out[:, steps[0]]) + 1}" if steps else None,
    }


def test_a_grid_gives_each_point_run_alone(reference):
    df, _ = reference
    metrics = list(DESCRIPTION["metrics"])
    assert list(df.columns) == ["index", "Text2(0)", "a", "slider", *metrics, "status",
                                "message"]
    assert list(df["index"]) == list(range(12))
    assert list(zip(df["Text2(0)"], df["a"], df["slider"])) == pytest.approx(
        list(itertools.product([1.8, 2.2], [0.8, 0.9, 1.0], [15, 99])))
    failed = df[df["slider"] == 99]
    assert (failed["status"] == "failed").all()
    assert (failed["message"] == "HScroll1(2) ranges from 0 to 40").all()
    assert failed[metrics].isna().all().all()
    ok = df[df["slider"] == 15]
    assert (ok["status"] == "ok").all() and (ok["message"] == "").all()
    for row in ok.to_dict("records"):
        expected = alone(row["Text2(0)"], row["a"])
        for name, value in expected.items():
            if value is None or isinstance(value, str):
                assert (None if pd.isna(row[name]) else row[name]) == value, name
            else:
                assert row[name] == pytest.approx(value, rel=1e-12, abs=0), name
    assert ok["worst"].nunique() == 6  # the geometry reached every point
    assert 0 < (ok["outside"] > 0).sum() < 6  # some Runs leave the legs' limits


def test_one_worker_of_a_cluster_on_loopback_gives_the_same_csv(reference, tmp_path,
                                                               workers_env):
    from distributed import LocalCluster

    with LocalCluster(n_workers=1, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=":0", extensions={}) as cluster:
        kinelab.sweep(DESCRIPTION, scheduler=cluster.scheduler_address,
                      out=str(tmp_path / "one.csv"))
    assert (tmp_path / "one.csv").read_bytes() == reference[1]


def test_a_killed_worker_loses_no_point(reference, tmp_path, workers_env):
    marker = tmp_path / "died"
    workers_env.setenv("KINELAB_SWEEP_DIE_ONCE", str(marker))
    kinelab.sweep(DESCRIPTION, workers=1, out=str(tmp_path / "killed.csv"))
    assert marker.exists()
    assert (tmp_path / "killed.csv").read_bytes() == reference[1]


def test_a_point_whose_worker_always_dies_is_a_row_and_the_rest_complete(workers_env):
    import dask

    lengths = [1 + k / 4 for k in range(21)]  # 2 is among them, in a task with others
    description = {
        "base": {"window": "form_3r_jun", "N": 2},
        "parameters": [{"name": "length", "values": lengths, "controls": {"Text6(2)": "length"}}],
        "metrics": {"hook": {"python": "sweep_hook:die_at_two"}, "u": "unconverged_steps"},
    }
    # Dask gives a task up once its workers died with it twice.
    with dask.config.set({"distributed.scheduler.allowed-failures": 1}):
        df = kinelab.sweep(description, workers=1)
    assert list(df["length"]) == lengths
    died = df[df["length"] == 2]
    assert list(died["status"]) == ["failed"]
    assert list(died["message"]) == ["its worker died each time it ran the point"]
    assert died[["hook", "u"]].isna().all().all()
    rest = df[df["length"] != 2]
    assert (rest["status"] == "ok").all() and (rest["message"] == "").all()
    assert list(rest["hook"]) == [x * 10 for x in lengths if x != 2]


def test_a_resumed_sweep_is_the_uninterrupted_one(reference, tmp_path, workers_env):
    lines = reference[1].decode().splitlines(keepends=True)
    # Rows as they finished (out of order), the last one cut short by the interruption.
    partial = tmp_path / "partial.csv"
    partial.write_text(lines[0] + lines[1 + 8] + lines[1 + 2] + lines[1 + 4][:15])
    calls = tmp_path / "calls"
    workers_env.setenv("KINELAB_SWEEP_CALLS", str(calls))
    df = kinelab.sweep(DESCRIPTION, workers=1, out=str(partial), resume=str(partial))
    assert partial.read_bytes() == reference[1]
    evaluated = sorted(tuple(map(float, line.split())) for line in calls.read_text().splitlines())
    # The hook runs in the points that got past their slider: the even ones.
    assert evaluated == sorted((df["a"][i], df["Text2(0)"][i]) for i in (0, 4, 6, 10))
    pd.testing.assert_frame_equal(df, reference[0])


@pytest.mark.skipif(CLI is None, reason="needs KINELAB_CLI")
def test_the_command_line_writes_the_csv_and_nothing_else_on_a_pipe(reference, tmp_path,
                                                                    workers_env):
    # The base as a study of the same window: the same rows.
    kinelab.Window("form_stewart_gyaku", N=N, T=T).save(str(tmp_path / "base.kinelab"))
    (tmp_path / "sweep.json").write_text(json.dumps({**DESCRIPTION,
                                                     "base": {"study": "base.kinelab"}}))
    r = subprocess.run([CLI, "--sweep", "sweep.json", "--workers", "1"], cwd=tmp_path,
                       capture_output=True, check=False)
    # 1: the CSV is whole, and some of its points failed.
    assert (r.returncode, r.stderr, r.stdout) == (1, b"", reference[1])

    (tmp_path / "bad.json").write_text('{"base": {"window": "form_stewart_gyaku"},\n'
                                       ' "parameters": [{"address": "Text99", "values": [1]}],\n'
                                       ' "metrics": {"u": "unconverged_steps"}}\n')
    r = subprocess.run([CLI, "--sweep", "bad.json"], cwd=tmp_path, capture_output=True,
                       text=True, check=False)
    assert (r.returncode, r.stdout) == (2, "")
    assert r.stderr.startswith("kinelab-cli: bad.json:2: parameters[0].address: "
                               "form_stewart_gyaku has no control Text99"), r.stderr


BAD = """{
  "base": {"window": "form_stewart_gyaku"},
  "parameters": [
    {"address": "Text2(0)", "values": [1.8, 2.2]},
    {"address": "%(address)s",
     "range": {"start": 0, "stop": 1, "count": %(count)s}}
  ],
  "design": {"kind": "%(kind)s"},
  "metrics": {
    "rate": {"peak_rate": "%(quantity)s"},
    "score": {"expression": "%(expression)s"}
  }%(extra)s
}
"""
GOOD = {"address": "Text9(2)", "count": 3, "kind": "grid", "quantity": "the1",
        "expression": "rate * 2", "extra": ""}


@pytest.mark.parametrize("change, line, key, why", [
    ({"address": "Text99(0)"}, 5, "parameters[1].address",
     "form_stewart_gyaku has no control Text99(0)"),
    ({"count": 0}, 6, "parameters[1].range.count", "the range is empty"),
    ({"quantity": "thigh"}, 10, "metrics.rate.peak_rate", "form_stewart_gyaku has no quantity"),
    ({"quantity": "pp"}, 10, "metrics.rate.peak_rate", "give pp.x, pp.y or pp.z"),
    ({"expression": "__import__('os').system('true')"}, 11, "metrics.score.expression",
     "not allowed in an expression"),
    ({"expression": "rate / nowhere"}, 11, "metrics.score.expression",
     "no parameter or earlier metric nowhere"),
    ({"kind": "sobol"}, 8, "design.kind", "takes grid, random or latin_hypercube"),
    ({"extra": ',\n  "metrics": {}'}, 13, "metrics", "given twice"),
    ({"extra": ',\n  "evaluate": {"atlas": {"mode": "sideways"}}'}, 13, "evaluate.atlas",
     "mode takes position or posture"),
    ({"extra": ',\n  "colour": 1'}, 13, "colour", "unknown key"),
    ({"extra": ',\n  "colour": '}, 14, "(not JSON)", "Expecting value"),
    ({"extra": ',\n  "colour":\n' + "[" * 100000 + "]" * 100000}, 14, "(not JSON)",
     "nested deeper than 64 levels"),
])
def test_a_bad_description_is_refused_before_any_point_runs(tmp_path, change, line, key, why):
    path = tmp_path / "sweep.json"
    path.write_text(BAD % {**GOOD, **change})
    # Nothing listens there: a description that got as far as its points would fail otherwise.
    with pytest.raises(kinelab.SweepError) as e:
        kinelab.sweep(str(path), scheduler="tcp://127.0.0.1:9")
    assert str(e.value).startswith(f"{path}:{line}: {key}: ")
    assert why in str(e.value)


def design(kind, points, seed, parameters):
    return read_description({
        "base": {"window": "form_stewart_gyaku"}, "parameters": parameters,
        "design": {"kind": kind, "points": points, "seed": seed},
        "metrics": {"u": "unconverged_steps"}}).points


def test_random_designs_draw_each_point_from_the_seed_and_its_index():
    params = [{"address": "Text9(2)", "uniform": [1, 3]},
              {"address": "Text1(0)", "values": [-0.5, 0, 0.5]}]
    five, nine = design("random", 5, 7, params), design("random", 9, 7, params)
    assert five == nine[:5]
    assert five != design("random", 5, 8, params)
    assert all(1 <= p["Text9(2)"] < 3 and p["Text1(0)"] in (-0.5, 0, 0.5) for p in nine)

    lhs = design("latin_hypercube", 8, 7, params[:1] + [{"address": "Text1(0)",
                                                          "uniform": [-1, 1]}])
    for name, lo, hi in (("Text9(2)", 1, 3), ("Text1(0)", -1, 1)):
        strata = sorted(int((p[name] - lo) / (hi - lo) * 8) for p in lhs)
        assert strata == list(range(8)), name  # one point in each eighth of each range
    assert lhs == design("latin_hypercube", 8, 7, params[:1] + [{"address": "Text1(0)",
                                                                 "uniform": [-1, 1]}])


def test_pareto_keeps_the_rows_no_other_beats():
    df = pd.DataFrame({
        "area": [1.0, 2.0, 2.0, 0.5, 3.0, 2.0, None],
        "worst": [1.0, 2.0, 1.5, 0.5, 0.1, 1.5, 0.1],
        "status": ["ok", "ok", "ok", "ok", "failed", "ok", "ok"],
    })
    front = kinelab.pareto(df, {"area": "max", "worst": "min"})
    # 1 is beaten by 2; the failed row and the one without an area take no part; ties stay.
    assert list(front.index) == [0, 2, 3, 5]
    assert list(kinelab.pareto(df, {"area": "max"}).index) == [1, 2, 5]
    with pytest.raises(ValueError):
        kinelab.pareto(df, {"area": "most"})


def test_a_dict_is_refused_by_its_key_and_the_example_is_read():
    bad = json.loads(json.dumps(DESCRIPTION))
    bad["parameters"][1]["range"]["count"] = 0
    with pytest.raises(kinelab.SweepError) as e:
        kinelab.sweep(bad, scheduler="tcp://127.0.0.1:9")
    assert str(e.value) == "parameters[1].range.count: the range is empty"

    example = read_description(os.path.join(HERE, "..", "..", "examples", "stewart_sweep.json"))
    assert len(example.points) == 400 and example.needs_atlas and not example.needs_run


# --- Mechanism files -----------------------------------------------------------------------------

# A turning joint, then a slide homed at 0.3 whatever its limits.
ARM = """{
  "format": "kinelab mechanism",
  "format_version": "1.0",
  "kind": "serial arm",
  "unit": "m",
  "convention": "modified",
  "joints": [
    {"type": "revolute", "a": 0, "alpha_deg": 0, "d": 0, "theta_deg": 0,
     "min_deg": -180, "max_deg": 180},
    {"type": "prismatic", "a": 0.3, "alpha_deg": -90, "d": 0, "theta_deg": 0,
     "min": 0.1, "max": 0.5, "home": 0.3}
  ],
  "tool": {"xyz": [0, 0, 0.05], "rpy_deg": [90, 0, 0]},
  "inverse": ["x", "y"]
}
"""
ARM_SWEEP = {
    "base": {"mechanism": "../arm/rp.json", "N": 10},
    "parameters": [
        {"key": "joints/0/max_deg", "values": [20, 180]},
        # The slide's upper limit; below its lower one the file is refused.
        {"name": "top", "values": [0.05, 0.33, 0.45], "keys": {"joints/1/max": "top"}},
        # The slide's offset along the arm, and both joints' stops.
        {"name": "reach", "values": [0.3, 0.4], "keys": {"joints/1/a": "reach"},
         "controls": {"Text2(1)": "30", "Text2(3)": "0.4"}},
    ],
    "metrics": {"outside": "steps_outside_limits", "first": "first_step_outside_limits",
                "joint": "first_actuator_outside_limits", "x": {"max": "p3.x"},
                "y": {"peak_rate": "p3.y"}},
}


def edited(text, key, value):
    """The mechanism file with one key set, as a user would edit it."""
    doc = json.loads(text)
    node = doc
    parts = key.split("/")
    for p in parts[:-1]:
        node = node[int(p)] if isinstance(node, list) else node[p]
    node[int(parts[-1]) if isinstance(node, list) else parts[-1]] = value
    return json.dumps(doc, indent=1)


@pytest.mark.skipif(CLI is None, reason="needs KINELAB_CLI")
def test_a_sweep_of_mechanism_keys_gives_each_edited_file_opened_alone(tmp_path):
    (tmp_path / "arm").mkdir()
    (tmp_path / "sweeps").mkdir()
    (tmp_path / "arm" / "rp.json").write_text(ARM)
    (tmp_path / "sweeps" / "arm.json").write_text(json.dumps(ARM_SWEEP))
    r = subprocess.run([CLI, "--sweep", str(tmp_path / "sweeps" / "arm.json"), "--workers", "1"],
                       cwd=tmp_path, capture_output=True, text=True, check=False)
    assert (r.returncode, r.stderr) == (1, "")
    # The files read in place of the mechanism file's were never written.
    assert sorted(os.listdir(tmp_path / "arm")) == ["rp.json"]
    assert sorted(os.listdir(tmp_path)) == ["arm", "sweeps"]
    rows = list(csv.DictReader(io.StringIO(r.stdout)))
    assert [(float(row["joints/0/max_deg"]), float(row["top"]), float(row["reach"]))
            for row in rows] == list(itertools.product([20, 180], [0.05, 0.33, 0.45], [0.3, 0.4]))

    # The profile's steps, quintic: the turning joint goes 0 -> 30 deg, the slide 0.3 -> 0.4.
    u = np.linspace(0, 1, 11)
    s = 10 * u ** 3 - 15 * u ** 4 + 6 * u ** 5
    the1, d2 = 30 * s, 0.3 + 0.1 * s
    for row in rows:
        top, max_deg, reach = float(row["top"]), float(row["joints/0/max_deg"]), float(row["reach"])
        if top < 0.1:
            # The reader's own message, naming the file's line of the key that was set.
            assert (row["status"], row["message"]) == (
                "failed", f"{tmp_path / 'sweeps' / '..' / 'arm' / 'rp.json'}:11: joints/1/min: "
                "min not below max")
            continue
        assert (row["status"], row["message"]) == ("ok", ""), row
        out = np.stack([the1 > max_deg, d2 > top])
        steps = np.flatnonzero(out.any(axis=0))
        assert int(row["outside"]) == len(steps)
        assert row["first"] == (str(steps[0]) if len(steps) else "")
        assert row["joint"] == (["the1", "d2"][np.argmax(out[:, steps[0]])] if len(steps) else "")

        text = ARM
        for key, value in (("joints/0/max_deg", max_deg), ("joints/1/max", top),
                           ("joints/1/a", reach)):
            text = edited(text, key, value)
        (tmp_path / "alone.json").write_text(text)
        w = kinelab.Window.from_mechanism(str(tmp_path / "alone.json"), N=10)
        w["Text2(1)"], w["Text2(3)"] = 30, 0.4
        w.run()
        assert float(row["x"]) == pytest.approx(w.arrays["p3"][:, 0, 0].max(), rel=1e-15)
        assert float(row["y"]) == pytest.approx(np.abs(w.arrays["p3"][:, 1, 1]).max(), rel=1e-15)
        # The file window's own count of steps outside, the status line's.
        assert int(row["outside"]) == np.count_nonzero(w.arrays["outside"][:, 0])
    outside = [int(row["outside"]) for row in rows if row["status"] == "ok"]
    assert len(set(outside)) == 3  # none, the slide's, the slide's and the joint's


def test_a_key_of_a_file_naming_a_urdf_keeps_the_urdf_next_to_the_file(tmp_path, monkeypatch):
    from kinelab import _sweep

    examples = os.path.join(HERE, "..", "..", "examples", "mechanisms")
    (tmp_path / "arm").mkdir()
    with open(os.path.join(examples, "builtin_6r.urdf"), "rb") as f:
        (tmp_path / "arm" / "builtin_6r.urdf").write_bytes(f.read())
    with open(os.path.join(examples, "builtin_6r_urdf.json"), encoding="utf-8") as f:
        doc = json.load(f)
    doc["tool"] = {"xyz": [0, 0, 0]}
    (tmp_path / "arm" / "6r.json").write_text(json.dumps(doc, indent=1))
    description = tmp_path / "sweep.json"
    description.write_text(json.dumps({
        "base": {"mechanism": "arm/6r.json", "N": 4},
        "parameters": [{"name": "tool", "values": [0, 0.25],
                        "keys": {"tool/xyz/2": "tool", "tool/xyz/0": "tool / 5"}}],
        "metrics": {"z": {"max": "p7.z"}, "x": {"min": "p7.x"}}}))
    plan = read_description(str(description))
    (tmp_path / "elsewhere").mkdir()
    monkeypatch.chdir(tmp_path / "elsewhere")  # as a worker, whose folder is its own
    data = plan.task_data()
    for i, point in enumerate(plan.points):
        row = _sweep.evaluate_point(i, point, data)
        assert (row["status"], row["message"]) == ("ok", "")
        doc["tool"]["xyz"] = [point["tool"] / 5, 0, point["tool"]]
        (tmp_path / "arm" / "alone.json").write_text(json.dumps(doc))
        w = kinelab.Window.from_mechanism(str(tmp_path / "arm" / "alone.json"), N=4)
        w.run()
        assert row["z"] == w.arrays["p7"][:, 2, 0].max()
        assert row["x"] == w.arrays["p7"][:, 0, 0].min()
    assert sorted(os.listdir(tmp_path / "elsewhere")) == []


def test_the_steps_outside_limits_from_the_arrays_are_the_file_windows_own(tmp_path):
    from kinelab import _sweep

    path = tmp_path / "rp.json"
    counts = []
    for max_deg, top in ((20, 0.45), (180, 0.33), (12.5, 0.31), (180, 0.45)):
        path.write_text(edited(edited(ARM, "joints/0/max_deg", max_deg), "joints/1/max", top))
        w = kinelab.Window.from_mechanism(str(path), N=40)
        w["Text2(1)"], w["Text2(3)"] = 30, 0.4
        w.run()
        actuators = w.actuators
        assert [(a["name"], a["angle"]) for a in actuators] == [("the1", True), ("d2", False)]
        assert [*actuators[0]["limits"], *actuators[1]["limits"]] == pytest.approx(
            [-180, max_deg, 0.1, top], rel=1e-15)
        # The window's `outside` column against the joints' values (the turning joint's in
        # degrees) compared with the same limits.
        own = _sweep._limit_figures(w, None)
        compared = _sweep._limit_figures(w, {"limits": [a["limits"] for a in actuators]})
        assert own == compared
        counts.append(own["steps_outside_limits"])
    assert counts[-1] == 0 and min(counts[:-1]) > 0


MECHANISM_BAD = """{
  "base": %(base)s,
  "parameters": [
    %(parameter)s
  ],
  "metrics": {"n": "%(metric)s"}
}
"""
MECHANISM_GOOD = {"base": '{"mechanism": "rp.json"}',
                  "parameter": '{"key": "joints/1/a", "values": [0.3, 0.4]}',
                  "metric": "unconverged_steps"}


@pytest.mark.parametrize("change, line, key, why", [
    ({"parameter": '{"key": "joints/2/a", "values": [1]}'}, 4, "parameters[0].key",
     "rp.json has no joints/2/a (joints is a list of 2, from 0)"),
    ({"parameter": '{"key": "tool/xyz", "values": [1]}'}, 4, "parameters[0].key",
     "tool/xyz in rp.json is a list: a key names one number or text"),
    ({"parameter": '{"key": "unit", "values": [1]}'}, 4, "parameters[0].values[0]",
     "unit takes texts"),
    ({"parameter": '{"name": "a", "values": [1], "keys": {"joints/0/a": "a", '
                   '"joints/0/a ": "a"}}'}, 4, "parameters[0].keys.joints/0/a ",
     "rp.json has no joints/0/a "),
    ({"base": '{"mechanism": "rp.json", "kind": "sideways"}'}, 2, "base.kind",
     "takes forward or inverse"),
    ({"base": '{"mechanism": "nowhere.json"}'}, 2, "base.mechanism", "cannot be read"),
    ({"base": '{"window": "form_3r_jun"}'}, 4, "parameters[0].key",
     "mechanism keys need a base mechanism file"),
    # Limits: the file's own, the atlas's, or none to measure against.
    ({"base": '{"mechanism": "unlimited.json"}', "metric": "steps_outside_limits"}, 6,
     "metrics.n", "mechanism_forward has no actuator limits (the mechanism file declares none)"),
    ({"base": '{"window": "form_stewart_gyaku"}', "metric": "first_step_outside_limits",
      "parameter": '{"address": "Text2(0)", "values": [2]}'}, 6, "metrics.n",
     "form_stewart_gyaku has no actuator limits (a built-in window has none of its own): give "
     "them as evaluate.atlas.limits"),
])
def test_a_bad_mechanism_key_or_limit_metric_is_refused_before_any_point_runs(
        tmp_path, change, line, key, why):
    (tmp_path / "rp.json").write_text(ARM)
    (tmp_path / "unlimited.json").write_text(
        ARM.replace('"min_deg": -180, "max_deg": 180', '"name": "turn"')
        .replace('"min": 0.1, "max": 0.5, ', ""))
    path = tmp_path / "sweep.json"
    path.write_text(MECHANISM_BAD % {**MECHANISM_GOOD, **change})
    with pytest.raises(kinelab.SweepError) as e:
        kinelab.sweep(str(path), scheduler="tcp://127.0.0.1:9")
    assert str(e.value).startswith(f"{path}:{line}: {key}: "), str(e.value)
    assert why in str(e.value)


def test_a_sweep_of_a_hexapod_key_gives_each_edited_file_opened_alone(tmp_path):
    from kinelab import _sweep

    with open(os.path.join(HERE, "..", "..", "examples", "mechanisms", "hexapod_650_250.json"),
              encoding="utf-8") as f:
        text = f.read()
    (tmp_path / "hexapod.json").write_text(text)
    description = tmp_path / "sweep.json"
    description.write_text(json.dumps({
        "base": {"mechanism": "hexapod.json", "kind": "inverse", "N": 20},
        # The stop held at z = 540, which a shorter range would lower.
        "parameters": [{"name": "top", "values": [560, 580, 750],
                        "keys": {"leg_length/max": "top"}, "controls": {"Text10(2)": "540"}}],
        "metrics": {"outside": "steps_outside_limits", "leg": "first_actuator_outside_limits",
                    "z": {"max": "pp.z"}}}))
    plan = read_description(str(description))
    data = plan.task_data()
    outside = []
    for i, point in enumerate(plan.points):
        row = _sweep.evaluate_point(i, point, data)
        assert (row["status"], row["message"]) == ("ok", ""), row
        (tmp_path / "alone.json").write_text(edited(text, "leg_length/max", point["top"]))
        w = kinelab.Window.from_mechanism(str(tmp_path / "alone.json"), kind="inverse", N=20)
        w["Text10(2)"] = 540
        w.run()
        assert [a["name"] for a in w.actuators] == [f"the{k}" for k in range(1, 7)]
        assert [a["limits"] for a in w.actuators] == [(400, point["top"])] * 6
        assert row["z"] == w.arrays["pp"][:, 2, 0].max()
        legs = w.arrays["outside"][:, 0]
        assert row["outside"] == np.count_nonzero(legs)
        assert row["leg"] == (f"the{int(legs[legs > 0][0])}" if legs.any() else None)
        outside.append(row["outside"])
    assert outside[0] > outside[1] > 0 == outside[2]
