"""Device Manager's pages, walked with the same keys through OVMF's own browser and through
the engine's, as bmm_walk.py walks Boot Maintenance Manager's: each of Device Manager's
items opens its driver's page, and Esc comes back to Device Manager. Each page must show
the same statements in the same order, with the same blank rows between them, as OVMF's
own shows them.

Where the two differ by design, and the walk does not compare: OVMF's own titles a page
with its form's title ("RAM Disk HII Main Screen"), the engine with its form set's;
OVMF's values sit in its own marks (<Standard Mode>, [ ], _ for an empty string); and the
two prompt columns have different widths, so a long prompt wraps elsewhere: the words of
the prompts are compared, not where they wrap.
"""
import bmm_walk

DEVICES_LIST = "Devices List"
# Device Manager's items in OVMF's order, the first under PgUp's focus.
ITEMS = ["Secure Boot Configuration", "Driver Health Manager", "RAM Disk Configuration", "Tls Auth Configuration",
         "OVMF Platform Configuration", "iSCSI Configuration"]
# A run of blank rows this long ends a page's statements (what follows is the engine's
# key help and bottom line, or OVMF's empty rows above its key box).
PAGE_END_BLANKS = 3
# Statements start near the left edge in both browsers; a row whose text starts this far
# in holds only help, key help or the bottom line (a page without statements leaves the
# pane's edge to be guessed).
STATEMENT_INDENT = 20


def statement_rows(t, lines):
    """The page's rows from its first statement to its last, each as its prompt's words
    (an empty list for a blank row), values and help left out."""
    rows = [t.prompt_part(row).split() if len(row) - len(row.lstrip()) < STATEMENT_INDENT else []
            for row in bmm_walk.page_rows(t, lines)]
    while rows and not rows[0]:
        rows.pop(0)
    for at in range(len(rows)):
        if rows[at:at + PAGE_END_BLANKS] == [[]] * PAGE_END_BLANKS:
            rows = rows[:at]
            break
    while rows and not rows[-1]:
        rows.pop()
    return rows


def layout(rows):
    """The prompts' words in order, and where blank rows fall between them: a prompt
    wrapped onto the next row is the same statement either way."""
    words, blanks = [], []
    for row in rows:
        if row:
            words.extend(row)
        elif not blanks or blanks[-1] != len(words):
            blanks.append(len(words))
    return words, blanks


class DeviceWalk(bmm_walk.BmmWalk):
    def on_device_manager(self):
        return not self.t.prompts_in_order(bmm_walk.page_rows(self.t, self.session.lines()), [DEVICES_LIST] + ITEMS)

    def wait_device_manager(self, what):
        if not self.session.wait_until(lambda s: self.on_device_manager(), self.t.KEY_LIMIT_S, settle=0.5):
            self.fail(f"{what}: not Device Manager")

    def walk(self):
        """Every item's page, as this browser shows it."""
        self.enter_front_page()
        mark = len(self.session.output())
        for key in ["pgup", "down", "enter"]:
            self.press(key, mark)
        self.wait_device_manager("Device Manager from the front page")
        for number, item in enumerate(ITEMS):
            mark = len(self.session.output())
            for key in ["pgup"] + ["down"] * number + ["enter"]:
                self.press(key, mark)
            if not self.session.wait_until(lambda s: not self.on_device_manager(), self.t.KEY_LIMIT_S, settle=0.8):
                self.fail(f"{item}: Enter left Device Manager's page on screen")
            shown = layout(statement_rows(self.t, self.session.lines()))
            self.seen.append((item, shown))
            self.note(f"{item}: {' '.join(shown[0]) or '(no statements)'}; blank rows after word(s) {shown[1]}")
            self.press("esc", mark)
            self.wait_device_manager(f"Esc from {item}")
            if self.restarted(mark):
                self.fail(f"{item}: the browser was left and the loader started again")
        return self.seen
