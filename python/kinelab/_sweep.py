"""Design sweeps: every point of a description evaluated as an independent task on Dask (a local
cluster of one process per core unless given a scheduler), collected into one table sorted by
the point's index. A point's row depends on the description and its index alone, so the CSV is
the same byte for byte whatever the workers, their order or a retry."""
import csv
import io
import json
import math
import os
import sys
import time

from kinelab._description import LIMIT_METRICS, SweepError, read_description
from kinelab._expression import Expression, ExpressionError

__all__ = ["sweep", "pareto", "plot_pareto", "SweepError"]


# --- One point, in a worker --------------------------------------------------------------------

_study_files = {}  # digest -> the base study written once per worker process


def _edited(text, spans, edits):
    """The mechanism file's text with the values of some keys replaced in place: the lines
    stay where they were, so that the reader's messages name the file's own lines."""
    for key, value in sorted(edits, key=lambda e: spans[e[0]][0], reverse=True):
        start, end, is_text = spans[key]
        if is_text:
            token = json.dumps(value, ensure_ascii=False)
        else:
            if isinstance(value, bool) or not isinstance(value, (int, float)):
                raise ValueError(f"{key}: {value!r} is not a number")
            if not math.isfinite(value):
                raise ValueError(f"{key}: {value!r} is not a finite number")
            token = repr(float(value)) if isinstance(value, float) else str(int(value))
        text = text[:start] + token + text[end:]
    return text


def _open_base(base, edits=()):
    import kinelab

    settings = {k: base[k] for k in ("N", "T") if base[k] is not None}
    if base["mechanism"] is not None:
        text = base["text"]
        if edits:
            text = _edited(text, base["spans"], edits)
        return kinelab.Window.from_mechanism(base["mechanism"], base["kind"], text=text,
                                             **settings)
    if base["study"] is None:
        return kinelab.Window(base["window"], **settings)
    path = _study_files.get(base["digest"])
    if path is None or not os.path.exists(path):
        import tempfile
        try:  # the worker's own folder, which goes with it
            from distributed import get_worker
            folder = get_worker().local_directory
        except (ImportError, ValueError):
            folder = None
        fd, path = tempfile.mkstemp(prefix="kinelab-sweep-", suffix=".kinelab", dir=folder)
        with os.fdopen(fd, "wb") as f:
            f.write(base["study"])
        _study_files[base["digest"]] = path
    w = kinelab.Window(base["window"])
    w.load(path)
    for k, v in settings.items():
        setattr(w, k, v)
    return w


def _quantity(arrays, q):
    name, _, component = q.partition(".")
    a = arrays[name]
    return a[:, "xyz".index(component), :] if a.ndim == 3 else a  # columns value, rate, accel


def _atlas_figures(atlas):
    import numpy as np

    reachable = atlas["reachable"]
    n = int(reachable.sum())
    u, v, w = atlas["u"], atlas["v"], atlas["w"]
    cell = (u[-1] - u[0]) / (len(u) - 1) * (v[-1] - v[0]) / (len(v) - 1)
    if len(w) > 1:
        cell *= (w[-1] - w[0]) / (len(w) - 1)
    condition = atlas["condition"][reachable]
    return {
        "reachable_area": float(n * cell),
        "reachable_cells": n,
        "best_condition": float(condition.min()) if n else None,
        "worst_condition": float(condition.max()) if n else None,
        "locus_cells": int(np.count_nonzero(atlas["singular"] & reachable)),
    }


def evaluate_point(index, values, plan_data):
    """The row of point `index`: its parameter values, its metrics, "ok" or "failed" and a
    message. Whatever the point does wrong is in its row; only a dying process escapes."""
    row = {"index": index, **values, "status": "ok", "message": ""}
    notes = []
    try:
        edits = [(key, values[what] if kind == "value" else Expression(what)(values))
                 for key, (kind, what) in plan_data["keys"]]
        w = _open_base(plan_data["base"], edits)
        for address, (kind, what) in plan_data["assign"]:
            w[address] = values[what] if kind == "value" else Expression(what)(values)
        atlas = None
        if plan_data["run"]:
            w.run()
        if plan_data["atlas"] is not None:
            atlas = w.workspace(**plan_data["atlas"], csv=False)
        figures = _atlas_figures(atlas) if atlas is not None else {}
        if any(kind in LIMIT_METRICS for _, kind, _ in plan_data["metrics"]):
            given = atlas is not None and "limits" in plan_data["atlas"]
            figures.update(_limit_figures(w, atlas if given else None))
        known = dict(values)
        for name, kind, argument in plan_data["metrics"]:
            try:
                v = _metric(w, kind, argument, figures, known)
                if kind in LIMIT_METRICS:
                    pass  # a count, a step or an actuator's name; None: no step outside
                elif not math.isfinite(v):
                    raise ValueError("not a finite number")
            except (ExpressionError, ArithmeticError, ValueError) as e:
                v = None
                notes.append(f"{name}: {e}")
            row[name] = v
            known[name] = v
    except Exception as e:  # noqa: BLE001  (a point's failure is its row)
        row["status"] = "failed"
        notes.append(_error_text(e))
    row["message"] = "; ".join(notes)
    return row


def _error_text(e):
    text = str(e.args[0]) if isinstance(e, KeyError) and e.args else str(e)
    if text and isinstance(e, (ValueError, KeyError, OSError, RuntimeError)):
        return text  # kinelab's own messages
    return f"{type(e).__name__}: {text}"


def _limit_figures(w, atlas):
    """The Run's steps against the actuators' limits: those the atlas was given, else the
    mechanism's own (a file arm's `outside` column holds, per step, the number of its first
    joint outside)."""
    import numpy as np

    arrays = w.arrays
    actuators = w.actuators
    names = [a["name"] for a in actuators]
    if atlas is not None:
        limits = [tuple(l) for l in atlas["limits"]]
        outside = None
    else:
        limits = [a["limits"] for a in actuators]
        outside = arrays.get("outside")
    if outside is not None:
        first = outside[:, 0].astype(int)
    else:
        first = np.zeros(len(next(iter(arrays.values()))), dtype=int)
        solver = w.solver
        counted = np.ones(len(first), bool) if solver is None else solver["status"] != 4
        for k in reversed(range(len(names))):  # the first actuator outside wins
            if limits[k] is None:
                continue
            q = _quantity(arrays, names[k])[:, 0]
            if actuators[k]["angle"]:
                q = np.degrees(q)
            lo, hi = limits[k]
            first[counted & ((q < lo) | (q > hi))] = k + 1
    steps = np.flatnonzero(first)
    return {
        "steps_outside_limits": int(len(steps)),
        "first_step_outside_limits": int(steps[0]) if len(steps) else None,
        "first_actuator_outside_limits": names[first[steps[0]] - 1] if len(steps) else None,
    }


def _metric(w, kind, argument, figures, known):
    if kind in figures:
        if kind in LIMIT_METRICS:
            return figures[kind]
        if figures[kind] is None:
            raise ValueError("no reachable cell")
        return figures[kind]
    if kind == "unconverged_steps":
        solver = w.solver
        return 0 if solver is None else int((solver["status"] != 0).sum())
    if kind in ("run_best_condition", "run_worst_condition"):
        c = w.singularity["condition"]
        return float(c.min() if kind == "run_best_condition" else c.max())
    if kind == "expression":
        return Expression(argument)(known)
    if kind == "python":
        import importlib
        module, _, function = argument.partition(":")
        v = getattr(importlib.import_module(module), function)(w, dict(known))
        if v is None:
            raise ValueError(f"{argument} gave no value")
        return float(v)
    q = _quantity(w.arrays, argument)
    if kind == "peak_rate":
        return float(abs(q[:, 1]).max())
    if kind == "peak_acceleration":
        return float(abs(q[:, 2]).max())
    if kind == "range":
        return float(q[:, 0].max() - q[:, 0].min())
    return float(q[:, 0].min() if kind == "min" else q[:, 0].max())


# --- The table -----------------------------------------------------------------------------------

def _cell(v):
    if v is None:
        return ""
    if isinstance(v, float):
        return repr(v)
    return str(v)


def _row_line(columns, row):
    out = io.StringIO()
    csv.writer(out, lineterminator="\n").writerow([_cell(row.get(c)) for c in columns])
    return out.getvalue()


def _header_line(columns):
    out = io.StringIO()
    csv.writer(out, lineterminator="\n").writerow(columns)
    return out.getvalue()


def _read_rows(path, columns, count):
    """The complete rows of an earlier run of the same sweep: index -> line."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
    except FileNotFoundError:
        return {}
    except OSError as e:
        raise SweepError(f"{path}: cannot be read: {e.strerror}") from None
    if not text:
        return {}
    lines = text.splitlines(keepends=True)
    if lines[0] != _header_line(columns):
        raise SweepError(f"{path}:1: the columns are not this sweep's: it cannot be resumed")
    rows = {}
    for line in lines[1:]:
        if not line.endswith("\n"):
            break  # cut short when the sweep stopped
        try:
            fields = next(csv.reader([line]))
            index = int(fields[0])
        except (ValueError, StopIteration, csv.Error):
            continue
        if len(fields) == len(columns) and 0 <= index < count and index not in rows:
            rows[index] = line
    return rows


def _typed(value):
    if value == "":
        return None
    for kind in (int, float):
        try:
            return kind(value)
        except ValueError:
            pass
    return value


def _frame(columns, lines):
    import pandas as pd

    rows = [[_typed(v) for v in next(csv.reader([line]))] for line in lines]
    df = pd.DataFrame(rows, columns=columns)
    for c in columns[1:-2]:
        present = df[c].dropna()
        if len(present) and all(isinstance(v, int) for v in present):
            df[c] = df[c].astype("Int64")
        elif all(isinstance(v, (int, float)) for v in present):
            df[c] = df[c].astype("Float64")
    df["index"] = df["index"].astype("int64")
    df["message"] = df["message"].fillna("").astype(str)
    return df


# --- Progress ------------------------------------------------------------------------------------

class _Progress:
    """Points done, rate and time left on a terminal's stderr; nothing elsewhere."""

    def __init__(self, total, done, enabled):
        self.total, self.start_done, self.done = total, done, done
        self.enabled = enabled
        self.start()
        self.shown = 0.0

    def start(self):
        self.t0 = time.monotonic()

    def step(self):
        self.done += 1
        now = time.monotonic()
        if self.enabled and (now - self.shown > 0.2 or self.done == self.total):
            self.shown = now
            new = self.done - self.start_done
            rate = new / max(now - self.t0, 1e-9)
            left = (self.total - self.done) / rate if rate > 0 else 0
            width = 30
            filled = int(width * self.done / max(self.total, 1))
            sys.stderr.write(f"\r[{'#' * filled}{'.' * (width - filled)}] {self.done}/{self.total}"
                             f" points, {rate:.1f}/s, {_duration(left)} left ")
            sys.stderr.flush()

    def close(self):
        if self.enabled and self.done > self.start_done:
            sys.stderr.write("\n")
            sys.stderr.flush()


def _duration(s):
    s = int(round(s))
    return f"{s // 3600}:{s // 60 % 60:02d}:{s % 60:02d}" if s >= 3600 else f"{s // 60}:{s % 60:02d}"


# --- Running on Dask -----------------------------------------------------------------------------

# The local cluster's worker processes are forked from a server process that has imported what
# a worker needs once (Python's forkserver): a new process importing Dask afresh takes ~0.3 s,
# a fork of the server a few ms. Each fork starts from the server's clean state, not from this
# process's (its threads, an atlas's thread pool). The server lives as long as this process, so
# a second sweep starts its workers at once.
_WORKER_PRELOAD = ["distributed", "numpy", "pandas", "kinelab"]
# No statistical profiling of the workers' threads (a sample every 10 ms, for a dashboard page
# nobody opens here): it takes the time of the cores the points compute on.
_LOCAL_CONFIG = {"distributed.worker.multiprocessing-method": "forkserver",
                 "distributed.worker.profile.enabled": False}


def start_worker_server():
    """Starts the server the local cluster's workers are forked from, if it is not running yet:
    its imports then overlap whatever this process does before the cluster starts."""
    import multiprocessing
    import multiprocessing.forkserver

    _worker_environment(lambda: (
        multiprocessing.get_context("forkserver").set_forkserver_preload(_WORKER_PRELOAD),
        multiprocessing.forkserver.ensure_running()))


def _worker_environment(start):
    """start() with PYTHONPATH leading to where this process found kinelab, which the
    processes it starts inherit."""
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    saved = os.environ.get("PYTHONPATH")
    os.environ["PYTHONPATH"] = here + (os.pathsep + saved if saved else "")
    try:
        return start()
    finally:
        if saved is None:
            del os.environ["PYTHONPATH"]
        else:
            os.environ["PYTHONPATH"] = saved


class _Cluster:
    """A client of the scheduler given, or of a local cluster started and stopped here."""

    def __init__(self, scheduler, workers):
        import logging
        import tempfile

        if scheduler is None:
            start_worker_server()  # before Dask's import here, which its own then overlaps
        try:
            import dask
            from distributed import Client, LocalCluster
        except ImportError as e:
            raise ImportError(f"kinelab.sweep needs Dask (apt-get install python3-distributed): "
                              f"{e}") from None
        self.cluster = self.client = self.space = self.config = None
        if scheduler is not None:
            self.client = Client(scheduler, set_as_default=False)
            return
        n = workers or os.cpu_count() or 1
        self.space = tempfile.mkdtemp(prefix="kinelab-sweep-")
        # Kept while the cluster runs: a worker restarted after a death is forked too.
        self.config = dask.config.set(_LOCAL_CONFIG)
        try:
            # The scheduler's HTTP server on a free port of 127.0.0.1 (its default, 8787, may be
            # taken, which Dask says on stderr).
            self.cluster = _worker_environment(lambda: LocalCluster(
                n_workers=n, threads_per_worker=1, processes=True, host="127.0.0.1",
                dashboard_address=":0", silence_logs=logging.CRITICAL,
                local_directory=self.space,
                # No shuffles here; Debian's 2022.12 shuffle extension trips an assertion when a
                # worker closes after a death.
                extensions={}))
            self.client = Client(self.cluster, set_as_default=False)
            self.client.register_worker_plugin(_local_worker_plugin(), name="kinelab-local")
        except BaseException:
            self.close()
            raise

    def close(self):
        import shutil
        if getattr(self, "client", None) is not None:
            self.client.close()
        if self.cluster is not None:
            self.cluster.close()
        if self.config is not None:
            self.config.__exit__(None, None, None)
            self.config = None
        if self.space is not None:
            shutil.rmtree(self.space, ignore_errors=True)


def evaluate_points(indices, points, plan_data):
    """The rows of several points: one task, so that Dask's cost per task is shared."""
    return [evaluate_point(i, p, plan_data) for i, p in zip(indices, points)]


def _local_worker_plugin():
    """Prepares each worker of the local cluster. It takes this process's environment and
    module path as they are now, as a worker started afresh would: the server it is forked from
    has them as they were when it started, perhaps a sweep ago. And it holds the worker to one
    thread of computation: an atlas spreads over the cores its process may use (oneTBB), and one
    process per core should not ask each for all. Not to one core: the system then moves a
    worker off a core others keep busy."""
    from distributed.diagnostics.plugin import WorkerPlugin

    environment, path = dict(os.environ), list(sys.path)

    class LocalWorker(WorkerPlugin):
        def setup(self, worker):
            os.environ.clear()
            os.environ.update(environment)
            sys.path[:] = path + [p for p in sys.path if p not in path]
            import kinelab
            kinelab.limit_threads(1)

    return LocalWorker()


def _chunks(todo, workers):
    """The points in tasks of shrinking size: each half of what is left over the workers (at
    most 100 points), down to single points at the end. Dask's cost per task (a few ms of the
    scheduler's, on the cores the workers compute on) is then shared by many points at first,
    and the workers' last tasks are short."""
    out, k = [], 0
    while k < len(todo):
        size = max(1, min(100, (len(todo) - k) // (2 * workers)))
        out.append(todo[k:k + size])
        k += size
    return out


KILLED = "its worker died each time it ran the point"
CANCELLED = "the point was cancelled"


def _run(plan, todo, scheduler, workers, on_row, on_start):
    from distributed import as_completed

    plan_data = plan.task_data()
    cluster = _Cluster(scheduler, workers)
    on_start()
    try:
        client = cluster.client
        n = max(len(client.scheduler_info()["workers"]), 1)
        chunks = iter(_chunks(todo, n))
        # Tasks go out a window at a time: a sweep of a million points holds a few thousand.
        window = max(64, 8 * n)
        chunk_of = {}

        def submit(chunk):
            # The description goes with every task (not scattered once): a task whose worker
            # died is then run again elsewhere with nothing else to recover.
            f = client.submit(evaluate_points, chunk, [plan.points[i] for i in chunk],
                              plan_data, pure=False,
                              key=f"kinelab-points-{chunk[0]}-{os.urandom(4).hex()}")
            chunk_of[f.key] = chunk
            return f

        def outcome(f):
            """The rows of a task once it is done, or the message of its failure."""
            try:
                return f.result(), None
            except Exception as e:  # noqa: BLE001  (a worker dying too often, say)
                # Dask's texts name the task's key, which differs from run to run.
                return None, {"KilledWorker": KILLED, "CancelledError": CANCELLED}.get(
                    type(e).__name__) or _error_text(e)

        def failed(chunk, message):
            return [{"index": i, **plan.points[i], "status": "failed", "message": message}
                    for i in chunk]

        suspects = []
        tasks = as_completed([submit(c) for _, c in zip(range(window), chunks)],
                             loop=client.loop)
        for f in tasks:
            chunk = chunk_of.pop(f.key)
            rows, message = outcome(f)
            f.release()
            if message is not None and message != CANCELLED and len(chunk) > 1:
                # One point may have killed the workers: each alone, to find it.
                for i in chunk:
                    tasks.add(submit([i]))
                continue
            if message == KILLED:
                # Dask counts a worker's death against every task the worker held, not only
                # the one it ran: the point is tried again once nothing else runs.
                suspects.append(chunk[0])
            else:
                for row in rows if message is None else failed(chunk, message):
                    on_row(row)
            nxt = next(chunks, None)
            if nxt is not None:
                tasks.add(submit(nxt))
        for i in suspects:
            f = submit([i])
            chunk_of.pop(f.key)
            rows, message = outcome(f)
            f.release()
            for row in rows if message is None else failed([i], message):
                on_row(row)
    finally:
        cluster.close()


def sweep(description, scheduler=None, workers=None, out=None, resume=None, progress=None):
    """Evaluates every point of a sweep description (a JSON file name or a dict, see
    kinelab._description) and returns a pandas DataFrame: one row per point in index order,
    the columns index, the parameters, the metrics, status ("ok" or "failed") and message.

    scheduler: a Dask scheduler's address (tcp://host:8786) to run on; None starts a local
    cluster of `workers` processes (default one per core) and stops it afterwards.
    out: a CSV file written as points finish and sorted at the end; resume: such a file from
    an earlier run of the same sweep, whose complete rows are kept and not evaluated again.
    progress: a progress bar on stderr (default: when stderr is a terminal).

    A description that cannot be evaluated raises SweepError (FILE:LINE: KEY: why) before any
    point runs; a point that fails is a row with status "failed" and its message."""
    if getattr(sys.modules.get("__main__"), "__name__", None) == "__mp_main__":
        # A worker process of the local cluster importing the script that called the sweep.
        raise RuntimeError("kinelab.sweep starts worker processes that import the main script: "
                           "call it under `if __name__ == \"__main__\":`")
    plan = read_description(description)
    columns, lines = execute(plan, scheduler, workers, out, resume, progress)
    return _frame(columns, lines)


def execute(plan, scheduler=None, workers=None, out=None, resume=None, progress=None):
    """The sweep of a checked description: its columns and its rows as CSV lines, in index
    order."""
    if workers is not None and (isinstance(workers, bool) or not isinstance(workers, int)
                                or workers < 1):
        raise ValueError("workers takes a whole number from 1 up")
    columns = plan.columns
    done = _read_rows(resume, columns, plan.count) if resume is not None else {}
    lines = dict(done)
    todo = [i for i in range(plan.count) if i not in done]

    sink = None
    if out is not None:
        sink = _PartialFile(out, _header_line(columns), [done[i] for i in sorted(done)])
    bar = _Progress(plan.count, len(done), sys.stderr.isatty() if progress is None else progress)

    def on_row(row):
        line = _row_line(columns, row)
        lines[row["index"]] = line
        if sink is not None:
            sink.append(line)
        bar.step()

    try:
        if todo:
            _run(plan, todo, scheduler, workers, on_row, bar.start)
    finally:
        bar.close()
        if sink is not None:
            sink.close()
    ordered = [lines[i] for i in range(plan.count)]
    if out is not None:
        _write_whole(out, _header_line(columns) + "".join(ordered))
    return columns, ordered


class _PartialFile:
    """The CSV as points finish (unsorted), so that an interrupted sweep can be resumed."""

    def __init__(self, path, header, kept):
        self.path = path
        _write_whole(path, header + "".join(kept))
        self.f = open(path, "a", encoding="utf-8", newline="")

    def append(self, line):
        self.f.write(line)
        self.f.flush()

    def close(self):
        self.f.close()


def _write_whole(path, text):
    tmp = f"{path}.tmp{os.getpid()}"
    with open(tmp, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    os.replace(tmp, path)


# --- Reading the table ---------------------------------------------------------------------------

def pareto(df, objectives):
    """The rows of `df` no other row beats in every objective ({"area": "max", "worst": "min"}),
    in the order of `df`; rows that failed or lack an objective's value are left out."""
    import numpy as np

    if not objectives:
        raise ValueError("pareto takes one objective or more")
    cols = list(objectives)
    for c, sense in objectives.items():
        if c not in df.columns:
            raise KeyError(f"no column {c}")
        if sense not in ("min", "max"):
            raise ValueError(f"{c}: an objective takes \"min\" or \"max\"")
    ok = df[cols].notna().all(axis=1)
    if "status" in df.columns:
        ok &= df["status"] == "ok"
    sub = df[ok]
    # Every objective as one to minimise.
    values = np.column_stack([
        sub[c].to_numpy(dtype=float) * (-1.0 if objectives[c] == "max" else 1.0) for c in cols])
    order = np.lexsort(values.T[::-1])
    front = []
    for k in order:
        v = values[k]
        if front:
            f = values[front]
            if np.any(np.all(f <= v, axis=1) & np.any(f < v, axis=1)):
                continue
        front.append(k)
    return sub.iloc[sorted(front)]


def plot_pareto(df, x, y, objectives=None, ax=None):
    """A scatter of the points that ran (x against y) with the Pareto front of `objectives`
    (default: x "max", y "min") drawn over it; needs matplotlib. Returns the axes."""
    try:
        import matplotlib.pyplot as plt
    except ImportError:
        raise ImportError("plot_pareto needs matplotlib (apt-get install python3-matplotlib)") \
            from None
    objectives = objectives or {x: "max", y: "min"}
    ok = df[df["status"] == "ok"] if "status" in df.columns else df
    front = pareto(df, objectives).sort_values(x)
    if ax is None:
        _, ax = plt.subplots()
    ax.scatter(ok[x].astype(float), ok[y].astype(float), s=10, color="0.6", label="points")
    ax.plot(front[x].astype(float), front[y].astype(float), "o-", color="C3",
            label="Pareto front")
    ax.set_xlabel(x)
    ax.set_ylabel(y)
    ax.legend()
    return ax
