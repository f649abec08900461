#!/usr/bin/env bash
# Installs the Debian packages the build uses, only those that are missing, printing one
# line per phase (apt's own output goes to a log shown only when it fails).
# - build: compilers, CMake, GoogleTest, Google Benchmark, libpng (the PNG decoder and the emulator's PNG
#   dumps), python3 (the HII cross-check tool), FreeType (the font host) and the DejaVu
#   fonts (the embedded font, and the fonts the text tests use);
# - test oracles: cairo and pixman, against which graphics tests compare, and libjpeg-turbo,
#   the JPEG decoder's accuracy reference and benchmark peer; without them those tests are
#   left out;
# - real firmware: OVMF and QEMU, the terminal emulator that reads the firmware's serial
#   console (python3-pyte) and sbsigntool for the Secure Boot run; without them the boot
#   tests report themselves skipped;
# - the source tarballs of FreeType, libpng and zlib for the UEFI image, from Debian's
#   source packages, into $SETUP_THIRD_PARTY_DIR (default ~/.cache/setup-third-party), outside the tree; a deb-src
#   entry for Debian's main archive is added when apt has none.
set -euo pipefail
build=(build-essential cmake ninja-build pkg-config clang lld libgtest-dev libgmock-dev libbenchmark-dev
       libpng-dev python3 libfreetype-dev fonts-dejavu-core)
oracles=(libcairo2-dev libpixman-1-dev libjpeg62-turbo-dev)
firmware=(ovmf qemu-system-x86 python3-pyte sbsigntool)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
updated=0

# install <phase> <packages...>: false (with apt's log on stderr) when apt fails.
install() {
  local phase=$1
  shift
  if [ $# -eq 0 ]; then
    return 0
  fi
  echo "install-deps: $phase: installing $*"
  if [ $updated -eq 0 ]; then
    $sudo apt-get update -qq >"$log" 2>&1 || { cat "$log" >&2; return 1; }
    updated=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1 \
    || { cat "$log" >&2; return 1; }
}

mapfile -t missing < <(missing_of "${build[@]}")
install build "${missing[@]}"
mapfile -t missing < <(missing_of "${oracles[@]}")
install "test oracles" "${missing[@]}" \
  || echo "install-deps: warning: no ${missing[*]}; the tests that compare against them are left out" >&2
mapfile -t missing < <(missing_of "${firmware[@]}")
install "real firmware" "${missing[@]}" \
  || echo "install-deps: warning: no ${missing[*]}; the QEMU boot tests will be skipped" >&2

third_party=${SETUP_THIRD_PARTY_DIR:-$HOME/.cache/setup-third-party}

# fetch_source <package> <tarball glob>: false (with apt's log on stderr) when the
# tarball cannot be had.
fetch_source() {
  if compgen -G "$third_party/$2" >/dev/null; then
    return 0
  fi
  echo "install-deps: $1 source: fetching into $third_party"
  if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" \
      | $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    updated=0
  fi
  if [ $updated -eq 0 ]; then
    $sudo apt-get update -qq >"$log" 2>&1 || { cat "$log" >&2; return 1; }
    updated=1
  fi
  mkdir -p "$third_party"
  (cd "$third_party" && apt-get source --download-only -qq "$1") >"$log" 2>&1 \
    || { cat "$log" >&2; return 1; }
  compgen -G "$third_party/$2" >/dev/null
}

# Without a tarball the driver image is still built, without what it gives (CMake says
# so); everything else needs nothing of them.
fetch_source freetype 'freetype_*.orig.tar.xz' \
  || echo "install-deps: warning: no FreeType source tarball in $third_party; the UEFI image is built without its font engine" >&2
{ fetch_source libpng1.6 'libpng1.6_*.orig.tar.*' && fetch_source zlib 'zlib_*.orig.tar.*'; } \
  || echo "install-deps: warning: no libpng or zlib source tarball in $third_party; the UEFI image is built without its PNG decoder" >&2
