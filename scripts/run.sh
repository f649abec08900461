#!/usr/bin/env bash
# Installs what is missing, builds the emulator and boots the demo machine.
# Arguments are passed to the emulator (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."

# The firmware exports the demo machine reads by default come in a shared/ folder beside
# the checkout (for a linked worktree: beside its main checkout), as CMake finds it.
shared=$(cd .. && pwd)/shared
if [ ! -d "$shared" ] && common=$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
  [ -d "$common/../../shared" ] && shared=$(cd "$common/../../shared" && pwd)
fi

for arg in "$@"; do
  if [ "$arg" = --help ] || [ "$arg" = -h ]; then
    echo "scripts/run.sh [options]: installs what is missing (scripts/install-deps.sh), builds"
    echo "setup-emulator in build/test (the tests' build) and runs it with these options."
    echo
    sed "s|@SETUP_OVMF_DIR@|$shared/fixtures/ovmf|g" emulator/program/Usage.txt
    exit 0
  fi
done

# Without them the program stops at its default EDID file; say where they belong first.
if [ ! -d "$shared/fixtures/ovmf" ] && [[ " $* " != *" --edid "* && " $* " != *" --no-edid "* ]]; then
  echo "scripts/run.sh: no $shared/fixtures/ovmf: the demo machine starts from OVMF's exports" >&2
  echo "(EDID, variables), which come in the shared/ folder that must sit beside the checkout:" >&2
  echo "put it there (or give --edid FILE or --no-edid, and --nvram FILE)." >&2
  exit 1
fi

scripts/install-deps.sh
# The same configuration as scripts/test.sh's, so the program and the tests share one build.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON >/dev/null
cmake --build build/test --target setup-emulator
exec build/test/emulator/setup-emulator "$@"
