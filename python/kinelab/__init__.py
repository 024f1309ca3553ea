"""The windows of kinelab (kinematics of spatial mechanisms), driven from Python."""
from kinelab._kinelab import *  # noqa: F401,F403  (Window, windows, the errors)
from kinelab._kinelab import __version__  # noqa: F401
