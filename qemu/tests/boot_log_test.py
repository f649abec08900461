#!/usr/bin/env python3
"""The real-firmware test's reading of the console: what ends a run early and why, and
what a failed start-up must show. Runs without QEMU."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import boot_test  # noqa: E402

EXCEPTION = ("!!!! X64 Exception Type - 0E(#PF - Page-Fault)  CPU Apic ID - 00000000 !!!!\r\n"
             "ExceptionData - 0000000000000002  I:0 R:0 U:0 W:1 P:0 PK:0 SS:0 SGX:0\r\n"
             "RIP  - 000000000E6F1234, CS  - 0000000000000038, RFLAGS - 0000000000010246\r\n")
EMPTY_DRIVE = ('BdsDxe: failed to load Boot0001 "UEFI QEMU DVD-ROM QM00005 " from '
               "PciRoot(0x0)/Pci(0x1F,0x2)/Sata(0x2,0xFFFF,0x0): Not Found\r\n")
REFUSED = ('BdsDxe: failed to load Boot0002 "UEFI Misc Device" from '
           "PciRoot(0x0)/Pci(0x2,0x0): Unsupported\r\n")
LOADER = "\x1b[0m\x1b[37m\x1b[40msetup-qemu: dispatch: Success\r\nsetup-qemu: power off\r\n"


class FatalReason(unittest.TestCase):
    def test_a_processor_exception_names_its_type(self):
        self.assertEqual(boot_test.fatal_reason(LOADER + EXCEPTION),
                         "processor exception: !!!! X64 Exception Type - 0E(#PF - Page-Fault)"
                         "  CPU Apic ID - 00000000 !!!!")

    def test_a_refused_image_is_fatal_an_empty_drive_is_not(self):
        self.assertIsNone(boot_test.fatal_reason(EMPTY_DRIVE + LOADER))
        reason = boot_test.fatal_reason(EMPTY_DRIVE + REFUSED)
        self.assertTrue(reason.startswith("image refused: BdsDxe: failed to load Boot0002"), reason)
        self.assertTrue(reason.endswith(": Unsupported"), reason)

    def test_reaching_the_shell_is_fatal(self):
        self.assertIn("shell", boot_test.fatal_reason("UEFI Interactive Shell v2.2\r\n"))

    def test_only_whole_lines_count(self):
        # "Not Found" cut after "No" must not read as a refusal with status "No".
        cut = EMPTY_DRIVE.index("Not Found") + 2
        self.assertIsNone(boot_test.fatal_reason(EMPTY_DRIVE[:cut]))
        self.assertIsNone(boot_test.fatal_reason(EXCEPTION[:20]))


class RunQemu(unittest.TestCase):
    def test_an_exception_ends_the_run_long_before_the_time_limit(self):
        hang = ("import sys, time; sys.stdout.write(%r); sys.stdout.flush(); time.sleep(60)"
                % ("setup-qemu: dispatch: Success\r\n" + EXCEPTION))
        start = time.monotonic()
        code, output, reason = boot_test.run_qemu([sys.executable, "-c", hang], 50)
        self.assertLess(time.monotonic() - start, 10)
        self.assertIsNone(code)
        self.assertTrue(reason.startswith("processor exception: "), reason)
        self.assertIn("RIP  - 000000000E6F1234", output)  # what followed within the grace

    def test_a_run_that_powers_off_gives_its_exit_code(self):
        done = "import sys; sys.stdout.write(%r)" % LOADER
        code, output, reason = boot_test.run_qemu([sys.executable, "-c", done], 50)
        self.assertEqual((code, reason), (0, None))
        self.assertEqual(boot_test.loader_lines(output), ["dispatch: Success", "power off"])


class FailedStart(unittest.TestCase):
    FAILED_FOR_NO_DATA = [
        "process firmware volume: Success",
        "watching the volume's section reads: yes",
        "dispatch: Success",
        "setup data section: Not Found",
        "driver loaded from firmware file: yes",
        "file path is the firmware-file node alone: yes",
        "device handle is our volume: yes",
        "driver start-up: failed (image unloaded)",
        "driver's setup data requests: 1, found 0, last Not Found",
        "start-up failed for: no setup data",
        "boot-screen interfaces: 0, companion interfaces: 0",
        "form browsers after dispatch: 1",
        "firmware's form browser gone: no",
        "image package list: yes, GUID 58C8AA27-CFE6-4F9A-884E-567E550FBBA8",
        "package list in HII database: no",
        "power off",
    ]

    def replace(self, prefix, line):
        return [line if old.startswith(prefix) else old for old in self.FAILED_FOR_NO_DATA]

    def test_missing_setup_data_passes(self):
        self.assertEqual(boot_test.check_failed_start(self.FAILED_FOR_NO_DATA), [])

    def test_a_driver_that_failed_for_another_reason_does_not(self):
        before = self.replace("driver's setup data", "driver's setup data requests: 0")
        before = [line.replace("no setup data", "a reason before its setup data was read")
                  for line in before]
        self.assertIn("start-up failed for: no setup data", boot_test.check_failed_start(before))
        other = self.replace("driver's setup data",
                             "driver's setup data requests: 1, found 0, last Device Error")
        self.assertNotEqual(boot_test.check_failed_start(other), [])


if __name__ == "__main__":
    unittest.main()
