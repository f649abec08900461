#!/usr/bin/env bash
# Installs what is missing, builds everything (host code under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the UEFI driver image) and runs every test, runs the host
# tests once more in a Release build and the graphics tests once more on the plain
# per-pixel procedures alone, then builds the fuzz targets with clang and libFuzzer and
# runs each over its corpus for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The engine's parts include only their own headers and those of the parts below them
# (after install-deps: a fresh system has no python3 before it).
scripts/check-includes.py
# The one host build: scripts/run.sh and qemu/run.sh build their programs in it too.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j "$(nproc)"

# The host code optimised, as a Release build and the benchmarks have it: it must build
# warning-free and pass too, for the optimiser sees what a Debug build never warns of.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_UEFI_IMAGE=OFF
cmake --build build/release
ctest --test-dir build/release --output-on-failure -j "$(nproc)"

# The graphics library with its plain per-pixel procedures only, as a build for a processor
# without SSE2 has it.
cmake -S . -B build/portable -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON \
  -DSETUP_GRAPHICS_PORTABLE=ON -DSETUP_BUILD_UEFI_IMAGE=OFF
cmake --build build/portable --target graphics_core_tests graphics_raster_tests graphics_region_tests \
  graphics_effects_tests
for t in core/graphics_core_tests raster/graphics_raster_tests region/graphics_region_tests \
  effects/graphics_effects_tests; do
  "build/portable/graphics/$t" --gtest_brief=1
done

# SETUP_FUZZ_SECONDS sets each target's budget; the targets run side by side.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_FUZZ=ON \
  -DSETUP_BUILD_UEFI_IMAGE=OFF -DSETUP_FUZZ_SECONDS="${SETUP_FUZZ_SECONDS:-15}"
cmake --build build/fuzz --target fuzzers
ctest --test-dir build/fuzz -L fuzz --output-on-failure -j "$(nproc)"
