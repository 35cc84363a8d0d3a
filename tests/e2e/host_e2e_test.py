#!/usr/bin/env python3
"""Runs one end-to-end case of quenbrel.exe under Wine, played through the driver program.

Each case copies the program, the stand-in engine and the stand-in plug-in into a run folder of
its own, sets up the devices it needs (a pseudo-terminal as a COM port, a printer whose port is a
file), drives the host and tears everything down. Every wait is bounded.
Usage: host_e2e_test.py CASE --driver EXE --bin-dir DIR --printer-probe EXE --probe EXE --wine-run SCRIPT
                        --work DIR [--artifacts DIR]
"""
import argparse
import contextlib
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import wine_printer_test as rig  # noqa: E402  (pseudo-terminals, test printers, Wine helpers)

from wine_printer_test import Failure, check  # noqa: E402

PORT = "COM8"  # this suite's own COM port (ctest serializes its cases on it)
PROGRAM_FILES = ("quenbrel.exe", "flutter_windows.dll", "flutter_inappwebview_windows_plugin.dll")
TICKET = bytes(range(256))
BUSY = 'error busy "Une operation imprimante est deja en cours." null'
SETTINGS = 'error settings "Ouvrez les parametres Bluetooth de Windows." null'
MALFORMED_LOG = ["Invalid read in StandardCodecByteStreamReader",
                 "Invalid method call; method name is not a string.",
                 "Unable to construct method call from message on channel quenbrel/printer"]
WAIT = 40  # seconds: the bound of every single wait of a case


def device(device_id, name):
    return '{"id": "%s", "name": "%s", "transport": "windows"}' % (device_id, name)


class Host:
    """quenbrel.exe started by the driver; its lines on stdout, its log in a file."""

    def __init__(self, ctx, arguments=(), environment=None):
        run = os.path.join(ctx.work, "run")
        os.makedirs(run, exist_ok=True)
        for name in PROGRAM_FILES:
            shutil.copy(os.path.join(ctx.args.bin_dir, name), run)
        command = [ctx.args.driver, "--timeout", str(WAIT), "--wine-run", ctx.args.wine_run]
        for name, value in (environment or {}).items():
            command += ["--env", "%s=%s" % (name, value)]
        command += [os.path.join(run, "quenbrel.exe"), *arguments]
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.log)
        self.lines = queue.Queue()
        self.transcript = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\n"))
        self.lines.put(None)

    def expect(self, wanted, what=None):
        """The first new line that starts with |wanted|; fails after WAIT seconds or at the end."""
        deadline = time.monotonic() + WAIT
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                line = None
            if line is None:
                raise Failure("no line %r (%s); transcript:\n%s\nlog:\n%s" % (
                    wanted, what or "", "\n".join(self.transcript), self.stderr()))
            self.transcript.append(line)
            if line.startswith(wanted):
                return line

    def send(self, command):
        """Sends one command that makes a message; its id."""
        self.process.stdin.write((command + "\n").encode("utf-8"))
        self.process.stdin.flush()
        return self.expect("sent ", command).split()[1]

    def reply(self, message_id):
        return self.expect("reply %s " % message_id).split(" ", 2)[2]

    def call(self, command):
        return self.reply(self.send(command))

    def finish(self, status=0, close=True):
        """Ends the input (the driver then closes the window), or sends "quit"; checks the host's
        exit status."""
        if close:
            self.process.stdin.close()
        line = self.expect("exit ", "the host's end")
        check(line == "exit %d" % status, "the host ended with %r, want %d" % (line, status))
        self.process.wait(timeout=WAIT)

    def stderr(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def wait_log(self, predicate, what):
        """Wine's console helper may write the host's log after the host has ended."""
        try:
            rig.wait_for(lambda: predicate(self.stderr()), WAIT, what)
        except Failure:
            raise Failure("%s; log:\n%s" % (what, self.stderr()))

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=WAIT)
        self.log.close()


class Context(contextlib.ExitStack):
    """A case's arguments, work folder and Wine helpers; closing it ends its hosts, then its
    devices (the reverse of their making)."""

    def __init__(self, args, work):
        super().__init__()
        self.args, self.work = args, work
        self.wine = rig.Wine(argparse.Namespace(wine_run=args.wine_run,
                                                probe=args.printer_probe), work)

    def host(self, *arguments, ready=True, **environment):
        host = Host(self, arguments, environment)
        self.callback(host.close)
        if ready:
            host.expect("event ready", "the connection")
        return host

    def pty(self):
        """The far side's path of a pseudo-terminal pair on PORT."""
        return self.enter_context(rig.pty_pair(self.wine, PORT))[1]

    def printer(self):
        rig.case_driver(self.wine)
        name = "Quenbrel E2E %d" % os.getpid()
        output = self.enter_context(rig.test_printer(self.wine, name))
        return argparse.Namespace(name=name, output=output)

    def window_probe(self):
        return rig.run_captured([self.args.wine_run, self.args.probe])


# --- cases -------------------------------------------------------------------------------------


def case_devices(ctx):
    """No arguments; both kinds of device listed, and each receives the exact ticket."""
    far = ctx.pty()
    printer = ctx.printer()
    host = ctx.host()
    line = host.expect("event arguments ")
    check(line == "event arguments []", "no arguments gave %r" % line)
    reply = host.call("list")
    check(reply.startswith("success ["), "list answered %r" % reply)
    for wanted in (device("serial:" + PORT, PORT + rig.SERIAL_LABEL),
                   device("printer:" + printer.name, printer.name + rig.PRINTER_LABEL)):
        check(wanted in reply, "%s not in %s" % (wanted, reply))

    message_id = host.send("print serial:%s %s" % (PORT, ctx.wine.ticket_file(TICKET)))
    received = rig.read_far(far, len(TICKET), WAIT)
    check(host.reply(message_id) == "success null", "print to the port answered otherwise")
    check(received == TICKET, "the port received %d bytes: %s" % (len(received), received.hex()))

    reply = host.call("print printer:%s %s" % (printer.name, ctx.wine.ticket_file(TICKET)))
    check(reply == "success null", "print to the printer answered %r" % reply)
    rig.wait_for(lambda: os.path.exists(printer.output) and
                 open(printer.output, "rb").read() == TICKET, WAIT, "the ticket in the printer's file")
    host.finish()


def case_answers(ctx):
    """Arguments, and the calls answered at once without a device; a malformed one is logged."""
    host = ctx.host("alpha", "beta gamma")
    line = host.expect("event arguments ")
    check(line == 'event arguments ["alpha","beta gamma"]', "the arguments gave %r" % line)
    for command, wanted in (("settings", SETTINGS), ("call nope", "empty"), ("call List", "empty"),
                            ("raw quenbrel/other 0704", "empty"), ("raw quenbrel/printer", "empty")):
        reply = host.call(command)
        check(reply == wanted, "%s answered %r, want %r" % (command, reply, wanted))
    check("event unhandled quenbrel/other" in host.transcript, "no unhandled event")
    host.finish()

    def logged_in_order(log):
        at = [log.find(line + "\n") for line in MALFORMED_LOG]
        return all(i >= 0 for i in at) and at == sorted(at)
    host.wait_log(logged_in_order, "the three log lines in order")


def case_busy(ctx):
    """Calls during a slow print are refused; closing then ends with 0 and the print unanswered."""
    ctx.pty()  # nobody reads it: the print stalls until the port's write time-out
    host = ctx.host()
    printing = host.send("print serial:%s %s" % (PORT, ctx.wine.ticket_file(rig.BIG_TICKET)))
    for command in ("list", "settings", "call nope"):
        reply = host.call(command)
        check(reply == BUSY, "%s during a print answered %r" % (command, reply))
    host.process.stdin.write(b"quit\n")
    host.process.stdin.flush()
    host.finish(close=False)
    check(not any(line.startswith("reply %s " % printing) for line in host.transcript),
          "the print was answered after the window closed")


def case_refused_view(ctx):
    host = ctx.host(ready=False, QUENBREL_TEST_ENGINE_REFUSE_VIEW="1")
    host.finish(1, close=False)
    check(not any(line.startswith("event ") for line in host.transcript),
          "the engine saw a view: %r" % host.transcript)
    host.wait_log(lambda log: "Failed to create view controller.\n" in log, "the refusal's line")


def case_window(ctx):
    """Under a virtual display: hidden until the first frame, then at its DPI-scaled size."""
    artifacts = ctx.args.artifacts or ctx.work
    os.makedirs(artifacts, exist_ok=True)
    for dpi, wanted in ((96, "visible 10 10 1440 900"), (120, "visible 12 12 1800 1125")):
        gate = os.path.join(ctx.work, "frames-%d" % dpi)
        host = ctx.host(QUENBREL_TEST_ENGINE_DPI=str(dpi),
                        QUENBREL_TEST_ENGINE_HOLD_FRAMES=rig.windows_path(gate))
        before = ctx.window_probe()[1].strip()
        check(before.startswith("hidden "), "before the first frame: %r" % before)
        open(gate, "w").close()
        host.expect("event frame")
        after = ctx.window_probe()[1].strip()
        check(after == wanted, "at %d DPI after the first frame: %r, want %r" % (dpi, after, wanted))
        shot = os.path.join(artifacts, "window-%d-dpi.png" % dpi)
        subprocess.run(["import", "-window", "root", shot], timeout=WAIT, check=True)
        host.finish()


if __name__ == "__main__":
    rig.main(("--driver", "--bin-dir", "--printer-probe", "--probe", "--wine-run", "--work"),
             Context, optional=("--artifacts",))
