"""The Linux side of the Wine rig, shared by the end-to-end tests, the demo, the soak and the
benchmark: the project's Wine prefix, pseudo-terminal pairs as COM ports, test printers whose port
is a file (through printer_rig.exe), and quenbrel.exe spoken to directly over the stand-in
engine's driver connection (frames as in standins/driver_link/driver_frames.h), and what programs
leave in the prefix (files, registry). Every wait is bounded; traffic stays on 127.0.0.1.
"""
import contextlib
import os
import re
import select
import shutil
import socket
import struct
import subprocess
import tempfile
import time
import tty

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
BUILD = os.path.join(ROOT, "build", "win")
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")
PROGRAM_FILES = ("quenbrel.exe", "flutter_windows.dll", "flutter_inappwebview_windows_plugin.dll")
SERIAL_LABEL = " (port Bluetooth / serie)"
PRINTER_LABEL = " (imprimante Windows)"
DRIVER = "Quenbrel Test Driver"
PPD = os.path.join(ROOT, "standins", "printer_rig", "qbtest.ppd")
WAIT = 30  # seconds: the bound of any single wait


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.02)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_captured(command, timeout=WAIT, env=None):
    """Runs to exit; output goes through files, not pipes, which Wine's helper processes would
    keep open for seconds after the program ends. Returns (status, stdout, stderr)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(command, stdout=out, stderr=err, timeout=timeout, env=env).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace")


def run(*command, timeout=WAIT, env=None):
    """Runs to exit; (status, standard output then error, with Windows' line ends made Linux's)."""
    code, out, err = run_captured(list(command), timeout, env)
    return code, out.replace("\r\n", "\n") + err


def ports_dir():
    """Where the prefix's COM5..COM8 lead (see tools/wine-prefix)."""
    return subprocess.run(["bash", "-c", 'source "$1"; echo "$QUENBREL_WINE_PORTS"', "-",
                           os.path.join(ROOT, "tools", "wine-env")],
                          check=True, capture_output=True, text=True, timeout=10).stdout.strip()


@contextlib.contextmanager
def pty_pair(work, port, termios_opts=""):
    """A pseudo-terminal pair: Wine opens the first path as |port|, the test the second."""
    paths = (os.path.join(ports_dir(), port.lower()), os.path.join(work, port.lower() + "-far"))
    for path in paths:
        if os.path.lexists(path):
            os.unlink(path)
    socat = subprocess.Popen(["socat", "pty,raw,echo=0%s,link=%s" % (termios_opts, paths[0]),
                              "pty,raw,echo=0,link=%s" % paths[1]],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: all(os.path.exists(p) for p in paths), 5, "socat's links")
        yield paths
    finally:
        socat.kill()
        socat.wait(timeout=5)
        for path in paths:
            if os.path.lexists(path):
                os.unlink(path)


@contextlib.contextmanager
def pty_master(port):
    """One pseudo-terminal, without socat: Wine opens its slave as |port|; yields the master
    (non-blocking), where the bytes sent arrive. It holds about 20 KB, and a reader slower than a
    few KB/s leaves each write of the port waiting out its whole time-out before Wine takes it."""
    master, slave = os.openpty()
    tty.setraw(slave)
    link = os.path.join(ports_dir(), port.lower())
    try:
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.ttyname(slave), link)
        os.set_blocking(master, False)
        yield master
    finally:
        if os.path.lexists(link):
            os.unlink(link)
        os.close(slave)
        os.close(master)


def read_far(path, size, seconds):
    """Reads up to |size| bytes from the far side of a pseudo-terminal pair within |seconds|."""
    fd = os.open(path, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    received = bytearray()
    deadline = time.monotonic() + seconds
    try:
        while len(received) < size and time.monotonic() < deadline:
            if select.select([fd], [], [], 0.1)[0]:
                received += os.read(fd, 65536)
    finally:
        os.close(fd)
    return bytes(received)


def drain(path, stop):
    """Reads the far side of a pseudo-terminal until |stop| is set (a thread's body); the count."""
    fd = os.open(path, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    total = 0
    try:
        while not stop.is_set():
            if select.select([fd], [], [], 0.1)[0]:
                try:
                    total += len(os.read(fd, 65536))
                except BlockingIOError:
                    pass
    finally:
        os.close(fd)
    return total


def answering_printer(far, answers, command):
    """Runs |command| while a stand-in serial printer on the far side |far| of a port answers each
    real-time status request (DLE EOT n) with answers[n - 1], and nothing past their end. Returns
    (exit code, output, error output, all the printer heard)."""
    fd = os.open(far, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    heard, answered, deadline = b"", 0, time.monotonic() + 2 * WAIT
    try:
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(command, stdout=out, stderr=err)
            while time.monotonic() < deadline:
                ended = process.poll() is not None
                try:
                    data = os.read(fd, 64) if select.select([fd], [], [], 0.05)[0] else None
                except OSError:
                    data = b""
                if ended and not data:
                    break
                time.sleep(0.05 if data == b"" else 0)  # the port closed: wait for it to reopen
                heard += data or b""
                requests = re.findall(rb"\x10\x04([\x01-\x04])", heard)[answered:]
                os.write(fd, bytes(answers[n[0] - 1] for n in requests if n[0] <= len(answers)))
                answered += len(requests)
            process.kill()
            out.seek(0), err.seek(0)
            return (process.wait(5), *(f.read().decode("utf-8", "replace") for f in (out, err)),
                    heard)
    finally:
        os.close(fd)


def _received(peer):
    """What |peer| sent (b"" once it closed or reset the connection)."""
    try:
        return peer.recv(64)
    except ConnectionError:
        return b""


def _sent(peer, byte):
    """Whether |byte| went to |peer| (not when it has closed the connection)."""
    try:
        return peer.sendall(bytes([byte])) is None
    except ConnectionError:
        return False


def network_printer(behaviour, command, set_port):
    """Runs |command| while a stand-in network receipt printer plays |behaviour| on 127.0.0.1, at
    a port number first handed to |set_port|: answers (each DLE EOT n answered with answers[n - 1],
    0.1 s after it came, and nothing past their end), "close" (each connection closed at once),
    "busy" (its one connection held by another computer and its queue of waiting ones full, so that
    a new one is never made) or "refuse" (nothing listens). Returns (exit code, output, error
    output, what it heard: (bytes, answers sent before they came) a read, seconds the run took)."""
    listener, other, peers, heard, answered = socket.socket(), None, [], [], 0
    listener.bind(("127.0.0.1", 0))
    set_port(listener.getsockname()[1])
    if behaviour == "refuse":
        listener.close()
    else:
        listener.listen(0 if behaviour == "busy" else 1)
        if behaviour == "busy":
            other = socket.create_connection(listener.getsockname(), timeout=WAIT)
    start, deadline = time.monotonic(), time.monotonic() + 2 * WAIT
    try:
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(command, stdout=out, stderr=err)
            while process.poll() is None and time.monotonic() < deadline:
                ears = peers + ([listener] if behaviour not in ("refuse", "busy") else [])
                if not ears:
                    time.sleep(0.05)
                for ear in select.select(ears, [], [], 0.05)[0] if ears else []:
                    if ear is listener:
                        peers.append(listener.accept()[0])
                        if behaviour == "close":
                            peers.pop().close()
                        continue
                    data = _received(ear)
                    while data:
                        heard.append((data, answered))
                        for n in re.findall(rb"\x10\x04([\x01-\x04])", data):
                            time.sleep(0.1)
                            if n[0] <= len(behaviour) and _sent(ear, behaviour[n[0] - 1]):
                                answered += 1
                        # What came before the answer, if anything.
                        data = _received(ear) if select.select([ear], [], [], 0)[0] else None
                    if data == b"":
                        peers.remove(ear)
                        ear.close()
            took = time.monotonic() - start
            process.kill()
            out.seek(0), err.seek(0)
            return (process.wait(5), *(f.read().decode("utf-8", "replace") for f in (out, err)),
                    heard, took)
    finally:
        for s in [listener, other] + peers:
            if s:
                s.close()


class Printers:
    """Test printers in the prefix, through printer_rig.exe; names go hex-encoded."""

    def __init__(self, rig=os.path.join(BUILD, "standins", "printer_rig", "printer_rig.exe")):
        self.rig = rig

    def run(self, *argv):
        code, out, err = run_captured([WINE_RUN, self.rig, *argv])
        check(code == 0, "printer_rig %s exited with %d: %s" % (argv[0], code, err))
        return out

    def delete(self, name):
        """Deletes the printer |name|; whether it was there."""
        return run_captured([WINE_RUN, self.rig, "delete", name.encode().hex()])[0] == 0

    @contextlib.contextmanager
    def printer(self, name, output):
        """A RAW printer named |name| whose port is the file |output|; deleted afterwards."""
        self.run("driver", DRIVER, windows_path(PPD))
        self.run("add", name.encode().hex(), DRIVER, output)
        try:
            yield output
        finally:
            self.delete(name)


# --- the standard message codec, as much as the calls and replies need ---------------------------


def _size(n):
    if n < 254:
        return bytes([n])
    return b"\xfe" + struct.pack("<H", n) if n <= 0xFFFF else b"\xff" + struct.pack("<I", n)


def value(v):
    if v is None:
        return b"\x00"
    if isinstance(v, str):
        raw = v.encode("utf-8")
        return b"\x07" + _size(len(raw)) + raw
    if isinstance(v, (bytes, bytearray)):
        return b"\x08" + _size(len(v)) + bytes(v)
    if isinstance(v, list):
        return b"\x0c" + _size(len(v)) + b"".join(value(x) for x in v)
    if isinstance(v, dict):
        return b"\x0d" + _size(len(v)) + b"".join(value(k) + value(x) for k, x in v.items())
    raise TypeError(type(v))


def call(method, arguments=None):
    return value(method) + value(arguments)


def print_call(device, ticket):
    return call("print", {"device": device, "bytes": ticket})


def success(result=None):
    return b"\x00" + value(result)


def error(code, message):
    return b"\x01" + value(code) + value(message or None) + value(None)


def is_busy(reply):
    return reply.startswith(b"\x01" + value("busy"))


def is_success(reply):
    return reply[:1] == b"\x00"


def is_error(reply, code):
    return reply.startswith(b"\x01" + value(code))


class Host:
    """quenbrel.exe run from a copy in |work| (made from |bin_dir|), or where it is when
    |program| gives its path (an installed one), connected as its driver."""

    def __init__(self, work, bin_dir=os.path.join(BUILD, "host"), arguments=(), env=None,
                 program=None, launcher=()):
        """|launcher|: a Windows program and its arguments that start the program (by its Windows
        path) in its stead."""
        if program is None:
            run = os.path.join(work, "run")
            os.makedirs(run, exist_ok=True)
            for name in PROGRAM_FILES:
                shutil.copy(os.path.join(bin_dir, name), run)
            program = os.path.join(run, "quenbrel.exe")
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(WAIT)
        env = dict(os.environ, QUENBREL_TEST_ENGINE_PORT=str(self.listener.getsockname()[1]),
                   **(env or {}))
        self.log = tempfile.TemporaryFile()
        program = windows_path(program) if launcher else program
        self.process = subprocess.Popen([WINE_RUN, *launcher, program, *arguments], env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=self.log)
        self.sock, self.pending, self.next_id = None, b"", 1
        self.replies = {}  # id -> list of replies (more than one is a fault)
        self.events = []

    def connect(self):
        """Waits for the engine's connection and its "ready" event; self, for chaining."""
        try:
            self.sock, _ = self.listener.accept()
        except socket.timeout:
            raise Failure("the host did not connect; log:\n" + self.stderr())
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.wait(lambda: "ready" in self.events, "the ready event")
        return self

    def frame(self, kind, body=b""):
        self.sock.sendall(struct.pack("<I", len(body) + 1) + kind + body)

    def send(self, message, channel="quenbrel/printer"):
        message_id = self.next_id
        self.next_id += 1
        name = channel.encode("utf-8")
        self.frame(b"M", struct.pack("<IH", message_id, len(name)) + name + message)
        return message_id

    def _read(self, timeout):
        if not select.select([self.sock], [], [], timeout)[0]:
            return
        data = self.sock.recv(1 << 20)
        if not data:
            raise Failure("the host closed the connection; log:\n" + self.stderr())
        self.pending += data
        while len(self.pending) >= 4:
            (n,) = struct.unpack_from("<I", self.pending)
            if len(self.pending) < 4 + n:
                break
            kind, body = self.pending[4:5], self.pending[5:4 + n]
            self.pending = self.pending[4 + n:]
            if kind == b"R":
                (message_id,) = struct.unpack_from("<I", body)
                self.replies.setdefault(message_id, []).append(body[4:])
            elif kind == b"E":
                self.events.append(body.decode("utf-8", "replace"))

    def wait(self, predicate, what, seconds=WAIT):
        deadline = time.monotonic() + seconds
        while not predicate():
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("timed out waiting for %s; log:\n%s" % (what, self.stderr()))
            self._read(min(left, 0.5))

    def event(self, prefix):
        """The first event starting with |prefix|, once it has come; it is used up."""
        def first():
            return next((e for e in self.events if e.startswith(prefix)), None)
        self.wait(lambda: first() is not None, "an event %r" % prefix)
        found = first()
        self.events.remove(found)
        return found

    def reply(self, message_id):
        self.wait(lambda: message_id in self.replies, "the reply to message %d" % message_id)
        return self.replies[message_id][0]

    def round_trip(self, message, channel="quenbrel/printer"):
        return self.reply(self.send(message, channel))

    def window_message(self, message, wparam=0, rect=None):
        """Sends a window message to the host's window on its thread; the result."""
        self.frame(b"W", struct.pack("<IQ", message, wparam) +
                   (struct.pack("<4i", *rect) if rect else b""))
        return int(self.event("result ").split()[1])

    def geometry(self):
        """The window: [visible, x, y, w, h, style, client w, client h, view x, y, w, h, the
        view has the focus]."""
        self.frame(b"G")
        return [int(w, 16) if i == 5 else int(w) for i, w in
                enumerate(self.event("window ").split()[1:])]

    def status(self, field):
        """A number from the kernel's status of the Wine process running the program (it is the
        started pid): "VmRSS" (resident memory, KiB), "Threads" (each Windows thread is one)."""
        with open("/proc/%d/cmdline" % self.process.pid, "rb") as f:
            if b"quenbrel.exe" not in f.read():
                raise Failure("process %d is not the program" % self.process.pid)
        with open("/proc/%d/status" % self.process.pid) as f:
            return next(int(line.split()[1]) for line in f if line.startswith(field + ":"))

    def quit(self):
        """Closes the window as the user would; the exit code."""
        self.frame(b"Q")
        return self.exit_code()

    def exit_code(self):
        try:
            return self.process.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise Failure("the host did not exit; log:\n" + self.stderr())

    def stderr(self):
        """The host's log so far. Wine's console helper may write it a moment after the exit."""
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=WAIT)
        for s in (self.sock, self.listener):
            if s:
                s.close()
        self.log.close()


@contextlib.contextmanager
def private_prefix(work):
    """The block runs with a prefix of its own in |work| (made by prepare()); its wineserver is
    stopped at the end."""
    os.environ["QUENBREL_WINE_ROOT"] = os.path.join(work, "wine")
    try:
        yield
    finally:
        subprocess.run(["bash", "-c", 'source "$1" && wineserver -k', "-",
                        os.path.join(ROOT, "tools", "wine-env")], timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def prepare():
    """The project's prefix, made if needed, with its wineserver running."""
    subprocess.run([os.path.join(ROOT, "tools", "wine-prefix")], check=True, timeout=300)


# What programs leave in the prefix (QUENBREL_WINE_ROOT's, as tools/wine-env chooses it).
def local(windows_path):
    """Where a path of the prefix's drive C: is, seen from Linux."""
    root = os.environ.get("QUENBREL_WINE_ROOT", os.path.join(ROOT, "build", "wine"))
    return os.path.join(root, "prefix", "drive_c", *windows_path[3:].split("\\"))


def tree(root, read=True):
    """Every folder (None) and file (its bytes if |read|) under |root|, by relative path."""
    return {os.path.relpath(os.path.join(d, n), root): None if n in dirs or not read else
            open(os.path.join(d, n), "rb").read() for d, dirs, names in os.walk(root)
            for n in dirs + names}


def _unquoted(text):  # a name or a string as reg export writes it
    return text[1:-1].replace('\\"', '"').replace("\\\\", "\\") if text[:1] == '"' else text


def registry(*roots, **match):
    """The keys under |roots| that hold the values |match|, apart from Wine's own, as {key: {name:
    data}} (strings unquoted, other data as reg export writes it)."""
    keys = {}
    for root in roots:
        status = run_captured([WINE_RUN, "reg", "export", root, "C:\\export.reg", "/y"])[0]
        check(status == 0, "reg export " + root)
        with open(local("C:\\export.reg"), "rb") as f:
            text = f.read().decode("utf-16").replace("\\\r\n  ", "").replace("\r\n", "\n")
        for block in text.split("\n[")[1:]:
            key, _, values = block.partition("]\n")
            keys[key] = {_unquoted(n): _unquoted(d) for n, d in
                         re.findall(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', values, re.M)}
    os.unlink(local("C:\\export.reg"))
    return {k: v for k, v in keys.items()
            if "\\Software\\Wine\\" not in k and match.items() <= v.items()}
