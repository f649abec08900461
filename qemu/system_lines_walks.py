"""The front page's system lines, compared with OVMF's own browser.

OVMF's front page carries banner opcodes whose texts its driver fills from the SMBIOS
tables before it shows the page: the machine (type 1's product name), the processor
(type 4's version) and its speed, the firmware version (type 0) and the memory (type
19's ranges). OVMF's own browser draws them as the front page's header lines, each
line's left and right texts on one row. OVMF's own front page is read first, on the
same machine (own_browser.py), and each of its lines must show on our front page, in
the same order and with the same texts on one row.
"""
import re

import parity_walks

OWN_FRONT_PAGE_ITEM = "Select Language"
HEADER_LIMIT_S = 10


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


def own_front_page_lines(own):
    """OVMF's own front page's header lines."""
    if not own.session.wait_until(lambda s: header_lines(s.lines()), HEADER_LIMIT_S, settle=1.0):
        own.fail("its front page shows no header lines")
    own.screendump("own-front-page.png")
    lines = header_lines(own.session.lines())
    own.note(f"front page: {lines}")
    return lines


def system_lines(walks):
    """Our front page shows OVMF's system lines as OVMF's own front page does."""
    run, session, t = walks.run, walks.session, walks.t
    own = run.args.own
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
parity_walks.OWN_WALKS["parity_system_lines"] = own_front_page_lines
