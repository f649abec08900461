"""Boot Maintenance Manager's pages, walked with the same keys through OVMF's own browser
and through the engine's: the manager opens on its main page with Boot Next and the
time-out as stored, each of its gotos opens a page with its own content, and Esc goes back
once, to the page before. Each subpage is titled as in OVMF's own (the engine's title line
names the path down from the manager's tab), and on the main page the time-out follows
Boot Next on the next row, on its first showing too. What OVMF's own browser shows on each
step is the expected result.

Both runs boot the same disk with a boot-menu time-out of 4 s (OVMF stores it as the
"Timeout" variable the main page shows). OVMF's own front page is entered as for every
comparison (own_browser.py), before the disk's loader starts; otherwise the loader makes
the engine the form browser and the firmware's menu shows through it.

Where the two differ by design: "Boot From File" asks the firmware's file explorer, which
calls SendForm while the manager's SendForm runs. OVMF's own browser nests it and shows
the file explorer; the engine refuses a nested SendForm with its message box, and its
browser goes on.
"""
import time

RESTARTED = "driver dispatched already"   # the loader, started again by the boot manager
BOOT_MENU_TIMEOUT = ["-boot", "menu=on,splash-time=4000"]
STORED_TIMEOUT = "4"
NO_BOOT_NEXT = "NONE"
REFUSED = "SendForm Not suppored Nestedly or from Valid Setup Context!"
FILE_EXPLORER = "File Explorer"

# Each page by prompts only it shows, in order.
PAGES = {
    "front page": ["Device Manager", "Boot Manager", "Boot Maintenance Manager", "Continue"],
    "Boot Maintenance Manager": ["Boot Options", "Driver Options", "Console Options", "Boot From File",
                                 "Boot Next Value", "Auto Boot Time-out"],
    "Boot Options": ["Go Back To Main Page", "Add Boot Option", "Delete Boot Option", "Change Boot Order"],
    "Driver Options": ["Go Back To Main Page", "Add Driver Option", "Delete Driver Option", "Change Driver Order"],
    "Add Driver Option": ["Add Driver Option Using File"],
    "Console Options": ["Console Input Device Select", "Console Output Device Select",
                        "Console Standard Error Device Select"],
    "Change Boot Order": ["Change the order", "Commit Changes and Exit", "Discard Changes and Exit"],
    "Delete Boot Option": ["EFI Internal Shell", "Commit Changes and Exit", "Discard Changes and Exit"],
    "Delete Driver Option": ["Commit Changes and Exit", "Discard Changes and Exit"],
}

# The walk: the keys of a step, and the page they lead to. PgUp puts the focus on a page's
# first item in both browsers; the items are then counted down.
STEPS = [
    (["pgup", "down", "down", "down", "enter"], "Boot Maintenance Manager"),
    (["pgup", "enter"], "Boot Options"),
    (["esc"], "Boot Maintenance Manager"),
    (["pgup", "down", "enter"], "Driver Options"),
    (["pgup", "down", "enter"], "Add Driver Option"),
    (["esc"], "Driver Options"),
    (["pgup", "down", "down", "enter"], "Delete Driver Option"),
    (["esc"], "Driver Options"),
    (["esc"], "Boot Maintenance Manager"),
    (["pgup", "down", "down", "enter"], "Console Options"),
    (["esc"], "Boot Maintenance Manager"),
    (["pgup", "enter", "pgup", "down", "down", "down", "enter"], "Change Boot Order"),
    (["esc"], "Boot Options"),
    (["pgup", "down", "down", "enter"], "Delete Boot Option"),
    (["esc"], "Boot Options"),
    (["pgup", "enter"], "Boot Maintenance Manager"),
    (["esc"], "front page"),
    # A second time: the main page, though its driver made it anew the first time.
    (["pgup", "down", "down", "down", "enter"], "Boot Maintenance Manager"),
    (["pgup", "enter"], "Boot Options"),
    (["esc"], "Boot Maintenance Manager"),
    (["esc"], "front page"),
]


def page_rows(t, lines):
    """The left pane's rows: under the engine's tab strip, or under OVMF's title box."""
    rows = t.body_rows(lines)
    return [row for row in rows if not row.strip().startswith(("┌", "└", "│"))]


def which_page(t, lines):
    rows = page_rows(t, lines)
    for name, prompts in PAGES.items():
        if not t.prompts_in_order(rows, prompts):
            return name
    return None


def value_of(t, lines, prompt):
    """The value beside a prompt, without the brackets either browser puts round it."""
    for row in page_rows(t, lines):
        if t.prompt_part(row) == prompt:
            return t.prompt_value(row).strip("[]<> ")
    return None


def rows_between(t, lines, first, second):
    """How many rows down from `first`'s row `second` is drawn; None unless both are."""
    rows = [t.prompt_part(row) for row in page_rows(t, lines)]
    if first in rows and second in rows:
        return rows.index(second) - rows.index(first)
    return None


class BmmWalk:
    def __init__(self, run, setup_test, own):
        """`run` is the engine's run (setup_test.SetupRun), or own_browser.OwnBrowser, which
        names itself in its notes and failures."""
        self.run = run
        self.session = run.session
        self.t = setup_test
        self.own = own
        self.who = "OVMF's own browser" if own else "the engine's browser"
        self.seen = []

    def fail(self, text):
        self.run.fail(text if self.own else f"{self.who}: {text}")

    def note(self, text):
        self.run.note(text if self.own else f"{self.who}: {text}")

    def restarted(self, mark):
        return RESTARTED in self.session.output()[mark:]

    def wait_page(self, wanted, what):
        if not self.session.wait_until(lambda s: which_page(self.t, s.lines()) == wanted, self.t.KEY_LIMIT_S, settle=0.5):
            self.fail(f"{what}: not the {wanted} page but {which_page(self.t, self.session.lines())}")

    def enter_front_page(self):
        """OVMF's own front page: Esc during the boot-menu time-out, until it shows (a
        second Esc on it would leave it). The engine's: the loader goes on to it."""
        deadline = time.time() + self.t.BOOT_LIMIT_S
        while time.time() < deadline:
            if which_page(self.t, self.session.lines()) == "front page":
                break
            if self.own:
                self.session.key("esc")
            self.session.wait_until(lambda s: which_page(self.t, s.lines()) == "front page", 1.0, settle=0.3)
        if which_page(self.t, self.session.lines()) != "front page":
            self.fail("no front page")
        if self.own and "setup-qemu: " in self.session.output():
            self.fail("the disk's loader started: the front page is not OVMF's own")
        self.note("front page")

    def press(self, key, mark):
        self.run.press(key)
        if self.restarted(mark):
            self.fail(f"after {key}: the browser was left and the loader started again")

    def walk(self):
        """Every step's page, and the main page's values, as this browser shows them."""
        self.enter_front_page()
        for number, (keys, wanted) in enumerate(STEPS):
            mark = len(self.session.output())
            for key in keys:
                self.press(key, mark)
            self.wait_page(wanted, f"step {number + 1} ({' '.join(keys)})")
            if self.restarted(mark):
                self.fail(f"step {number + 1}: the browser was left and the loader started again")
            lines = self.session.lines()
            shown = (wanted, value_of(self.t, lines, "Boot Next Value"), value_of(self.t, lines, "Auto Boot Time-out"),
                     self.title_of(lines, wanted), rows_between(self.t, lines, "Boot Next Value", "Auto Boot Time-out"))
            self.seen.append(shown)
            self.note(f"{' '.join(keys)}: {wanted}" + (f", Boot Next {shown[1]}, time-out {shown[2]} "
                                                       f"{shown[4]} row(s) below it"
                                                       if wanted == "Boot Maintenance Manager" else f", title {shown[3]}"))
            if number == 0:
                self.check_main_values(lines)
                self.run.screendump(("own-" if self.own else "") + "bmm-main.png")
                self.boot_from_file()
        return self.seen

    def title_of(self, lines, wanted):
        """A subpage's title: the one in OVMF's title box; the last name of the engine's
        path from the form set's tab, which must be the manager's."""
        if wanted in ("front page", "Boot Maintenance Manager") or len(lines) < 2:
            return None
        if self.own:
            return lines[1].strip("│ ")
        path = [name.strip() for name in lines[1].split(" > ")]
        if len(path) < 2 or path[0] != "Boot Maintenance Manager":
            self.fail(f"{wanted}: the title line '{lines[1].strip()}' is not the path from Boot Maintenance Manager")
        return path[-1]

    def check_main_values(self, lines):
        boot_next, timeout = value_of(self.t, lines, "Boot Next Value"), value_of(self.t, lines, "Auto Boot Time-out")
        if boot_next != NO_BOOT_NEXT or timeout != STORED_TIMEOUT:
            self.fail(f"the main page shows Boot Next {boot_next!r} and time-out {timeout!r}, "
                      f"not the stored {NO_BOOT_NEXT} and {STORED_TIMEOUT}")

    def boot_from_file(self):
        """Boot From File: OVMF's own browser shows the file explorer, which Esc leaves; the
        engine refuses the file explorer's nested SendForm with its message, and Enter
        closes the message on the page the user was on."""
        mark = len(self.session.output())
        for key in ["pgup", "down", "down", "down", "enter"]:
            self.press(key, mark)
        if self.own:
            if not self.session.wait_until(lambda s: FILE_EXPLORER in s.text(), self.t.KEY_LIMIT_S, settle=0.5):
                self.fail(f"Boot From File showed no '{FILE_EXPLORER}'")
            self.note(f"Boot From File: '{FILE_EXPLORER}'")
            self.press("esc", mark)
        else:
            # The message box wraps the text inside its frame.
            if not self.session.wait_until(lambda s: REFUSED in " ".join(s.text().replace("│", " ").split()),
                                           self.t.KEY_LIMIT_S, settle=0.5):
                self.fail(f"Boot From File: no '{REFUSED}'")
            self.note(f"Boot From File: '{REFUSED}'")
            self.run.screendump("bmm-boot-from-file.png")
            self.press("enter", mark)
        self.wait_page("Boot Maintenance Manager", "after Boot From File")
        self.note("after Boot From File: Boot Maintenance Manager again")


def compare(own, ours):
    """The engine's walk must show, step by step, what OVMF's own showed."""
    differences = []
    for number, (theirs, mine) in enumerate(zip(own, ours)):
        if theirs != mine:
            differences.append(f"step {number + 1}: OVMF's own {theirs}, the engine's {mine}")
    if len(own) != len(ours):
        differences.append(f"OVMF's own walk has {len(own)} steps, the engine's {len(ours)}")
    return differences
