#!/usr/bin/env python3
"""Runs one case of the printer device side under Wine (Linux side of the test).

Serial cases link a fresh pseudo-terminal pair (socat) at the path the prefix maps to a COM port;
printer cases add a printer whose port is a file and delete it afterwards. Every wait is bounded.
Usage: wine_printer_test.py CASE --probe EXE --setup EXE --wine-run SCRIPT --work DIR
"""
import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time

APOSTROPHE = "\u2019"
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

PPD = """*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QBTEST.PPD"
*Manufacturer: "Quenbrel"
*Product: "(Quenbrel Test)"
*ModelName: "Quenbrel Test"
*ShortNickName: "Quenbrel Test"
*NickName: "Quenbrel Test"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*TTRasterizer: Type42
*OpenUI *PageSize: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
"""


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def hexed(text):
    return text.encode("utf-8").hex()


def run_captured(command, timeout):
    """Runs to exit; output goes through files, not pipes, which Wine's helper processes would
    keep open for seconds after the program ends. Returns (status, stdout, stderr)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(command, stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read().decode("utf-8"), err.read().decode("utf-8", "replace")


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.02)


class Wine:
    def __init__(self, args):
        self.args = args
        out = subprocess.run(
            ["bash", "-c", 'source "$1"; echo "$QUENBREL_WINE_PORTS"', "-",
             os.path.join(os.path.dirname(args.wine_run), "wine-env")],
            check=True, capture_output=True, text=True, timeout=10)
        self.ports = out.stdout.strip()

    def command(self, exe, *argv):
        return [self.args.wine_run, exe, *argv]

    def run(self, exe, *argv, timeout=30):
        return run_captured(self.command(exe, *argv), timeout)

    def probe(self, *argv, timeout=30):
        code, out, err = self.run(self.args.probe, *argv, timeout=timeout)
        check(code == 0, "printer_probe %s exited with %d: %s" % (argv[0], code, err))
        return out

    def setup(self, *argv):
        code, _, err = self.run(self.args.setup, *argv)
        check(code == 0, "printer_setup %s failed: %s" % (argv[0], err))


class PtyPair:
    """A pseudo-terminal pair: Wine opens side `wine_side` as COMn; the test reads side `far`."""

    def __init__(self, wine, port, work, termios_opts=""):
        self.wine_side = os.path.join(wine.ports, port.lower())
        self.far = os.path.join(work, port.lower() + "-far")
        for path in (self.wine_side, self.far):
            if os.path.lexists(path):
                os.unlink(path)
        self.socat = subprocess.Popen(
            ["socat", "pty,raw,echo=0%s,link=%s" % (termios_opts, self.wine_side),
             "pty,raw,echo=0,link=%s" % self.far],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(self.wine_side) and os.path.exists(self.far), 5,
                 "socat's links")

    def close(self):
        self.socat.terminate()
        try:
            self.socat.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.socat.kill()
            self.socat.wait(timeout=5)
        for path in (self.wine_side, self.far):
            if os.path.lexists(path):
                os.unlink(path)


class TestPrinter:
    """A Wine printer whose port is a file; deleted on close."""

    def __init__(self, wine, name, work):
        self.wine = wine
        self.name = name
        self.output = os.path.join(work, "printer-%d.out" % os.getpid())
        if os.path.exists(self.output):
            os.unlink(self.output)
        wine.setup("add", hexed(name), DRIVER, self.output)

    def close(self):
        self.wine.setup("delete", hexed(self.name))


def listed(wine):
    return set(wine.probe("list").splitlines())


def print_ticket(wine, kind, device_id, ticket, work, timeout=30):
    path = os.path.join(work, "ticket-%d.bin" % os.getpid())
    with open(path, "wb") as f:
        f.write(ticket)
    return wine.command(wine.args.probe, kind, hexed(device_id), windows_path(path)), timeout


# --- cases -------------------------------------------------------------------------------------


def case_driver(wine, work):
    ppd = os.path.join(work, "qbtest.ppd")
    with open(ppd, "w", encoding="ascii") as f:
        f.write(PPD)
    wine.setup("driver", DRIVER, windows_path(ppd))


def case_serial_listed(wine, work):
    pty = PtyPair(wine, "COM5", work)
    try:
        lines = listed(wine)
        check("serial:COM5\tCOM5" + SERIAL_LABEL in lines, "COM5 not listed: %r" % lines)
    finally:
        pty.close()


def line_settings(fd):
    iflag, _, cflag, _, ispeed, ospeed, _ = termios.tcgetattr(fd)
    return {
        "speed": (ispeed, ospeed),
        "data bits": cflag & termios.CSIZE,
        "parity": bool(cflag & termios.PARENB),
        "two stop bits": bool(cflag & termios.CSTOPB),
        "rts/cts": bool(cflag & termios.CRTSCTS),
        "xon/xoff": bool(iflag & (termios.IXON | termios.IXOFF)),
    }


def case_serial_bytes(wine, work):
    expected_line = {"speed": (termios.B9600, termios.B9600), "data bits": termios.CS8,
                     "parity": False, "two stop bits": False, "rts/cts": False,
                     "xon/xoff": False}
    # Start from a line unlike the one the transport must set.
    pty = PtyPair(wine, "COM6", work, ",b115200,cs7,parenb=1,cstopb=1")
    wine_fd = os.open(pty.wine_side, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    far_fd = os.open(pty.far, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    check(line_settings(wine_fd) != expected_line, "the line already looks set")
    command, timeout = print_ticket(wine, "serial", "serial:COM6", BIG_TICKET, work)
    probe_out = tempfile.TemporaryFile()
    probe = subprocess.Popen(command, stdout=probe_out, stderr=subprocess.STDOUT)
    try:
        # Nothing is read yet, so the writer stalls with the port held: look at its line now.
        wait_for(lambda: line_settings(wine_fd) == expected_line or probe.poll() is not None, 10,
                 "the line settings")
        settings_while_open = line_settings(wine_fd)
        received = bytearray()
        deadline = time.monotonic() + 20
        while len(received) < len(BIG_TICKET) and time.monotonic() < deadline:
            if select.select([far_fd], [], [], 0.1)[0]:
                received += os.read(far_fd, 65536)
        probe.wait(timeout=timeout)
        probe_out.seek(0)
        out = probe_out.read().decode("utf-8")
        check(settings_while_open == expected_line,
              "line while open: %r, want %r" % (settings_while_open, expected_line))
        check(out == "ok\n", "probe said %r" % out)
        check(bytes(received) == BIG_TICKET,
              "received %d bytes, first difference at %s" % (
                  len(received), next((i for i, (a, b) in enumerate(zip(received, BIG_TICKET))
                                       if a != b), min(len(received), len(BIG_TICKET)))))
    finally:
        if probe.poll() is None:
            probe.kill()
            probe.wait(timeout=10)
        probe_out.close()
        os.close(far_fd)
        os.close(wine_fd)
        pty.close()


def case_serial_stalled(wine, work):
    pty = PtyPair(wine, "COM7", work)
    try:
        command, timeout = print_ticket(wine, "serial", "serial:COM7", BIG_TICKET, work)
        started = time.monotonic()
        _, out, err = run_captured(command, timeout)
        elapsed = time.monotonic() - started
        check(out == "error\t" + PORT_STALLED + "\n", "probe said %r %r" % (out, err))
        print("stalled write failed after %.1f s" % elapsed)
    finally:
        pty.close()


def case_printer_listed(wine, work):
    name = "Caisse \u00e9t\u00e9 \u20ac %d" % os.getpid()
    printer = TestPrinter(wine, name, work)
    try:
        lines = listed(wine)
        check("printer:%s\t%s%s" % (name, name, PRINTER_LABEL) in lines,
              "printer not listed: %r" % lines)
    finally:
        printer.close()
    check(not any(line.startswith("printer:" + name) for line in listed(wine)),
          "printer still listed after its deletion")


def case_printer_bytes(wine, work):
    ticket = bytes(range(256)) * 16 + b"\x1b@Caisse 1\r\n\x00\xff"
    name = "Quenbrel Ticket %d" % os.getpid()
    printer = TestPrinter(wine, name, work)
    try:
        command, timeout = print_ticket(wine, "spooler", "printer:" + name, ticket, work)
        _, out, err = run_captured(command, timeout)
        check(out == "ok\n", "probe said %r %r" % (out, err))

        def delivered():
            try:
                with open(printer.output, "rb") as f:
                    return f.read() == ticket
            except FileNotFoundError:
                return False
        try:
            wait_for(delivered, 15, "the job's bytes in the printer's file")
        except Failure:
            size = os.path.getsize(printer.output) if os.path.exists(printer.output) else None
            raise Failure("the printer's file (size %s) does not hold the ticket (%d bytes)"
                          % (size, len(ticket)))
    finally:
        printer.close()


def case_printer_missing(wine, work):
    command, timeout = print_ticket(wine, "spooler", "printer:Quenbrel Absente %d" % os.getpid(),
                                    b"ticket", work)
    _, out, err = run_captured(command, timeout)
    check(out == "error\t" + PRINTER_UNAVAILABLE + "\n", "probe said %r %r" % (out, err))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case")
    parser.add_argument("--probe", required=True)
    parser.add_argument("--setup", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    case = globals().get("case_" + args.case)
    if case is None:
        sys.exit("unknown case " + args.case)
    work = os.path.join(args.work, "%s-%d" % (args.case, os.getpid()))
    os.makedirs(work, exist_ok=True)
    try:
        case(Wine(args), work)
    except (Failure, subprocess.TimeoutExpired) as e:
        print("FAIL %s: %s" % (args.case, e))
        sys.exit(1)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASS " + args.case)


if __name__ == "__main__":
    main()
