#!/usr/bin/env bash
# The demo: runs example filters with the command-line runner on
# examples/sample.png, runs the example batch over examples/ with qfmacro and
# the console host, and shows where everything went. Called by `make demo`
# with the build directory, after the build.
#
#   scripts/demo.sh [BUILD_DIR [OUTPUT_DIR]]
#
# BUILD_DIR (default build) is taken from the repository's top folder when
# relative; OUTPUT_DIR (default BUILD_DIR/demo) from the current folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build}"
case "$build" in
  /*) ;;
  *) build="$root/$build" ;;
esac
out="${2:-$build/demo}"
case "$out" in
  /*) ;;
  *) out="$PWD/$out" ;;
esac
qfjs="$build/bin/qfjs"
qfmacro="$build/bin/qfmacro"
console_host="$build/bin/QuillFrame"

if [ ! -x "$qfjs" ]; then
  echo "demo: $qfjs is missing; build first (make demo does)" >&2
  exit 1
fi
mkdir -p "$out"

run() {
  local program="$1"
  shift
  printf '$ %s' "$(basename "$program")"
  printf ' %q' "$@"
  echo
  "$program" "$@"
  echo
}

cd "$root"
run "$qfjs" examples/hello.js -p QuillFrame -p "from the demo" --json
run "$qfjs" examples/filters/invert.js -i examples/sample.png -o "$out/invert.png" --quiet
run "$qfjs" examples/filters/grayscale_v7.js -i examples/sample.png -o "$out/grayscale.png" --quiet

have_batch=no
if [ -x "$qfmacro" ] && [ -x "$console_host" ]; then
  mkdir -p "$out/batch"
  # -s no: write the outputs again on every demo run.
  run "$qfmacro" examples/batch.qfmacro -o "$out/batch" -s no
  have_batch=yes
else
  echo "demo: no console host at $console_host: the batch example is left out"
  echo
fi

echo "Outputs:"
echo "  $out/invert.png       examples/filters/invert.js (version 8) on examples/sample.png"
echo "  $out/grayscale.png    examples/filters/grayscale_v7.js (version 7) on examples/sample.png"
if [ "$have_batch" = yes ]; then
  echo "  $out/batch/           examples/batch.qfmacro: invert.js on every PNG in examples/"
fi
echo "Built:"
echo "  library      $build/lib/libqfjsbinding.so"
echo "  runner       $qfjs    (qfjs [options] SCRIPT.js; qfjs --help)"
if [ "$have_batch" = yes ]; then
  echo "  batch        $qfmacro, with the console host $console_host"
fi
echo "Examples:      $root/examples"
echo "Documentation: $root/README.md and $root/docs/ (qfjs: docs/qfjs.md)"
