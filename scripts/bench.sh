#!/usr/bin/env bash
# Runs the benchmark program built in the given build directory.
set -euo pipefail
build="${1:-build-bench}"
exec "$build/bin/qfjs_bench" --benchmark_min_time=1 "${@:2}"
