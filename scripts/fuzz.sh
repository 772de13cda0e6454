#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for the given number of seconds, one after the other (each is
# single-threaded). Starts from the seeds in fuzz/corpus/<target> (read only) and keeps what the
# fuzzer adds in build-fuzz/run/corpus/<target>, so a later run goes on from there.
#
# Usage: scripts/fuzz.sh SECONDS [TARGET...]     (all targets when none is named)
# Env:   KYN_FUZZ_BUILD_DIR  build folder (default build-fuzz); KYN_JOBS parallel build jobs
#
# Limits for every input: 3 s of time (a reader that spins is a finding), no single allocation
# above 64 MiB (a count trusted before it was checked is a finding). Any finding is saved as
# build-fuzz/run/artifacts/<target>-crash-... and the script fails. The summary (executions per
# second, corpus size, coverage) goes to build-fuzz/run/summary.txt (or KYN_FUZZ_SUMMARY).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
build=${KYN_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=("$@")

# Configuring fails when a target has no seeds (fuzz/corpus/<target>); it lists the targets, one
# per reader of the format registry and the loader's and the round trip's.
CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYN_FUZZ=ON \
  -DKYN_BUILD_TESTS=OFF -DKYN_BUILD_APP=OFF >/dev/null
if (( ${#targets[@]} == 0 )); then
  IFS=";" read -r -a targets <"$build/fuzz/targets.txt" || true
fi
cmake --build "$build" -j"${KYN_JOBS:-$(nproc)}" --target make_seeds $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

run=$build/run
mkdir -p "$run/artifacts" "$run/logs"
summary=${KYN_FUZZ_SUMMARY:-$run/summary.txt}
printf '%-16s %8s %10s %8s %8s %10s %s\n' target seconds execs exec/s cov corpus result >"$summary"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$run/corpus/$t"
  log=$run/logs/$t.log
  echo "fuzz: $t for ${seconds}s" >&2
  result=ok
  if ! "$build/fuzz/fuzz_$t" "$run/corpus/$t" "$root/fuzz/corpus/$t" \
      -max_total_time="$seconds" -timeout=3 -malloc_limit_mb=64 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$run/artifacts/$t-" >"$log" 2>&1; then
    result=FOUND
    status=1
    grep -m1 -E 'ERROR|SUMMARY|timeout|out-of-memory|malloc\(' "$log" >&2 || tail -n 20 "$log" >&2
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
  printf '%-16s %8s %10s %8s %8s %10s %s\n' "$t" "$seconds" "${execs:--}" "${rate:--}" "${cov:--}" "${corp:--}" \
    "$result" >>"$summary"
done
cat "$summary"
exit $status
