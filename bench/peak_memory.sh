#!/bin/sh
# Peak memory (maximum resident set) of one default Run of every simulation window at the
# settings cap N = 200000, and the largest of them. Usage: bench/peak_memory.sh [kinelab-cli]
set -eu
cli=${1:-build/cli/kinelab-cli}
N=200000
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
largest=0
largest_window=
for w in $("$cli" list | cut -f1); do
  # The function-test windows have no Run (usage error, status 2); status 3, steps short of the
  # tolerance, is a complete Run.
  status=0
  (cd "$dir" && /usr/bin/time -v "$cli" "$w" --N "$N" --press run) >/dev/null 2>"$dir/time" ||
    status=$?
  if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then continue; fi
  kib=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$dir/time")
  secs=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/time")
  echo "$w: $kib KiB, $secs"
  if [ "$kib" -gt "$largest" ]; then largest=$kib; largest_window=$w; fi
done
echo "largest: $largest_window, $largest KiB at N = $N"
