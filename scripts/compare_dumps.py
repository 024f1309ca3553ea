#!/usr/bin/env python3
"""Compare the --dump CSVs of two kinelab-cli builds column by column.

usage: compare_dumps.py NEW_CLI BASE_CLI [--tolerance 1e-10] [--condition-limit 1e6]

Runs both programs over the windows BASE_CLI lists (test_ windows left out) at N = 50 and 2000,
with the same variations as /work/compare.sh, and over each window's workspace atlas. Comment
lines and every column other than sigma_min and condition must be byte for byte the same; in
those two a field may differ by at most the tolerance, relative, where the base's condition is
below the condition limit (near a singularity both lose digits); so may the figures an atlas's
summary takes from them, and the place it names for a best or worst cell may move between two
cells that tie (listed). Prints each file that
differs, then for every window the columns that differ and the largest relative difference;
exits 1 when anything beyond that allowance differs.
"""
import argparse
import math
import re
import os
import subprocess
import sys
import tempfile

LOOSE = ("sigma_min", "condition")


def run(cli, args, where):
    os.makedirs(where, exist_ok=True)
    subprocess.run([cli] + args, cwd=where, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def relative(a, b):
    if a == b:
        return 0.0
    x, y = float(a), float(b)
    if x == y:
        return 0.0
    scale = max(abs(x), abs(y))
    return abs(x - y) / scale if scale > 0 else math.inf


NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?")
PLACE = re.compile(r"at \(([^)]*)\)")


def comment_problems(n, a, b, tolerance, label, summary):
    """A comment line of an atlas's summary may differ in figures taken from sigma_min and
    condition (the locus threshold, the best and worst condition), within the tolerance, and
    in the place of a best or worst cell where two cells tie to the last digits (mirror cells
    of a symmetric mechanism): such places are listed, not failed."""
    if NUMBER.sub("#", a) != NUMBER.sub("#", b):
        return ["line %d (comment) differs in words:\n    %s\n    %s" % (n, a, b)]
    places_a, places_b = PLACE.findall(a), PLACE.findall(b)
    plain_a, plain_b = PLACE.sub("at ()", a), PLACE.sub("at ()", b)
    for x, y in zip(NUMBER.findall(plain_a), NUMBER.findall(plain_b)):
        if relative(x, y) > tolerance:
            return ["line %d (comment): %s against %s:\n    %s\n    %s" % (n, x, y, a, b)]
    moved = [(x, y) for x, y in zip(places_a, places_b) if x != y]
    if moved:
        summary.setdefault(label, {}).setdefault("moved", []).append(
            "line %d: at (%s) against at (%s)" % (n, moved[0][0], moved[0][1]))
    return []


def compare(new_path, base_path, tolerance, condition_limit, label, summary):
    """Problems found in one pair of dumps; the loose columns' largest differences go to
    summary[label][column]."""
    problems = []
    if not os.path.exists(new_path) or not os.path.exists(base_path):
        return [] if os.path.exists(new_path) == os.path.exists(base_path) else [
            "only one of the two wrote the dump"]
    with open(new_path) as f:
        new = f.read().splitlines()
    with open(base_path) as f:
        base = f.read().splitlines()
    if len(new) != len(base):
        return ["%d lines against %d" % (len(new), len(base))]
    header = None
    for n, (a, b) in enumerate(zip(new, base), 1):
        if a.startswith("#") or b.startswith("#"):
            if a != b:
                problems += comment_problems(n, a, b, tolerance, label, summary)
            continue
        fa, fb = a.split(","), b.split(",")
        if header is None:
            if fa != fb:
                problems.append("the column names differ")
                return problems
            header = fa
            continue
        if len(fa) != len(fb) or len(fa) != len(header):
            problems.append("line %d: field counts differ" % n)
            continue
        row = dict(zip(header, fb))
        for name, x, y in zip(header, fa, fb):
            if x == y:
                continue
            if name not in LOOSE:
                problems.append("line %d: column %s differs (%s against %s)" % (n, name, x, y))
                continue
            try:
                r = relative(x, y)
                cond = float(row.get("condition") or "inf")
            except ValueError:
                problems.append("line %d: column %s: %r against %r" % (n, name, x, y))
                continue
            worst = summary.setdefault(label, {}).setdefault(name, [0.0, 0.0, 0])
            worst[2] += 1
            if cond < condition_limit:
                worst[0] = max(worst[0], r)
                if r > tolerance:
                    problems.append("line %d: %s differs by %.3g relative at condition %.4g"
                                    % (n, name, r, cond))
            else:
                worst[1] = max(worst[1], r)
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("new")
    parser.add_argument("base")
    parser.add_argument("--tolerance", type=float, default=1e-10)
    parser.add_argument("--condition-limit", type=float, default=1e6)
    opts = parser.parse_args()
    listed = subprocess.run([opts.base, "list"], capture_output=True, text=True).stdout
    windows = [line.split("\t")[0] for line in listed.splitlines()
               if line and not line.startswith("test_")]
    failed = False
    summary = {}
    with tempfile.TemporaryDirectory() as tmp:
        for w in windows:
            slider = "HScroll2(0)=10" if w.startswith(("form_3r", "form_6r")) else "HScroll1(0)=10"
            cases = []
            for n in ("50", "2000"):
                for extra in ([], ["--T", "2"], ["--set", "Option1=1"], ["--set", slider]):
                    cases.append((["--N", n] + extra + ["--press", "run", "--dump", "d.csv"],
                                  "d.csv"))
            cases.append((["--N", "50", "--workspace", "--cells", "40", "--samples", "20000",
                           "--dump", "ws.csv"], "ws.csv"))
            for k, (args, dump) in enumerate(cases):
                pair = os.path.join(tmp, "%s-%d" % (w, k))
                run(opts.new, [w] + args, os.path.join(pair, "new"))
                run(opts.base, [w] + args, os.path.join(pair, "base"))
                label = w + (" workspace" if dump == "ws.csv" else "")
                problems = compare(os.path.join(pair, "new", dump),
                                   os.path.join(pair, "base", dump), opts.tolerance,
                                   opts.condition_limit, label, summary)
                if problems:
                    failed = True
                    print("%s %s:" % (w, " ".join(args)))
                    for p in problems[:10]:
                        print("  " + p)
    for label in sorted(summary):
        for name, value in sorted(summary[label].items()):
            if name == "moved":
                for place in value:
                    print("%-28s tie: a best or worst cell named at another place, %s"
                          % (label, place))
                continue
            below, above, count = value
            print("%-28s %-10s %6d fields differ; largest relative %.3g (condition < limit), "
                  "%.3g (beyond)" % (label, name, count, below, above))
    print("only sigma_min and condition differ, within the tolerance" if not failed
          else "differences beyond sigma_min and condition, or beyond the tolerance")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
