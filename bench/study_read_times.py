#!/usr/bin/env python3
"""CPU time and peak memory of `kinelab-cli --load` on studies of many shapes at the 16 MB size
cap: keys by the million, long arrays, nesting at the depth limit, long strings, an export's
header of one long line or of many lines. Usage: bench/study_read_times.py [kinelab-cli]"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile

cli = sys.argv[1] if len(sys.argv) > 1 else "build/cli/kinelab-cli"
cap = 16 * 1024 * 1024 - 64
repeats = 3


def fill(text, unit, last="1"):
    """`text` with its @@ replaced by copies of `unit` up to the cap."""
    return text.replace("@@", unit * ((cap - len(text)) // len(unit)) + last)


def shapes(study):
    newer = study.replace('"format_version": "1.1"', '"format_version": "1.9", "x": [@@]')
    in_field = study.replace('"Text5": "0"', '"Text5": [@@]')
    pose = study.rstrip().rstrip("}") + ',\n  "start_pose": {"converged": true, "values": [@@]}\n}\n'
    deep = "[" * 60 + "1" + "]" * 60 + ","
    keys, k = [], 0
    budget = cap - len(study) - 20
    while budget > 0:
        keys.append('"Z%d": "0",\n' % k)
        budget -= len(keys[-1])
        k += 1
    header = "# kinelab 1.1.0\n# window: form_3r_jun (3r_jun)\n# N = 50, T = 1, profile: quintic\n"
    line, k = ["# Text2: (0) 0"], 1
    budget = cap - len(header) - 40
    while budget > 0:
        line.append(", (%d) %d" % (k, k % 100))
        budget -= len(line[-1])
        k += 1
    return {
        "a million keys under fields": study.replace('"fields": {\n', '"fields": {\n' + "".join(keys)),
        "numbers under a newer key": fill(newer, "1.5,"),
        "nested arrays under a newer key": fill(newer, deep),
        "objects under a newer key": fill(newer, '{"a":1,"b":[1,2]},'),
        "nested arrays in a field": fill(in_field, deep),
        "objects in a field": fill(in_field, '{"a":1,"b":[1,2]},'),
        "nested arrays in the start pose": fill(pose, deep),
        "numbers in the start pose": fill(pose, "0.5,"),
        "one long title": study.replace('"3r_jun"', '"' + "a" * (cap - len(study)) + '"', 1),
        "escapes in the title": study.replace('"3r_jun"', '"' + "\\u00e9" * ((cap - len(study)) // 6) + '"', 1),
        "newlines": study.replace('"N": 50', '"N":' + "\n" * (cap - len(study)) + "50"),
        "an export header of one line": header + "".join(line) + "\n",
        "an export header of many lines": header + "# HScroll1: 0\n" * ((cap - len(header)) // 14),
    }


with tempfile.TemporaryDirectory() as d:
    subprocess.run([cli, "form_3r_jun", "--save", os.path.join(d, "s.kinelab")], check=True)
    study = open(os.path.join(d, "s.kinelab")).read()
    path = os.path.join(d, "t.kinelab")
    for name, text in shapes(study).items():
        with open(path, "w") as f:
            f.write(text)
        times = []
        for _ in range(repeats):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            run = subprocess.run([cli, "--load", path], capture_output=True, text=True)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            times.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024
        print("%-34s %5.2f s CPU (median of %d), exit %d, %s" % (name, statistics.median(times),
              repeats, run.returncode, run.stderr.strip()[:90] or "opened"))
    print("peak resident memory of the largest: %d MB" % peak)
