#!/usr/bin/env bash
# Installs what is missing, builds everything (host code under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the UEFI driver image) and runs every test, then builds
# the fuzz targets with clang and libFuzzer and runs each over its corpus for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j "$(nproc)"

# SETUP_FUZZ_SECONDS sets each target's budget; the targets run side by side.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_FUZZ=ON \
  -DSETUP_BUILD_UEFI_IMAGE=OFF -DSETUP_FUZZ_SECONDS="${SETUP_FUZZ_SECONDS:-15}"
cmake --build build/fuzz --target fuzzers
ctest --test-dir build/fuzz -L fuzz --output-on-failure -j "$(nproc)"
