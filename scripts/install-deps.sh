#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# The real-firmware boot (OVMF under QEMU) is optional: when its packages cannot be
# installed, its tests report themselves skipped and everything else still runs.
set -euo pipefail
required=(build-essential cmake ninja-build clang lld libgtest-dev libgmock-dev libbenchmark-dev
          libpng-dev zlib1g-dev libfreetype-dev libcairo2-dev libpixman-1-dev python3)
optional=(ovmf qemu-system-x86 mtools)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
updated=0
install() {
  [ $# -gt 0 ] || return 0
  if [ $updated -eq 0 ]; then $sudo apt-get update -qq; updated=1; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}

mapfile -t missing < <(missing_of "${required[@]}")
install "${missing[@]}"
mapfile -t missing < <(missing_of "${optional[@]}")
install "${missing[@]}" || echo "warning: could not install ${missing[*]}; the QEMU boot tests will be skipped" >&2
