#!/usr/bin/env python3
"""Which joint radii give the Stewart platform the largest well-conditioned workspace?
examples/stewart_sweep.json sweeps the base joints' radius and the platform joints' radius of the
built-in Stewart inverse window (20 x 20 geometries, a 100 x 100 atlas each, legs from 1.6 to
2.6) and this prints and plots the Pareto front of reachable area against worst condition.

From the top of the source tree, after building (sh scripts/build.sh):

    PYTHONPATH=build/python /usr/bin/python3 examples/stewart_sweep.py pareto.png

runs on a local Dask cluster of one process per core; `--scheduler tcp://HOST:8786` runs on an
existing Dask cluster instead (its workers import the same kinelab). `--workers K` sets the
local cluster's size. The plot needs matplotlib (apt-get install python3-matplotlib); without it
the script prints the front only. Give a file name to save the plot rather than show it.
"""
import argparse
import os

import kinelab


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("plot", nargs="?", help="save the plot to this file")
    parser.add_argument("--scheduler", help="a Dask scheduler's address (tcp://host:8786)")
    parser.add_argument("--workers", type=int, help="processes of the local cluster")
    args = parser.parse_args()

    df = kinelab.sweep(os.path.join(here, "stewart_sweep.json"), scheduler=args.scheduler,
                       workers=args.workers)
    front = kinelab.pareto(df, {"area": "max", "worst_condition": "min"})
    print(f"{len(df)} geometries, {int(df['area'].gt(0).sum())} with a reachable workspace; "
          f"{len(front)} on the Pareto front:")
    print(front[["base_radius", "platform_radius", "area", "worst_condition"]]
          .sort_values("area").to_string(index=False))

    try:
        import matplotlib
    except ImportError:
        print("no plot: matplotlib is not installed (apt-get install python3-matplotlib)")
        return
    if args.plot:
        matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    ax = kinelab.plot_pareto(df, "area", "worst_condition")
    ax.set_title("Stewart platform: joint radii swept")
    ax.set_xlabel("reachable area at z = 1.5 (legs 1.6 to 2.6)")
    ax.set_ylabel("worst condition number")
    if args.plot:
        plt.savefig(args.plot, dpi=100)
    else:
        plt.show()


# The local cluster's workers are new processes that import this script: the sweep runs only in
# the one started from the command line.
if __name__ == "__main__":
    main()
