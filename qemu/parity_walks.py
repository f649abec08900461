"""Walks through OVMF's own pages that compare the engine's browser with the firmware's
own on the same keys: Esc goes back to the page the user came from, leaving a changed
form set asks first, a commit leaves or says why it cannot, and the paging keys move the
focus. Each walk fails when the firmware's boot manager starts the loader again (the
browser was left) where it should not have been.

The expected results are what OVMF's own browser shows on the same walk: the walks of
esc_asks and commit first take the same keys there (own_browser.py, the OWN_WALKS below)
and then expect what it showed.
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
DISCARD_OFFER = "Discard the changes?"
NO_CHANGES = "The driver that owns this setting takes"   # "... no changes.", wrapped
PLATFORM = "OVMF Platform Configuration"
PLATFORM_TITLE = "OVMF Settings"
RESOLUTION = "Change Preferred"
# OVMF's own browser's texts for the same moments.
OWN_RAM_DISK_TITLE = "RAM Disk HII Main Screen"
OWN_SIZE_TITLE = "Add A Raw RAM Disk"
OWN_SAVE_QUESTION = "Changes have not saved. Save Changes and exit?"
OWN_SUBMIT_FAIL = "Submit Fail For Form: OVMF Settings."
SIZE_KEYS = ["enter", "1", "0", "0", "0", "0", "0", "enter"]
RAM_DISK_ESC_STEPS = ["the RAM disk's form", "Device Manager", "the front page"]


def own_resolution(own):
    """The platform form's resolution as OVMF's own browser draws it."""
    for line in own.session.lines():
        if line.strip().startswith(RESOLUTION):
            found = re.search(r"<([^>]+)>", line)
            return found.group(1) if found else None
    return None


def own_change_resolution(own):
    """Device Manager -> the platform form -> the next resolution chosen; True when the
    value drawn changed."""
    own.open("Device Manager", DEVICE_MANAGER_TITLE)
    own.open(PLATFORM, PLATFORM_TITLE)
    own.focus_on(RESOLUTION)
    before = own_resolution(own)
    for key in ["enter", "down", "enter"]:
        own.press(key)
    after = own_resolution(own)
    own.note(f"resolution {before} -> {after}")
    return before != after


def own_esc_asks(own):
    """The esc_asks walk in OVMF's own browser: the Esc steps that ask after the RAM
    disk's size changed, and whether Esc asks after the platform form's resolution
    changed."""
    own.open("Device Manager", DEVICE_MANAGER_TITLE)
    own.open(RAM_DISK, OWN_RAM_DISK_TITLE)
    own.open("Create raw", OWN_SIZE_TITLE)
    own.focus_on(SIZE_PROMPT)
    for key in SIZE_KEYS:
        own.press(key)
    asked = []
    for step in RAM_DISK_ESC_STEPS:
        own.press("esc")
        if own.shows(OWN_SAVE_QUESTION):
            asked.append(step)
            own.press("n")
    own.note(f"RAM disk size changed, Esc back to the front page: asked at {asked or 'no step'}")
    platform = None
    if own_change_resolution(own):
        own.press("esc")
        platform = own.shows(OWN_SAVE_QUESTION)
        own.screendump("own-esc-asks-platform.png")
        own.note(f"resolution changed, Esc: {OWN_SAVE_QUESTION if platform else 'no question'}")
    return {"ram_disk": asked, "platform": platform}


def own_commit(own):
    """The commit walk in OVMF's own browser: where Commit with nothing changed leaves to,
    and what it says with the resolution changed (its platform driver cannot store it
    under QEMU) and after D, its discard."""
    own.open("Device Manager", DEVICE_MANAGER_TITLE)
    own.open(PLATFORM, PLATFORM_TITLE)
    own.focus_on(COMMIT)
    own.press("enter")
    unchanged = own.title()
    own.note(f"'{COMMIT}', nothing changed: {unchanged}")
    own.press("esc")  # back to the front page for the second walk
    result = {"unchanged_leaves": DEVICE_MANAGER_TITLE in unchanged, "refused": None, "after_discard": None}
    if own_change_resolution(own):
        own.focus_on(COMMIT)
        own.press("enter")
        result["refused"] = own.shows(OWN_SUBMIT_FAIL)
        own.screendump("own-commit-refused.png")
        own.press("d")
        result["after_discard"] = own.title()
        own.note(f"'{COMMIT}', resolution changed: {OWN_SUBMIT_FAIL if result['refused'] else 'no refusal'}; "
                 f"D: {result['after_discard']}")
    return result


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
        """RAM Disk -> Create raw, the size changed, Esc page by page to the front page and
        out of the browser; then the platform form's resolution changed and Esc. An Esc asks
        where OVMF's own asked on the same walk, and nowhere else. The RAM disk's questions
        name no varstore: OVMF's own has nothing to save there and asks at no step."""
        own = self.run.args.own
        self.open_device_manager()
        self.run.open_item(RAM_DISK, RAM_DISK, ["Create raw"], RAM_DISK)
        self.run.open_item("Create raw", RAM_DISK, [SIZE_PROMPT], "the RAM disk's size form")
        self.run.focus_on(SIZE_PROMPT)
        before = self.size_value()
        for key in SIZE_KEYS:
            self.run.press(key)
        after = self.size_value()
        if after == before:
            self.fail(f"the RAM disk's size did not change from {before!r}")
        self.run.note(f"RAM disk size: {before} -> {after}")
        pages = [(RAM_DISK, ["Create raw"]), (DEVICE_MANAGER_TITLE, [RAM_DISK]), (FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS)]
        asked = [step for step, (title, prompts) in zip(RAM_DISK_ESC_STEPS, pages) if self.esc_asks_at(title, prompts, step)]
        if asked != own["ram_disk"]:
            self.fail(f"Esc asked at {asked}, OVMF's own at {own['ram_disk']}")
        self.run.note(f"Esc back to the front page asks at {asked or 'no step'}, as OVMF's own")
        mark = len(self.session.output())
        self.run.press("esc")
        if not self.session.wait_until(lambda s: RESTARTED in s.output()[mark:] or SAVE_QUESTION in s.text(), 30, settle=0.3):
            self.fail("Esc on the front page neither left the browser nor asked")
        if SAVE_QUESTION in self.session.text():
            self.run.screendump("esc-asks.png")
            self.fail(f"Esc on the front page asked '{SAVE_QUESTION}': OVMF's own has nothing of the RAM disk to save")
        self.run.note("Esc on the front page leaves the browser unasked: the RAM disk's questions have no varstore")
        self.run.wait_for_page(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page again")
        self.open_device_manager()
        self.run.open_item(PLATFORM, PLATFORM, [COMMIT], PLATFORM)
        changed = self.change_resolution()
        if own["platform"] is None:
            self.run.note("OVMF's own could not change the resolution either")
        elif not changed:
            self.fail(f"the resolution did not change; OVMF's own takes it and asks '{OWN_SAVE_QUESTION}' on Esc here")
        else:
            # The question comes as the platform form set is left for Device Manager, not
            # when the browser ends; No and Yes to quitting drop the change and go on there.
            self.run.press("esc")
            if own["platform"] and SAVE_QUESTION not in self.session.text():
                self.fail(f"the resolution changed, Esc left its form set unasked; OVMF's own asks '{OWN_SAVE_QUESTION}'")
            self.run.note(f"the resolution changed, Esc: '{SAVE_QUESTION}', as OVMF's own asks")
            self.run.press("right")
            self.run.press("enter")
            self.run.press("enter")
            self.run.wait_for_page(DEVICE_MANAGER_TITLE, [PLATFORM], "Device Manager after the change was dropped")
            self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
            return
        self.esc_to(DEVICE_MANAGER_TITLE, [PLATFORM], "Device Manager after Esc")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")

    def esc_asks_at(self, title, prompts, step):
        """Esc, then the page `title` or the question; True when it asked (No, then Yes to
        quitting without saving, goes on)."""
        mark = len(self.session.output())
        self.run.press("esc")

        def settled(s):
            return SAVE_QUESTION in s.text() or (title in " ".join(s.lines()[:2])
                                                 and not self.t.prompts_in_order(self.t.body_rows(s.lines()), prompts))
        if not self.session.wait_until(settled, self.t.KEY_LIMIT_S, settle=0.5):
            self.fail(f"Esc towards {step}: neither the page nor a question")
        if RESTARTED in self.session.output()[mark:]:
            self.fail(f"Esc towards {step}: the browser was left")
        if SAVE_QUESTION not in self.session.text():
            return False
        self.run.press("right")
        self.run.press("enter")
        self.run.press("enter")
        return True

    def resolution(self):
        for row in self.t.body_rows(self.session.lines()):
            if self.t.prompt_part(row).startswith(RESOLUTION):
                return self.t.prompt_value(row)
        return None

    def change_resolution(self):
        """The platform form's next resolution chosen; True when the value drawn changed."""
        for key in ["down"] * 10 + ["up"] * 20:
            if (self.run.focused_row() or "").startswith(RESOLUTION):
                break
            self.run.press(key)
        before = self.resolution()
        for key in ["enter", "down", "enter"]:
            self.run.press(key)
        # The engine's refusal comes once the driver's callback has answered.
        if self.session.wait_until(lambda s: NO_CHANGES in s.text(), 3, settle=0.3):
            self.run.note(f"choosing a resolution: '{NO_CHANGES} no changes.'")
            self.run.press("enter")
        after = self.resolution()
        self.run.note(f"resolution {before} -> {after}")
        return before != after

    def size_value(self):
        rows = self.t.body_rows(self.session.lines())
        for row in rows:
            if self.t.prompt_part(row).startswith(SIZE_PROMPT):
                return self.t.prompt_value(row)
        self.fail(f"no '{SIZE_PROMPT}' row: {rows}")

    def commit(self):
        """OVMF's platform form, nothing changed, "Commit Changes and Exit": nothing is
        written, so nothing is refused, and the form is left as OVMF's own leaves it on the
        same walk (there back to Device Manager, its caller): the SendForm that showed it
        ends with the driver's request, without a message."""
        own = self.run.args.own
        if not own["unchanged_leaves"]:
            self.fail("OVMF's own stayed on the form after a commit with nothing changed")
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
        self.run.note(f"'{COMMIT}', nothing changed: SendForm returned {status}, action request {request}, "
                      "as OVMF's own leaves the form")

    def commit_changed(self):
        """The platform form reached from the front page, the resolution changed, "Commit
        Changes and Exit": OVMF's own platform driver cannot store it under QEMU and its
        browser says "Submit Fail For Form: OVMF Settings." with the offer to discard, which
        leaves for Device Manager. The engine says "Submit Fail For Form: OVMF Settings" and
        "Discard the changes?"; Yes discards and leaves as OVMF's own."""
        own = self.run.args.own
        self.open_device_manager()
        self.run.open_item(PLATFORM, PLATFORM, [COMMIT], PLATFORM)
        changed = self.change_resolution()
        if own["refused"] is None:
            self.run.note("OVMF's own could not change the resolution either")
        elif not changed:
            self.fail(f"the resolution did not change; OVMF's own takes it, says '{OWN_SUBMIT_FAIL}' on '{COMMIT}' "
                      f"and its discard leads to {own['after_discard']!r}")
        else:
            self.run.focus_on(COMMIT)
            self.run.press("enter")
            refused = SUBMIT_FAIL in self.session.text() and DISCARD_OFFER in self.session.text()
            if bool(own["refused"]) != refused:
                self.fail(f"'{COMMIT}' with the resolution changed: refused {refused}, OVMF's own {own['refused']}")
            if refused:
                self.run.screendump("commit-refused.png")
                self.run.press("enter")
                self.run.wait_for_page(DEVICE_MANAGER_TITLE, [PLATFORM], "Device Manager after the discard")
                self.run.note(f"'{SUBMIT_FAIL}', Yes to '{DISCARD_OFFER}': Device Manager, as OVMF's own")
                self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")
                return
        self.esc_to(DEVICE_MANAGER_TITLE, [PLATFORM], "Device Manager after Esc")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc")


# Walks on the platform form the loader shows first, in place of its own check.
PLATFORM_WALKS = {
    "parity_commit": Walks.commit,
}

WALKS = {
    "parity_esc_parent": Walks.esc_parent,
    "parity_keys": Walks.keys,
    "parity_esc_asks": Walks.esc_asks,
    "parity_commit": Walks.commit_changed,
}

# The same walks through OVMF's own browser, run first: what they return is what the
# engine's walk expects.
OWN_WALKS = {
    "parity_esc_asks": own_esc_asks,
    "parity_commit": own_commit,
}
