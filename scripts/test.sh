#!/usr/bin/env bash
# Installs what is missing, builds everything (host code under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the UEFI driver image) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j "$(nproc)"
