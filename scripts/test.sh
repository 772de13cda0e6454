#!/usr/bin/env bash
# Builds everything and runs the whole test suite with CTest; then the hardening checks:
#  - the suite again under AddressSanitizer + UndefinedBehaviorSanitizer (scripts/sanitize.sh,
#    build-asan/; incremental after the first run), unless KYN_SKIP_SANITIZE=1;
#  - in CI (CI set) or when KYN_FUZZ_SECONDS is set: ThreadSanitizer on the threaded tests and a
#    short run of every fuzz target (KYN_FUZZ_SECONDS each, default 30).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KYN_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
cd "$root"
if [[ "${KYN_SKIP_SANITIZE:-0}" != 1 ]]; then
  "$root/scripts/sanitize.sh" address
fi
if [[ -n "${CI:-}" || -n "${KYN_FUZZ_SECONDS:-}" ]]; then
  "$root/scripts/sanitize.sh" thread
  "$root/scripts/fuzz.sh" "${KYN_FUZZ_SECONDS:-30}"
fi
