#!/bin/sh
# Installs what is missing, builds, and starts the desktop program.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [ -x "$root/build/gui/kinelab" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
    exec "$root/build/gui/kinelab" "$@"
  fi
  echo "kinelab: no display here (DISPLAY is not set), so the desktop program cannot open."
fi
echo "kinelab: the headless driver works without a display, for example:"
echo "  $root/build/cli/kinelab-cli list"
echo "  $root/build/cli/kinelab-cli form_3r_jun --press run --print Text4"
exec "$root/build/cli/kinelab-cli" list
