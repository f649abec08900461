#!/usr/bin/env python3
"""Boots OVMF under QEMU with our loader, lets the firmware go on to its own front page
with the engine as its form browser, and walks the engine's pages with keys typed
through QMP. What the engine drew is read back from the serial terminal (through a
terminal emulator) and checked against the OVMF export of the same form sets.

Exit codes: 0 pass, 1 fail, 77 skipped (QEMU, OVMF or python3-pyte not installed).
"""
import argparse
import os
import re
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boot_test  # noqa: E402
import hii_export  # noqa: E402
import qemu_session  # noqa: E402

SKIP = 77
SNAKEOIL_CODE = "/usr/share/OVMF/OVMF_CODE_4M.snakeoil.fd"
SNAKEOIL_VARS = "/usr/share/OVMF/OVMF_VARS_4M.snakeoil.fd"

# The form set that Device Manager lists for OVMF's platform driver, and the one the
# setup's pages show first.
PLATFORM_FORM_SET = "7235C51C-0C80-4CAB-87AC-3B084A6304B1"
FIRST_FORM_SET = "5DAF50A5-EA81-4DE2-8F9B-CABDA9CF5C14"

BOOT_LIMIT_S = 60        # from QEMU's start to the engine's first page
KEY_LIMIT_S = 8          # from a key to the screen it brings
MAX_TAB_STEPS = 12       # Right presses tried to reach a form set's page
# A prompt cut to the page's prompt column still names it when this long.
MIN_PROMPT_PREFIX = 12
# Markers the engine draws before a row: the focus and sub-page arrows.
ROW_MARKERS = "►>"


class CheckFailed(Exception):
    pass


def body_rows(lines):
    """The page's left pane: the rows under the tab strip, cut before the help pane (the
    column where most rows' right-hand text starts)."""
    starts = {}
    for line in lines[2:]:
        for m in re.finditer(r"\S   +(?=\S)", line):
            column = m.end()
            if column >= 30:
                starts[column] = starts.get(column, 0) + 1
    help_column = max(starts, key=starts.get) if starts else 1000
    return [line[:help_column].rstrip() for line in lines[2:]]


def row_items(rows):
    """Each row's text without its markers, and each row joined with the rows after it
    (a long prompt wraps), with the index of the first row."""
    clean = [row.strip().lstrip(ROW_MARKERS).strip() for row in rows]
    items = []
    for i, text in enumerate(clean):
        if not text:
            continue
        joined = text
        items.append((i, joined))
        for more in clean[i + 1:i + 3]:
            if not more:
                break
            joined += " " + more
            items.append((i, joined))
    return items


def matches(prompt, text):
    """The prompt drawn whole (a wrapped prompt joined), or cut to the prompt column, or
    with its value beside it."""
    if text == prompt or text.startswith(prompt + " "):
        return True
    return len(text) >= MIN_PROMPT_PREFIX and prompt.startswith(text)


def prompts_in_order(rows, prompts):
    """The prompts missing from the rows, or shown out of order."""
    items, missing, at = row_items(rows), [], -1
    for prompt in prompts:
        found = [i for i, text in items if i > at and matches(prompt, text)]
        if not found:
            missing.append(prompt)
            continue
        at = found[0]
    return missing


def value_beside(rows, prompt, options):
    """The value drawn on the prompt's row (None when none is drawn); a value that is not
    one of the export's options fails."""
    for row in rows:
        text = row.strip().lstrip(ROW_MARKERS).strip()
        cut = re.split(r"\s{2,}", text, maxsplit=1)
        if len(cut) == 2 and matches(prompt, cut[0]):
            value = cut[1].strip("[] ")
            if value not in options:
                raise CheckFailed(f"'{prompt}' shows '{value}', not one of the export's options")
            return value
    return None


class SetupRun:
    def __init__(self, session, form_sets, out_dir):
        self.session = session
        self.form_sets = form_sets
        self.out_dir = out_dir
        self.log = []

    def note(self, text):
        self.log.append(text)
        print(text, flush=True)

    def fail(self, text):
        raise CheckFailed(text)

    def wait_for_pages(self):
        titles = [f.title for f in self.form_sets.values()]
        if not self.session.wait_until(
                lambda s: any(t in line for line in s.lines()[:3] for t in titles), BOOT_LIMIT_S):
            self.fail(f"no page of the engine within {BOOT_LIMIT_S} s")
        self.session.wait_quiet(1.0)

    def tab_titles(self):
        """The form-set titles the tab strip names, in order."""
        strip = " ".join(self.session.lines()[:2])
        found = [(strip.find(f.title), f.title) for f in self.form_sets.values()
                 if f.title and strip.find(f.title) >= 0]
        return [title for _, title in sorted(set(found))]

    def check_front_page(self):
        tabs = self.tab_titles()
        self.note(f"front page tabs from the export: {tabs}")
        if len(tabs) < 2:
            self.fail("the front page's tab strip names fewer than two form sets of the export")
        first = self.form_sets[FIRST_FORM_SET]
        if tabs[0] != first.title:
            self.fail(f"the first tab is '{tabs[0]}', not '{first.title}'")
        rows = body_rows(self.session.lines())
        missing = prompts_in_order(rows, first.forms[0].prompts(shown_only=True))
        if missing:
            self.fail(f"'{first.title}' page lacks {missing}")
        self.note(f"front page: '{first.title}' with {first.forms[0].prompts(shown_only=True)}")

    def press(self, key):
        self.session.key(key)
        time.sleep(0.2)
        self.session.wait_quiet(0.8, KEY_LIMIT_S)

    def open_form_set(self, guid):
        """Steps right through the tabs until the form set's first form shows."""
        form = self.form_sets[guid].forms[0]
        for _ in range(MAX_TAB_STEPS):
            if not prompts_in_order(body_rows(self.session.lines()), form.prompts(shown_only=True)):
                return form
            self.press("right")
        self.fail(f"no page showed '{self.form_sets[guid].title}' after {MAX_TAB_STEPS} Right keys")

    def check_platform_page(self):
        form = self.open_form_set(PLATFORM_FORM_SET)
        rows = body_rows(self.session.lines())
        self.note(f"Device Manager form set '{self.form_sets[PLATFORM_FORM_SET].title}': "
                  f"{form.prompts()}")
        for statement in form.statements:
            if statement.options:
                value = value_beside(rows, statement.prompt, statement.options)
                self.note(f"value of '{statement.prompt}': "
                          + (value if value is not None else "(none drawn)"))
        path = os.path.join(self.out_dir, "platform-page.png")
        self.session.screendump(path)
        self.note(f"screendump: {path}")

    def check_escape(self):
        before = len(self.session.output())
        self.press("esc")
        # Leaving the front page hands control back to the boot manager, which starts
        # the loader (already done: back to the firmware) and then its menu again.
        if not self.session.wait_until(
                lambda s: "driver dispatched already" in s.output()[before:]
                or boot_test.fatal_reason(s.output()[before:]) is not None, 30, settle=0.2):
            self.fail("Esc did not return to the firmware within 30 s")
        reason = boot_test.fatal_reason(self.session.output()[before:])
        if reason is not None:
            self.fail(f"after Esc: {reason}")
        self.note("Esc: back to the firmware's boot manager")


def print_screen(session):
    lines = session.lines()
    print(f"--- the screen ({len(lines)} rows) ---")
    print("\n".join(lines))


def run(args, form_sets, disk, vars_copy, code):
    cmd = boot_test.qemu_command(disk, vars_copy, False, code, monitor=False)
    if args.gpu:
        cmd += ["-vga", "none", "-device", "virtio-gpu-pci"]
    with tempfile.TemporaryDirectory(prefix="setup-qmp-") as qmp_dir:
        session = qemu_session.QemuSession(cmd, qmp_dir)
        run = SetupRun(session, form_sets, args.out)
        try:
            if args.expect_refusal:
                return expect_refusal(session)
            if not session.wait_until(lambda s: "back to the firmware" in s.output()
                                      or boot_test.fatal_reason(s.output()), BOOT_LIMIT_S):
                raise CheckFailed("the loader did not hand back to the firmware")
            reason = boot_test.fatal_reason(session.output())
            if reason:
                raise CheckFailed(reason)
            run.wait_for_pages()
            run.check_front_page()
            run.check_platform_page()
            if args.escape:
                run.check_escape()
        except CheckFailed as failure:
            print(f"FAIL: {failure}")
            print_screen(session)
            return 1
        finally:
            session.stop()
            with open(os.path.join(args.out, "console.log"), "wb") as f:
                f.write(bytes(session.raw))
    print("PASS")
    return 0


def expect_refusal(session):
    """Secure Boot with an unsigned loader: the firmware must refuse it, and the run says
    so as soon as the firmware does."""
    if not session.wait_until(lambda s: boot_test.fatal_reason(s.output()) is not None
                              or "loader started" in s.output(), BOOT_LIMIT_S, settle=0.1):
        raise CheckFailed("neither refused nor started")
    reason = boot_test.fatal_reason(session.output()) or ""
    if "setup-qemu: loader started" in session.output():
        raise CheckFailed("Secure Boot started the unsigned loader")
    if "Access Denied" not in reason and "Security Violation" not in reason:
        raise CheckFailed(f"the loader was not refused for its signature: {reason}")
    print(f"refused as expected: {reason}")
    return 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--loader", required=True)
    ap.add_argument("--keycode", required=True, help="the key-code adapter driver image")
    ap.add_argument("--volume", required=True)
    ap.add_argument("--variables")
    ap.add_argument("--hiidump", required=True)
    ap.add_argument("--export", required=True, help="the OVMF HII database export")
    ap.add_argument("--out", required=True, help="folder for the screendump and console log")
    ap.add_argument("--secure-boot", action="store_true", help="the snakeoil Secure Boot firmware")
    ap.add_argument("--expect-refusal", action="store_true",
                    help="the loader is unsigned: Secure Boot must refuse it")
    ap.add_argument("--gpu", action="store_true", help="virtio-gpu (Blt only) instead of VGA")
    ap.add_argument("--escape", action="store_true", help="check that Esc returns to the firmware")
    args = ap.parse_args()

    code, variables = (SNAKEOIL_CODE, SNAKEOIL_VARS) if args.secure_boot else \
        (boot_test.OVMF_CODE, boot_test.OVMF_VARS)
    if shutil.which("qemu-system-x86_64") is None or not os.path.exists(code):
        print("SKIP: qemu-system-x86_64 or OVMF is not installed")
        return SKIP
    if qemu_session.pyte is None:
        print("SKIP: python3-pyte is not installed")
        return SKIP
    form_sets = hii_export.read_export(args.hiidump, args.export)
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="setup-qemu-") as tmp:
        disk = os.path.join(tmp, "disk")
        boot_test.make_disk(disk, args.loader, args.volume, args.variables)
        shutil.copyfile(args.keycode, os.path.join(disk, "SetupKeyCode.efi"))
        open(os.path.join(disk, "SetupEngine.stay"), "w").close()
        vars_copy = os.path.join(tmp, "vars.fd")
        shutil.copyfile(variables, vars_copy)
        return run(args, form_sets, disk, vars_copy, code)


if __name__ == "__main__":
    sys.exit(main())
