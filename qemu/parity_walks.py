"""Walks through OVMF's own pages that compare the engine's browser with the firmware's
own on the same keys: Esc goes back to the page the user came from, leaving a changed
form set asks first, a commit leaves or says why it cannot, and the paging keys move the
focus. Each walk fails when the firmware's boot manager starts the loader again (the
browser was left) where it should not have been.

The expected results are what OVMF's own browser shows on the same walk.
"""
import re
import time

RESTARTED = "driver dispatched already"   # the loader, started again by the boot manager

FRONT_PAGE_TITLE = "Front Page"
FRONT_PAGE_PROMPTS = ["Device Manager", "Boot Manager", "Boot Maintenance Manager", "Continue", "Reset"]
DEVICE_MANAGER_TITLE = "Device Manager"
RAM_DISK = "RAM Disk Configuration"
BOOT_MANAGER = "Boot Manager"
BOOT_MAINTENANCE = "Boot Maintenance Manager"
BOOT_SHELL = "EFI Internal Shell"
SIZE_PROMPT = "Size (Hex):"
SAVE_QUESTION = "Save configuration and exit?"
QUIT_QUESTION = "Quit without saving?"
COMMIT = "Commit Changes and Exit"
SUBMIT_FAIL = "Submit Fail For Form: OVMF Settings"


class Walks:
    def __init__(self, run, setup_test):
        self.run = run
        self.session = run.session
        self.t = setup_test

    def fail(self, text):
        self.run.fail(text)

    def esc_to(self, title, prompts, what):
        return self.run.esc_to_page(title, prompts, what)

    def open_device_manager(self):
        return self.run.open_item("Device Manager", DEVICE_MANAGER_TITLE, [RAM_DISK], "Device Manager")

    def esc_parent(self):
        """Device Manager -> RAM Disk -> Esc: Device Manager again; Boot Manager and Boot
        Maintenance -> Esc: the front page. The browser is never left."""
        self.open_device_manager()
        self.run.open_item(RAM_DISK, RAM_DISK, ["Create raw"], RAM_DISK)
        self.esc_to(DEVICE_MANAGER_TITLE, [RAM_DISK], "Device Manager after Esc in the RAM disk's form")
        self.run.note(f"{RAM_DISK} -> Esc: Device Manager")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Device Manager")
        self.run.note("Device Manager -> Esc: the front page")
        self.run.open_item(BOOT_MANAGER, BOOT_MANAGER, [], BOOT_MANAGER)
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail(f"Boot Manager lists no '{BOOT_SHELL}'")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Manager")
        self.run.note("Boot Manager -> Esc: the front page")
        self.run.open_item(BOOT_MAINTENANCE, BOOT_MAINTENANCE, [], BOOT_MAINTENANCE)
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Maintenance")
        self.run.note("Boot Maintenance Manager -> Esc: the front page")
        self.run.screendump("front-page-after-esc.png")

    def keys(self):
        """Enter typed 0.2 s after Esc from Boot Manager is not lost while the front page is
        made again, the focus is back on the link just left, and the paging keys move the
        focus to the page's first and last items, as in OVMF's own browser."""
        self.run.open_item(BOOT_MANAGER, BOOT_MANAGER, [], BOOT_MANAGER)
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail(f"Boot Manager lists no '{BOOT_SHELL}'")
        mark = len(self.session.output())
        self.session.key("esc")
        time.sleep(0.2)
        self.session.key("enter")
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text() and BOOT_MANAGER in " ".join(s.lines()[:2]),
                                       self.t.KEY_LIMIT_S, settle=1.0):
            self.fail("Enter typed 0.2 s after Esc did not open Boot Manager again")
        if RESTARTED in self.session.output()[mark:]:
            self.fail("Esc in Boot Manager: the browser was left and the loader started again")
        self.run.note("Esc, Enter 0.2 s later: Boot Manager again")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Manager")
        focused = self.run.focused_row()
        if focused != BOOT_MANAGER:
            self.fail(f"back on the front page the focus is on {focused!r}, not on '{BOOT_MANAGER}'")
        self.run.note(f"back on the front page the focus stays on '{BOOT_MANAGER}'")
        # The page fits the screen: PgDn and End go to its last item, PgUp and Home to its
        # first, as OVMF's own PgUp and PgDn do.
        prompts = [self.t.prompt_part(row) for row in self.t.body_rows(self.session.lines()) if self.t.prompt_part(row)]
        for key, wanted in [("pgdn", "last"), ("pgup", "first"), ("end", "last"), ("home", "first")]:
            self.run.press(key)
            focused = self.run.focused_row()
            if focused not in prompts:
                self.fail(f"{key}: no focused item ({focused!r})")
            at = prompts.index(focused)
            beyond = prompts[at + 1:] if wanted == "last" else prompts[:at]
            if any(self.focusable(prompt) for prompt in beyond):
                self.fail(f"{key}: the focus is on {focused!r}, not on the page's {wanted} item")
            self.run.note(f"{key}: the focus goes to the {wanted} item, '{focused}'")

    @staticmethod
    def focusable(prompt):
        return prompt in FRONT_PAGE_PROMPTS

    def esc_asks(self):
        """RAM Disk -> Create raw, the size changed: the change is not dropped unasked. Esc
        goes back page by page; leaving the browser with the change asks "Save configuration
        and exit?" (OVMF's own asks "Changes have not saved. Save Changes and exit?"), and
        No, then Yes to quitting without saving, leaves it."""
        self.open_device_manager()
        self.run.open_item(RAM_DISK, RAM_DISK, ["Create raw"], RAM_DISK)
        self.run.open_item("Create raw", RAM_DISK, [SIZE_PROMPT], "the RAM disk's size form")
        self.run.focus_on(SIZE_PROMPT)
        before = self.size_value()
        for key in ["enter", "1", "0", "0", "0", "0", "0", "enter"]:
            self.run.press(key)
        after = self.size_value()
        if after == before:
            self.fail(f"the RAM disk's size did not change from {before!r}")
        self.run.note(f"RAM disk size: {before} -> {after}")
        self.esc_to(RAM_DISK, ["Create raw"], "the RAM disk's form after Esc")
        self.esc_to(DEVICE_MANAGER_TITLE, [RAM_DISK], "Device Manager after Esc")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
        mark = len(self.session.output())
        self.run.press("esc")
        if not self.session.wait_until(lambda s: SAVE_QUESTION in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail("Esc with the size changed left without asking")
        if RESTARTED in self.session.output()[mark:]:
            self.fail("Esc with the size changed left the browser without asking")
        self.run.note(f"Esc with a change: '{SAVE_QUESTION}'")
        self.run.screendump("esc-asks.png")
        self.run.press("right")
        self.run.press("enter")
        if not self.session.wait_until(lambda s: QUIT_QUESTION in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail(f"No did not ask '{QUIT_QUESTION}'")
        self.run.note(f"No: '{QUIT_QUESTION}'")
        self.run.press("enter")
        if not self.session.wait_until(lambda s: RESTARTED in s.output()[mark:], 30, settle=0.1):
            self.fail("Yes to quitting without saving did not leave the browser")
        self.run.note("Yes: the browser is left, the change dropped")

    def size_value(self):
        rows = self.t.body_rows(self.session.lines())
        for row in rows:
            if self.t.prompt_part(row).startswith(SIZE_PROMPT):
                return self.t.prompt_value(row)
        self.fail(f"no '{SIZE_PROMPT}' row: {rows}")

    def commit(self):
        """OVMF's platform form, nothing changed, "Commit Changes and Exit": nothing is
        written, so its store (which cannot keep this setting under QEMU) refuses nothing,
        and the form is left as in OVMF's own browser: the SendForm that showed it ends
        with the driver's request, without a message. A changed resolution cannot be made
        through the browser yet (the driver's callback turns the change down), so a refused
        submit ("Submit Fail For Form: OVMF Settings", then the offer to discard) is left
        to the emulator's case of a driver whose store refuses."""
        form_set = self.run.form_sets[self.t.PLATFORM_FORM_SET]
        self.run.wait_for_page(form_set.title, form_set.forms[0].prompts(shown_only=True), f"'{form_set.title}'")
        mark = len(self.session.output())
        self.run.focus_on(COMMIT)
        self.run.press("enter")
        pattern = r"send form of " + self.t.PLATFORM_LIST + r": ([^,\r\n]+), action request (\d+)"
        if not self.session.wait_until(lambda s: re.search(pattern, s.output()[mark:]) or SUBMIT_FAIL in s.text(),
                                       self.t.KEY_LIMIT_S, settle=0.1):
            self.fail(f"'{COMMIT}' with nothing changed stayed on the form")
        if SUBMIT_FAIL in self.session.text():
            self.fail(f"'{COMMIT}' with nothing changed said '{SUBMIT_FAIL}'")
        status, request = re.search(pattern, self.session.output()[mark:]).groups()
        if status != "Success" or int(request) != 4:
            self.fail(f"SendForm ended with {status}, action request {request}, not Success and 4")
        self.run.note(f"'{COMMIT}', nothing changed: SendForm returned {status}, action request {request}")


# Walks on the platform form the loader shows first, in place of its own check.
PLATFORM_WALKS = {
    "parity_commit": Walks.commit,
}

WALKS = {
    "parity_esc_parent": Walks.esc_parent,
    "parity_keys": Walks.keys,
    "parity_esc_asks": Walks.esc_asks,
}
