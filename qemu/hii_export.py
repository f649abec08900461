"""What an HII database export holds of its form sets, read through the shared tool's tree
listing (hiidump.py --tree): each form set's title and forms, each form's prompts in order
with their options, and whether a condition may hide them."""
import re
import subprocess
import sys

FORM_SET = re.compile(r"FORM_SET \{ guid (\S+) title #\d+ '(.*?)'")
FORM = re.compile(r"FORM \{ id (\d+) title #\d+ '(.*?)'")
PROMPT = re.compile(r"(\w+) \{? ?prompt #\d+ '(.*?)'")
OPTION = re.compile(r"ONE_OF_OPTION option #\d+ '(.*?)'")
HIDING = ("SUPPRESS_IF", "DISABLE_IF")


class Statement:
    def __init__(self, opcode, prompt, conditional):
        self.opcode = opcode
        self.prompt = prompt
        self.conditional = conditional  # inside a condition that may hide it
        self.options = []


class Form:
    def __init__(self, form_id, title):
        self.id = form_id
        self.title = title
        self.statements = []

    def prompts(self, shown_only=False):
        """Non-empty prompts in order; `shown_only` leaves out those a condition may hide."""
        return [s.prompt for s in self.statements
                if s.prompt.strip() and not (shown_only and s.conditional)]


class FormSet:
    def __init__(self, guid, title):
        self.guid = guid
        self.title = title
        self.forms = []


def parse_tree(text):
    """{guid: FormSet} from hiidump.py --tree output."""
    form_sets, current, form, hiding = {}, None, None, []
    for line in text.splitlines():
        depth = len(line) - len(line.lstrip(" "))
        body = line.strip()
        while hiding and depth <= hiding[-1]:
            hiding.pop()
        m = FORM_SET.match(body)
        if m:
            current = form_sets.setdefault(m.group(1).upper(), FormSet(m.group(1).upper(), m.group(2)))
            form = None
            continue
        m = FORM.match(body)
        if m and current is not None:
            form = Form(int(m.group(1)), m.group(2))
            current.forms.append(form)
            continue
        if body.split(" ")[0] in HIDING:
            hiding.append(depth)
            continue
        m = OPTION.match(body)
        if m and form is not None and form.statements:
            form.statements[-1].options.append(m.group(1))
            continue
        m = PROMPT.match(body)
        if m and form is not None:
            form.statements.append(Statement(m.group(1), m.group(2), bool(hiding)))
    return form_sets


def read_export(hiidump, export):
    """The form sets of an export, through the tool (run with this interpreter)."""
    out = subprocess.run([sys.executable, hiidump, "--tree", export], check=True,
                         capture_output=True, text=True).stdout
    return parse_tree(out)
