#!/usr/bin/env bash
# Runs the example script with the command-line runner and shows where the
# built pieces are. Called by `make demo` with the build directory.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build}"
case "$build" in
  /*) ;;
  *) build="$root/$build" ;;
esac
qfjs="$build/bin/qfjs"

if [ ! -x "$qfjs" ]; then
  echo "demo: $qfjs is missing; build first (make demo does)" >&2
  exit 1
fi

run() {
  printf '$ qfjs'
  printf ' %q' "$@"
  echo
  "$qfjs" "$@"
  echo
}

cd "$root"
run examples/hello.js -p QuillFrame -p "from the demo" --json

echo "Built:"
echo "  library      $build/lib/libqfjsbinding.so"
echo "  runner       $qfjs    (qfjs SCRIPT.js [-p VALUE]... [--json])"
echo "Examples:      $root/examples"
echo "Documentation: $root/README.md and $root/docs/"
