#!/usr/bin/env bash
# Installs what is missing, builds the driver image, packs it into our firmware volume,
# builds the loader and boots them in OVMF under QEMU; prints the loader's findings.
# --interactive shows the firmware's window and serial console instead of checking.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUP_SANITIZE=OFF >/dev/null
cmake --build build/release --target setup-qemu-loader setup-qemu-volume
exec python3 qemu/boot_test.py --loader build/release/qemu/setup-qemu-loader.efi \
  --volume build/release/qemu/SetupEngine.fv "$@"
