"""Walks through what OVMF's consoles give the engine: keys from QEMU's keyboard and from
the serial console without any key-code input, the prompt under the logo on the screen
and on the serial terminal, and the page drawn whole again after a boot option returns.
Each walk checks the screen after every key and fails when the firmware's boot manager
starts the loader again (the browser was left) where it should not have been.
"""
import os
import time

RESTARTED = "driver dispatched already"   # the loader, started again by the boot manager

FRONT_PAGE_TITLE = "Front Page"
FRONT_PAGE_PROMPTS = ["Device Manager", "Boot Manager", "Boot Maintenance Manager", "Continue", "Reset"]
DEVICE_MANAGER = "Device Manager"
DEVICE_MANAGER_PROMPTS = ["Secure Boot Configuration", "OVMF Platform Configuration"]
BOOT_MANAGER = "Boot Manager"
BOOT_SHELL = "EFI Internal Shell"
SHELL_PROMPT = "Shell>"
CONSOLE_INPUT = "console input: "
PROMPT_TEXT = "Please press DEL or F2 to enter UEFI BIOS setting"
PROMPT_GREY = (0x98, 0x98, 0x98)
PROMPT_LIMIT_S = 8       # from the POST flow's start to the prompt under the logo
SHELL_LIMIT_S = 40       # from Enter on the shell's option to its prompt
LOGO_CENTRE_PER_MILLE = 382

# What a terminal sends for a key (OVMF's serial console is a PC-ANSI terminal).
SERIAL_KEYS = {"up": b"\x1b[A", "down": b"\x1b[B", "enter": b"\r", "esc": b"\x1b", "f2": b"\x1b[N"}


class ConsoleWalks:
    def __init__(self, run, setup_test):
        self.run = run
        self.session = run.session
        self.t = setup_test

    def fail(self, text):
        self.run.fail(text)

    def serial_press(self, key):
        self.session.serial(SERIAL_KEYS.get(key, key.encode()))
        time.sleep(0.2)
        self.session.wait_quiet(0.8, self.t.KEY_LIMIT_S)

    def page_after(self, press, key, title, prompts, what):
        """One key, then the page `title` with `prompts`; the browser must not have been
        left on the way."""
        mark = len(self.session.output())
        press(key)
        rows = self.run.wait_for_page(title, prompts, what)
        if RESTARTED in self.session.output()[mark:]:
            self.fail(f"{what}: the browser was left and the loader started again")
        return rows

    def focus_after(self, press, key, wanted, how):
        press(key)
        focused = self.run.focused_row()
        if focused != wanted:
            self.fail(f"{key} {how}: the focus is on {focused!r}, not on {wanted!r}")
        self.run.note(f"{key} {how}: the focus moves to '{wanted}'")

    def keys_move_and_open(self, press, how):
        """Down and Up move the focus between the front page's first links, Enter opens
        Device Manager, Esc comes back to the front page."""
        self.run.focus_on(DEVICE_MANAGER)
        self.focus_after(press, "down", BOOT_MANAGER, how)
        self.focus_after(press, "up", DEVICE_MANAGER, how)
        self.page_after(press, "enter", DEVICE_MANAGER, DEVICE_MANAGER_PROMPTS, f"Device Manager after Enter {how}")
        self.run.note(f"enter {how}: Device Manager")
        self.page_after(press, "esc", FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, f"the front page after Esc {how}")
        self.run.note(f"esc {how}: the front page")

    def no_keycode(self):
        """OVMF has no key-code input and nothing of ours puts one there: the keys come
        through the console's own input, from QEMU's keyboard and from the serial console."""
        lines = [line for line in self.t.boot_test.loader_lines(self.session.output()) if line.startswith(CONSOLE_INPUT)]
        if not lines:
            self.fail("the loader did not say what the console input offers")
        if "key-code no" not in lines[0]:
            self.fail(f"the firmware's console input has key-code input: {lines[0]}")
        self.run.note(lines[0])
        self.keys_move_and_open(self.run.press, "from QEMU's keyboard")
        self.keys_move_and_open(self.serial_press, "from the serial console")
        self.run.screendump("front-page-after-serial-keys.png")

    def after_boot(self):
        """Boot Manager -> the firmware's shell -> `exit` typed on the serial console: the
        Boot Manager page is back whole (title, options, focus) on the terminal and on the
        screen, and the browser was never left."""
        self.run.open_item(BOOT_MANAGER, BOOT_MANAGER, [], BOOT_MANAGER)
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail(f"Boot Manager lists no '{BOOT_SHELL}'")
        self.run.focus_on(BOOT_SHELL)
        options = [self.t.prompt_part(row) for row in self.t.body_rows(self.session.lines()) if self.t.prompt_part(row)]
        before = os.path.join(self.run.out_dir, "boot-manager-before-boot.png")
        self.run.screendump(os.path.basename(before))
        mark = len(self.session.output())
        self.session.key("enter")
        if not self.session.wait_until(lambda s: SHELL_PROMPT in s.output()[mark:], SHELL_LIMIT_S, settle=1.0):
            self.fail(f"Enter on '{BOOT_SHELL}' started no shell")
        self.run.note(f"Enter on '{BOOT_SHELL}': the shell runs")
        self.session.serial(b"exit\r")

        def page_back(s):
            return BOOT_MANAGER in " ".join(s.lines()[:2]) and SHELL_PROMPT not in s.text() and \
                not self.t.prompts_in_order(self.t.body_rows(s.lines()), options)
        if not self.session.wait_until(page_back, self.t.KEY_LIMIT_S, settle=1.0):
            self.fail(f"after `exit` the Boot Manager page is not back whole: {self.session.lines()}")
        if RESTARTED in self.session.output()[mark:]:
            self.fail("the shell's exit left the browser: the loader started again")
        focused = self.run.focused_row()
        if focused != BOOT_SHELL:
            self.fail(f"after `exit` the focus is on {focused!r}, not on '{BOOT_SHELL}'")
        self.run.note(f"`exit`: Boot Manager is back with {options}, the focus on '{BOOT_SHELL}'")
        after = os.path.join(self.run.out_dir, "boot-manager-after-boot.png")
        self.run.screendump(os.path.basename(after))
        differing = differing_pixels(self.t, before, after)
        if differing:
            self.fail(f"the screen after `exit` differs from the page before the boot in {differing} pixels")
        self.run.note("the screendump after `exit` is the page before the boot, pixel for pixel")
        self.run.esc_to_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Manager")


def differing_pixels(setup_test, first, second):
    width, height, one = setup_test.png_pixels(first)
    width2, height2, other = setup_test.png_pixels(second)
    if (width, height) != (width2, height2):
        return width * height
    return sum(1 for y in range(height) for x in range(width) if one(x, y) != other(x, y))


def check_post_prompt(run, setup_test):
    """The prompt under the logo: grey pixels below the logo, centred, on the screen, and
    its text on the serial terminal, within PROMPT_LIMIT_S of the POST flow's start; then
    F2 typed on the serial console."""
    session = run.session
    if not session.wait_until(lambda s: PROMPT_TEXT in s.text(), PROMPT_LIMIT_S, settle=0.3):
        run.fail(f"no '{PROMPT_TEXT}' on the serial terminal within {PROMPT_LIMIT_S} s")
    run.note(f"serial terminal: '{PROMPT_TEXT}'")
    run.screendump("post-prompt.png")
    width, height, pixel = setup_test.png_pixels(os.path.join(run.out_dir, "post-prompt.png"))
    x, y = width // 2, height * LOGO_CENTRE_PER_MILLE // 1000
    while y < height and pixel(x, y) != (0, 0, 0):
        y += 1
    grey = [(px, py) for py in range(y, height) for px in range(width) if pixel(px, py) == PROMPT_GREY]
    if not grey:
        run.fail(f"no grey pixels below the logo (its bottom at y = {y} of {height})")
    left, right = min(px for px, _ in grey), max(px for px, _ in grey)
    top, bottom = min(py for _, py in grey), max(py for _, py in grey)
    if abs((left + right) // 2 - width // 2) > 8 or bottom - top >= 19:
        run.fail(f"the grey pixels under the logo are not one centred line: x {left}-{right}, y {top}-{bottom}")
    run.note(f"the prompt's pixels: x {left}-{right}, y {top}-{bottom}, under the logo ending at y = {y}")
    session.serial(SERIAL_KEYS["f2"])


WALKS = {
    "parity_no_keycode": ConsoleWalks.no_keycode,
    "parity_after_boot": ConsoleWalks.after_boot,
}
