"""quenbrel.exe under Wine, spoken to directly over the stand-in engine's driver connection.

Shared by tools/soak and tools/wine-bench. Frames (see standins/driver_link/driver_frames.h): a
4-byte little-endian count, a type byte, a body. Every wait is bounded; traffic stays on 127.0.0.1.
"""
import os
import select
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import wine_printer_test as rig  # noqa: E402  (pseudo-terminals, test printers, Wine helpers)

BUILD = os.path.join(ROOT, "build", "win")
BIN = os.path.join(BUILD, "tests", "e2e", "bin")
PROBE = os.path.join(BUILD, "tests", "wine", "printer_probe.exe")
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")
PROGRAM_FILES = ("quenbrel.exe", "flutter_windows.dll", "flutter_inappwebview_windows_plugin.dll")
WAIT = 30  # seconds: the bound of any single wait

# --- the standard message codec, as much as the calls need ---------------------------------------


def _size(n):
    if n < 254:
        return bytes([n])
    if n <= 0xFFFF:
        return b"\xfe" + struct.pack("<H", n)
    return b"\xff" + struct.pack("<I", n)


def value(v):
    if v is None:
        return b"\x00"
    if isinstance(v, str):
        raw = v.encode("utf-8")
        return b"\x07" + _size(len(raw)) + raw
    if isinstance(v, (bytes, bytearray)):
        return b"\x08" + _size(len(v)) + bytes(v)
    if isinstance(v, dict):
        return b"\x0d" + _size(len(v)) + b"".join(value(k) + value(x) for k, x in v.items())
    raise TypeError(type(v))


def call(method, arguments=None):
    return value(method) + value(arguments)


def print_call(device, ticket):
    return call("print", {"device": device, "bytes": ticket})


def is_busy(reply):
    return reply.startswith(b"\x01" + value("busy"))


def is_success(reply):
    return reply[:1] == b"\x00"


def is_error(reply, code):
    return reply.startswith(b"\x01" + value(code))


# --- the host --------------------------------------------------------------------------------------


class Failure(Exception):
    pass


class Host:
    """Starts quenbrel.exe from a copy in |work| and accepts its engine's driver connection."""

    def __init__(self, work):
        run = os.path.join(work, "run")
        os.makedirs(run, exist_ok=True)
        for name in PROGRAM_FILES:
            shutil.copy(os.path.join(BIN, name), run)
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        env = dict(os.environ, QUENBREL_TEST_ENGINE_PORT=str(self.listener.getsockname()[1]))
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen([WINE_RUN, os.path.join(run, "quenbrel.exe")], env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        self.listener.settimeout(WAIT)
        try:
            self.sock, _ = self.listener.accept()
        except socket.timeout:
            raise Failure("the host did not connect; log:\n" + self.stderr())
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.pending = b""
        self.replies = {}  # id -> list of replies (more than one is a fault)
        self.events = []
        self.next_id = 1
        self.wait(lambda: "ready" in self.events, "the ready event")

    def send(self, message, channel="quenbrel/printer"):
        message_id = self.next_id
        self.next_id += 1
        name = channel.encode("utf-8")
        body = b"M" + struct.pack("<IH", message_id, len(name)) + name + message
        self.sock.sendall(struct.pack("<I", len(body)) + body)
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

    def reply(self, message_id):
        self.wait(lambda: message_id in self.replies, "the reply to message %d" % message_id)
        return self.replies[message_id][0]

    def round_trip(self, message, channel="quenbrel/printer"):
        return self.reply(self.send(message, channel))

    def resident_kib(self):
        """The resident memory of the Wine process running the program (it is the started pid)."""
        with open("/proc/%d/cmdline" % self.process.pid, "rb") as f:
            if b"quenbrel.exe" not in f.read():
                raise Failure("process %d is not the program" % self.process.pid)
        with open("/proc/%d/status" % self.process.pid) as f:
            return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))

    def quit(self):
        """Closes the window as the user would; the exit code."""
        self.sock.sendall(struct.pack("<I", 1) + b"Q")
        try:
            return self.process.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise Failure("the host did not exit; log:\n" + self.stderr())

    def stderr(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=WAIT)
        for s in (getattr(self, "sock", None), self.listener):
            if s:
                s.close()
        self.log.close()


def wine(work):
    """The printer rig of tests/wine on the project's prefix, with its test printer driver."""
    import argparse
    w = rig.Wine(argparse.Namespace(wine_run=WINE_RUN, probe=PROBE), work)
    rig.case_driver(w)
    return w


def drain(path, stop):
    """Reads the far side of a pseudo-terminal until |stop| is set (a thread's body)."""
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


def check_build():
    for path in [PROBE] + [os.path.join(BIN, n) for n in PROGRAM_FILES]:
        if not os.path.exists(path):
            sys.exit("missing %s: build the Windows tree first (see README)" % path)
    subprocess.run([os.path.join(ROOT, "tools", "wine-prefix")], check=True, timeout=120)
