#!/usr/bin/env python3
"""A sweep on one worker against two: examples/stewart_sweep.json (400 Stewart geometries, a
100 x 100 atlas each) as kinelab.sweep runs it on a local Dask cluster of 1 and of 2 worker
processes, and the same points evaluated one after another in this process (the points' own
work, no Dask). Wall-clock seconds, since a sweep is waited for; per round the three in turn, so
that a change in the machine's load falls on all of them. Prints per round and the medians:
the two sweeps, their ratio, a local cluster's start and stop alone, and the overhead per point
(one worker's sweep less the cluster's start and stop, less the points' own work, over the
points), also for 1000 points of almost no work of their own (form_3r_jun at N = 1), where
the overhead is not lost in the spread of the atlases. The load averages before and after say
how busy the machine was.

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_scaling.py [ROUNDS]
"""
import logging
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
    data = {"base": plan.base(), "assign": plan.assignments(), "run": plan.needs_run,
            "atlas": plan.atlas, "metrics": [m.spec() for m in plan.metrics]}
    t = time.perf_counter()
    for i, point in enumerate(plan.points):
        _sweep.evaluate_point(i, point, data)
    return time.perf_counter() - t


def cluster_alone():
    from distributed import Client, LocalCluster

    t = time.perf_counter()
    with LocalCluster(n_workers=1, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=":0", silence_logs=logging.CRITICAL, extensions={}) as c:
        Client(c, set_as_default=False).close()
    return time.perf_counter() - t


def swept(workers, description=DESCRIPTION):
    t = time.perf_counter()
    df = kinelab.sweep(description, workers=workers, progress=False)
    assert (df["status"] == "ok").all()
    return time.perf_counter() - t


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    plan = read_description(DESCRIPTION)
    tiny = read_description(TINY)
    n = len(plan.points)
    print(f"{n} points; load average before: {os.getloadavg()}")
    rows = []
    for r in range(rounds):
        row = {"own": own_work(plan), "start_stop": cluster_alone(), "one": swept(1),
               "two": swept(2)}
        row["ratio"] = row["two"] / row["one"]
        row["overhead_ms"] = (row["one"] - row["start_stop"] - row["own"]) / n * 1000
        own, one = own_work(tiny), swept(1, TINY)
        row["tiny_own"], row["tiny_one"] = own, one
        row["tiny_overhead_ms"] = (one - row["start_stop"] - own) / len(tiny.points) * 1000
        rows.append(row)
        print(f"round {r + 1}: " + ", ".join(f"{k} {v:.3f}" for k, v in row.items()), flush=True)
    print("median: " + ", ".join(f"{k} {statistics.median(x[k] for x in rows):.3f}"
                                 for k in rows[0]))
    print(f"load average after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
