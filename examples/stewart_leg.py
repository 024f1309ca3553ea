#!/usr/bin/env python3
"""The Stewart platform's forward window from Python: leg 1 is driven from 2.1 to 3.0 while the
others go from 2 to 3, and its length, rate and acceleration are plotted.

From the top of the source tree, after building (sh scripts/build.sh):

    PYTHONPATH=build/python /usr/bin/python3 examples/stewart_leg.py

The plot needs matplotlib (apt-get install python3-matplotlib); without it the script prints
the figures instead. Give a file name (stewart_leg.png) to save the plot rather than show it.
"""
import sys

import kinelab

w = kinelab.Window("form_stewart_jun", N=200, T=2.0)
w["Text9(0)"] = 2.1  # start of leg 1
w["Text10(0)"] = 3.0  # stop of leg 1
w.run()  # result.dat is written only when asked: w.run(result_file="result.dat")
if w.status:
    print(w.status)

leg = w.arrays["the1"]  # (N + 1, 3): length, rate, acceleration per step
t = [i * w.T / w.N for i in range(w.N + 1)]
print(f"leg 1: {leg[0, 0]:.6f} -> {leg[-1, 0]:.6f}, peak rate {abs(leg[:, 1]).max():.6f} per s, "
      f"peak acceleration {abs(leg[:, 2]).max():.6f} per s²")
print("platform centre at the end:", w.arrays["pp"][-1, :, 0])
print("Newton-Raphson iterations per step, at most:", w.solver["iterations"].max())

try:
    import matplotlib
except ImportError:
    print("no plot: matplotlib is not installed (apt-get install python3-matplotlib)")
    sys.exit(0)
if len(sys.argv) > 1:
    matplotlib.use("Agg")
import matplotlib.pyplot as plt

fig, axes = plt.subplots(3, 1, sharex=True, figsize=(6, 7))
for ax, column, label in zip(axes, range(3), ["length", "rate (per s)", "acceleration (per s²)"]):
    ax.plot(t, leg[:, column])
    ax.set_ylabel(label)
axes[0].set_title("form_stewart_jun: leg 1")
axes[-1].set_xlabel("time (s)")
fig.tight_layout()
if len(sys.argv) > 1:
    fig.savefig(sys.argv[1])
else:
    plt.show()
