"""A metric the sweep tests import by name (kinelab's "python" metrics): the point's a, after
noting the call and, once per marker file, killing the worker process that runs it."""
import os
import signal


def a_and_maybe_die(window, values):
    calls = os.environ.get("KINELAB_SWEEP_CALLS")
    if calls:
        with open(calls, "a") as f:
            f.write(f"{values['a']!r} {values['Text2(0)']!r}\n")
    marker = os.environ.get("KINELAB_SWEEP_DIE_ONCE")
    if marker:
        try:
            os.close(os.open(marker, os.O_CREAT | os.O_EXCL | os.O_WRONLY))
        except FileExistsError:
            pass
        else:
            os.kill(os.getpid(), signal.SIGKILL)
    return values["a"]


def die_at_two(window, values):
    """The point whose length is 2 kills its worker process every time it runs."""
    if values["length"] == 2:
        os.kill(os.getpid(), signal.SIGKILL)
    return values["length"] * 10
