"""Walks through pages whose drivers change their own values from inside their callbacks
(OVMF's Boot Maintenance Manager and Secure Boot configuration), taken twice on the same
firmware, disk and a fresh copy of its variables: once through OVMF's own browser (Esc
during the boot menu's time-out opens its front page before our loader runs, as
own_browser.py enters it for every comparison) and once
through ours. What OVMF's own browser shows is the expected result; where it cannot keep
a value either, the case says so and expects the same of ours.

Both runs give QEMU the same boot menu time-out (4 s), which OVMF's platform code writes
to "Timeout" at every boot. The boot order is a setting OVMF keeps: its platform code
only adds new options at the end of "BootOrder" (QEMU is given no boot indexes to sort
them by), so a changed order is what shows after a restart.
"""
import os
import re
import shutil
import time

import boot_test
import own_browser
import qemu_session

RESTARTED = "driver dispatched already"     # our loader, started again by the boot manager
LOADER_STARTED = "setup-qemu: loader started"
BOOT_MENU = ["-boot", "menu=on,splash-time=4000"]

FRONT_PAGE = ["Device Manager", "Boot Manager", "Boot Maintenance Manager"]
BOOT_MAINTENANCE = "Boot Maintenance Manager"
TIME_OUT = "Auto Boot Time-out"
DEVICE_MANAGER = "Device Manager"
SECURE_BOOT = "Secure Boot Configuration"
SECURE_BOOT_MODE = "Secure Boot Mode"
CUSTOM_OPTIONS = "Custom Secure Boot Options"
KEY_PAGES = ["PK Options", "KEK Options", "DB Options", "DBX Options", "DBT Options"]
BOOT_MANAGER = "Boot Manager"
SHELL_OPTION = "EFI Internal Shell"
TYPED = "7"
BOOT_OPTIONS_PAGE = "Boot Options"
CHANGE_BOOT_ORDER = "Change Boot Order"
ORDER_QUESTION = "Change the order"
COMMIT = "Commit Changes and Exit"
# OVMF's boot options on this machine, by the part of their descriptions both browsers draw
# on one row (OVMF's own wraps a long description, ours cuts it short).
BOOT_OPTION_NAMES = ["DVD-R", "Misc Device", "Internal Sh"]
BDS_BOOT_LINE = re.compile(r'BdsDxe: (?:failed to load|loading) Boot[0-9A-F]{4} "([^"]*)"')

KEY_LIMIT_S = 10
PAGE_LIMIT_S = 60
FOCUS_STEPS = 12

# OVMF's own browser: a title box on rows 0 to 2 (none on the front page), the form's rows
# down to row 19, the help pane from column 57, the focused prompt or value on black.
OWN_BODY = range(3, 20)
OWN_HELP_COLUMN = 56


class Failed(Exception):
    pass


def clean_value(text):
    return text.strip().strip("[]<>").strip()


class Browser:
    """What a walk does with either browser: keys, the page's title and rows, the focus."""

    name = ""

    def __init__(self, session):
        self.session = session
        self.log = []

    def note(self, text):
        self.log.append(text)
        print(f"{self.name}: {text}", flush=True)

    def fail(self, text):
        raise Failed(f"{self.name}: {text}")

    def press(self, key):
        mark = len(self.session.output())
        self.session.key(key)
        time.sleep(0.2)
        self.session.wait_quiet(0.8, KEY_LIMIT_S)
        self.check_output(self.session.output()[mark:], key)

    def check_output(self, output, key):
        reason = boot_test.fatal_reason(output)
        if reason is not None:
            self.fail(f"after {key}: {reason}")

    def wait_for(self, title, prompts, what):
        def shown(s):
            rows = self.rows()
            return title in self.title() and all(any(p in row for row in rows) for p in prompts)
        if not self.session.wait_until(shown, PAGE_LIMIT_S, settle=0.5):
            self.fail(f"no page of {what}: title {self.title()!r}, rows {self.rows()}")

    def focus_on(self, prompt):
        for key in ["down"] * FOCUS_STEPS + ["up"] * (2 * FOCUS_STEPS):
            if self.focused() == prompt:
                return
            self.press(key)
        self.fail(f"no focus on '{prompt}' (focused: {self.focused()!r})")

    def open(self, prompt, title, prompts):
        self.focus_on(prompt)
        self.press("enter")
        self.wait_for(title, prompts, title)

    def value(self, prompt):
        for row in self.rows():
            text = row.strip().lstrip(">►").strip()
            if text.startswith(prompt):
                return clean_value(text[len(prompt):])
        self.fail(f"no row '{prompt}': {self.rows()}")

    def choose_next_option(self, prompt):
        """The option after the current one of a one-of, through its list."""
        self.focus_on(prompt)
        for key in ["enter", "down", "enter"]:
            self.press(key)

    def boot_order_shown(self):
        return boot_order_of(self.rows())

    def open_boot_order(self):
        """Boot Maintenance Manager -> Boot Options -> Change Boot Order, from the front page."""
        self.open(BOOT_MAINTENANCE, BOOT_MAINTENANCE, [TIME_OUT])
        self.open(BOOT_OPTIONS_PAGE, BOOT_OPTIONS_PAGE, [CHANGE_BOOT_ORDER])
        self.open(CHANGE_BOOT_ORDER, CHANGE_BOOT_ORDER, [ORDER_QUESTION, COMMIT])

    def move_first_down(self):
        """Enter opens the order's list on its first option in both browsers; - moves it
        one down and Enter keeps the new order."""
        self.focus_on(ORDER_QUESTION)
        for key in ["enter", "minus", "enter"]:
            self.press(key)

    def type_shell(self, command):
        mark = len(self.session.output())
        for char in command:
            keys = [{"type": "qcode", "data": {" ": "spc"}.get(char, char.lower())}]
            if char.isupper():
                keys.insert(0, {"type": "qcode", "data": "shift"})
            self.session.qmp.command("send-key", keys=keys)
            time.sleep(0.05)
        self.session.key("enter")
        return mark

    def shell_variables(self):
        """The "Timeout" variable as the firmware's shell dumps it, and the boot order as
        its `bcfg` lists it (each option of "BootOrder" in turn, by its description),
        through Boot Manager."""
        self.open(BOOT_MANAGER, BOOT_MANAGER, [SHELL_OPTION])
        self.focus_on(SHELL_OPTION)
        mark = len(self.session.output())
        self.session.key("enter")
        if not self.session.wait_until(lambda s: "Shell>" in s.output()[mark:], PAGE_LIMIT_S, settle=0.5):
            self.fail("the firmware's shell did not start")
        dumped = re.compile(r"00000000: ([0-9A-F]{2}) ([0-9A-F]{2})")
        mark = self.type_shell("dmpstore Timeout")
        if not self.session.wait_until(lambda s: dumped.search(s.output()[mark:]), KEY_LIMIT_S, settle=0.3):
            self.fail("the shell dumped no \"Timeout\"")
        low, high = dumped.search(self.session.output()[mark:]).groups()
        mark = self.type_shell("bcfg boot dump")
        if not self.session.wait_until(lambda s: s.output()[mark:].count("Shell>") >= 1, KEY_LIMIT_S, settle=0.5):
            self.fail("the shell's bcfg listed nothing")
        text = re.sub(r"\x1b\[[0-9;=?]*[A-Za-z]", "", self.session.output()[mark:])
        listed = re.findall(r"Desc\s*- ([^\r\n]*)", text)
        return str(int(high + low, 16)), boot_order_of(listed)


def boot_order_of(texts):
    """The boot options named in the texts, in the order they first appear."""
    joined = " ".join(texts)
    found = [(joined.find(name), name) for name in BOOT_OPTION_NAMES if name in joined]
    return [name for _, name in sorted(found)]


def first_boot_option(output):
    """The boot option the firmware tried first, by its name in BOOT_OPTION_NAMES."""
    tried = BDS_BOOT_LINE.search(re.sub(r"\x1b\[[0-9;=?]*[A-Za-z]", "", output))
    names = boot_order_of([tried.group(1)]) if tried else []
    return names[0] if names else None


class OwnBrowser(Browser):
    """OVMF's own browser, its front page entered by own_browser.run."""

    name = "OVMF's own browser"

    def enter(self):
        if LOADER_STARTED in self.session.output():
            self.fail("the boot menu's time-out ran out: our loader started")
        if not all(p in self.session.text() for p in FRONT_PAGE) or "Setup Utility" in self.session.text():
            self.fail("no front page of its own")
        self.note("Esc during the boot menu's time-out: the front page")

    def title(self):
        lines = self.session.lines()
        boxed = [line.strip(" │") for line in lines[:3] if "│" in line]
        return boxed[0].strip() if boxed else "Front Page"

    def rows(self):
        lines = self.session.lines()
        return [lines[y][:OWN_HELP_COLUMN].rstrip() for y in OWN_BODY if y < len(lines)]

    def focused(self):
        with self.session.lock:
            screen = self.session.screen
            for y in OWN_BODY:
                text = screen.display[y]
                for x in range(min(OWN_HELP_COLUMN, len(text))):
                    if text[x].strip() and screen.buffer[y][x].bg == "black":
                        return re.split(r"\s{2,}", text[:OWN_HELP_COLUMN].strip().lstrip(">").strip())[0]
        return None

    def set_number(self, prompt, digits):
        self.focus_on(prompt)
        for key in ["enter"] + list(digits) + ["enter"]:
            self.press(key)

    def leave_form_set(self, save):
        """Esc out of a changed form set: OVMF's own asks whether to save."""
        self.press("esc")
        if "Save Changes and exit?" in self.session.text():
            self.note(f"Esc asks 'Changes have not saved. Save Changes and exit?': {'Y' if save else 'N'}")
            self.press("y" if save else "n")

    def save_all(self):
        """Esc with Y to its question, then Esc up to the front page (Esc there would leave it)."""
        for _ in range(4):
            if self.title() == "Front Page":
                return
            self.leave_form_set(True)
        self.fail(f"Esc did not come back to the front page ({self.title()!r})")

    def back(self):
        self.press("esc")


class OursBrowser(Browser):
    """Our browser, the firmware's menu shown through it after our loader ran."""

    name = "our browser"

    def __init__(self, session, setup_test):
        super().__init__(session)
        self.t = setup_test

    def check_output(self, output, key):
        super().check_output(output, key)
        if RESTARTED in output and not getattr(self, "leaving", False):
            self.fail(f"after {key}: the browser was left and the loader started again")

    def enter(self):
        if not self.session.wait_until(lambda s: all(p in s.text() for p in FRONT_PAGE) and "Setup Utility" in s.text(),
                                       PAGE_LIMIT_S + 30, settle=0.5):
            self.fail(boot_test.fatal_reason(self.session.output()) or "no front page through our browser")
        self.note("the loader ran, the front page shows")

    def title(self):
        return " ".join(self.session.lines()[:2])

    def rows(self):
        return self.t.body_rows(self.session.lines())

    def focused(self):
        with self.session.lock:
            screen = self.session.screen
            for y in range(2, len(screen.display)):
                text = screen.display[y]
                start = len(text) - len(text.lstrip(" " + self.t.ROW_MARKERS))
                if start >= len(text.rstrip()) or start > 40:
                    continue
                # Bright white on the highlight; grayed-out rows are bold too, in dark grey.
                cell = screen.buffer[y][start]
                if cell.bold and cell.bg == "white" and cell.fg == "white":
                    return self.t.prompt_part(text)
        return None

    def set_number(self, prompt, digits):
        # Our numbers take digits at once; Enter stores them.
        self.focus_on(prompt)
        for key in list(digits) + ["enter"]:
            self.press(key)

    def leave_form_set(self, save):
        """Esc out of a changed form set asks, as OVMF's own does, with our question: Yes
        saves; No, then Yes to quitting without saving, drops the changes."""
        self.press("esc")
        if "Save configuration and exit?" in self.session.text():
            self.note(f"Esc asks 'Save configuration and exit?': {'Yes' if save else 'No, and Yes to quitting'}")
            for key in ["enter"] if save else ["right", "enter", "enter"]:
                self.press(key)

    def save_all(self):
        """F4, Yes: everything saved and the browser left; the boot manager then starts
        the loader again, which shows the front page anew."""
        self.press("f4")
        if "Save configuration and exit?" not in self.session.text():
            self.fail("F4 did not ask 'Save configuration and exit?'")
        self.leaving = True
        mark = len(self.session.output())
        self.press("enter")
        if not self.session.wait_until(lambda s: RESTARTED in s.output()[mark:], PAGE_LIMIT_S, settle=0.1):
            self.fail("F4, Yes did not leave the browser")
        self.leaving = False
        self.note("F4, Yes: saved, the browser left")
        self.enter()

    def back(self):
        self.press("esc")


def callback_values(b):
    """Type 7 into the time-out, Enter; Secure Boot Mode -> Custom, then the custom
    options and each key page. What the walk saw, for the comparison."""
    seen = {}
    b.open(BOOT_MAINTENANCE, BOOT_MAINTENANCE, [TIME_OUT])
    seen["time-out at first"] = b.value(TIME_OUT)
    b.set_number(TIME_OUT, TYPED)
    seen["time-out after 7, Enter"] = b.value(TIME_OUT)
    b.note(f"{TIME_OUT}: {seen['time-out at first']}, 7 and Enter: {seen['time-out after 7, Enter']}")
    b.leave_form_set(save=False)
    b.wait_for("Front Page", FRONT_PAGE, "the front page")
    b.open(DEVICE_MANAGER, DEVICE_MANAGER, [SECURE_BOOT])
    b.open(SECURE_BOOT, SECURE_BOOT, [SECURE_BOOT_MODE])
    seen["mode at first"] = b.value(SECURE_BOOT_MODE)
    b.choose_next_option(SECURE_BOOT_MODE)
    seen["mode after the next option"] = b.value(SECURE_BOOT_MODE)
    seen["custom options shown"] = any(CUSTOM_OPTIONS in row for row in b.rows())
    b.note(f"{SECURE_BOOT_MODE}: {seen['mode at first']} -> {seen['mode after the next option']}, "
           f"'{CUSTOM_OPTIONS}' shown: {seen['custom options shown']}")
    if seen["custom options shown"]:
        b.open(CUSTOM_OPTIONS, CUSTOM_OPTIONS, KEY_PAGES)
        for page in KEY_PAGES:
            b.open(page, page, [])
            seen[f"{page} opens"] = True
            b.note(f"{page} opens")
            b.back()
            b.wait_for(CUSTOM_OPTIONS, KEY_PAGES, CUSTOM_OPTIONS)
    return seen


def saved_across_restart_before(b):
    """The first boot option moved one down and committed on its page; 7 into the
    time-out and Custom as the Secure Boot mode, both saved; then what NVRAM holds as the
    shell reads it."""
    seen = {}
    b.open_boot_order()
    seen["boot order at first"] = b.boot_order_shown()
    b.move_first_down()
    seen["boot order moved"] = b.boot_order_shown()
    b.focus_on(COMMIT)
    b.press("enter")
    b.wait_for(BOOT_OPTIONS_PAGE, [CHANGE_BOOT_ORDER], "Boot Options after the commit")
    b.note(f"boot order {seen['boot order at first']}, the first moved down: {seen['boot order moved']}, committed")
    b.back()
    b.wait_for(BOOT_MAINTENANCE, [TIME_OUT], BOOT_MAINTENANCE)
    b.set_number(TIME_OUT, TYPED)
    seen["time-out typed"] = b.value(TIME_OUT)
    b.save_all()
    b.wait_for("Front Page", FRONT_PAGE, "the front page after the save")
    b.open(DEVICE_MANAGER, DEVICE_MANAGER, [SECURE_BOOT])
    b.open(SECURE_BOOT, SECURE_BOOT, [SECURE_BOOT_MODE])
    b.choose_next_option(SECURE_BOOT_MODE)
    seen["mode chosen"] = b.value(SECURE_BOOT_MODE)
    b.save_all()
    b.wait_for("Front Page", FRONT_PAGE, "the front page after the save")
    seen["Timeout in NVRAM"], seen["BootOrder in NVRAM"] = b.shell_variables()
    b.note(f"saved: time-out {seen['time-out typed']}, mode {seen['mode chosen']}; the shell reads "
           f"Timeout = {seen['Timeout in NVRAM']}, BootOrder {seen['BootOrder in NVRAM']}")
    return seen


def saved_across_restart_after(b):
    seen = {}
    if isinstance(b, OursBrowser):
        # Our loader starts as a boot option: the first option the firmware tried is the
        # head of the order it found in NVRAM (OVMF's own is entered before any is tried).
        seen["first boot option tried"] = first_boot_option(b.session.output())
    b.open_boot_order()
    seen["boot order after the restart"] = b.boot_order_shown()
    b.back()
    b.wait_for(BOOT_OPTIONS_PAGE, [CHANGE_BOOT_ORDER], BOOT_OPTIONS_PAGE)
    b.back()
    b.wait_for(BOOT_MAINTENANCE, [TIME_OUT], BOOT_MAINTENANCE)
    seen["time-out after the restart"] = b.value(TIME_OUT)
    b.leave_form_set(save=False)
    b.wait_for("Front Page", FRONT_PAGE, "the front page")
    b.open(DEVICE_MANAGER, DEVICE_MANAGER, [SECURE_BOOT])
    b.open(SECURE_BOOT, SECURE_BOOT, [SECURE_BOOT_MODE])
    seen["mode after the restart"] = b.value(SECURE_BOOT_MODE)
    for title, prompts in [(DEVICE_MANAGER, [SECURE_BOOT]), ("Front Page", FRONT_PAGE)]:
        b.back()
        b.wait_for(title, prompts, title)
    seen["Timeout in NVRAM after the restart"], seen["BootOrder in NVRAM after the restart"] = b.shell_variables()
    b.note(f"after the restart: boot order {seen['boot order after the restart']}, time-out "
           f"{seen['time-out after the restart']}, mode {seen['mode after the restart']}; the shell reads "
           f"Timeout = {seen['Timeout in NVRAM after the restart']}, "
           f"BootOrder {seen['BootOrder in NVRAM after the restart']}")
    return seen


def walk_once(args, setup_test, disk, vars_copy, code, own, steps, out_name):
    """One boot of QEMU, one browser, the steps in turn; their observations joined. OVMF's
    own browser is booted as for every comparison (own_browser.py), on the same disk,
    boot menu and variables file as ours."""
    seen = {}
    workdir = os.path.join(args.out, out_name)
    os.makedirs(workdir, exist_ok=True)

    def take(b):
        try:
            b.enter()
            for step in steps:
                seen.update(step(b))
            b.session.screendump(os.path.join(workdir, "last.png"))
        except Failed:
            setup_test.print_screen(b.session)
            raise
        return seen

    if own:
        try:
            return own_browser.run(lambda browser: take(OwnBrowser(browser.session)), workdir,
                                   disk=disk, qemu_args=BOOT_MENU, variables=vars_copy)
        except own_browser.OwnBrowserFailed as failure:
            raise Failed(f"OVMF's own browser: {failure}")
    cmd = boot_test.qemu_command(disk, vars_copy, False, code, monitor=False) + BOOT_MENU
    session = qemu_session.QemuSession(cmd, workdir)
    try:
        return take(OursBrowser(session, setup_test))
    finally:
        session.stop()
        with open(os.path.join(workdir, "console.log"), "wb") as f:
            f.write(bytes(session.raw))


def compare(own, ours, notes):
    """Ours must show what OVMF's own showed, key by key."""
    differ = [f"{key}: OVMF's own {own[key]!r}, ours {ours.get(key)!r}" for key in own if ours.get(key) != own[key]]
    for line in notes:
        print(line, flush=True)
    if differ:
        raise Failed("ours differs from OVMF's own browser: " + "; ".join(differ))


def run_callback_values(args, setup_test, disk, variables, code, tmp):
    runs = {}
    for own in (True, False):
        vars_copy = os.path.join(tmp, f"vars-{'own' if own else 'ours'}.fd")
        shutil.copyfile(variables, vars_copy)
        runs[own] = walk_once(args, setup_test, disk, vars_copy, code, own, [callback_values], "own" if own else "ours")
    expected = runs[True]
    notes = []
    if expected.get("time-out after 7, Enter") != TYPED:
        notes.append(f"OVMF's own browser does not keep 7 in '{TIME_OUT}' either")
    if not expected.get("custom options shown"):
        notes.append(f"OVMF's own browser shows no '{CUSTOM_OPTIONS}' either")
    compare(expected, runs[False], notes)


def run_saved_across_restart(args, setup_test, disk, variables, code, tmp):
    """Each browser saves, QEMU is switched off and booted again on the same copy of the
    variables. The boot order is kept by OVMF: after the restart each browser's Change
    Boot Order page, the shell's `bcfg` and (ours) the order the firmware boots in must
    show the moved option. OVMF's platform code writes the boot menu's time-out to
    "Timeout" at every boot and its variable services start in the standard Secure Boot
    mode, so neither of those values shows after a restart through OVMF's own browser
    either: for them the case checks that the save reached NVRAM (the shell dumps
    "Timeout" before the power-off) and that ours shows after the restart what OVMF's own
    shows."""
    runs = {}
    for own in (True, False):
        vars_copy = os.path.join(tmp, f"vars-{'own' if own else 'ours'}.fd")
        shutil.copyfile(variables, vars_copy)
        name = "own" if own else "ours"
        seen = walk_once(args, setup_test, disk, vars_copy, code, own, [saved_across_restart_before], name + "-before")
        seen.update(walk_once(args, setup_test, disk, vars_copy, code, own, [saved_across_restart_after], name + "-after"))
        runs[own] = seen
    expected, ours = runs[True], runs[False]
    moved = expected.get("boot order moved")
    if expected.get("boot order at first") == moved or len(moved or []) != len(BOOT_OPTION_NAMES):
        raise Failed(f"OVMF's own browser did not move the first boot option: {expected.get('boot order at first')} "
                     f"-> {moved}")
    for key in ["BootOrder in NVRAM", "boot order after the restart", "BootOrder in NVRAM after the restart"]:
        if expected.get(key) != moved:
            raise Failed(f"OVMF's own browser does not keep the boot order: {key} {expected.get(key)}, moved {moved}")
    notes = []
    if expected.get("time-out after the restart") != TYPED:
        notes.append(f"OVMF's own browser does not show the saved time-out after a restart either "
                     f"({expected.get('time-out after the restart')}: the platform writes the boot menu's)")
    if expected.get("mode after the restart") != expected.get("mode chosen"):
        notes.append("OVMF's own browser does not show the saved Secure Boot mode after a restart either")
    if ours.get("Timeout in NVRAM") != TYPED:
        raise Failed(f"our save did not reach NVRAM: the shell dumps Timeout = {ours.get('Timeout in NVRAM')}")
    compare(expected, ours, notes)
    if ours.get("first boot option tried") != moved[0]:
        raise Failed(f"after the restart the firmware tried {ours.get('first boot option tried')!r} first, "
                     f"not {moved[0]!r}")
    print(f"after the restart the firmware tried {moved[0]!r} first, as our saved order says", flush=True)


WALKS = {
    "parity_callback_values": run_callback_values,
    "parity_saved_across_restart": run_saved_across_restart,
}
