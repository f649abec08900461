"""A headless QEMU run that a test can drive as a person would: keys typed through QMP,
the firmware's console read back from its serial terminal through a terminal emulator,
and screendumps of the display.

The serial console is the firmware's terminal (PC ANSI): escape sequences for colour and
cursor, box-drawing characters as code page 437 bytes.
"""
import json
import os
import socket
import subprocess
import sys
import threading
import time

try:
    import pyte
except ImportError:  # Debian's python3-pyte, when this interpreter is not Debian's own
    sys.path.append("/usr/lib/python3/dist-packages")
    try:
        import pyte
    except ImportError:
        pyte = None

# Large enough for every text mode the firmware's terminal offers (80x25, 80x50, 100x31):
# a smaller mode's output lands in the top-left corner.
SCREEN_COLUMNS = 100
SCREEN_ROWS = 50

# QMP qcode names of the keys a script may type.
KEYS = {
    "esc": "esc", "enter": "ret", "up": "up", "down": "down", "left": "left",
    "right": "right", "tab": "tab", "pgup": "pgup", "pgdn": "pgdn", "home": "home",
    "end": "end", "space": "spc", "+": "kp_add", "-": "kp_subtract",
    "f1": "f1", "f2": "f2", "f3": "f3", "f4": "f4", "f8": "f8", "f9": "f9", "f10": "f10",
}


class QmpError(RuntimeError):
    pass


class Qmp:
    """The QEMU machine protocol over a unix socket: one command at a time; events are
    read and dropped."""

    def __init__(self, path, timeout):
        deadline = time.monotonic() + timeout
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.sock.connect(path)
                break
            except OSError:
                self.sock.close()
                if time.monotonic() >= deadline:
                    raise QmpError(f"no QMP socket at {path} within {timeout} s")
                time.sleep(0.05)
        self.sock.settimeout(timeout)
        self.buffer = b""
        self._read()  # the greeting
        self.command("qmp_capabilities")

    def _read(self):
        while b"\n" not in self.buffer:
            data = self.sock.recv(65536)
            if not data:
                raise QmpError("QEMU closed its QMP socket")
            self.buffer += data
        line, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(line)

    def command(self, name, **arguments):
        message = {"execute": name}
        if arguments:
            message["arguments"] = arguments
        self.sock.sendall(json.dumps(message).encode() + b"\n")
        while True:
            reply = self._read()
            if "return" in reply:
                return reply["return"]
            if "error" in reply:
                raise QmpError(f"{name}: {reply['error'].get('desc', reply['error'])}")

    def close(self):
        self.sock.close()


class QemuSession:
    """QEMU with its serial console on pipes (its output fed to a terminal emulator, its
    input typed by `serial`) and QMP on a unix socket in `workdir`."""

    def __init__(self, cmd, workdir, qmp_timeout=10):
        if pyte is None:
            raise RuntimeError("python3-pyte is not installed")
        self.qmp_path = os.path.join(workdir, "qmp.sock")
        cmd = cmd + ["-qmp", f"unix:{self.qmp_path},server=on,wait=off"]
        self.screen = pyte.Screen(SCREEN_COLUMNS, SCREEN_ROWS)
        self.stream = pyte.Stream(self.screen)
        self.raw = bytearray()
        self.lock = threading.Lock()
        self.changed_at = time.monotonic()
        self.proc = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        self.reader = threading.Thread(target=self._read_console, daemon=True)
        self.reader.start()
        self.qmp = Qmp(self.qmp_path, qmp_timeout)

    def _read_console(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 65536)
            if not data:
                return
            with self.lock:
                self.raw += data
                self.stream.feed(data.decode("cp437"))
                self.changed_at = time.monotonic()

    def output(self):
        """Everything the console printed so far, as text."""
        with self.lock:
            return bytes(self.raw).decode("cp437")

    def lines(self):
        """The terminal's rows, trailing blanks removed; trailing empty rows dropped.

        On a 100-column screen OVMF's terminal writes the cursor moves to column 100 with a
        broken digit (`ESC[17;:0H`), so the last column lands elsewhere: the checks read
        the page's left pane and where the help pane starts, never column 100."""
        with self.lock:
            rows = [row.rstrip() for row in self.screen.display]
        while rows and not rows[-1]:
            rows.pop()
        return rows

    def text(self):
        return "\n".join(self.lines())

    def running(self):
        return self.proc.poll() is None

    def wait_until(self, predicate, timeout, settle=0.3):
        """Waits until predicate(self) holds on a screen that has been quiet for `settle`
        seconds; True when it did within `timeout`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                quiet = time.monotonic() - self.changed_at >= settle
            if quiet and predicate(self):
                return True
            if not self.running():
                return predicate(self)
            time.sleep(0.05)
        return False

    def wait_for_text(self, text, timeout, settle=0.3):
        return self.wait_until(lambda s: text in s.text(), timeout, settle)

    def wait_quiet(self, settle=0.5, timeout=10):
        return self.wait_until(lambda s: True, timeout, settle)

    def key(self, name):
        """Presses and releases one key (a name of KEYS, or a single letter or digit)."""
        code = KEYS.get(name, name)
        self.qmp.command("send-key", keys=[{"type": "qcode", "data": code}])

    def serial(self, data):
        """Types bytes on the serial console, as a terminal on the machine's serial port
        would (the firmware reads it as a keyboard too)."""
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def screendump(self, path):
        self.qmp.command("screendump", filename=path, format="png")

    def stop(self):
        try:
            self.qmp.command("quit")
        except (QmpError, OSError):
            pass  # QEMU may be gone already; it is killed below in any case
        self.qmp.close()
        try:
            self.proc.stdin.close()
        except OSError:
            pass  # QEMU gone: the pipe is broken, and nothing is left to type
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.reader.join(timeout=5)
        self.proc.stdout.close()
