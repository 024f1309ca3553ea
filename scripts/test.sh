#!/bin/sh
# Installs what is missing, builds everything (benchmarks included, not run) and runs the tests;
# kinelab-cli and the catalogues are built with Make as well.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
# CMake's default generator (Make) as well, which unlike Ninja makes no output folders: the
# catalogues and one program are enough to show it.
if [ ! -f "$root/build-make/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build-make" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
        -DKINELAB_TESTS=OFF -DKINELAB_BENCH=OFF -DKINELAB_PYTHON=OFF >/dev/null
fi
cmake --build "$root/build-make" --parallel "$(nproc)" --target kinelab_qm kinelab-cli >/dev/null
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
