#!/usr/bin/env bash
# Installs what the build needs and does nothing when everything is present.
#
# Debian packages come from apt. V8 comes from Debian's libnode108/libnode-dev,
# which conflict with the machine's Node.js package, so they are downloaded and
# unpacked with dpkg -x into .deps/v8 inside the checkout instead of installed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
v8dir="$root/.deps/v8"

packages=(
  cmake g++ make pkg-config
  libicu-dev libicu72
  libboost1.74-dev libboost-filesystem1.74-dev libboost-system1.74-dev
  picojson-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpng-dev zlib1g-dev
  libuv1 libc-ares2 libnghttp2-14 libbrotli1 libssl3 zlib1g
  # make fuzz and make test-asan: clang with libFuzzer and the sanitizer
  # runtimes; llvm-14 brings llvm-symbolizer for readable reports.
  clang libclang-rt-14-dev llvm-14
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

missing=()
for p in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done

updated=0
apt_update() {
  if [ "$updated" -eq 0 ]; then
    echo "install-deps: refreshing package lists"
    $SUDO apt-get update -qq
    updated=1
  fi
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A fresh machine may have empty package lists: refresh them when a package
  # cannot be found, then try once more.
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi

if [ ! -e "$v8dir/usr/lib/x86_64-linux-gnu/libnode.so.108" ] || [ ! -e "$v8dir/usr/include/node/v8.h" ]; then
  echo "install-deps: fetching V8 (libnode108, libnode-dev) into .deps/v8"
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  chmod 755 "$tmp"
  fetch() { (cd "$tmp" && apt-get download -q libnode108 libnode-dev >/dev/null 2>&1); }
  if ! fetch; then
    apt_update
    (cd "$tmp" && apt-get download -q libnode108 libnode-dev)
  fi
  rm -rf "$v8dir"
  mkdir -p "$v8dir"
  for deb in "$tmp"/*.deb; do
    dpkg -x "$deb" "$v8dir"
  done
fi
