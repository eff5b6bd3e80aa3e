#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build (make fuzz-build), each for a
# bounded time on a working copy of its seed corpus.
#
#   run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#
# New inputs and crash artifacts land in BUILD_DIR/fuzz-work/<target>/; the
# seed corpus in the checkout is never changed. The sanitizer options come
# from the environment (the Makefile sets them). Exits non-zero at the first
# target that finds a fault, after printing its report.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:?build directory}"
seconds="${2:?seconds per target}"
shift 2
case "$build" in
  /*) ;;
  *) build="$root/$build" ;;
esac
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  targets=(request_fuzzer description_fuzzer text_file_fuzzer qfmacro_fuzzer script_fuzzer)
fi

# Reports with file and line: clang's runtime looks for llvm-symbolizer.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
fi

for target in "${targets[@]}"; do
  program="$build/bin/$target"
  if [ ! -x "$program" ]; then
    echo "fuzz: $program is missing (make fuzz-build)" >&2
    exit 2
  fi
  work="$build/fuzz-work/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -n "$root/tests/fuzz/corpus/$target/"* "$work/corpus/" 2>/dev/null || true
  # The targets stop runaway scripts themselves (processor time, see
  # fuzz_support.h); libFuzzer's own clock is only the last resort for a
  # fuzzer running with low priority on a busy machine.
  options=(-max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=3072
           -print_final_stats=1 -artifact_prefix="$work/artifacts/")
  case "$target" in
    script_fuzzer) options+=(-timeout=600) ;;
    # No input of the others takes a second; two minutes even at the lowest
    # priority is a hang (a deadlock shows as a timeout with its stack).
    *) options+=(-timeout=120) ;;
  esac
  case "$target" in
    # The parser prints its usage text on standard output for every bad
    # command line; only the reports on standard error matter.
    qfmacro_fuzzer) options+=(-close_fd_mask=1) ;;
  esac
  log="$work/last-run.log"
  started=$(date +%s)
  if ! "$program" "${options[@]}" "$work/corpus" >"$log" 2>&1; then
    echo "fuzz: $target found a fault; report (last 60 lines of $log):" >&2
    tail -n 60 "$log" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  corpus=$(find "$work/corpus" -type f | wc -l)
  echo "fuzz: $target: ${runs:-?} executions in $(( $(date +%s) - started )) s, corpus $corpus inputs"
done
