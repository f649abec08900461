"""OVMF's own form browser on the same machine, as the reference of every walk that
compares ours with it: the same firmware with a fresh copy of its variables, entered
with Esc during the firmware's boot time-out (its front page, drawn by its own browser).
A walk here types the same keys as the engine's walk, or reads the same page, and
returns what OVMF's own showed, which the engine's walk then expects.

The disk holds nothing to boot unless the walk needs the engine's own disk (the same
boot options on both sides); the loader on it never starts while OVMF's front page is
entered in time, and a walk that depends on it says so."""
import os
import re
import shutil
import tempfile
import time

import boot_test
import qemu_session

FRONT_PAGE_LIMIT_S = 60
KEY_LIMIT_S = 8
ESC_EVERY_S = 0.3
LOADER_STARTED = "setup-qemu: loader started"
# OVMF's own browser draws the focused row on black; the page's body lies between its
# title box and its key-help box.
BODY_ROWS = range(3, 20)
PROMPT_COLUMN_LIMIT = 40
HELP_COLUMN = 56          # where its help pane starts on the 80-column screen


class OwnBrowserFailed(Exception):
    pass


class OwnBrowser:
    def __init__(self, session, out_dir):
        self.session = session
        self.out_dir = out_dir
        self.seen = []

    def note(self, text):
        self.seen.append(text)
        print(f"OVMF's own browser: {text}", flush=True)

    def press(self, key):
        self.session.key(key)
        time.sleep(0.2)
        self.session.wait_quiet(0.8, KEY_LIMIT_S)

    def shows(self, text):
        return text in self.session.text()

    def title(self):
        """The page's title: in the box atop a form, none on the front page."""
        top = " ".join(self.session.lines()[:3])
        return re.sub(r"[\s│┌┐└┘─]+", " ", top).strip()

    def focused(self):
        """The prompt of the body row with cells drawn on black (a link's prompt, or a
        question's value field), None when no row has any."""
        with self.session.lock:
            screen = self.session.screen
            for y in BODY_ROWS:
                text = screen.display[y]
                start = len(text) - len(text.lstrip(" >"))
                if start >= len(text.rstrip()) or start > PROMPT_COLUMN_LIMIT:
                    continue
                if any(screen.buffer[y][x].bg == "black" for x in range(start, HELP_COLUMN) if text[x].strip()):
                    return re.split(r"\s{2,}", text[start:].strip(), maxsplit=1)[0]
        return None

    def focus_on(self, prompt, steps=12):
        for key in ["down"] * steps + ["up"] * (2 * steps):
            if self.focused() == prompt:
                return
            self.press(key)
        raise OwnBrowserFailed(f"no focus on '{prompt}' (focused: {self.focused()!r})")

    def open(self, prompt, title):
        self.focus_on(prompt)
        self.press("enter")
        if not self.session.wait_until(lambda s: title in self.title(), KEY_LIMIT_S, settle=0.5):
            raise OwnBrowserFailed(f"Enter on '{prompt}' did not open '{title}' ({self.title()!r})")

    def screendump(self, name):
        self.session.screendump(os.path.join(self.out_dir, name))

    def fail(self, text):
        raise OwnBrowserFailed(text)


def run(walk, out_dir, disk=None, qemu_args=(), variables=None):
    """Boots OVMF, enters its own front page and runs `walk(OwnBrowser)`; its result is
    returned. `disk` is the folder the machine boots (an empty one when None: nothing
    to boot, the boot manager's time-out runs); `qemu_args` go to QEMU as well;
    `variables` is the variables file to boot with and keep, for a walk that boots
    again on what it saved (a fresh copy of OVMF's when None). A failure prints the
    screen it happened on; the console log lands in out_dir/own-browser-console.log."""
    with tempfile.TemporaryDirectory(prefix="ovmf-own-") as tmp:
        if disk is None:
            disk = os.path.join(tmp, "disk")
            os.makedirs(disk)
        if variables is None:
            variables = os.path.join(tmp, "vars.fd")
            shutil.copyfile(boot_test.OVMF_VARS, variables)
        cmd = boot_test.qemu_command(disk, variables, False, boot_test.OVMF_CODE, monitor=False) + list(qemu_args)
        session = qemu_session.QemuSession(cmd, tmp)
        try:
            deadline = time.monotonic() + FRONT_PAGE_LIMIT_S
            while "Boot Maintenance Manager" not in session.text():
                if time.monotonic() > deadline:
                    raise OwnBrowserFailed(f"no front page of OVMF's own within {FRONT_PAGE_LIMIT_S} s")
                session.key("esc")
                time.sleep(ESC_EVERY_S)
            session.wait_quiet(1.0, KEY_LIMIT_S)
            # On the engine's disk the loader would show the firmware's menu through ours.
            if LOADER_STARTED in session.output():
                raise OwnBrowserFailed("the boot time-out ran out: the disk's loader started")
            return walk(OwnBrowser(session, out_dir))
        except OwnBrowserFailed:
            lines = session.lines()
            print(f"--- OVMF's own browser's screen ({len(lines)} rows) ---")
            print("\n".join(lines))
            raise
        finally:
            session.stop()
            with open(os.path.join(out_dir, "own-browser-console.log"), "wb") as f:
                f.write(bytes(session.raw))
