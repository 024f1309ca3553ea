#!/bin/sh
# Installs the Debian packages kinelab needs, once: a second call finds them and does nothing.
# As root it runs apt-get itself; otherwise it prints the line to run and stops.
set -eu
packages="g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev liborocos-kdl-dev \
qt6-base-dev qt6-l10n-tools qt6-translations-l10n fonts-noto-cjk libtbb-dev pybind11-dev \
python3-dev python3-numpy python3-pytest python3-setuptools python3-wheel python3-venv \
python3-pandas python3-dask python3-distributed \
nlohmann-json3-dev liburdfdom-dev libtinyxml-dev"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "kinelab: installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
else
  echo "kinelab: missing packages. Run this, then the same command again:"
  echo "  sudo apt-get update && sudo apt-get install -y$missing"
  exit 1
fi
