"""A sweep description (JSON) read and checked whole before any point runs: every refusal names
FILE:LINE: KEY. The checks against the window (its controls, its quantities, its atlas) open the
base window once, here, in the process that reads the description.

    {
      "base": {"window": "form_stewart_gyaku", "N": 50, "T": 1.0},   or {"study": "base.kinelab"}
      "parameters": [
        {"address": "Text9(2)", "values": [1, 1.5, 2]},
        {"name": "r", "range": {"start": 0.8, "stop": 1.2, "count": 5},
         "controls": {"Text3(0)": "r * cos(pi / 6)", "Text6(0)": "r * sin(pi / 6)"}},
        {"name": "z", "address": "Text10(2)", "uniform": [2, 3]}
      ],
      "design": {"kind": "grid"}       or {"kind": "random" | "latin_hypercube",
                                            "points": 100, "seed": 7},
      "evaluate": {"run": true, "atlas": {"cells": 50, "limits": [1.5, 3.5]}},
      "metrics": {"area": "reachable_area", "worst": "worst_condition",
                  "peak": {"peak_rate": "the1"}, "score": {"expression": "area / worst"}}
    }

A parameter sets one control ("address") or several, each to an expression over the point's
parameters ("controls"); its values are a list, a range (start, stop, count; both ends
included) or, for the random designs, a distribution (uniform: [low, high]).

A base mechanism file's values are parameters too, by the path the file's reader names them:

      "base": {"mechanism": "arm.json", "kind": "inverse"},
      "parameters": [
        {"key": "joints/2/a", "values": [0.4, 0.5]},
        {"name": "top", "values": [90, 120], "keys": {"joints/0/max_deg": "top",
                                                      "joints/1/max_deg": "top"}}
      ]
"""
import bisect
import hashlib
import importlib
import itertools
import json
import json.decoder
import json.scanner
import math
import os

from kinelab._expression import Expression, ExpressionError

# Metrics read from the atlas and from the Run, by the name a description gives.
ATLAS_METRICS = ("reachable_area", "reachable_cells", "best_condition", "worst_condition",
                 "locus_cells")
RUN_METRICS = ("unconverged_steps", "run_best_condition", "run_worst_condition")
# Of the Run against the actuators' limits: the steps with an actuator outside, the first such
# step and its actuator (by name; the first in the atlas's order where several are). The limits
# are the atlas's when the description gives them, else those the mechanism declares.
LIMIT_METRICS = ("steps_outside_limits", "first_step_outside_limits",
                 "first_actuator_outside_limits")
QUANTITY_METRICS = ("peak_rate", "peak_acceleration", "range", "min", "max")
ATLAS_OPTIONS = ("mode", "plane", "offset", "cells", "depth", "limits", "samples", "locus")
RESERVED_COLUMNS = ("index", "status", "message")
MAX_POINTS = 10_000_000


class SweepError(ValueError):
    """A description refused: FILE:LINE: KEY: why (KEY: why for a dict)."""


class LocatedDict(dict):
    """A JSON object with its line, the line of each member and where each member's value
    stands in the text (start, end)."""


class LocatedList(list):
    """A JSON array with its line, the line of each element and where each element stands in
    the text (start, end)."""


_MAX_DEPTH = 64


def _decoder(text, file):
    newlines = [i for i, c in enumerate(text) if c == "\n"]

    def line_of(position):
        return bisect.bisect_left(newlines, position) + 1

    depth = 0

    def located(parse, s_and_end, scan_once):
        """parse(scan) with a scan that notes where each member's value starts and ends, at
        most 64 levels deep (as the mechanism and study readers, well short of Python's
        recursion limit)."""
        nonlocal depth
        starts, spans = [], []

        def scan(s, idx):
            starts.append(idx)
            value, end = scan_once(s, idx)
            spans.append((idx, end))
            return value, end

        if depth == _MAX_DEPTH:
            raise SweepError(f"{file}:{line_of(s_and_end[1])}: (not JSON): nested deeper than "
                             f"{_MAX_DEPTH} levels")
        depth += 1
        try:
            parsed, end = parse(scan)
        finally:
            depth -= 1
        return parsed, end, starts, spans

    def parse_object(s_and_end, strict, scan_once, object_hook, object_pairs_hook, memo=None):
        pairs, end, starts, spans = located(
            lambda scan: json.decoder.JSONObject(s_and_end, strict, scan, None, list, memo),
            s_and_end, scan_once)
        obj = LocatedDict()
        obj.line = line_of(s_and_end[1] - 1)
        obj.lines, obj.spans = {}, {}
        for (key, value), start, span in zip(pairs, starts, spans):
            if key in obj:
                raise SweepError(f"{file}:{line_of(start)}: {key}: given twice")
            obj[key] = value
            obj.lines[key] = line_of(start)
            obj.spans[key] = span
        return obj, end

    def parse_array(s_and_end, scan_once):
        values, end, starts, spans = located(
            lambda scan: json.decoder.JSONArray(s_and_end, scan), s_and_end, scan_once)
        arr = LocatedList(values)
        arr.line = line_of(s_and_end[1] - 1)
        arr.lines = [line_of(p) for p in starts[:len(values)]]
        arr.spans = spans[:len(values)]
        return arr, end

    def refuse_constant(name):
        raise ValueError(f"{name} is not a number JSON knows")

    d = json.JSONDecoder(parse_constant=refuse_constant)
    d.parse_object = parse_object
    d.parse_array = parse_array
    d.scan_once = json.scanner.py_make_scanner(d)
    return d


def load_json(text, file):
    try:
        value, end = _decoder(text, file).raw_decode(text, json.decoder.WHITESPACE.match(text).end())
    except json.JSONDecodeError as e:
        raise SweepError(f"{file}:{e.lineno}: (not JSON): {e.msg}") from None
    except ValueError as e:
        if isinstance(e, SweepError):
            raise
        raise SweepError(f"{file}:1: (not JSON): {e}") from None
    rest = json.decoder.WHITESPACE.match(text, end).end()
    if rest != len(text):
        line = text.count("\n", 0, rest) + 1
        raise SweepError(f"{file}:{line}: (not JSON): text after the description")
    return value


class _Reader:
    """Walks the description, naming the place of every refusal."""

    def __init__(self, file):
        self.file = file

    def refuse(self, obj, key, path, why):
        if self.file is None:  # a dict: no lines to name
            raise SweepError(f"{path}: {why}")
        line = obj.lines.get(key, obj.line) if isinstance(obj, LocatedDict) else (
            obj.lines[key] if isinstance(obj, LocatedList) and isinstance(key, int)
            and key < len(obj.lines) else getattr(obj, "line", 1))
        raise SweepError(f"{self.file}:{line}: {path}: {why}")

    def obj(self, parent, key, path, allowed, required=()):
        v = parent[key]
        if not isinstance(v, dict):
            self.refuse(parent, key, path, "takes an object {...}")
        for k in v:
            if k not in allowed:
                self.refuse(v, k, k if path == "(description)" else f"{path}.{k}",
                            f"unknown key (known: {', '.join(allowed)})")
        for k in required:
            if k not in v:
                self.refuse(parent, key, path, f"needs {k}")
        return v

    def number(self, parent, key, path):
        v = parent[key]
        if isinstance(v, bool) or not isinstance(v, (int, float)) or not math.isfinite(v):
            self.refuse(parent, key, path, "takes a number")
        return v

    def whole(self, parent, key, path, lo, hi=None):
        v = parent[key]
        if isinstance(v, bool) or not isinstance(v, int) or v < lo or (hi is not None and v > hi):
            self.refuse(parent, key, path, f"takes a whole number from {lo}" +
                        (f" to {hi}" if hi is not None else " up"))
        return v

    def text(self, parent, key, path):
        v = parent[key]
        if not isinstance(v, str) or not v:
            self.refuse(parent, key, path, "takes a text")
        return v


def _identifier(name):
    return name.isidentifier() and not name.startswith("_")


def read_description(source, base_dir=None):
    """The description (a file name, or a dict) checked whole: a Plan, or SweepError."""
    import kinelab  # the compiled module, for the checks against the window

    if isinstance(source, (str, os.PathLike)):
        file = os.fspath(source)
        try:
            with open(file, encoding="utf-8") as f:
                text = f.read()
        except OSError as e:
            raise SweepError(f"{file}: cannot be read: {e.strerror}") from None
        except UnicodeDecodeError:
            raise SweepError(f"{file}:1: (not JSON): not UTF-8 text") from None
        description = load_json(text, file)
        base_dir = os.path.dirname(os.path.abspath(file)) if base_dir is None else base_dir
    elif isinstance(source, dict):
        file = None
        try:
            text = json.dumps(source, allow_nan=False)
        except (TypeError, ValueError) as e:
            raise SweepError(f"the description is not JSON: {e}") from None
        description = load_json(text, "<dict>")
        base_dir = os.getcwd() if base_dir is None else base_dir
    else:
        raise TypeError("a sweep takes a description: a file name or a dict")

    r = _Reader(file)
    if not isinstance(description, dict):
        raise SweepError(f"{file}:1: (description): takes an object {{...}}")  # a file's
    top = LocatedDict(root=description)
    top.line, top.lines = 1, {"root": description.line}
    d = r.obj(top, "root", "(description)",
              ("format", "base", "parameters", "design", "evaluate", "metrics"),
              ("base", "parameters", "metrics"))
    if "format" in d and d["format"] != "kinelab sweep":
        r.refuse(d, "format", "format", 'takes "kinelab sweep"')

    plan = Plan(file)

    # The base: a built-in window, a study or a mechanism file.
    base = r.obj(d, "base", "base", ("window", "study", "mechanism", "kind", "N", "T"))
    if sum(k in base for k in ("window", "study", "mechanism")) != 1:
        r.refuse(d, "base", "base", "needs a window, a study or a mechanism, one of them")
    if "kind" in base and "mechanism" not in base:
        r.refuse(base, "kind", "base.kind", "only with a mechanism")
    names = {w["name"]: w for w in kinelab.windows()}
    if "mechanism" in base:
        _read_mechanism(r, base, base_dir, plan)
    elif "window" in base:
        plan.window = r.text(base, "window", "base.window")
        entry = names.get(plan.window)
        if entry is None:
            r.refuse(base, "window", "base.window",
                     f"no window {plan.window} (kinelab-cli list shows them)")
        if not entry["simulation"]:
            r.refuse(base, "window", "base.window",
                     f"{plan.window} is a function-test window: it has no Run")
    else:
        path = r.text(base, "study", "base.study")
        path = os.path.join(base_dir, path)
        try:
            with open(path, "rb") as f:
                plan.study_text = f.read()
        except OSError as e:
            r.refuse(base, "study", "base.study", f"{path} cannot be read: {e.strerror}")
        plan.study_name = os.path.basename(path)
        try:
            study = json.loads(plan.study_text)
            plan.window = study["window"]
        except (ValueError, KeyError, TypeError):
            plan.window = None
        if plan.window not in names or not names[plan.window]["simulation"]:
            r.refuse(base, "study", "base.study", f"{path} is not a study of a window that runs")
    for key in ("N", "T"):
        if key in base:
            setattr(plan, key, r.number(base, key, f"base.{key}"))
    settings = {k: getattr(plan, k) for k in ("N", "T") if getattr(plan, k) is not None}
    if plan.mechanism is not None:
        try:
            window = kinelab.Window.from_mechanism(plan.mechanism, plan.mechanism_kind,
                                                   text=plan.mechanism_text)
        except ValueError as e:
            r.refuse(base, "mechanism", "base.mechanism", str(e))
        plan.window = window.name
        for key, value in settings.items():
            try:
                setattr(window, key, value)
            except (TypeError, ValueError) as e:
                r.refuse(base, key, f"base.{key}", str(e))
    else:
        try:
            window = kinelab.Window(plan.window, **settings)
        except (TypeError, ValueError) as e:
            key = "N" if "N" in base else "T"
            r.refuse(base, key if key in base else "window", f"base.{key}", str(e))
    if plan.study_text is not None:
        try:
            with _study_file(plan) as p:
                window.load(p)
        except ValueError as e:
            r.refuse(base, "study", "base.study", str(e))
        if plan.N is not None or plan.T is not None:
            try:
                if plan.N is not None:
                    window.N = plan.N
                if plan.T is not None:
                    window.T = plan.T
            except (TypeError, ValueError) as e:
                r.refuse(base, "N" if "N" in base else "T", "base", str(e))

    # Parameters.
    params = d["parameters"]
    if not isinstance(params, list) or not params:
        r.refuse(d, "parameters", "parameters", "takes a list of one parameter or more")
    columns = set()
    keys_set = set()
    for k, p in enumerate(params):
        path = f"parameters[{k}]"
        p = r.obj(params, k, path, ("name", "address", "controls", "key", "keys", "values",
                                    "range", "uniform"))
        param = Parameter()
        maps = [x for x in ("controls", "keys") if x in p]
        if sum(x in p for x in ("address", "key")) + bool(maps) != 1:
            r.refuse(params, k, path, "needs an address, a key, or controls and keys (one of "
                     "them or both)")
        if "address" in p:
            param.address = r.text(p, "address", f"{path}.address")
            _check_address(r, window, p, "address", f"{path}.address", param.address)
        if "key" in p:
            param.key = r.text(p, "key", f"{path}.key")
            target = _check_key(r, plan, p, "key", f"{path}.key", param.key, keys_set)
        if "name" in p:
            param.name = r.text(p, "name", f"{path}.name")
            if not _identifier(param.name):
                r.refuse(p, "name", f"{path}.name", "takes a name of letters, digits and _")
        elif maps:
            r.refuse(params, k, path, f"{maps[0]} need a name for the parameter")
        else:
            param.name = param.address or param.key
        if param.name in columns or param.name in RESERVED_COLUMNS:
            r.refuse(p, "name" if "name" in p else "address" if "address" in p else "key", path,
                     f"the column {param.name} is named twice")
        columns.add(param.name)
        kinds = [key for key in ("values", "range", "uniform") if key in p]
        if len(kinds) != 1:
            r.refuse(params, k, path, "needs values, a range or uniform, one of them")
        if "values" in p:
            vs = p["values"]
            if not isinstance(vs, list) or not vs:
                r.refuse(p, "values", f"{path}.values", "takes a list of one value or more")
            for j in range(len(vs)):
                if isinstance(vs[j], str):
                    if maps:
                        r.refuse(vs, j, f"{path}.values[{j}]", f"{maps[0]} take numbers")
                    if "key" in p and not isinstance(target, str):
                        r.refuse(vs, j, f"{path}.values[{j}]", f"{param.key} takes numbers")
                else:
                    r.number(vs, j, f"{path}.values[{j}]")
                    if "key" in p and isinstance(target, str):
                        r.refuse(vs, j, f"{path}.values[{j}]", f"{param.key} takes texts")
            param.values = list(vs)
        elif "range" in p:
            rg = r.obj(p, "range", f"{path}.range", ("start", "stop", "count"),
                       ("start", "stop", "count"))
            start = r.number(rg, "start", f"{path}.range.start")
            stop = r.number(rg, "stop", f"{path}.range.stop")
            count = rg["count"]
            if isinstance(count, int) and not isinstance(count, bool) and count < 1:
                r.refuse(rg, "count", f"{path}.range.count", "the range is empty")
            count = r.whole(rg, "count", f"{path}.range.count", 1, MAX_POINTS)
            param.values = _linspace(start, stop, count)
        else:
            u = p["uniform"]
            if (not isinstance(u, list) or len(u) != 2
                    or any(isinstance(x, bool) or not isinstance(x, (int, float))
                           or not math.isfinite(x) for x in u) or not u[0] < u[1]):
                r.refuse(p, "uniform", f"{path}.uniform", "takes [low, high] with low < high")
            param.uniform = (float(u[0]), float(u[1]))
        if "key" in p and isinstance(target, str) and "values" not in p:
            r.refuse(p, kinds[0], f"{path}.{kinds[0]}", f"{param.key} takes texts: give values")
        plan.parameters.append(param)
        if "keys" in p:
            given = p["keys"]
            if not isinstance(given, dict) or not given:
                r.refuse(p, "keys", f"{path}.keys", "takes mechanism keys and expressions")
            param.keys = []
            for key, text in given.items():
                where = f"{path}.keys.{key}"
                if isinstance(_check_key(r, plan, given, key, where, key, keys_set), str):
                    r.refuse(given, key, where, f"{key} is a text: an expression gives numbers")
                if not isinstance(text, str):
                    r.refuse(given, key, where, "takes an expression (a text)")
                try:
                    e = Expression(text)
                except ExpressionError as err:
                    r.refuse(given, key, where, str(err))
                param.keys.append((key, text))
                param.control_names.append((given, key, where, e.names()))
        if "controls" in p:
            ctl = p["controls"]
            if not isinstance(ctl, dict) or not ctl:
                r.refuse(p, "controls", f"{path}.controls", "takes addresses and expressions")
            param.controls = []
            for address, text in ctl.items():
                where = f"{path}.controls.{address}"
                _check_address(r, window, ctl, address, where, address)
                try:
                    e = Expression(text)
                except ExpressionError as err:
                    r.refuse(ctl, address, where, str(err))
                param.controls.append((address, text))
                param.control_names.append((ctl, address, where, e.names()))

    parameter_names = [p.name for p in plan.parameters]
    for param in plan.parameters:
        for ctl, address, where, used in param.control_names:
            unknown = sorted(n for n in used if n not in parameter_names)
            if unknown:
                r.refuse(ctl, address, where, f"no parameter {unknown[0]}")
        del param.control_names

    # Design.
    design = r.obj(d, "design", "design", ("kind", "points", "seed")) if "design" in d else {}
    kind = design.get("kind", "grid")
    if kind not in ("grid", "random", "latin_hypercube"):
        r.refuse(design, "kind", "design.kind", "takes grid, random or latin_hypercube")
    plan.design = kind
    if kind == "grid":
        for key in ("points", "seed"):
            if key in design:
                r.refuse(design, key, f"design.{key}", "a grid takes all the parameters' values")
        for k, param in enumerate(plan.parameters):
            if param.uniform is not None:
                r.refuse(params[k], "uniform", f"parameters[{k}].uniform",
                         "a distribution needs a random or latin_hypercube design")
        total = math.prod(len(p.values) for p in plan.parameters)
        if total > MAX_POINTS:
            r.refuse(d, "parameters", "parameters", f"{total} points: at most {MAX_POINTS}")
        plan.count = total
    else:
        if "points" not in design:
            r.refuse(d, "design", "design", f"{kind} needs points")
        plan.count = r.whole(design, "points", "design.points", 1, MAX_POINTS)
        plan.seed = r.whole(design, "seed", "design.seed", 0) if "seed" in design else 0

    # Metrics (read before evaluate: they say what a point needs).
    metrics = d["metrics"]
    if not isinstance(metrics, dict) or not metrics:
        r.refuse(d, "metrics", "metrics", "takes an object of one metric or more")
    known = set(parameter_names)
    quantities = _quantities(window)
    limit_metrics = []
    for name, spec in metrics.items():
        path = f"metrics.{name}"
        if not _identifier(name):
            r.refuse(metrics, name, path, "a metric's name takes letters, digits and _")
        if name in columns or name in RESERVED_COLUMNS:
            r.refuse(metrics, name, path, f"the column {name} is named twice")
        columns.add(name)
        m = Metric(name)
        if isinstance(spec, str):
            if spec in ATLAS_METRICS:
                m.kind, plan.needs_atlas = spec, True
            elif spec in RUN_METRICS:
                m.kind, plan.needs_run = spec, True
            elif spec in LIMIT_METRICS:
                m.kind, plan.needs_run = spec, True
                limit_metrics.append((metrics, name, path))
            else:
                r.refuse(metrics, name, path, "no metric " + spec + " (known: " +
                         ", ".join(ATLAS_METRICS + RUN_METRICS + LIMIT_METRICS +
                                   QUANTITY_METRICS) +
                         ", expression, python)")
        elif isinstance(spec, dict):
            if len(spec) != 1:
                r.refuse(metrics, name, path, "takes one kind: {\"peak_rate\": \"the1\"}, ...")
            (kind_, arg), = spec.items()
            where = f"{path}.{kind_}"
            if kind_ in QUANTITY_METRICS:
                q = r.text(spec, kind_, where)
                why = _check_quantity(quantities, q, plan.window)
                if why:
                    r.refuse(spec, kind_, where, why)
                m.kind, m.argument, plan.needs_run = kind_, q, True
            elif kind_ == "expression":
                try:
                    e = Expression(arg)
                except ExpressionError as err:
                    r.refuse(spec, kind_, where, str(err))
                unknown = sorted(e.names() - known)
                if unknown:
                    r.refuse(spec, kind_, where, f"no parameter or earlier metric {unknown[0]}")
                m.kind, m.argument = kind_, arg
            elif kind_ == "python":
                # User code, imported by name in every worker: the description's author runs it.
                q = r.text(spec, kind_, where)
                module, _, function = q.partition(":")
                try:
                    f = getattr(importlib.import_module(module), function)
                except Exception as err:  # noqa: BLE001  (any import failure is a refusal)
                    r.refuse(spec, kind_, where, f"takes module:function ({err})")
                if not callable(f):
                    r.refuse(spec, kind_, where, f"{q} is not a function")
                m.kind, m.argument = kind_, q
            else:
                r.refuse(metrics, name, path, f"no metric {kind_}")
        else:
            r.refuse(metrics, name, path, "takes a metric's name or an object")
        known.add(name)
        plan.metrics.append(m)

    # What each point evaluates: by default what the metrics need.
    if "evaluate" in d:
        ev = r.obj(d, "evaluate", "evaluate", ("run", "atlas"))
        if "run" in ev and not isinstance(ev["run"], bool):
            r.refuse(ev, "run", "evaluate.run", "takes true or false")
        run = ev.get("run", plan.needs_run)
        if plan.needs_run and not run:
            r.refuse(ev, "run", "evaluate.run", "the metrics need a Run")
        plan.needs_run = run
        if "atlas" in ev:
            atlas = r.obj(ev, "atlas", "evaluate.atlas", ATLAS_OPTIONS)
            plan.atlas = dict(atlas)
            if "limits" in atlas:
                plan.atlas["limits"] = _limits(r, atlas)
            for k in ("cells", "depth", "samples"):
                if k in atlas:
                    r.whole(atlas, k, f"evaluate.atlas.{k}", 2 if k == "cells" else 1)
            plan.needs_atlas = True
            _check_atlas(r, window, ev, plan.atlas)
    if plan.needs_atlas and plan.atlas is None:
        plan.atlas = {}
        _check_atlas(r, window, d, plan.atlas, "metrics")
    if limit_metrics and not (plan.atlas is not None and "limits" in plan.atlas) and not any(
            a["limits"] is not None for a in window.actuators):
        where = ("the mechanism file declares none" if plan.mechanism is not None else
                 "a built-in window has none of its own")
        r.refuse(*limit_metrics[0], f"{plan.window} has no actuator limits ({where}): give "
                 "them as evaluate.atlas.limits")

    plan.columns = ["index"] + parameter_names + [m.name for m in plan.metrics] + [
        "status", "message"]
    plan.points = _design_points(plan)
    return plan


class Parameter:
    def __init__(self):
        self.name = None
        self.address = None
        self.controls = None  # [(address, expression text)]
        self.key = None  # a mechanism file's key ("joints/2/a")
        self.keys = None  # [(key, expression text)]
        self.control_names = []
        self.values = None
        self.uniform = None


class Metric:
    def __init__(self, name):
        self.name = name
        self.kind = None
        self.argument = None

    def spec(self):
        return (self.name, self.kind, self.argument)


class Plan:
    def __init__(self, file):
        self.file = file
        self.window = None
        self.study_text = None
        self.study_name = None
        self.N = None
        self.T = None
        self.mechanism = None  # the mechanism file's path
        self.mechanism_kind = None
        self.mechanism_text = None  # its content (None for a .urdf)
        self.mechanism_tree = None  # its JSON, located (once a key is asked for)
        self.parameters = []
        self.design = "grid"
        self.count = 0
        self.seed = 0
        self.metrics = []
        self.needs_run = False
        self.needs_atlas = False
        self.atlas = None
        self.columns = []
        self.points = []

    def base(self):
        """What a worker needs to open the base window (picklable). A mechanism file goes
        with its content, so that a worker elsewhere needs no copy of it (a URDF it names
        excepted)."""
        return {"window": self.window, "N": self.N, "T": self.T, "study": self.study_text,
                "study_name": self.study_name,
                "digest": hashlib.sha256(self.study_text or b"").hexdigest(),
                "mechanism": self.mechanism, "kind": self.mechanism_kind,
                "text": self.mechanism_text, "spans": self.key_spans()}

    def task_data(self):
        """What every task takes with it: the base, what a point sets, what it evaluates and
        its metrics (picklable)."""
        return {
            "base": self.base(),
            "assign": self.assignments(),
            "keys": self.key_assignments(),
            "run": self.needs_run,
            "atlas": self.atlas if self.needs_atlas else None,
            "metrics": [m.spec() for m in self.metrics],
        }

    def key_assignments(self):
        """The mechanism keys a point sets, as assignments() the controls."""
        out = []
        for p in self.parameters:
            if p.key is not None:
                out.append((p.key, ("value", p.name)))
            elif p.keys is not None:
                out.extend((key, ("expression", text)) for key, text in p.keys)
        return out

    def key_spans(self):
        """Where the value of each key set stands in the mechanism file's text: key ->
        (start, end, whether it is a text)."""
        return {key: _key_target(self.mechanism_tree, key)[1:] for key, _ in
                self.key_assignments()}

    def assignments(self):
        """The controls a point sets, in the order of the parameters: (address, ("value",
        parameter)) or (address, ("expression", text over the parameters))."""
        out = []
        for p in self.parameters:
            if p.address is not None:
                out.append((p.address, ("value", p.name)))
            elif p.controls is not None:
                out.extend((address, ("expression", text)) for address, text in p.controls)
        return out


class _study_file:
    """The study's bytes in a file for Window.load, removed afterwards."""

    def __init__(self, plan):
        self.plan = plan

    def __enter__(self):
        import tempfile
        fd, self.path = tempfile.mkstemp(suffix=".kinelab")
        with os.fdopen(fd, "wb") as f:
            f.write(self.plan.study_text)
        return self.path

    def __exit__(self, *exc):
        os.unlink(self.path)


def _read_mechanism(r, base, base_dir, plan):
    given = r.text(base, "mechanism", "base.mechanism")
    plan.mechanism = os.path.join(base_dir, given)
    plan.mechanism_kind = r.text(base, "kind", "base.kind") if "kind" in base else "forward"
    if plan.mechanism_kind not in ("forward", "inverse"):
        r.refuse(base, "kind", "base.kind", "takes forward or inverse")
    if plan.mechanism.lower().endswith(".urdf"):
        return  # read as it stands: it has no keys
    try:
        with open(plan.mechanism, encoding="utf-8") as f:
            plan.mechanism_text = f.read()
    except OSError as e:
        r.refuse(base, "mechanism", "base.mechanism",
                 f"{plan.mechanism} cannot be read: {e.strerror}")
    except UnicodeDecodeError:
        r.refuse(base, "mechanism", "base.mechanism", f"{plan.mechanism} is not UTF-8 text")


def _key_target(tree, key):
    """The value a key ("joints/2/a", array indices from 0) names in a mechanism file's
    located JSON, and where it stands: (value, start, end, whether it is a text); KeyError
    naming the first part not found."""
    node, parent, part, done = tree, None, None, []
    for part in key.split("/"):
        parent = node
        where = "/".join(done) or "the file"
        if isinstance(node, dict) and part in node:
            node = node[part]
        elif (isinstance(node, list) and part.isdigit() and part == str(int(part))
              and int(part) < len(node)):
            part = int(part)
            node = node[part]
        elif isinstance(node, list):
            raise KeyError(f"{where} is a list of {len(node)}, from 0")
        elif isinstance(node, dict):
            raise KeyError(f"no {part} in {where}")
        else:
            raise KeyError(f"{where} is a value, with nothing inside")
        done.append(str(part))
    start, end = parent.spans[part]
    return node, start, end, isinstance(node, str)


def _check_key(r, plan, obj, key, path, name, seen):
    """A mechanism key checked against the base's file: its value, a number or a text."""
    if plan.mechanism is None:
        r.refuse(obj, key, path, "mechanism keys need a base mechanism file")
    if plan.mechanism_text is None:
        r.refuse(obj, key, path, f"{plan.mechanism} is a URDF file: it has no keys")
    if plan.mechanism_tree is None:
        plan.mechanism_tree = load_json(plan.mechanism_text, plan.mechanism)
    file = os.path.basename(plan.mechanism)
    try:
        value = _key_target(plan.mechanism_tree, name)[0]
    except KeyError as e:
        r.refuse(obj, key, path, f"{file} has no {name} ({e.args[0]})")
    if isinstance(value, bool) or not isinstance(value, (int, float, str)):
        what = "a list" if isinstance(value, list) else "an object" if isinstance(
            value, dict) else "not a number"
        r.refuse(obj, key, path, f"{name} in {file} is {what}: a key names one number or text")
    if name in seen:
        r.refuse(obj, key, path, f"{name} is set twice")
    seen.add(name)
    return value


def _check_address(r, window, obj, key, path, address):
    try:
        window[address]
    except KeyError:
        r.refuse(obj, key, path, f"{window.name} has no control {address}")


def _quantities(window):
    return {name: a.ndim for name, a in window.arrays.items()}


def _check_quantity(quantities, q, window_name):
    name, dot, component = q.partition(".")
    if name not in quantities:
        return f"{window_name} has no quantity {name} (it has {', '.join(quantities)})"
    if quantities[name] == 3 and component not in ("x", "y", "z"):
        return f"{name} is a point or a posture: give {name}.x, {name}.y or {name}.z"
    if quantities[name] == 2 and dot:
        return f"{name} is a scalar: no component {component}"
    return None


def _limits(r, atlas):
    v = atlas["limits"]
    pair = lambda x: (isinstance(x, list) and len(x) == 2 and all(  # noqa: E731
        not isinstance(y, bool) and isinstance(y, (int, float)) and math.isfinite(y) for y in x))
    if pair(v):
        return [float(v[0]), float(v[1])]
    if isinstance(v, list) and v and all(pair(x) for x in v):
        return [[float(x[0]), float(x[1])] for x in v]
    r.refuse(atlas, "limits", "evaluate.atlas.limits", "takes [low, high] or a list of them")


def _check_atlas(r, window, obj, options, key="atlas"):
    """The atlas's options tried on a 2 × 2 grid of the base window."""
    probe = dict(options, cells=2)
    if "samples" in probe:
        probe["samples"] = min(probe["samples"], 64)
    if "depth" in probe:
        probe["depth"] = min(probe["depth"], 2)
    where = "evaluate.atlas" if key == "atlas" else key
    try:
        window.workspace(**probe)
    except (TypeError, ValueError) as e:
        r.refuse(obj, key if isinstance(obj, dict) and key in obj else "evaluate", where, str(e))
    except RuntimeError as e:
        r.refuse(obj, key if isinstance(obj, dict) and key in obj else "evaluate", where, str(e))


def _linspace(start, stop, count):
    if count == 1:
        return [start]
    import numpy as np
    return [float(x) for x in np.linspace(start, stop, count)]


def _design_points(plan):
    """The points in index order, a dict of parameter values each. The random designs draw
    point i from the seed and i alone, so no point depends on who evaluates another."""
    names = [p.name for p in plan.parameters]
    if plan.design == "grid":
        return [dict(zip(names, vs)) for vs in itertools.product(*(p.values for p in
                                                                   plan.parameters))]
    import numpy as np
    n = plan.count
    strata = None
    if plan.design == "latin_hypercube":
        strata = [np.random.default_rng([plan.seed, n, k]).permutation(n)
                  for k in range(len(plan.parameters))]
    points = []
    for i in range(n):
        rng = np.random.default_rng([plan.seed, i])
        point = {}
        for k, p in enumerate(plan.parameters):
            u = rng.random()
            if strata is not None:
                u = (strata[k][i] + u) / n
            if p.uniform is not None:
                lo, hi = p.uniform
                point[p.name] = float(lo + (hi - lo) * u)
            else:
                point[p.name] = p.values[min(int(u * len(p.values)), len(p.values) - 1)]
        points.append(point)
    return points
