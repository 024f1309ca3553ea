#!/bin/sh
# Configures (first time only) and builds kinelab in Release into build/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --parallel "$(nproc)"
