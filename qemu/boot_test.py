#!/usr/bin/env python3
"""Boots OVMF under QEMU with our loader and firmware volume on a FAT disk, and checks
what the loader prints on the serial console.

Exit codes: 0 pass, 1 fail, 77 skipped (QEMU or OVMF not installed).
"""
import argparse
import os
import re
import selectors
import shutil
import subprocess
import sys
import tempfile
import time

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
OVMF_VARS = "/usr/share/OVMF/OVMF_VARS_4M.fd"
# Debian's Secure Boot firmware with its snakeoil test key enrolled.
SNAKEOIL_CODE = "/usr/share/OVMF/OVMF_CODE_4M.snakeoil.fd"
SNAKEOIL_VARS = "/usr/share/OVMF/OVMF_VARS_4M.snakeoil.fd"
PREFIX = "setup-qemu: "
SKIP = 77

# What must be printed, by how far the driver has come; each level includes the ones before.
# "dispatched": the firmware took our volume and loaded the driver from its firmware file.
# "hii": the firmware installed the image's package list and the entry point registered it.
# "started": the entry point succeeded and the driver stayed resident.
# "full": setup data readable, interfaces on one handle, one form browser, strings.
EXPECTED = {
    "dispatched": [
        "DXE services table: yes",
        r"re:board variables: [1-9]\d* seeded, 0 already present, file read whole$",
        r"read \SetupEngine.fv: Success",
        "volume with a broken file checksum: Volume Corrupt",
        "process firmware volume: Success",
        "volume device path: Fv(",
        "volume handle named by the volume's own name: yes",
        "watching the volume's section reads: yes",
        "dispatch: Success",
        "driver loaded from firmware file: yes",
        "file path is the firmware-file node alone: yes",
        "device handle is our volume: yes",
        "power off",
    ],
    "hii": ["image package list: yes", "package list in HII database: yes"],
    "started": ["driver start-up: Success (image resident)"],
    "full": [
        "setup data section: Success",
        r"re:driver's setup data requests: [1-9]\d*, found [1-9]",
        "boot-screen interfaces: 1, companion interfaces: 1",
        "one handle with boot screen, form browser and companion: yes",
        "form browsers after dispatch: 1",
        "firmware's form browser gone: yes",
        "result: PASS",
    ],
}
LEVELS = ["dispatched", "hii", "started", "full"]

# A volume without the setup data: start-up must fail for that reason (the driver asked for
# its setup data, was told there is none, and was unloaded), and nothing of the engine may
# stay behind (its code and data are gone with the image).
FAILED_START = [
    "process firmware volume: Success",
    "watching the volume's section reads: yes",
    "dispatch: Success",
    "setup data section: Not Found",
    "driver loaded from firmware file: yes",
    "file path is the firmware-file node alone: yes",
    "device handle is our volume: yes",
    "driver start-up: failed (image unloaded)",
    r"re:driver's setup data requests: [1-9]\d*, found 0, last Not Found$",
    "start-up failed for: no setup data",
    "boot-screen interfaces: 0, companion interfaces: 0",
    "form browsers after dispatch: 1",
    "firmware's form browser gone: no",
    "image package list: yes",
    "package list in HII database: no",
    "power off",
]


# What the firmware prints when the run can no longer come to the loader's "power off":
# a processor exception (the firmware then halts) or a boot option whose image it refused
# (it then falls through to other options and the shell). "Not Found" is the answer for an
# empty drive, not a refusal.
EXCEPTION = re.compile(r"!!!! (X64|IA32) Exception Type - .*")
REFUSED = re.compile(r'BdsDxe: failed to load Boot\w+ ".*" from .*: ([^:]+)$')
SHELL = "UEFI Interactive Shell"
# Output that follows an exception (registers, the image the fault lies in) is worth waiting
# for a moment.
FATAL_GRACE_S = 2.0
LOG_TAIL = 40


def console_lines(output):
    """The console's lines, with escape sequences and CRs removed."""
    text = re.sub(r"\x1b\[[0-9;=?]*[A-Za-z]", "\n", output).replace("\r", "")
    return [line for line in text.split("\n") if line.strip()]


def fatal_reason(output):
    """The first line of the console that shows the run has gone wrong, with its kind. Only
    whole lines count: the output may end in the middle of one."""
    for line in console_lines(output[: output.rfind("\n") + 1]):
        exception = EXCEPTION.search(line)
        if exception:
            return "processor exception: " + exception.group(0).strip()
        refused = REFUSED.search(line)
        if refused and refused.group(1).strip() != "Not Found":
            return "image refused: " + refused.group(0).strip()
        if SHELL in line:
            return "the firmware went on to its shell: the loader did not switch the machine off"
    return None


def run_qemu(cmd, timeout):
    """Runs QEMU until it exits, the time limit passes or the console shows a fatal line.
    Returns (exit code or None, console output, failure reason or None)."""
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    chunks, reason, stop_at = [], None, time.monotonic() + timeout
    with selectors.DefaultSelector() as sel:
        sel.register(proc.stdout, selectors.EVENT_READ)
        while True:
            if time.monotonic() >= stop_at:
                reason = reason or f"QEMU did not power off within {timeout} s"
                break
            if not sel.select(timeout=0.2):
                continue
            data = os.read(proc.stdout.fileno(), 65536)
            if not data:
                break  # QEMU closed its output: it has exited
            chunks.append(data)
            if reason is None:
                reason = fatal_reason(b"".join(chunks).decode("utf-8", "replace"))
                if reason is not None:
                    stop_at = min(stop_at, time.monotonic() + FATAL_GRACE_S)
    if proc.poll() is None:
        proc.kill()
    code = proc.wait()
    proc.stdout.close()
    return (None if reason else code), b"".join(chunks).decode("utf-8", "replace"), reason


def print_failure(reason, output):
    print(f"FAIL: {reason}")
    tail = console_lines(output)[-LOG_TAIL:]
    print(f"--- last {len(tail)} lines of the firmware's console ---")
    print("\n".join(tail))


def qemu_command(disk, vars_copy, interactive, code=OVMF_CODE, monitor=True):
    """QEMU's command line; without `monitor`, the caller attaches its own (QMP)."""
    cmd = [
        "qemu-system-x86_64", "-machine", "q35", "-m", "256", "-no-reboot",
        "-drive", f"if=pflash,format=raw,readonly=on,file={code}",
        "-drive", f"if=pflash,format=raw,file={vars_copy}",
        "-drive", f"file=fat:{disk},format=raw,if=virtio,readonly=on",
        "-nic", "none",
    ]
    if interactive:
        # The firmware's window where there is a display; its console here in any case.
        window = [] if os.environ.get("DISPLAY") else ["-display", "none"]
        return cmd + window + ["-serial", "mon:stdio"]
    return cmd + ["-display", "none", "-serial", "stdio"] + (["-monitor", "none"] if monitor else [])


def make_disk(root, loader, volume, variables):
    boot = os.path.join(root, "EFI", "BOOT")
    os.makedirs(boot)
    shutil.copyfile(loader, os.path.join(boot, "BOOTX64.EFI"))
    shutil.copyfile(volume, os.path.join(root, "SetupEngine.fv"))
    if variables:
        shutil.copyfile(variables, os.path.join(root, "SetupEngine.vars"))


def loader_lines(output):
    """The loader's lines, with the console's escape sequences and CRs removed."""
    text = re.sub(r"\x1b\[[0-9;=?]*[A-Za-z]", "", output).replace("\r", "")
    return [line[line.index(PREFIX) + len(PREFIX):].strip()
            for line in text.split("\n") if PREFIX in line]


def read_strings(path):
    """{(id, language): text} from the engine's string table; texts with escapes are left
    out, since the console cannot show them on one line."""
    table, languages = {}, []
    with open(path, encoding="utf-8") as f:
        for raw in f:
            row = raw.rstrip("\n").split("\t")
            if raw.startswith("# id\t"):
                languages = row[3:-1]
            if raw.startswith("#") or len(row) < 3 + len(languages):
                continue
            for i, language in enumerate(languages):
                if "\\" not in row[3 + i]:
                    table[(int(row[0]), language)] = row[3 + i]
    return table


def check_strings(lines, table):
    """The strings read through the firmware's HII database must be the engine's own."""
    failures, shown = [], 0
    for line in lines:
        m = re.match(r'string (\d+) \(([A-Za-z-]+)\): "(.*)"$', line)
        if not m:
            continue
        shown += 1
        key = (int(m.group(1)), m.group(2))
        if table is not None and key in table and table[key] != m.group(3):
            failures.append(f'string {key[0]} ({key[1]}) "{table[key]}", not "{m.group(3)}"')
        if table is not None and key not in table:
            failures.append(f"string {key[0]} ({key[1]}) that the engine's table does not hold")
    if shown == 0:
        failures.append('string <id> (<language>): "<text>"')
    return failures


def present(expected, lines):
    """A line starts with `expected`, or matches it when it is written "re:<pattern>"."""
    if expected.startswith("re:"):
        return any(re.match(expected[3:], line) for line in lines)
    return any(line.startswith(expected) for line in lines)


def check(lines, level, table=None):
    failures = []
    for name in LEVELS[: LEVELS.index(level) + 1]:
        for expected in EXPECTED[name]:
            if not present(expected, lines):
                failures.append(expected)
    if level == "full":
        failures += check_strings(lines, table)
    return failures


def check_failed_start(lines):
    return [expected for expected in FAILED_START if not present(expected, lines)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--loader", required=True)
    ap.add_argument("--volume", required=True)
    ap.add_argument("--variables", help="the board's variables, seeded by the loader")
    ap.add_argument("--level", choices=LEVELS + ["failed-start"], default="full")
    ap.add_argument("--timeout", type=int, default=120)
    ap.add_argument("--strings", help="the engine's string table, to compare the strings read")
    ap.add_argument("--interactive", action="store_true",
                    help="show the firmware's window and console, check nothing")
    ap.add_argument("--stay", action="store_true",
                    help="the firmware goes on to its front page instead of switching off")
    ap.add_argument("--gpu", action="store_true", help="virtio-gpu (Blt only) instead of VGA")
    ap.add_argument("--secure-boot", action="store_true",
                    help="the snakeoil Secure Boot firmware, with the signed images of --signed-dir")
    ap.add_argument("--signed-dir", help="where the build put the signed images")
    args = ap.parse_args()
    if args.secure_boot:
        signed = args.signed_dir or os.path.dirname(args.loader)
        args.loader = os.path.join(signed, "setup-qemu-loader.signed.efi")
        args.volume = os.path.join(signed, "SetupEngineSigned.fv")

    code, variables = (SNAKEOIL_CODE, SNAKEOIL_VARS) if args.secure_boot else (OVMF_CODE, OVMF_VARS)
    if shutil.which("qemu-system-x86_64") is None or not os.path.exists(code):
        print("SKIP: qemu-system-x86_64 or OVMF is not installed")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="setup-qemu-") as tmp:
        disk = os.path.join(tmp, "disk")
        make_disk(disk, args.loader, args.volume, args.variables)
        if args.stay:
            open(os.path.join(disk, "SetupEngine.stay"), "wb").close()
        vars_copy = os.path.join(tmp, "vars.fd")
        shutil.copyfile(variables, vars_copy)
        cmd = qemu_command(disk, vars_copy, args.interactive, code)
        if args.gpu:
            cmd += ["-vga", "none", "-device", "virtio-gpu-pci"]
        if args.interactive:
            return subprocess.call(cmd)
        code, output, reason = run_qemu(cmd, args.timeout)
    lines = loader_lines(output)
    if lines:
        print("\n".join(PREFIX + line for line in lines))
    if reason is not None:
        print_failure(reason, output)
        return 1
    if code != 0:
        print_failure(f"QEMU exited with {code}", output)
        return 1
    table = read_strings(args.strings) if args.strings else None
    if args.level == "failed-start":
        failures = check_failed_start(lines)
    else:
        reached = [level for level in LEVELS if not check(lines, level, table)]
        print("highest level reached: " + (reached[-1] if reached else "none"))
        failures = check(lines, args.level, table)
    for f in failures:
        print(f"FAIL: missing '{f}'")
    if failures:
        print_failure(f"level '{args.level}' not reached", output)
    print(f"checked level '{args.level}': " + ("PASS" if not failures else "FAIL"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
