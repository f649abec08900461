#!/usr/bin/env bash
# Installs what is missing, builds the driver image, packs it into our firmware volume,
# builds the loader and boots them in OVMF under QEMU; prints the loader's findings.
# --interactive shows the firmware's window and serial console instead of checking.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Host tools only pack files here, so a plain debug build of them is enough.
cmake -S . -B build/qemu-run -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=OFF >/dev/null
cmake --build build/qemu-run --target setup-qemu-loader setup-qemu-volume
exec python3 qemu/boot_test.py --level full --loader build/qemu-run/qemu/setup-qemu-loader.efi \
  --volume build/qemu-run/qemu/SetupEngine.fv --variables build/qemu-run/qemu/DemoBoard.vars \
  --strings resources/EngineStrings.tsv "$@"
