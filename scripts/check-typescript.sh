#!/usr/bin/env bash
# Type-checks the script API declarations (docs/quillframe.d.ts) together with
# the example scripts (examples/**/*.js), the usage fixture of tests/typescript
# and the complete examples of docs/scripting.md, all checked as JavaScript
# in strict mode, as an editor with TypeScript checks a script author's work.
#
# TypeScript comes from the npm registry and is installed once into
# .deps/typescript (ignored by git); later runs reuse it. Without npm (or
# node) on PATH the check fails: it must never pass without having run.
#
# Usage: scripts/check-typescript.sh [tsc options...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="$root/.deps/typescript"
major=5
tsc_js="$prefix/node_modules/typescript/bin/tsc"
config="$root/tests/typescript/tsconfig.json"

fail() {
  echo "check-typescript: $*" >&2
  exit 1
}

command -v node >/dev/null 2>&1 ||
  fail "node is not on PATH; install Node.js (with npm) to check the script declarations"

installed_major() {
  [ -f "$prefix/node_modules/typescript/package.json" ] || return 1
  node -e 'process.stdout.write(String(require(process.argv[1]).version).split(".")[0])' \
    "$prefix/node_modules/typescript/package.json"
}

# Test runs in several build folders may start at once: one installs, the
# others wait for it and then find TypeScript in place.
mkdir -p "$root/.deps"
exec 9>"$root/.deps/typescript.lock"
flock 9

if [ "$(installed_major 2>/dev/null || true)" != "$major" ]; then
  command -v npm >/dev/null 2>&1 ||
    fail "npm is not on PATH; install Node.js with npm so that TypeScript can be installed from the npm registry"
  echo "check-typescript: installing TypeScript $major from the npm registry into .deps/typescript"
  # Installed beside the final folder and moved into place when complete, so
  # an interrupted install is never taken for a finished one.
  staging="$(mktemp -d "$root/.deps/typescript.install.XXXXXX")"
  trap 'rm -rf "$staging"' EXIT
  npm install --prefix "$staging" --no-audit --no-fund --loglevel=error "typescript@$major" >&2 ||
    fail "npm could not install typescript@$major from the registry"
  rm -rf "$prefix"
  mv "$staging" "$prefix"
  trap - EXIT
fi
flock -u 9

[ -f "$tsc_js" ] || fail "TypeScript is missing from .deps/typescript after the install"

# The complete scripts of the guide's "Examples" section are checked as
# well, so that the guide and the declarations cannot drift apart.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
guide_examples="$(node "$root/tests/typescript/extract_guide_examples.cjs" "$root/docs/scripting.md" "$work")"
cat >"$work/tsconfig.json" <<JSON
{
  "extends": "$config",
  "files": ["$root/docs/quillframe.d.ts"],
  "include": ["$root/examples/**/*.js", "$root/tests/typescript/api-usage.js", "$work/*.js"]
}
JSON

echo "check-typescript: $(node "$tsc_js" --version) on docs/quillframe.d.ts, the example scripts and the guide's examples"
# --listFiles names every file of the checked program (after any error
# messages); the count of example scripts among them shows that the check
# did not pass for want of scripts to check.
status=0
output="$(cd "$root" && node "$tsc_js" --project "$work/tsconfig.json" --pretty false --listFiles "$@" 2>&1)" ||
  status=$?
listed="$(printf '%s\n' "$output" | grep -E '^/.*\.(js|ts)$' || true)"
printf '%s\n' "$output" | grep -vE '^/.*\.(js|ts)$' || true
examples="$(printf '%s\n' "$listed" | grep -c "^$root/examples/.*\.js$" || true)"
echo "check-typescript: checked $examples example scripts and $guide_examples examples of docs/scripting.md"
[ "$status" -eq 0 ] || fail "tsc found type errors (status $status)"
[ "$examples" -gt 0 ] || fail "no example script was checked"
[ "$guide_examples" -gt 0 ] || fail "docs/scripting.md has no examples to check"
echo "check-typescript: no type errors"
