#!/usr/bin/env python3
"""A sweep on one worker against two: examples/stewart_sweep.json (400 Stewart geometries, a
100 x 100 atlas each) as kinelab.sweep runs it on a local Dask cluster of 1 and of 2 worker
processes, and the same points evaluated one after another in this process on one thread
(the points' own work, no Dask; each worker of the local cluster computes on one thread too).
Wall-clock seconds, since a sweep is waited for; per round the three in turn, so that a change
in the machine's load falls on all of them. Prints per round and the medians:
the two sweeps whole (`one`, `two`: description read, cluster started and stopped) and their
ratio, the same from the cluster's start to the last row (`one_points`, `two_points`,
`points_ratio`), and the overhead per point: the one worker's time from start to last row less
the points' own work, over the points (`own_cpu`: the processor time of that work, which a
busy machine does not stretch); also for 1000 points of almost no work of their own
(form_3r_jun at N = 1, `tiny_*`), where the overhead is not lost in the spread of the
atlases. The load averages before and after say how busy the machine was.

The local cluster's workers are forked from a server process that a Python session starts once,
with its first sweep (kinelab._sweep.start_worker_server). The rounds measure the sweeps after
that one; `first` is the session's first sweep of the 1000 tiny points on one worker, which
starts the server, and `first_again` the same sweep once it runs.

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_scaling.py [ROUNDS]
"""
import os
import statistics
import sys
import time

import kinelab
from kinelab import _sweep
from kinelab._description import read_description

DESCRIPTION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples",
                           "stewart_sweep.json")


TINY = {
    "base": {"window": "form_3r_jun", "N": 1},
    "parameters": [{"address": "Text6(2)", "range": {"start": 1, "stop": 3, "count": 1000}}],
    "metrics": {"unconverged": "unconverged_steps"},
}


def own_work(plan):
    """The points one after another on one thread, as one worker of the local cluster has."""
    kinelab.limit_threads(1)
    try:
        return _own_work(plan)
    finally:
        kinelab.limit_threads(None)


def _own_work(plan):
    data = plan.task_data()
    t, cpu = time.perf_counter(), time.process_time()
    for i, point in enumerate(plan.points):
        _sweep.evaluate_point(i, point, data)
    return time.perf_counter() - t, time.process_time() - cpu


def swept(workers, description=DESCRIPTION):
    """The whole sweep, and its time from the cluster's start to the last row."""
    t = time.perf_counter()
    plan = read_description(description)
    marks = {}
    rows = []
    _sweep._run(plan, list(range(len(plan.points))), None, workers,
                lambda row: (rows.append(row), marks.__setitem__("last", time.perf_counter())),
                lambda: marks.__setitem__("start", time.perf_counter()))
    whole = time.perf_counter() - t
    assert len(rows) == len(plan.points) and all(r["status"] == "ok" for r in rows)
    return whole, marks["last"] - marks["start"]


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    plan = read_description(DESCRIPTION)
    tiny = read_description(TINY)
    n = len(plan.points)
    print(f"{n} points; load average before: {os.getloadavg()}")
    first = swept(1, TINY)[0]
    print(f"first {first:.3f}, first_again {swept(1, TINY)[0]:.3f}", flush=True)
    rows = []
    for r in range(rounds):
        row = dict(zip(("own", "own_cpu"), own_work(plan)))
        row["one"], row["one_points"] = swept(1)
        row["two"], row["two_points"] = swept(2)
        row["ratio"] = row["two"] / row["one"]
        row["points_ratio"] = row["two_points"] / row["one_points"]
        row["overhead_ms"] = (row["one_points"] - row["own"]) / n * 1000
        row["tiny_own"] = own_work(tiny)[0]
        _, row["tiny_one_points"] = swept(1, TINY)
        row["tiny_overhead_ms"] = ((row["tiny_one_points"] - row["tiny_own"]) /
                                   len(tiny.points) * 1000)
        rows.append(row)
        print(f"round {r + 1}: " + ", ".join(f"{k} {v:.3f}" for k, v in row.items()), flush=True)
    print("median: " + ", ".join(f"{k} {statistics.median(x[k] for x in rows):.3f}"
                                 for k in rows[0]))
    print(f"load average after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
