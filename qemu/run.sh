#!/usr/bin/env bash
# Installs what is missing, builds the driver image, packs it into our firmware volume,
# builds the loader and boots them in OVMF under QEMU (see usage below).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  cat <<'TEXT'
usage: qemu/run.sh [--interactive] [--gpu] [--secure-boot] [boot_test.py options]
Installs what is missing (scripts/install-deps.sh), builds the driver image, packs it into
our firmware volume, builds the loader and boots them in OVMF under QEMU.
  (no option)      prints the loader's findings on the serial console and checks them
  --interactive    the firmware goes on to its front page with the engine as its form
                   browser: QEMU's window where there is a display, and the serial
                   console in this terminal either way (leave QEMU with Ctrl-A X)
  --gpu            on virtio-gpu, whose graphics output has Blt only
  --secure-boot    the snakeoil Secure Boot firmware, with the images the build signed
  --timeout SECONDS, --level dispatched|hii|started|full
                   for the checked run: its time limit and how far the driver must get
  --help           this text
TEXT
}

interactive=0
secure_boot=0
pass=()
for arg in "$@"; do
  case "$arg" in
    --help | -h) usage; exit 0 ;;
    --interactive) interactive=1 ;;
    --secure-boot) secure_boot=1; pass+=("$arg") ;;
    *) pass+=("$arg") ;;
  esac
done

scripts/install-deps.sh
# The tests' build (scripts/test.sh configures it the same way): its host tools only pack
# files here, and the images are built alike in every build type.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON >/dev/null
out=build/test/qemu
targets=(setup-qemu-loader setup-qemu-volume)
if [ $secure_boot -eq 1 ]; then
  targets+=(setup-qemu-signed)
  pass+=(--signed-dir "$out")
fi
cmake --build build/test --target "${targets[@]}"
common=(--loader "$out/setup-qemu-loader.efi" --volume "$out/SetupEngine.fv" --variables "$out/DemoBoard.vars")
if [ $interactive -eq 0 ]; then
  exec python3 qemu/boot_test.py --level full "${common[@]}" --strings resources/EngineStrings.tsv "${pass[@]}"
fi
exec python3 qemu/boot_test.py --interactive --stay "${common[@]}" "${pass[@]}"
