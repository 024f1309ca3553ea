"""python3 -m kinelab sweep FILE [--out CSV] [--scheduler ADDRESS] [--workers K] [--resume CSV]

The sweep of kinelab-cli --sweep (which hands its arguments over to this). Without --out the
CSV goes to standard output once the sweep is done; with --out it is written as points finish
(unsorted) and sorted at the end, so that --resume CSV can take up an interrupted sweep
(--resume alone writes back into the file it resumes). A progress bar goes to stderr when it is
a terminal; on a pipe, nothing but the CSV and errors.

Exit status: 0 every point ran; 1 the CSV is complete but some points failed (their rows say
why); 2 a usage error or a description refused (FILE:LINE: KEY: why); 4 Python lacks what a
sweep needs (pandas, Dask's distributed); 130 interrupted (what was written can be resumed).
"""
import csv
import sys

USAGE = ("usage: kinelab-cli --sweep FILE [--out CSV] [--scheduler ADDRESS] [--workers K] "
         "[--resume CSV]\n")
EXIT_OK, EXIT_FAILED_POINTS, EXIT_USAGE, EXIT_MISSING, EXIT_INTERRUPTED = 0, 1, 2, 4, 130


def _usage(why):
    sys.stderr.write(f"kinelab-cli: {why}\n{USAGE}")
    return EXIT_USAGE


def sweep_main(args):
    if not args:
        return _usage("--sweep needs a description file")
    file, options = args[0], {"--out": None, "--scheduler": None, "--workers": None,
                              "--resume": None}
    k = 1
    while k < len(args):
        if args[k] not in options:
            return _usage(f"unknown option of --sweep: {args[k]}")
        if k + 1 >= len(args):
            return _usage(f"missing value after {args[k]}")
        options[args[k]] = args[k + 1]
        k += 2
    workers = options["--workers"]
    if workers is not None:
        if not workers.isdigit() or int(workers) < 1:
            return _usage(f"--workers takes a whole number from 1 up: {workers}")
        workers = int(workers)
    out = options["--out"] or options["--resume"]
    for module, package in (("pandas", "python3-pandas"), ("distributed", "python3-distributed")):
        try:
            __import__(module)
        except ImportError:
            sys.stderr.write(f"kinelab-cli: --sweep needs the Python module {module} for "
                             f"{sys.executable} (Debian: apt-get install {package})\n")
            return EXIT_MISSING

    from kinelab._description import SweepError, read_description
    from kinelab._sweep import execute, _header_line

    try:
        plan = read_description(file)
        columns, lines = execute(plan, options["--scheduler"], workers, out, options["--resume"])
    except SweepError as e:
        sys.stderr.write(f"kinelab-cli: {e}\n")
        return EXIT_USAGE
    except OSError as e:
        sys.stderr.write(f"kinelab-cli: {e}\n")
        return EXIT_USAGE
    except KeyboardInterrupt:
        sys.stderr.write("kinelab-cli: interrupted" +
                         (f"; --resume {out} takes it up\n" if out else "\n"))
        return EXIT_INTERRUPTED
    if out is None:
        sys.stdout.write(_header_line(columns) + "".join(lines))
        sys.stdout.flush()
    failed = any(row[-2] == "failed" for row in csv.reader(lines))
    return EXIT_FAILED_POINTS if failed else EXIT_OK


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if not argv or argv[0] != "sweep":
        sys.stderr.write("usage: python3 -m kinelab sweep FILE [--out CSV] [--scheduler ADDRESS] "
                         "[--workers K] [--resume CSV]\n")
        return EXIT_USAGE
    return sweep_main(argv[1:])


if __name__ == "__main__":
    sys.exit(main())
