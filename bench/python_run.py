#!/usr/bin/env python3
"""A Run from Python against the same Run in C++: for every simulation window, the default Run at
N = 10 000 pressed from Python (`w.press("run")`, result.dat and all) and the C++ benchmark
`whole_run/<window>/N:10000` (bench/whole_run.cpp: the same press on a window opened the same
way). Both sides open the window untimed and time the press in CPU time of the calling thread;
C++ and Python alternate round by round so that a change in the machine's load falls on both.
Prints per window the median over the rounds of each side's median, and the ratio.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_run.py build/bench/kinelab_bench \
        [ROUNDS [WINDOW_REGEX]]
"""
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

import kinelab

N = 10000
REPETITIONS = 5  # as whole_run registers them


def cxx_medians(bench, pattern):
    out = subprocess.run([bench, f"--benchmark_filter=^whole_run/({pattern})/N:{N}/",
                          "--benchmark_format=json"], capture_output=True, text=True, check=True)
    medians = {}
    for b in json.loads(out.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"].split("/")[1]] = b["cpu_time"]  # ms
    return medians


def python_median(name):
    times = []
    for _ in range(REPETITIONS):
        w = kinelab.Window(name, N=N)
        start = time.thread_time()
        w.press("run")
        times.append((time.thread_time() - start) * 1000)
        del w  # freeing the arrays is not part of the Run, as in whole_run
    return statistics.median(times)


def main():
    bench = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    pattern = sys.argv[3] if len(sys.argv) > 3 else ".*"
    names = [w["name"] for w in kinelab.windows()
             if w["simulation"] and re.fullmatch(pattern, w["name"])]
    cxx = {n: [] for n in names}
    py = {n: [] for n in names}
    with tempfile.TemporaryDirectory() as scratch:
        os.chdir(scratch)  # every Run writes result.dat here
        for _ in range(rounds):
            for n, t in cxx_medians(bench, pattern).items():
                cxx[n].append(t)
            for n in names:
                py[n].append(python_median(n))
    print(f"{'window':<20} {'C++ ms':>9} {'Python ms':>10} {'ratio':>7}")
    for n in names:
        c, p = statistics.median(cxx[n]), statistics.median(py[n])
        print(f"{n:<20} {c:9.2f} {p:10.2f} {p / c:7.3f}")


if __name__ == "__main__":
    main()
