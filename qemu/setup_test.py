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
import subprocess
import tempfile
import time
import uuid

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmm_walk  # noqa: E402
import device_walk  # noqa: E402
import boot_test  # noqa: E402
import callback_walks  # noqa: E402
import console_walks  # noqa: E402
import hii_export  # noqa: E402
import own_browser  # noqa: E402
import parity_walks  # noqa: E402
import language_walks  # noqa: E402,F401  (adds its walks to parity_walks.WALKS)
import system_lines_walks  # noqa: E402,F401  (the same)
import qemu_session  # noqa: E402

SKIP = 77

# The form set that Device Manager lists for OVMF's platform driver, and its package list.
PLATFORM_FORM_SET = "7235C51C-0C80-4CAB-87AC-3B084A6304B1"
PLATFORM_LIST = "D9DCC5DF-4007-435E-9098-8970935504B2"
# OVMF's front page: its package list is published only while the firmware's menu runs, so
# the export does not hold it; these are the firmware's own texts.
FRONT_PAGE_TITLE = "Front Page"
FRONT_PAGE_PROMPTS = ["Device Manager", "Boot Manager", "Boot Maintenance Manager", "Continue", "Reset"]
DEVICE_MANAGER_TITLE = "Device Manager"
DEVICE_MANAGER_PROMPTS = ["Secure Boot Configuration", "OVMF Platform Configuration"]
# What OVMF's drivers put on their pages when the forms open.
SECURE_BOOT_STATE = "Current Secure Boot State"
BOOT_SHELL = "EFI Internal Shell"
# The platform form's exit items and the action requests its driver answers them with.
# Nothing changed, "Commit" writes nothing and leaves, as in OVMF's own browser (a changed
# value its store refuses is parity_walks.py's commit walk).
EXIT_ITEMS = {"commit": ("Commit Changes and Exit", 4), "discard": ("Discard Changes and Exit", 5)}
# The driver loaded from files (--driver-file): what the loader must print.
PREFIX_RESULT = "setup-qemu: result: "
DRIVER_FILE_LINES = [
    "unsigned driver file \\SetupEngineUnsigned.efi: load Access Denied",
    "driver file \\SetupEngineDxe.efi: load Success",
    "driver file's device is a disk, not a volume: yes",
    "driver file start-up: Success (image resident)",
    "one handle with boot screen, form browser and companion: yes",
    "form browsers after dispatch: 1",
    "firmware's form browser gone: yes",
    "image package list: yes",
    "package list in HII database: yes",
    "result: PASS",
]
FOCUS_STEPS = 10         # rows the focus is moved looking for an item

BOOT_LIMIT_S = 60        # from QEMU's start to the engine's first page
EMULATOR_TAB_STEPS = 12  # Right presses tried in the emulator to reach the same form set
KEY_LIMIT_S = 8          # from a key to the screen it brings
# A prompt cut to the page's prompt column still names it when this long.
MIN_PROMPT_PREFIX = 12
# Markers the engine draws before a row: the focus and sub-page arrows.
ROW_MARKERS = "►>"


class CheckFailed(Exception):
    pass


def png_pixels(path):
    """Width, height and a pixel reader of an 8-bit RGB or RGBA PNG (a QEMU screendump)."""
    import struct
    import zlib
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height, channels = 8, b"", 0, 0, 3
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour not in (2, 6):
                raise CheckFailed(f"screendump {path}: PNG of depth {depth}, colour type {colour}")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append(line)
        previous = line
    return width, height, lambda x, y: tuple(rows[y][x * channels:x * channels + 3])


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


def prompt_part(row):
    """A row's text before its value column (two or more blanks), without markers."""
    return re.split(r"\s{2,}", row.strip().lstrip(ROW_MARKERS).strip(), maxsplit=1)[0]


def row_items(rows):
    """Each row's prompt text, and each joined with the rows after it (a long prompt
    wraps), with the index of the first row."""
    clean = [prompt_part(row) for row in rows]
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


def prompt_value(row):
    """The text right of the prompt column of a row of body_rows."""
    parts = re.split(r"\s{2,}", row.strip().lstrip(ROW_MARKERS).strip(), maxsplit=1)
    return parts[1].strip() if len(parts) > 1 else ""


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
    def __init__(self, session, form_sets, args):
        self.session = session
        self.form_sets = form_sets
        self.args = args
        self.out_dir = args.out
        self.log = []

    def note(self, text):
        self.log.append(text)
        print(text, flush=True)

    def fail(self, text):
        raise CheckFailed(text)

    def press(self, key):
        self.session.key(key)
        time.sleep(0.2)
        self.session.wait_quiet(0.8, KEY_LIMIT_S)

    def wait_for_page(self, title, prompts, what):
        """Waits for a page whose tab strip names `title` and whose rows show `prompts`."""
        def shown(s):
            return title in " ".join(s.lines()[:2]) and not prompts_in_order(body_rows(s.lines()), prompts)
        if not self.session.wait_until(shown, BOOT_LIMIT_S, settle=0.5):
            reason = boot_test.fatal_reason(self.session.output())
            self.fail(reason or f"no page of {what} within {BOOT_LIMIT_S} s")
        return body_rows(self.session.lines())

    def esc_to_page(self, title, prompts, what):
        """Esc, then the page `title`. The browser must not have been left on the way: the
        firmware's boot manager would start the loader again and then its menu."""
        mark = len(self.session.output())
        self.press("esc")
        rows = self.wait_for_page(title, prompts, what)
        if parity_walks.RESTARTED in self.session.output()[mark:]:
            self.fail(f"{what}: the browser was left and the loader started again")
        return rows

    def check_secure_boot(self, expected):
        wanted = "setup-qemu: secure boot: " + ("on" if expected else "off")
        if not self.session.wait_until(lambda s: "setup-qemu: secure boot: " in s.output()
                                       or boot_test.fatal_reason(s.output()), BOOT_LIMIT_S, settle=0.1):
            self.fail("the loader did not start")
        if wanted not in self.session.output():
            self.fail(f"the loader did not print '{wanted}'")
        self.note(wanted[len("setup-qemu: "):])

    def check_driver_file(self):
        """The driver loaded from files of the disk instead of dispatched from our volume:
        Secure Boot refuses the unsigned image, and the signed one starts with the setup data
        its image carries and takes the firmware's form browser's place."""
        if not self.session.wait_until(lambda s: PREFIX_RESULT in s.output() or boot_test.fatal_reason(s.output()),
                                       BOOT_LIMIT_S, settle=0.1):
            self.fail(boot_test.fatal_reason(self.session.output()) or "the loader reported no result")
        lines = boot_test.loader_lines(self.session.output())
        missing = [want for want in DRIVER_FILE_LINES if not any(line.startswith(want) for line in lines)]
        if missing:
            self.fail(f"loading the driver from files: missing {missing}; the loader said {lines}")
        for want in DRIVER_FILE_LINES[:4]:
            self.note(want)

    def check_platform_form_set(self):
        """The form set a driver of Device Manager shows through SendForm: its title, prompts
        and values as the export holds them."""
        form_set = self.form_sets[PLATFORM_FORM_SET]
        form = form_set.forms[0]
        rows = self.wait_for_page(form_set.title, form.prompts(shown_only=True), f"'{form_set.title}'")
        self.note(f"Device Manager form set '{form_set.title}': {form.prompts()}")
        for statement in form.statements:
            if statement.options:
                value = value_beside(rows, statement.prompt, statement.options)
                if value is None:
                    self.fail(f"no value drawn beside '{statement.prompt}'")
                self.note(f"value of '{statement.prompt}': {value}")
        self.screendump("device-manager-form-set.png")
        if self.args.emulator:
            self.compare_with_emulator(rows, form.prompts(shown_only=True))
        mark = len(self.session.output())
        self.press("esc")
        if not self.session.wait_until(
                lambda s: re.search(r"send form of " + PLATFORM_LIST + r": Success",
                                    s.output()[mark:]), KEY_LIMIT_S, settle=0.1):
            self.fail("Esc did not end the driver's SendForm with success")
        self.note("Esc: SendForm returned to its caller")

    def compare_with_emulator(self, rows, prompts):
        """The prompt column must read the same in the emulator; values are not compared,
        since OVMF's platform driver answers from the display it runs on and the emulator
        from the export's variables."""
        lines = self.session.lines()
        columns = 100 if max(len(line) for line in lines) > 80 else 80
        with tempfile.TemporaryDirectory(prefix="setup-emulator-") as workdir:
            emulated = emulator_page(self.args, prompts, columns, 31 if columns == 100 else 25, workdir)
        ours = [prompt_part(row) for row in rows if prompt_part(row)]
        theirs = [prompt_part(row) for row in emulated if prompt_part(row)]
        if ours != theirs:
            self.fail(f"the prompt column differs from the emulator's: QEMU {ours}, emulator {theirs}")
        self.note(f"same prompt column in the emulator ({columns} columns): {ours}")

    def check_front_page(self):
        self.wait_for_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the firmware's front page")
        self.note(f"front page: {FRONT_PAGE_PROMPTS}")
        self.screendump("front-page.png")

    def check_device_manager(self):
        """The front page's Device Manager is a goto into a form set the firmware's menu
        publishes but does not hand to SendForm: the engine follows it, and Esc comes back."""
        form_set = self.form_sets[PLATFORM_FORM_SET]
        self.press("down")
        self.press("enter")
        self.wait_for_page(DEVICE_MANAGER_TITLE, [form_set.title], "Device Manager")
        self.note(f"Device Manager lists '{form_set.title}'")
        self.screendump("device-manager.png")
        self.esc_to_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
        self.note("Esc: back to the front page")

    def check_escape(self):
        mark = len(self.session.output())
        self.press("esc")
        # Leaving the front page hands control back to the boot manager, which starts the
        # loader again (already done: back to the firmware) and then its menu.
        if not self.session.wait_until(
                lambda s: "driver dispatched already" in s.output()[mark:]
                or boot_test.fatal_reason(s.output()[mark:]) is not None, 30, settle=0.1):
            self.fail("Esc on the front page did not return to the firmware within 30 s")
        reason = boot_test.fatal_reason(self.session.output()[mark:])
        if reason is not None:
            self.fail(f"after Esc: {reason}")
        self.note("Esc: back to the firmware's boot manager")

    def check_post(self, mode):
        """The POST flow run through the driver's boot-screen interface: F2 opens setup and
        Esc leaves it for the boot loop, F8 opens the boot menu and Enter boots its first
        entry, or the time-out runs out; each ends in a boot: the disk's loader again (it
        names the option it was started as) or the shell of the firmware's volume."""
        if not self.session.wait_until(lambda s: "setup-qemu: POST flow: started" in s.output()
                                       or boot_test.fatal_reason(s.output()), BOOT_LIMIT_S, settle=0.1):
            self.fail("the loader did not run the POST flow")
        self.note("POST flow started")
        started = len(self.session.output())
        if mode != "timeout":
            self.check_logo()
        if mode in ("setup", "prompt"):
            if mode == "prompt":
                console_walks.check_post_prompt(self, sys.modules[__name__])   # F2 from the serial console
            else:
                self.session.key("f2")
            if not self.session.wait_until(lambda s: "Setup Utility" in " ".join(s.lines()[:2]), BOOT_LIMIT_S, settle=0.5):
                self.fail("F2 at the power-on screen opened no setup page")
            self.screendump("post-setup.png")
            self.note("F2: setup shows")
            self.press("esc")
        elif mode in ("menu", "device"):
            self.session.key("f8")
            if not self.session.wait_until(lambda s: "Please select boot device" in "\n".join(s.lines()),
                                           BOOT_LIMIT_S, settle=0.5):
                self.fail("F8 at the power-on screen opened no boot menu")
            self.screendump("post-menu.png")
            self.note("F8: the boot menu shows")
            if mode == "device":
                self.check_device_option(started)
                return
            self.press("enter")
        booted = None
        deadline = time.time() + BOOT_LIMIT_S
        while time.time() < deadline and booted is None:
            after = self.session.output()[started:]
            lines = boot_test.loader_lines(after)
            booted = next((f"the disk's loader, {line}" for line in lines if line.startswith("BootCurrent: ")), None)
            if booted is None and "UEFI Interactive Shell" in after:
                booted = "the shell of the firmware's volume"
            if booted is None and FRONT_PAGE_TITLE in " ".join(self.session.lines()[:2]):
                self.press("esc")            # an application option (the firmware's menu) came first
            time.sleep(0.5)
        if booted is None:
            self.fail(boot_test.fatal_reason(self.session.output()) or "the boot loop booted no option")
        self.note(f"the boot loop booted {booted}")

    def check_device_option(self, started):
        """Enter on "UEFI Misc Device", an option whose path names the disk and no file: it
        boots the disk's removable-media file (the loader, which names the option) at once,
        without the firmware's front page in between."""
        found = re.search(r'Boot([0-9A-F]{4}) "UEFI Misc Device"', self.session.output())
        if found is None:
            self.fail("the firmware named no \"UEFI Misc Device\" option")
        number = int(found.group(1), 16)
        if not self.session.wait_until(lambda s: any("UEFI Misc Device" in line for line in s.lines()), KEY_LIMIT_S,
                                       settle=0.2):
            self.fail("the boot menu lists no \"UEFI Misc Device\"")
        row = next(line for line in self.session.lines() if "UEFI Misc Device" in line)
        for _ in range(8):
            if self.focused_menu_entry() == "UEFI Misc Device":
                break
            self.press("down")
        if self.focused_menu_entry() != "UEFI Misc Device":
            self.fail(f"the boot menu's focus never reached \"UEFI Misc Device\" ({row.strip()})")
        mark = len(self.session.output())
        self.press("enter")
        front_page = []

        # The loader returns to the firmware, whose menu then shows: only a front page
        # before the loader's line means the option did not boot.
        def done(s):
            if any(line.startswith("BootCurrent: ") for line in boot_test.loader_lines(s.output()[mark:])):
                return True
            if FRONT_PAGE_TITLE in " ".join(s.lines()[:2]):
                front_page.append(True)
                return True
            return boot_test.fatal_reason(s.output()[mark:]) is not None
        if not self.session.wait_until(done, BOOT_LIMIT_S, settle=0.1):
            self.fail("Enter on \"UEFI Misc Device\" booted nothing")
        if front_page:
            self.screendump("post-device-front-page.png")
            self.fail("Enter on \"UEFI Misc Device\" showed the firmware's front page instead of booting it")
        reason = boot_test.fatal_reason(self.session.output()[mark:])
        if reason is not None:
            self.fail(f"after Enter on \"UEFI Misc Device\": {reason}")
        current = next(line for line in boot_test.loader_lines(self.session.output()[mark:])
                       if line.startswith("BootCurrent: "))
        if current != f"BootCurrent: {number:#x}":
            self.fail(f"the loader was started as {current[13:]}, not as Boot{number:04X} \"UEFI Misc Device\"")
        self.note(f"\"UEFI Misc Device\" booted the disk's loader as Boot{number:04X}")

    def focused_menu_entry(self):
        """The boot menu's entry drawn in the focus colours (a black background inside the
        blue box), None when none is."""
        with self.session.lock:
            screen = self.session.screen
            for y in range(len(screen.display)):
                text = screen.display[y]
                for x, char in enumerate(text):
                    cell = screen.buffer[y][x]
                    if char.strip() and cell.bg in ("black", "default") and x > 0 and \
                            screen.buffer[y][x - 1].bg not in ("black", "default") and "Please" not in text:
                        return text[x:].split("  ")[0].strip()
        return None

    def check_logo(self):
        """The board's logo, centred at 38.2 % of the screen's height on black."""
        time.sleep(2)
        self.screendump("post-logo.png")
        width, height, pixel = png_pixels(os.path.join(self.out_dir, "post-logo.png"))
        centre, corner = pixel(width // 2, height * 382 // 1000), pixel(8, 8)
        if sum(centre) < 200 or sum(corner) != 0:
            self.fail(f"no logo on the {width}x{height} screen: centre {centre}, corner {corner}")
        self.note(f"the logo shows on the {width}x{height} screen")

    def check_platform_exit_item(self, prompt, request):
        """Enter on one of the platform form's exit items: the driver asks for a form exit,
        which from the first form SendForm shows ends SendForm with that request."""
        form_set = self.form_sets[PLATFORM_FORM_SET]
        self.wait_for_page(form_set.title, form_set.forms[0].prompts(shown_only=True), f"'{form_set.title}'")
        mark = len(self.session.output())
        self.focus_on(prompt)
        self.press("enter")
        pattern = r"send form of " + PLATFORM_LIST + r": ([^,\r\n]+), action request (\d+)"
        ended = self.session.wait_until(lambda s: re.search(pattern, s.output()[mark:]), KEY_LIMIT_S, settle=0.1)
        if request is None:
            # OVMF's platform driver cannot store this setting (its own browser says "Submit
            # Fail"): a store that refuses keeps the user on the form, and Esc then leaves.
            if ended:
                self.fail(f"'{prompt}' ended SendForm although its store refused the values")
            self.wait_for_page(form_set.title, [prompt], f"'{form_set.title}' after '{prompt}'")
            self.note(f"'{prompt}': the store refused, the form stays")
            self.screendump("platform-form-after-commit.png")
            self.press("esc")
            request = 0
            ended = self.session.wait_until(lambda s: re.search(pattern, s.output()[mark:]), KEY_LIMIT_S, settle=0.1)
        if not ended:
            self.fail(f"'{prompt}' did not end the driver's SendForm")
        status, got = re.search(pattern, self.session.output()[mark:]).groups()
        self.note(f"'{prompt}': SendForm returned {status}, action request {got}")
        if int(got) != request:
            self.fail(f"'{prompt}' ended SendForm with action request {got}, not {request}")

    def focused_row(self):
        """The left-pane text of the row drawn with the focus colours (bright on the
        highlight), None when no row is. Text rows are drawn dark grey on the same
        highlight, which the terminal also shows as bold (bright black): not the focus."""
        with self.session.lock:
            screen = self.session.screen
            for y in range(2, len(screen.display)):
                text = screen.display[y]
                start = len(text) - len(text.lstrip(" " + ROW_MARKERS))
                if start >= len(text.rstrip()) or start > 40:
                    continue
                cell = screen.buffer[y][start]
                if cell.bold and cell.bg == "white" and cell.fg != "black":
                    return prompt_part(text)
        return None

    def focus_on(self, prompt):
        """Moves the focus down, then up, until it is on the row that reads `prompt`."""
        for key in ["down"] * FOCUS_STEPS + ["up"] * (2 * FOCUS_STEPS):
            if self.focused_row() == prompt:
                return
            self.press(key)
        self.fail(f"no focus on '{prompt}' (focused: {self.focused_row()!r})")

    def open_item(self, prompt, page_title, prompts, what):
        self.focus_on(prompt)
        self.press("enter")
        return self.wait_for_page(page_title, prompts, what)

    def check_pages_drivers_fill(self):
        """The pages OVMF's drivers fill when their forms open (the Secure Boot state, Boot
        Manager's options), and Device Manager opened a second time with Enter."""
        self.open_item("Device Manager", DEVICE_MANAGER_TITLE, DEVICE_MANAGER_PROMPTS, "Device Manager")
        self.esc_to_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
        self.open_item("Device Manager", DEVICE_MANAGER_TITLE, DEVICE_MANAGER_PROMPTS, "Device Manager a second time")
        self.note("Enter opens Device Manager a second time")
        rows = self.open_item("Secure Boot Configuration", "Secure Boot Configuration", [SECURE_BOOT_STATE],
                              "Secure Boot Configuration")
        # The prompt may wrap; its first row carries the value.
        state = [prompt_value(row) for row in rows
                 if len(prompt_part(row)) >= MIN_PROMPT_PREFIX and SECURE_BOOT_STATE.startswith(prompt_part(row))]
        if not state or not state[0]:
            self.fail(f"'{SECURE_BOOT_STATE}' has no value: {rows}")
        self.note(f"{SECURE_BOOT_STATE}: {state[0]}")
        self.screendump("secure-boot-configuration.png")
        self.esc_to_page(DEVICE_MANAGER_TITLE, DEVICE_MANAGER_PROMPTS, "Device Manager after Esc")
        self.esc_to_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
        rows = self.open_item("Boot Manager", "Boot Manager", [], "Boot Manager")
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text(), KEY_LIMIT_S, settle=0.3):
            self.fail(f"Boot Manager lists no '{BOOT_SHELL}': {body_rows(self.session.lines())}")
        self.note(f"Boot Manager: {[prompt_part(r) for r in body_rows(self.session.lines()) if prompt_part(r)]}")
        self.screendump("boot-manager.png")
        self.esc_to_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")

    def screendump(self, name):
        path = os.path.join(self.out_dir, name)
        self.session.screendump(path)
        self.note(f"screendump: {path}")


def emulator_page(args, prompts, columns, rows, workdir):
    """The left pane of the emulator's page that shows `prompts`: the same export parsed by
    setup-emulator on a console of the same size, entered with F2 at its power-on screen and
    stepped right tab by tab."""
    screen, nvram = os.path.join(workdir, "emulator.txt"), os.path.join(workdir, "nvram.bin")
    for rights in range(1, EMULATOR_TAB_STEPS + 1):
        cmd = [args.emulator, "--hii-export", args.export, "--no-console-control", "--no-nvram-save",
               "--nvram", nvram, "--no-terminal", "--text-mode", f"{columns}x{rows}",
               "--keys", ",".join(["F2"] + ["Right"] * rights), "--save-screen", screen]
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if not os.path.exists(screen):
            raise CheckFailed("setup-emulator saved no screen")
        with open(screen, encoding="utf-8") as f:
            body = body_rows([line.rstrip() for line in f])
        if not prompts_in_order(body, prompts):
            return body
    raise CheckFailed(f"the emulator showed no page with {prompts}")


def print_screen(session):
    lines = session.lines()
    print(f"--- the screen ({len(lines)} rows) ---")
    print("\n".join(lines))


def run(args, form_sets, disk, vars_copy, code):
    # A walk compared with OVMF's own browser takes the same keys there first.
    args.own = None
    if args.walk in parity_walks.OWN_WALKS:
        try:
            args.own = own_browser.run(parity_walks.OWN_WALKS[args.walk], args.out)
        except own_browser.OwnBrowserFailed as failure:
            print(f"FAIL: OVMF's own browser: {failure}")
            return 1
    cmd = boot_test.qemu_command(disk, vars_copy, False, code, monitor=False)
    if args.gpu:
        cmd += ["-vga", "none", "-device", "virtio-gpu-pci"]
    with tempfile.TemporaryDirectory(prefix="setup-qmp-") as qmp_dir:
        session = qemu_session.QemuSession(cmd, qmp_dir)
        run = SetupRun(session, form_sets, args)
        try:
            if args.expect_refusal:
                return expect_refusal(session)
            run.check_secure_boot(args.secure_boot)
            if args.driver_file:
                run.check_driver_file()
                run.check_front_page()
                run.check_device_manager()
                run.check_escape()
                print("PASS")
                return 0
            if args.post:
                run.check_post(args.post)
                print("PASS")
                return 0
            if args.walk in EXIT_ITEMS:
                run.check_platform_exit_item(*EXIT_ITEMS[args.walk])
            elif args.walk in parity_walks.PLATFORM_WALKS:
                parity_walks.PLATFORM_WALKS[args.walk](parity_walks.Walks(run, sys.modules[__name__]))
            else:
                run.check_platform_form_set()
            run.check_front_page()
            if args.walk in parity_walks.WALKS:
                parity_walks.WALKS[args.walk](parity_walks.Walks(run, sys.modules[__name__]))
            elif args.walk in console_walks.WALKS:
                console_walks.WALKS[args.walk](console_walks.ConsoleWalks(run, sys.modules[__name__]))
            elif args.walk == "pages":
                run.check_pages_drivers_fill()
            else:
                run.check_device_manager()
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


# The walks run twice, through OVMF's own browser and through the engine's.
TWICE_WALKS = {"parity_bmm_pages": bmm_walk.BmmWalk, "parity_device_pages": device_walk.DeviceWalk}


def run_twice(args, form_sets, disk, variables, code, tmp):
    """A walk of OVMF's pages, first through OVMF's own browser and then through the
    engine's, each on a fresh copy of the variables and the same disk (the same boot
    options): what OVMF's own shows is the expected result."""
    this = sys.modules[__name__]
    walk = TWICE_WALKS[args.walk]
    try:
        own = own_browser.run(lambda browser: walk(browser, this, True).walk(), args.out,
                              disk=disk, qemu_args=bmm_walk.BOOT_MENU_TIMEOUT)
    except own_browser.OwnBrowserFailed as failure:
        print(f"FAIL: {failure}")
        return 1
    vars_copy = os.path.join(tmp, "vars.fd")
    shutil.copyfile(variables, vars_copy)
    cmd = boot_test.qemu_command(disk, vars_copy, False, code, monitor=False) + bmm_walk.BOOT_MENU_TIMEOUT
    with tempfile.TemporaryDirectory(prefix="setup-qmp-") as qmp_dir:
        session = qemu_session.QemuSession(cmd, qmp_dir)
        try:
            ours = walk(SetupRun(session, form_sets, args), this, False).walk()
        except CheckFailed as failure:
            print(f"FAIL: {failure}")
            print_screen(session)
            return 1
        finally:
            session.stop()
            with open(os.path.join(args.out, "console.log"), "wb") as f:
                f.write(bytes(session.raw))
    differences = bmm_walk.compare(own, ours)
    for difference in differences:
        print(f"FAIL: {difference}")
    if differences:
        return 1
    print("the same pages and values as through OVMF's own browser, step by step")
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
    ap.add_argument("--volume", required=True)
    ap.add_argument("--variables")
    ap.add_argument("--hiidump", required=True)
    ap.add_argument("--export", required=True, help="the OVMF HII database export")
    ap.add_argument("--out", required=True, help="folder for the screendump and console log")
    ap.add_argument("--secure-boot", action="store_true", help="the snakeoil Secure Boot firmware")
    ap.add_argument("--expect-refusal", action="store_true",
                    help="the loader is unsigned: Secure Boot must refuse it")
    ap.add_argument("--driver-file", help="the signed driver image: loaded from a file of the disk, not dispatched")
    ap.add_argument("--unsigned-driver", help="with --driver-file: the unsigned image, which Secure Boot must refuse")
    ap.add_argument("--gpu", action="store_true", help="virtio-gpu (Blt only) instead of VGA")
    ap.add_argument("--emulator", help="setup-emulator, to compare the same form set's page with")
    ap.add_argument("--walk", choices=["basic", "pages"] + list(EXIT_ITEMS) + list(parity_walks.WALKS)
                    + list(parity_walks.PLATFORM_WALKS) + list(console_walks.WALKS) + list(TWICE_WALKS)
                    + list(callback_walks.WALKS),
                    default="basic",
                    help="pages: the pages OVMF's drivers fill, and Device Manager opened twice; "
                         "parity_bmm_pages, parity_device_pages: Boot Maintenance Manager's or Device Manager's "
                         "pages through OVMF's own browser, then ours; "
                         "commit, discard: the platform form's exit items end its SendForm")
    ap.add_argument("--post", choices=["setup", "menu", "timeout", "device", "prompt"],
                    help="run the POST flow through the boot-screen interface and leave it this way")
    args = ap.parse_args()

    code, variables = (boot_test.SNAKEOIL_CODE, boot_test.SNAKEOIL_VARS) if args.secure_boot else \
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
        if args.driver_file:
            shutil.copyfile(args.driver_file, os.path.join(disk, "SetupEngineDxe.efi"))
            shutil.copyfile(args.unsigned_driver, os.path.join(disk, "SetupEngineUnsigned.efi"))
            open(os.path.join(disk, "SetupEngine.file"), "wb").close()
        # The stay marker names the package list the loader shows through SendForm first.
        with open(os.path.join(disk, "SetupEngine.stay"), "wb") as f:
            straight_to_menu = (args.post or args.driver_file or args.walk in TWICE_WALKS
                                or args.walk in callback_walks.WALKS)
            f.write(b"" if straight_to_menu else uuid.UUID(PLATFORM_LIST).bytes_le)
        if args.post:
            # The board's time-out: long enough for a key, none to wait out for the time-out run.
            with open(os.path.join(disk, "SetupEngine.post"), "wb") as f:
                f.write((1 if args.post == "timeout" else 30).to_bytes(2, "little"))
        if args.walk in TWICE_WALKS:
            return run_twice(args, form_sets, disk, variables, code, tmp)
        if args.walk in callback_walks.WALKS:
            try:
                callback_walks.WALKS[args.walk](args, sys.modules[__name__], disk, variables, code, tmp)
            except callback_walks.Failed as failure:
                print(f"FAIL: {failure}")
                return 1
            print("PASS")
            return 0
        vars_copy = os.path.join(tmp, "vars.fd")
        shutil.copyfile(variables, vars_copy)
        return run(args, form_sets, disk, vars_copy, code)


if __name__ == "__main__":
    sys.exit(main())
