#!/usr/bin/env bash
# Installs what is missing, builds the driver image, packs it into our firmware volume,
# builds the loader and boots them in OVMF under QEMU.
#   qemu/run.sh                 prints the loader's findings and checks them
#   qemu/run.sh --interactive   the firmware goes on to its front page with the engine as
#                               its form browser: QEMU's window where there is a display,
#                               and the serial console in this terminal either way
#   qemu/run.sh --interactive --gpu          the same on virtio-gpu (Blt only)
#   qemu/run.sh --interactive --secure-boot  the Secure Boot firmware with signed images
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Host tools only pack files here, so a plain debug build of them is enough.
cmake -S . -B build/qemu-run -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=OFF >/dev/null
out=build/qemu-run/qemu
if [ "${1:-}" != "--interactive" ]; then
  cmake --build build/qemu-run --target setup-qemu-loader setup-qemu-volume
  exec python3 qemu/boot_test.py --level full --loader $out/setup-qemu-loader.efi \
    --volume $out/SetupEngine.fv --variables $out/DemoBoard.vars \
    --strings resources/EngineStrings.tsv "$@"
fi
shift
cmake --build build/qemu-run --target setup-qemu-loader setup-qemu-keycode setup-qemu-volume setup-qemu-signed
exec python3 qemu/boot_test.py --interactive --stay --loader $out/setup-qemu-loader.efi \
  --keycode $out/setup-qemu-keycode.efi --volume $out/SetupEngine.fv --variables $out/DemoBoard.vars \
  --signed-dir $out "$@"
