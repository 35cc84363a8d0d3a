#!/usr/bin/env python3
"""Runs one case of the printer device side under Wine (Linux side of the test).

Serial cases link a fresh pseudo-terminal pair (socat) at the path the prefix maps to a COM port;
printer cases add a printer whose port is a file and delete it afterwards. Every wait is bounded.
Usage: wine_printer_test.py CASE --probe EXE --wine-run SCRIPT --work DIR
"""
import argparse
import contextlib
import os
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time

SERIAL_LABEL = " (port Bluetooth / serie)"
PRINTER_LABEL = " (imprimante Windows)"
DRIVER = "Quenbrel Test Driver"
PORT_STALLED = ("Envoi interrompu. Verifiez le ticket avant de reessayer pour eviter une "
                "reimpression.")
PRINTER_UNAVAILABLE = ("Imprimante Windows indisponible. Verifiez son installation et sa "
                       "connexion.")
# Every byte value, 256 times: 64 KiB, the largest ticket the app sends, more than the ~36 KB a
# pseudo-terminal pair buffers, so a writer without a reader stalls.
BIG_TICKET = bytes(range(256)) * 256

# The test driver's printer description, for wineps.drv.
PPD = os.path.join(os.path.dirname(os.path.abspath(__file__)), "qbtest.ppd")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def hexed(text):
    return text.encode("utf-8").hex()


def run_captured(command, timeout=30):
    """Runs to exit; output goes through files, not pipes, which Wine's helper processes would
    keep open for seconds after the program ends. Returns (status, stdout, stderr)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(command, stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read().decode("utf-8"), err.read().decode("utf-8", "replace")


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


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.02)


class Wine:
    def __init__(self, args, work):
        self.args, self.work = args, work
        self.ports = subprocess.run(
            ["bash", "-c", 'source "$1"; echo "$QUENBREL_WINE_PORTS"', "-",
             os.path.join(os.path.dirname(args.wine_run), "wine-env")],
            check=True, capture_output=True, text=True, timeout=10).stdout.strip()

    def probe_command(self, *argv):
        return [self.args.wine_run, self.args.probe, *argv]

    def probe(self, *argv):
        """Runs printer_probe to a zero exit; returns its output."""
        code, out, err = run_captured(self.probe_command(*argv))
        check(code == 0, "printer_probe %s exited with %d: %s" % (argv[0], code, err))
        return out

    def listed(self):
        return set(self.probe("list").splitlines())

    def ticket_file(self, ticket):
        path = os.path.join(self.work, "ticket.bin")
        with open(path, "wb") as f:
            f.write(ticket)
        return path

    def print_command(self, kind, device_id, ticket):
        return self.probe_command(kind, hexed(device_id), windows_path(self.ticket_file(ticket)))

    def expect_print(self, kind, device_id, ticket, said):
        """One print, which printer_probe must end with "ok" or "error<TAB>message"."""
        _, out, err = run_captured(self.print_command(kind, device_id, ticket))
        check(out == said + "\n", "probe said %r %r" % (out, err))


@contextlib.contextmanager
def pty_pair(wine, port, termios_opts=""):
    """A pseudo-terminal pair: Wine opens the first path as the COM port, the test the second."""
    paths = (os.path.join(wine.ports, port.lower()), os.path.join(wine.work, port.lower() + "-far"))
    for path in paths:
        if os.path.lexists(path):
            os.unlink(path)
    socat = subprocess.Popen(
        ["socat", "pty,raw,echo=0%s,link=%s" % (termios_opts, paths[0]),
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
def test_printer(wine, name):
    """A Wine printer whose port is a file; yields the file's path, deletes the printer after."""
    output = os.path.join(wine.work, "printer.out")
    wine.probe("add", hexed(name), DRIVER, output)
    try:
        yield output
    finally:
        wine.probe("delete", hexed(name))


def line_settings(fd):
    iflag, _, cflag, _, ispeed, ospeed, _ = termios.tcgetattr(fd)
    return {"speed": (ispeed, ospeed), "data bits": cflag & termios.CSIZE,
            "parity": bool(cflag & termios.PARENB), "two stop bits": bool(cflag & termios.CSTOPB),
            "rts/cts": bool(cflag & termios.CRTSCTS),
            "xon/xoff": bool(iflag & (termios.IXON | termios.IXOFF))}


# --- cases -------------------------------------------------------------------------------------


def case_driver(wine):
    wine.probe("driver", DRIVER, windows_path(PPD))


def case_serial_listed(wine):
    with pty_pair(wine, "COM5"):
        lines = wine.listed()
        check("serial:COM5\tCOM5" + SERIAL_LABEL in lines, "COM5 not listed: %r" % lines)


def case_serial_bytes(wine):
    expected_line = {"speed": (termios.B9600, termios.B9600), "data bits": termios.CS8,
                     "parity": False, "two stop bits": False, "rts/cts": False,
                     "xon/xoff": False}
    # Start from a line unlike the one the transport must set.
    with pty_pair(wine, "COM6", ",b115200,cs7,parenb=1,cstopb=1") as (wine_side, far), \
            tempfile.TemporaryFile() as probe_out:
        wine_fd = os.open(wine_side, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        check(line_settings(wine_fd) != expected_line, "the line already looks set")
        probe = subprocess.Popen(wine.print_command("serial", "serial:COM6", BIG_TICKET),
                                 stdout=probe_out, stderr=subprocess.STDOUT)
        try:
            # Nothing is read yet, so the writer stalls with the port held: look at its line now.
            wait_for(lambda: line_settings(wine_fd) == expected_line or probe.poll() is not None,
                     10, "the line settings")
            settings_while_open = line_settings(wine_fd)
            received = read_far(far, len(BIG_TICKET), 20)
            probe.wait(timeout=30)
        finally:
            if probe.poll() is None:
                probe.kill()
                probe.wait(timeout=10)
            os.close(wine_fd)
        probe_out.seek(0)
        out = probe_out.read().decode("utf-8")
    check(settings_while_open == expected_line,
          "line while open: %r, want %r" % (settings_while_open, expected_line))
    check(out == "ok\n", "probe said %r" % out)
    check(received == BIG_TICKET, "received %d bytes, first difference at %s" % (
        len(received), next((i for i, (a, b) in enumerate(zip(received, BIG_TICKET)) if a != b),
                            min(len(received), len(BIG_TICKET)))))


def case_serial_stalled(wine):
    with pty_pair(wine, "COM7"):
        wine.expect_print("serial", "serial:COM7", BIG_TICKET, "error\t" + PORT_STALLED)


def case_printer_listed(wine):
    name = "Caisse \u00e9t\u00e9 \u20ac %d" % os.getpid()
    with test_printer(wine, name):
        lines = wine.listed()
        check("printer:%s\t%s%s" % (name, name, PRINTER_LABEL) in lines,
              "printer not listed: %r" % lines)
    check(not any(line.startswith("printer:" + name) for line in wine.listed()),
          "printer still listed after its deletion")


def case_printer_bytes(wine):
    ticket = bytes(range(256)) * 16 + b"\x1b@Caisse 1\r\n\x00\xff"
    name = "Quenbrel Ticket %d" % os.getpid()
    with test_printer(wine, name) as output:
        wine.expect_print("spooler", "printer:" + name, ticket, "ok")

        def delivered():
            return os.path.exists(output) and open(output, "rb").read() == ticket
        try:
            wait_for(delivered, 15, "the job's bytes in the printer's file")
        except Failure:
            size = os.path.getsize(output) if os.path.exists(output) else None
            raise Failure("the printer's file (size %s) does not hold the ticket (%d bytes)"
                          % (size, len(ticket)))


def case_printer_missing(wine):
    wine.expect_print("spooler", "printer:Quenbrel Absente %d" % os.getpid(), b"ticket",
                      "error\t" + PRINTER_UNAVAILABLE)


def main(options, context, optional=()):
    """Runs the case named on the command line (a case_ function of the caller's module) on the
    context made from the arguments and a work folder of its own; prints PASS or FAIL."""
    parser = argparse.ArgumentParser()
    parser.add_argument("case")
    for option in options:
        parser.add_argument(option, required=True)
    for option in optional:
        parser.add_argument(option)
    args = parser.parse_args()
    case = getattr(sys.modules["__main__"], "case_" + args.case, None)
    if case is None:
        sys.exit("unknown case " + args.case)
    work = os.path.join(os.path.abspath(args.work), "%s-%d" % (args.case, os.getpid()))
    os.makedirs(work, exist_ok=True)
    ctx = context(args, work)
    try:
        case(ctx)
    except (Failure, subprocess.TimeoutExpired, subprocess.CalledProcessError) as e:
        print("FAIL %s: %s" % (args.case, e))
        sys.exit(1)
    finally:
        getattr(ctx, "close", lambda: None)()
        shutil.rmtree(work, ignore_errors=True)
    print("PASS " + args.case)


if __name__ == "__main__":
    main(("--probe", "--wine-run", "--work"), Wine)
