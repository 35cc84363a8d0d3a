#!/usr/bin/env python3
"""One end-to-end case under Wine: quenbrel.exe played over the stand-in engine's driver link, and
the support tool, on a pseudo-terminal COM port and a printer whose port is a file. The stand-in
engine and plug-in end the run on any breach of their contract. Usage: e2e_test.py CASE BUILD_DIR
"""
import contextlib
import os
import pty
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import wine_rig as w  # noqa: E402

PORT = "COM8"
TICKET = bytes(range(256)) * 256  # 64 KiB of every byte value: more than a pty pair buffers
BUSY = w.error("busy", "Une operation imprimante est deja en cours.")
GONE = "Cette imprimante n\u2019est plus installee sur cet appareil."
INVALID = "Donnees d\u2019impression invalides."
WM_QUIT, WM_FONTCHANGE, WM_DPICHANGED, WM_USER = 0x12, 0x1D, 0x2E0, 0x400
WM_ACTIVATE, WM_DWMCOLORIZATIONCOLORCHANGED = 0x6, 0x320


def device(kind, name):
    label = w.SERIAL_LABEL if kind == "serial" else w.PRINTER_LABEL
    return {"id": kind + ":" + name, "name": name + label, "transport": "windows"}


def finish(h, code=0, quit=True):
    """Closes the window (or waits for the end); the exit code must be |code|. The log."""
    got, log = h.quit() if quit else h.exit_code(), h.stderr()
    w.check(got == code and "breach" not in log, "exit code %d, want %d; log:\n%s" % (got, code, log))
    return log


def case_devices(ctx):
    """Both kinds listed, each receives the exact ticket, a printer gone since is refused; the
    engine would consume the bridge's message, but the bridge sees it first."""
    far = ctx.enter_context(w.pty_pair(ctx.work, PORT))[1]
    name, output = ctx.printer("Caisse \u00e9t\u00e9")
    h = ctx.host(QUENBREL_TEST_ENGINE_CONSUME="0x805A:7")
    w.check(h.event("project ") == "project data\\flutter_assets|data\\icudtl.dat|data\\app.so||"
            "null|0,0", "the project as the engine got it")
    w.check(h.event("arguments ") == "arguments []", "arguments")
    listed = h.round_trip(w.call("list"))
    for d in (device("serial", PORT), device("printer", name)):
        w.check(w.value(d) in listed, "%s not in %r" % (d, listed))
    message = h.send(w.print_call("serial:" + PORT, TICKET))
    w.check(w.read_far(far, len(TICKET), w.WAIT) == TICKET, "the port's bytes")
    w.check(h.reply(message) == w.success(), "print to the port")
    w.check(h.round_trip(w.print_call("printer:" + name, TICKET)) == w.success(), "print")
    w.wait_for(lambda: os.path.exists(output) and open(output, "rb").read() == TICKET, w.WAIT,
               "the ticket in the printer's file")
    ctx.printers.delete(name)
    w.check(h.round_trip(w.print_call("printer:" + name, b"x")) == w.error("printer", GONE), "gone")
    finish(h)


def case_answers(ctx):
    """Arguments, calls answered at once, malformed messages, a window message the engine consumes,
    fonts reloaded, and a first frame that came before the host asked for one."""
    h = ctx.host("alpha", "beta gamma", QUENBREL_TEST_ENGINE_CONSUME="0x400:1234",
                 QUENBREL_TEST_ENGINE_EARLY_FRAME="1")
    w.check(h.event("arguments ") == 'arguments ["alpha","beta gamma"]', "arguments")
    w.check(h.event("project ").endswith("||2|0,0"), "two arguments")
    h.event("frame")
    w.check(h.geometry()[0] == 1, "shown by the frame it asked for")
    settings = w.error("settings", "Ouvrez les parametres Bluetooth de Windows.")
    for message, reply in ((w.call("settings"), settings), (w.call("List"), b""),
                           (w.call("list")[:-1], None),  # no arguments at all: a list
                           (b"\x03\x01\x00\x00\x00", b"")):
        got = h.round_trip(message)
        w.check(got == reply or reply is None and w.is_success(got), "%r: %r" % (message, got))
    w.check(h.round_trip(w.call("list"), "quenbrel/other") == b"", "another channel")
    h.event("unhandled quenbrel/other")
    w.check(h.window_message(WM_USER) == 1234, "the engine's result")
    w.check(h.window_message(WM_FONTCHANGE) == 0 and h.event("fonts"), "fonts")
    h.window_message(WM_QUIT)  # as a plug-in might: the window goes before COM ends
    log = finish(h, quit=False)
    w.check("Invalid method call; method name is not a string.\nUnable to construct method call "
            "from message on channel quenbrel/printer" in log, log)
    w.check(log.count("plug-in] registered") == 1, log)


def case_busy(ctx):
    """Calls during a stalled print are refused; closing ends with 0 and the print unanswered."""
    ctx.enter_context(w.pty_pair(ctx.work, PORT))  # nobody reads: the print stalls
    h = ctx.host()
    printing = h.send(w.print_call("serial:" + PORT, TICKET))
    for message in (w.call("list"), w.call("settings"), w.call("nope")):
        w.check(h.round_trip(message) == BUSY, "%r during a print" % message)
    finish(h)
    w.check(printing not in h.replies, "the print was answered after the window closed")


def case_close(ctx):
    """The window closed while a ticket is being sent: a 64 KiB ticket to a port that reads slowly
    and a job to a slow spooler printer arrive whole, and only then does the program exit, with 0."""
    far = ctx.enter_context(w.pty_pair(ctx.work, PORT))[1]
    h = ctx.host()
    h.send(w.print_call("serial:" + PORT, TICKET))
    fd = os.open(far, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    ctx.callback(os.close, fd)
    received, closed_at, alive_after = bytearray(), None, 0
    deadline = time.monotonic() + w.WAIT
    while len(received) < len(TICKET) and time.monotonic() < deadline:
        time.sleep(0.1)  # about 20 KB/s: the port's buffers stay full
        with contextlib.suppress(BlockingIOError):
            received += os.read(fd, 2048)
        if received and closed_at is None:
            h.frame(b"Q")  # closes the window as the user would
            closed_at = len(received)
        elif closed_at is not None and h.process.poll() is None:
            alive_after = len(received)
    w.check(bytes(received) == TICKET, "%d of %d bytes" % (len(received), len(TICKET)))
    w.check(alive_after >= closed_at + 16384, "the program left when %d bytes had come" % alive_after)
    finish(h, quit=False)
    # The spooler: a job whose port takes two seconds to take it (Wine's spooler runs in the
    # program's process) is finished before the program exits.
    output = os.path.join(ctx.work, "slow")
    name = "Quenbrel Lente %d" % os.getpid()
    ctx.enter_context(ctx.printers.printer(name, "|sleep 2; cat > " + output))
    h = ctx.host()
    h.send(w.print_call("printer:" + name, TICKET))
    finish(h)
    w.check(os.path.exists(output) and open(output, "rb").read() == TICKET, "the job at the exit")


def on_console(command, env):
    """Runs |command| with a pseudo-terminal as its console; (exit code, what the console showed)."""
    console, terminal = pty.openpty()
    process = subprocess.Popen(command, stdin=terminal, stdout=terminal, stderr=terminal, env=env)
    os.close(terminal)
    shown, deadline = b"", time.monotonic() + w.WAIT
    while time.monotonic() < deadline:
        if select.select([console], [], [], 0.2)[0]:
            try:
                shown += os.read(console, 4096)
            except OSError:  # no end of the terminal is open any more
                break
        elif process.poll() is not None:
            break
    os.close(console)
    return process.wait(timeout=w.WAIT), shown


def case_refused_view(ctx):
    """Exit code 1 and one line; started from a console with standard error sent to a file (as in
    cmd, "quenbrel.exe 2> log.txt"), the line goes to the file, not to the console."""
    h = ctx.host(QUENBREL_TEST_ENGINE_REFUSE_VIEW="1", connect=False)
    log = finish(h, 1, quit=False)
    w.check("Failed to create view controller.\n" in log and "registered" not in log, log)
    redirected = os.path.join(ctx.work, "log.txt")
    code, shown = on_console(
        [w.WINE_RUN, os.path.join(ctx.build, "standins", "launcher", "launcher.exe"), "--stderr",
         w.windows_path(redirected), w.windows_path(os.path.join(ctx.build, "host", "quenbrel.exe"))],
        dict(os.environ, QUENBREL_TEST_ENGINE_REFUSE_VIEW="1"))
    got = open(redirected, "rb").read()
    w.check(code == 1 and got == b"Failed to create view controller.\r\n" and b"Failed" not in shown,
            "the file %r, the console %r" % (got, shown))
    program = open(os.path.join(ctx.build, "host", "quenbrel.exe"), "rb").read()
    for manifest in (b'level="asInvoker" uiAccess="false"', b">PerMonitorV2</dpiAwareness>",
                     b'SMI/2005/WindowsSettings">true</dpiAware>',
                     b'<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'):
        w.check(manifest in program, "the manifest lacks %r" % manifest)


def case_window(ctx):
    """Hidden until the first frame, then at its DPI-scaled place and size, the view made at the
    client area's size and filling it, before and after a DPI change; activation focuses the view,
    and a change of the system's colours is handled."""
    for dpi, place in ((96, [10, 10, 1440, 900]), (120, [12, 12, 1800, 1125])):
        gate = os.path.join(ctx.work, "frames-%d" % dpi)
        h = ctx.host(QUENBREL_TEST_ENGINE_DPI=str(dpi),
                     QUENBREL_TEST_ENGINE_HOLD_FRAMES=w.windows_path(gate))
        w.check(h.geometry()[0] == 0, "shown before its first frame")
        open(gate, "w").close()
        h.event("frame")
        for suggested in (None, (100, 50, 900, 650)):
            if suggested:
                w.check(h.window_message(WM_DPICHANGED, dpi * 0x10001, suggested) == 0, "handled")
                place = [100, 50, 800, 600]
            g = h.geometry()
            w.check(g[:5] == [1] + place, "window %r, want %r" % (g, place))
            w.check(g[5] & ~0x04000000 == 0x10CF0000, "style %x" % g[5])
            w.check(g[8:12] == [0, 0] + g[6:8], "the view does not fill the client area: %r" % g)
            if not suggested:
                w.check(h.event("view ") == "view %d %d" % tuple(g[6:8]), "the view's size")
        w.check(h.window_message(WM_ACTIVATE, 1) == 0 and h.geometry()[12] == 1, "view's focus")
        w.check(h.window_message(WM_DWMCOLORIZATIONCOLORCHANGED) == 0, "colours changed")
        finish(h)


def case_tool(ctx):
    """The support tool: list, print with the line set while the port is open, a test ticket and
    its job's name in the spooler, and a failure of each kind that can be met here."""
    wine_side, far = ctx.enter_context(w.pty_pair(ctx.work, PORT, ",b115200,cs7,parenb=1,cstopb=1"))
    name, output = ctx.printer("Quenbrel Outil")
    tool = [w.WINE_RUN, os.path.join(ctx.build, "printer", "quenbrel-printers.exe")]
    code, out, _ = w.run_captured(tool + ["list"])
    w.check(code == 0 and "serial:%s\t%s%s\n" % (PORT, PORT, w.SERIAL_LABEL) in out and
            "printer:%s\t%s%s\n" % (name, name, w.PRINTER_LABEL) in out, out)
    ticket, empty, big = (os.path.join(ctx.work, n) for n in ("ticket", "empty", "big"))
    for path, data in ((ticket, TICKET), (empty, b""), (big, b"x" * 65537)):
        open(path, "wb").write(data)
    fd = os.open(wine_side, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    ctx.callback(os.close, fd)
    printing = subprocess.Popen(tool + ["print", "serial:" + PORT, ticket])
    w.wait_for(lambda: termios.tcgetattr(fd)[4] == termios.B9600, 10, "9600 baud")
    iflag, _, cflag = termios.tcgetattr(fd)[:3]
    w.check(cflag & (termios.CSIZE | termios.PARENB | termios.CSTOPB | termios.CRTSCTS) ==
            termios.CS8 and not iflag & (termios.IXON | termios.IXOFF), "the line while open")
    w.check(w.read_far(far, len(TICKET), 20) == TICKET and printing.wait(30) == 0, "port bytes")
    w.check(w.run_captured(tool + ["test", "printer:" + name])[0] == 0, "test ticket")
    w.wait_for(lambda: open(output, "rb").read().endswith(b"\x1dV\x42\x00"), 15, "test ticket")
    test = open(output, "rb").read()
    accents = b"\x82\x8a\x88\x89\x85\x83\x87\x93\x97\x96\x8c\x8b\x90\xd4\xb7\x80\xd5"
    w.check(test.startswith(b"\x1b@\x1bt\x13") and name.encode() in test and
            accents in test.replace(b" ", b""), test)
    # Wine fails EnumJobsW and leaves the data type out of GetJobW: only the name can be read.
    w.check(ctx.printers.run("job", name.encode().hex()) == "Quenbrel - Ticket\t(null)\n", "job")
    for argv, code, said in (
            ([], 2, "usage: "), (["print", "serial:" + PORT, "/nonexistent"], 3, "Fichier"),
            (["print", "serial:" + PORT, empty], 4, INVALID),
            (["print", "serial:" + PORT, big], 4, INVALID), (["test", "serial:COM0"], 5, GONE),
            (["test", "serial:COM6"], 11, "Impossible de lire le port Bluetooth."),  # no pty
            (["print", "serial:" + PORT, ticket], 13, "Envoi interrompu. Verifiez le ticket avant "
             "de reessayer pour eviter une reimpression.")):  # nobody reads any more: it stalls
        got = w.run_captured(tool + argv, timeout=60)
        w.check(got[0] == code and got[2].startswith(said), "%r gave %r" % (argv, got))


class Context(contextlib.ExitStack):
    """A case's build and work folders; closing it ends its hosts, printers and ports."""

    def __init__(self, build, work):
        super().__init__()
        self.build, self.work = build, work
        self.printers = w.Printers(os.path.join(build, "standins", "printer_rig", "printer_rig.exe"))

    def host(self, *arguments, connect=True, **env):
        h = w.Host(self.work, os.path.join(self.build, "host"), arguments, env)
        self.callback(h.close)
        return h.connect() if connect else h

    def printer(self, name):
        name = "%s %d" % (name, os.getpid())
        return name, self.enter_context(self.printers.printer(name, os.path.join(self.work, "out")))


if __name__ == "__main__":
    case, build = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="e2e-%s-" % case, dir=build)
    w.prepare()
    try:
        with Context(build, work) as ctx:
            globals()["case_" + case](ctx)
    except (w.Failure, OSError, subprocess.SubprocessError) as e:
        sys.exit("FAIL %s: %s" % (case, e))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASS " + case)
