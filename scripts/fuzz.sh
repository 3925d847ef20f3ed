#!/usr/bin/env bash
# Builds the libFuzzer targets (clang++, ASan + UBSan) in build-fuzz and runs each for a bounded
# time: scripts/fuzz.sh [SECONDS_PER_TARGET, default 10] [TARGET...]
# Each target starts from its seed corpus in tests/fuzz/corpus/<target>/ plus what earlier runs
# found (kept in build-fuzz/corpus/<target>/). A crash, leak, hang or broken property fails the
# script; the input that did it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
build=$PWD/build-fuzz  # absolute: a target may change its current directory

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DQUILLMERE_GUI=OFF -DQUILLMERE_TESTS=OFF -DQUILLMERE_FUZZ=ON >/dev/null
if (($#)); then
  targets=("$@")
else
  mapfile -t targets < <(ninja -C "$build" -t targets all | sed -n 's/^\(fuzz_[a-z_]*\): .*/\1/p' | sort -u)
fi
if ! out=$(ninja -C "$build" -j "$(nproc)" "${targets[@]}" 2>&1); then
  echo "$out"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
  seeds=$PWD/tests/fuzz/corpus/$target
  work=$build/corpus/$target
  log=$build/$target.log
  mkdir -p "$work"
  # Every run of the merge target writes a folder tree to disk: short lists keep it quick.
  max_len=65536
  [ "$target" = fuzz_merge ] && max_len=4096
  # -timeout: one input that runs for seconds is a hang; -rss_limit_mb: one that eats memory.
  if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$work" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    printf '%-28s %10s executions in %ss, corpus %s files\n' "$target" "${runs:-?}" "$seconds" \
      "$(find "$work" -type f | wc -l)"
  else
    status=1
    echo "== $target FAILED; log $log"
    grep -v '^#' "$log" | tail -n 40
  fi
done
exit $status
