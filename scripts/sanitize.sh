#!/usr/bin/env bash
# Builds the test suite with sanitizers (clang) and runs it.
#
#   scripts/sanitize.sh          AddressSanitizer + UndefinedBehaviorSanitizer, the whole suite,
#                                in build-asan/ (no recovery: the first report fails the test)
#   scripts/sanitize.sh thread   ThreadSanitizer in build-tsan/, the tests that run threads: the
#                                JCAMP-DX writer's two-thread test, the
#                                conversion job tests, the command-line tests and (when the
#                                desktop program is built) its tests, whose workers hand messages
#                                and questions to the user-interface thread. Qt itself is not built
#                                with ThreadSanitizer; tests/hardening/tsan.supp says what inside
#                                its libraries is ignored.
#
# Env: KYN_JOBS parallel build jobs (default: the number of cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-address}
jobs=${KYN_JOBS:-$(nproc)}
export CXX=${CXX:-clang++}

case "$kind" in
  address)
    build=${KYN_ASAN_BUILD_DIR:-$root/build-asan}
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYN_SANITIZE=address,undefined >/dev/null
    cmake --build "$build" -j"$jobs" >/dev/null
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
    cd "$build"
    ctest --output-on-failure -j"$jobs"
    ;;
  thread)
    build=${KYN_TSAN_BUILD_DIR:-$root/build-tsan}
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYN_SANITIZE=thread >/dev/null
    app=
    if grep -q '^KYN_BUILD_APP:BOOL=ON' "$build/CMakeCache.txt"; then app=test_app; fi
    cmake --build "$build" -j"$jobs" --target kynconvert test_formats test_conversion test_cli $app >/dev/null
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/hardening/tsan.supp}
    export KYN_CLI=$build/cli/kynconvert
    "$build/tests/test_formats" --gtest_brief=1 --gtest_filter='Jcamp.TwoThreads*'
    "$build/tests/test_conversion" --gtest_brief=1
    "$build/tests/test_cli" --gtest_brief=1
    if [[ -n "$app" ]]; then
      QT_QPA_PLATFORM=offscreen "$build/tests/app/test_app" >"$build/test_app.log" 2>&1 || {
        tail -n 200 "$build/test_app.log"
        exit 1
      }
      grep '^Totals' "$build/test_app.log"
    fi
    ;;
  *)
    echo "usage: scripts/sanitize.sh [address|thread]" >&2
    exit 2
    ;;
esac
