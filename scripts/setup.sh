#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again: when everything
# is already installed it only checks and returns.
# Usage: scripts/setup.sh [--bench]   (--bench adds the peers the benchmarks compare against)
set -euo pipefail

packages=(build-essential cmake g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev qt6-base-dev libx11-dev xvfb xauth imagemagick)
# clang and its runtime: the sanitizer builds and the fuzz targets (scripts/sanitize.sh, fuzz.sh).
packages+=(clang libclang-rt-14-dev)
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
