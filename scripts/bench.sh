#!/usr/bin/env bash
# Runs the benchmark program built in the given build directory.
set -euo pipefail
build="${1:-build-bench}"
# Three repetitions of each case; the summary table takes their median.
exec "$build/bin/qfjs_bench" --benchmark_min_time=1 --benchmark_repetitions=3 "${@:2}"
