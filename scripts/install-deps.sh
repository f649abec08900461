#!/usr/bin/env bash
# Installs the Debian packages the build and the tests use, only those that are missing,
# printing one line per phase (apt's own output goes to a log shown only when it fails).
# - build: compilers, CMake, GoogleTest, Google Benchmark, libpng (the PNG decoder and the emulator's PNG
#   dumps), python3 (the HII cross-check tool), FreeType (the font host), the DejaVu
#   fonts (the embedded font, and the fonts the text tests use) and fontTools (cuts the
#   embedded font down to the glyphs the engine draws);
# - fuzzing: clang's runtime libraries (libFuzzer and the sanitizers of the fuzz build);
# - test oracles: cairo and pixman, against which graphics tests compare, and libjpeg-turbo,
#   the JPEG decoder's accuracy reference and benchmark peer;
# - real firmware: OVMF and QEMU, the terminal emulator that reads the firmware's serial
#   console (python3-pyte), and sbsigntool and openssl for the Secure Boot run;
# - the source tarballs of FreeType, libpng and zlib for the UEFI image, from Debian's
#   source packages, into $SETUP_THIRD_PARTY_DIR (default ~/.cache/setup-third-party), outside
#   the tree. When apt knows no source archive, a deb-src entry for Debian's main archive is
#   added (it says so).
# Installing needs root: run it as root or as a user with sudo. Once everything is there it
# runs as any user. Whatever cannot be had stops it with an error (exit status 1): every
# test needs what it installs.
set -euo pipefail
build=(build-essential cmake ninja-build pkg-config clang lld libgtest-dev libgmock-dev libbenchmark-dev
       libpng-dev python3 libfreetype-dev fonts-dejavu-core fonts-dejavu-extra python3-fonttools)
oracles=(libcairo2-dev libpixman-1-dev libjpeg62-turbo-dev)
firmware=(ovmf qemu-system-x86 python3-pyte sbsigntool openssl)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

fail() {
  echo "install-deps: error: $*" >&2
  exit 1
}

# How root's commands run: directly as root, through sudo, or not at all.
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  as_root=(no-root)
fi

# check_root <what it is for>: stops, saying what to run as root, when this user cannot
# run commands as root (called before their output goes to the log).
check_root() {
  if [ "${as_root[*]}" = no-root ]; then
    fail "$1 needs root, and this user ($(id -un)) has no sudo: run scripts/install-deps.sh as root once (or install sudo), then run this again"
  fi
}

# root <what it is for> <command...>
root() {
  check_root "$1"
  shift
  "${as_root[@]}" "$@"
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
updated=0

apt_update() {
  if [ $updated -eq 0 ]; then
    check_root "$1"
    root "$1" apt-get update -qq >"$log" 2>&1 || { cat "$log" >&2; fail "apt-get update failed"; }
    updated=1
  fi
}

# install <phase> <packages...>
install() {
  local phase=$1
  shift
  if [ $# -eq 0 ]; then
    return 0
  fi
  check_root "installing $*"
  echo "install-deps: $phase: installing $*"
  apt_update "installing $*"
  root "installing $*" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" \
    >"$log" 2>&1 || { cat "$log" >&2; fail "cannot install $* (apt's messages above)"; }
}

mapfile -t missing < <(missing_of "${build[@]}")
install build "${missing[@]}"
# libFuzzer and the sanitizer runtimes come with the clang that is installed, by its version.
clang_major=$(clang -dumpversion | cut -d. -f1)
mapfile -t missing < <(missing_of "libclang-rt-$clang_major-dev")
install fuzzing "${missing[@]}"
mapfile -t missing < <(missing_of "${oracles[@]}")
install "test oracles" "${missing[@]}"
mapfile -t missing < <(missing_of "${firmware[@]}")
install "real firmware" "${missing[@]}"

third_party=${SETUP_THIRD_PARTY_DIR:-$HOME/.cache/setup-third-party}

# A deb-src entry like the system's first deb one (its mirror and release), main only.
add_source_archive() {
  local file=/etc/apt/sources.list.d/debian-src.sources
  local uri suite
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
        grep -E '^(URIs:|deb )' | grep -v -i security | head -1 | awk '{ print $2 }' || true)
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  echo "install-deps: apt knows no source archive: adding $file (deb-src ${uri:-http://deb.debian.org/debian} $suite main)"
  printf '%s\n' "Types: deb-src" "URIs: ${uri:-http://deb.debian.org/debian}" "Suites: $suite" \
    "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" \
    | root "adding a deb-src entry to apt" tee "$file" >/dev/null
  updated=0
}

# fetch_source <package> <tarball glob> <what the UEFI image takes from it>
fetch_source() {
  if compgen -G "$third_party/$2" >/dev/null; then
    return 0
  fi
  echo "install-deps: $1 source: fetching into $third_party"
  mkdir -p "$third_party"
  # apt's lists may already hold the source package: then no root is needed.
  if ! (cd "$third_party" && apt-get source --download-only -qq "$1") >"$log" 2>&1; then
    if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      add_source_archive
    fi
    apt_update "fetching the $1 source package"
    (cd "$third_party" && apt-get source --download-only -qq "$1") >"$log" 2>&1 \
      || { cat "$log" >&2; fail "cannot fetch Debian's $1 source package, which the UEFI image needs for $3"; }
  fi
  compgen -G "$third_party/$2" >/dev/null \
    || fail "Debian's $1 source package has no $2 in $third_party; the UEFI image needs it for $3"
}

fetch_source freetype 'freetype_*.orig.tar.xz' "its font engine"
fetch_source libpng1.6 'libpng1.6_*.orig.tar.*' "its PNG decoder"
fetch_source zlib 'zlib_*.orig.tar.*' "its PNG decoder"
