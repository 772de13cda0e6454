#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again: when everything
# is already installed it only checks and returns.
# Usage: scripts/setup.sh [--bench]   (--bench adds the peers the benchmarks compare against)
set -euo pipefail

packages=(build-essential cmake g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev libx11-dev xvfb xauth imagemagick)
# clang and its runtime: the sanitizer builds and the fuzz targets (scripts/sanitize.sh, fuzz.sh).
packages+=(clang libclang-rt-14-dev)
# The Python package kyndata (python/) and its tests: pybind11 on Debian's Python, numpy, xarray,
# Dask with its distributed scheduler.
packages+=(pybind11-dev python3-dev python3-numpy python3-xarray python3-dask python3-distributed)
# The interop suite (tests/interop): Python with pandas and pytest, and JSpecView with a JDK.
packages+=(python3-pandas python3-pytest libjmol-java default-jdk-headless)
# node may already come from elsewhere (NodeSource, nvm), with its own npm: Debian's nodejs only
# when there is no node at all, and Debian's npm only for Debian's node.
if ! command -v node >/dev/null 2>&1; then
  packages+=(nodejs npm)
elif ! command -v npm >/dev/null 2>&1; then
  if dpkg-query -S "$(command -v node)" 2>/dev/null | grep -q '^nodejs:' &&
     ! dpkg-query -W -f='${Version}' nodejs 2>/dev/null | grep -q nodesource; then
    packages+=(npm)
  else
    echo "setup: $(command -v node) has no npm beside it; install the npm of that node" >&2
    exit 1
  fi
fi
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(python3-numpy python3-pandas time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if (( ${#missing[@]} )); then
  echo "setup: installing ${missing[*]}" >&2
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: must run as root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The interop suite's readers, as pinned by tests/interop/package-lock.json: installed again only
# when node_modules is missing or the lock file has changed since.
interop=$(cd "$(dirname "$0")/../tests/interop" && pwd)
stamp=$interop/node_modules/.kyn-lock-sha256
want=$(sha256sum "$interop/package-lock.json" | cut -d' ' -f1)
if [[ ! -f $stamp || $(cat "$stamp") != "$want" ]]; then
  echo "setup: installing the interop readers (npm ci in tests/interop)" >&2
  (cd "$interop" && npm ci --no-audit --no-fund --loglevel=error)
  echo "$want" > "$stamp"
fi
