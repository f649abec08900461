#!/usr/bin/env bash
# Installs what is missing, builds the emulator and boots the demo machine.
# Arguments are passed to the emulator (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=OFF >/dev/null
cmake --build build/run --target setup-emulator
exec build/run/emulator/setup-emulator "$@"
