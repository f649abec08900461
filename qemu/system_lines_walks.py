"""The front page's system lines, compared with OVMF's own browser.

OVMF's front page carries banner opcodes whose texts its driver fills from the SMBIOS
tables before it shows the page: the machine (type 1's product name), the processor
(type 4's version) and its speed, the firmware version (type 0) and the memory (type
19's ranges). OVMF's own browser draws them as the front page's header lines, each
line's left and right texts on one row. The walk boots the same machine once more
without our loader, enters OVMF's own front page with Esc during the boot manager's
time-out, reads those lines there, and requires each of them on our front page, in the
same order and with the same texts on one row.
"""
import os
import re
import shutil
import tempfile
import time

import boot_test
import parity_walks
import qemu_session

OWN_LIMIT_S = 60
OWN_FRONT_PAGE_ITEM = "Select Language"


def header_lines(lines):
    """The texts of each non-empty row above the front page's first item."""
    found = []
    for line in lines:
        if OWN_FRONT_PAGE_ITEM in line:
            return found
        texts = [text for text in re.split(r"\s{2,}", line.strip()) if text]
        if texts:
            found.append(texts)
    return None


def own_front_page_lines(out_dir):
    """OVMF's own front page on the same machine and a fresh copy of its variables: Esc
    during the boot manager's time-out, then its header lines."""
    with tempfile.TemporaryDirectory(prefix="setup-own-") as tmp:
        disk = os.path.join(tmp, "disk")
        os.makedirs(disk)                      # nothing of ours on it
        vars_copy = os.path.join(tmp, "vars.fd")
        shutil.copyfile(boot_test.OVMF_VARS, vars_copy)
        cmd = boot_test.qemu_command(disk, vars_copy, False, boot_test.OVMF_CODE, monitor=False)
        session = qemu_session.QemuSession(cmd, tmp)
        try:
            deadline = time.monotonic() + OWN_LIMIT_S
            while time.monotonic() < deadline and OWN_FRONT_PAGE_ITEM not in session.text():
                session.key("esc")
                time.sleep(0.5)
            if not session.wait_until(lambda s: header_lines(s.lines()), 10, settle=1.0):
                return None, session.lines()
            session.screendump(os.path.join(out_dir, "own-front-page.png"))
            return header_lines(session.lines()), session.lines()
        finally:
            session.stop()


def system_lines(walks):
    """Our front page shows OVMF's system lines as OVMF's own front page does."""
    run, session, t = walks.run, walks.session, walks.t
    own, screen = own_front_page_lines(run.out_dir)
    if not own:
        walks.fail("OVMF's own front page showed no header lines:\n" + "\n".join(screen))
    run.note(f"OVMF's own front page: {own}")
    rows = [[text for text in re.split(r"\s{2,}", row.strip().lstrip(t.ROW_MARKERS).strip()) if text]
            for row in t.body_rows(session.lines())]
    at = -1
    for texts in own:
        found = [i for i, row in enumerate(rows) if i > at and row[:len(texts)] == texts]
        if not found:
            walks.fail(f"our front page has no row {texts} after row {at}: {rows}")
        at = found[0]
    first_item = next((i for i, row in enumerate(rows) if row and row[0] == OWN_FRONT_PAGE_ITEM), None)
    if first_item is None or first_item < at:
        walks.fail(f"the system lines are not above the front page's items: {rows}")
    if parity_walks.RESTARTED in session.output():
        walks.fail("the loader started again")
    run.note(f"our front page shows the same lines above its items: {own}")
    run.screendump("front-page-system-lines.png")


parity_walks.WALKS["parity_system_lines"] = system_lines
