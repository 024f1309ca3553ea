"""The windows of kinelab (kinematics of spatial mechanisms), driven from Python, and design
sweeps over them (kinelab.sweep, kinelab.pareto)."""
from kinelab._kinelab import *  # noqa: F401,F403  (Window, windows, the errors)
from kinelab._kinelab import __version__  # noqa: F401

from kinelab._sweep import pareto, plot_pareto, sweep, SweepError  # noqa: F401
