#!/usr/bin/env python3
"""One end-to-end case under Wine: quenbrel.exe played over the stand-in engine's driver link, and
the support tool, on a pseudo-terminal COM port and a printer whose port is a file. The stand-in
engine and plug-in end the run on any breach of their contract. Usage: e2e_test.py CASE BUILD_DIR
"""
import contextlib
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import wine_rig as w  # noqa: E402

PORT = "COM8"
TICKET = bytes(range(256)) * 256  # 64 KiB of every byte value: more than a pty pair buffers
BUSY = w.error("busy", "Une operation imprimante est deja en cours.")
GONE = "Cette imprimante n\u2019est plus installee sur cet appareil."
INVALID = "Donnees d\u2019impression invalides."
SETTINGS = w.error("settings", "Ouvrez les parametres Bluetooth de Windows.")
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
    for message, reply in ((w.call("settings"), SETTINGS), (w.call("List"), b""),
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
        [w.WINE_RUN, os.path.join(ctx.build, "standins", "launcher", "launcher.exe"),
         "stderr:" + w.windows_path(redirected), w.windows_path(ctx.work),
         w.windows_path(os.path.join(ctx.build, "host", "quenbrel.exe"))],
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
    huge = os.path.join(ctx.work, "huge")
    with open(huge, "wb") as f:
        f.truncate(3 << 30)  # 3 GiB, sparse
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
    date = re.search(rb"\nDate : (\d\d/\d\d/\d{4} \d\d:\d\d)\n", test)
    w.check(date and test == test_ticket("printer:" + name, date.group(1).decode()), test)
    # Wine fails EnumJobsW and leaves the data type out of GetJobW: only the name can be read.
    w.check(ctx.printers.run("job", name.encode().hex()) == "Quenbrel - Ticket\t(null)\n", "job")
    for argv, code, said in (
            ([], 2, "usage: "), (["print", "serial:" + PORT, "/nonexistent"], 3, "Fichier"),
            (["print", "serial:" + PORT, empty], 4, INVALID),
            (["print", "serial:" + PORT, big], 4, INVALID), (["test", "serial:COM0"], 5, GONE),
            (["print", "serial:" + PORT, PORT], 3, "Fichier"),  # a device: never read
            (["print", "serial:" + PORT, ctx.work], 3, "Fichier"),
            (["print", "serial:" + PORT, huge], 4, INVALID),  # too big by its size alone
            (["test", "serial:COM6"], 11, "Impossible de lire le port Bluetooth."),  # no pty
            (["print", "serial:" + PORT, ticket], 13, "Envoi interrompu. Verifiez le ticket avant "
             "de reessayer pour eviter une reimpression.")):  # nobody reads any more: it stalls
        got = w.run_captured(tool + argv, timeout=60)
        w.check(got[0] == code and got[2].startswith(said), "%r gave %r" % (argv, got))


def test_ticket(device, date):
    """The support tool's test ticket, as it must come out byte for byte."""
    def text(lines):
        return "".join(line + "\n" for line in lines).encode("cp858")
    return (b"\x1b@\x1bt\x13\x1ba\x01\x1bE\x01" + text(["Quenbrel - ticket d'essai"]) +
            b"\x1bE\x00\x1ba\x00" +
            text(["Imprimante : " + device, "Date : " + date,
                  "Accents : \u00e9 \u00e8 \u00ea \u00eb \u00e0 \u00e2 \u00e7 \u00f4 \u00f9 "
                  "\u00fb \u00ee \u00ef \u00c9 \u00c8 \u00c0 \u00c7 \u20ac",
                  "Si les accents sont lisibles, tout va bien."]) + b"\n\n\n\x1dV\x42\x00")


class PlayedPrinter(threading.Thread):
    """A serial printer on the far side of a pseudo-terminal: answers each DLE EOT n with
    |answers[n]| (nothing when it has none) and keeps every byte it heard, until stopped."""

    def __init__(self, far, answers):
        super().__init__(daemon=True)
        self.far, self.answers, self.heard, self.answered = far, answers, b"", 0
        self.stopped = threading.Event()
        self.start()

    def run(self):
        fd = os.open(self.far, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            while not self.stopped.is_set():
                if not select.select([fd], [], [], 0.05)[0]:
                    continue
                try:
                    data = os.read(fd, 64)
                except OSError:
                    data = b""
                if not data:  # the port closed: wait for the next opening
                    time.sleep(0.05)
                    continue
                self.heard += data
                requests = re.findall(rb"\x10\x04([\x01-\x04])", self.heard)
                for n in requests[self.answered:]:
                    if n[0] in self.answers:
                        os.write(fd, bytes([self.answers[n[0]]]))
                self.answered = len(requests)
        finally:
            os.close(fd)

    def stop(self):
        self.stopped.set()
        self.join(timeout=5)
        return self.heard


def case_status(ctx):
    """The support tool's status of a printer that answers (or not) on a port, of a file printer
    set offline, the cash drawer's pulse, clearing queues, and the support report."""
    far = ctx.enter_context(w.pty_pair(ctx.work, PORT))[1]
    tool = [w.WINE_RUN, os.path.join(ctx.build, "printer", "quenbrel-printers.exe")]
    request = b"".join(b"\x10\x04" + bytes([n]) for n in range(1, 5))
    for answers, code, said, sent in (
            ((0x12, 0x12, 0x12, 0x12), 0, "Imprimante prete.\n", request),
            ((0x1A, 0x32, 0x12, 0x72), 32, "Imprimante hors ligne.\nPlus de papier.\n", request),
            ((0x1A, 0x16, 0x12, 0x12), 31, "Imprimante hors ligne.\nCapot ouvert.\n", request),
            ((0x00,) * 4, 35, "La reponse recue n\u2019est pas un etat d\u2019imprimante.\n",
             request),
            ((), 34, "Pas de reponse de l\u2019imprimante", request[:3])):
        player = PlayedPrinter(far, dict(zip(range(1, 5), answers)))
        start = time.monotonic()
        got = w.run_captured(tool + ["status", "serial:" + PORT])
        took = time.monotonic() - start
        heard = player.stop()
        w.check(got[0] == code and got[1].startswith(said) and heard == sent and
                took < 10, "%r: %r, heard %r in %.1f s" % (answers, got, heard, took))
    player = PlayedPrinter(far, {})
    got = w.run_captured(tool + ["drawer", "serial:" + PORT])
    w.check(got[0] == 0 and player.stop() == b"\x1bp\x00\x19\xfa", "drawer: %r" % (got,))

    name, output = ctx.printer("Quenbrel Etat")
    printer = ["status", "printer:" + name]
    for offline, code, said in ((0, 0, "Le pilote ne signale aucun probleme.\n"),
                                (1, 30, "Windows utilise l\u2019imprimante hors connexion.\n")):
        ctx.printers.run("offline", name.encode().hex(), str(offline))
        got = w.run_captured(tool + printer)
        w.check(got[0] == code and got[1] == "Etat rapporte par le pilote Windows. Un ticket "
                "accepte par Windows n\u2019est pas forcement imprime.\n" + said +
                "Travaux en attente : 0\nPort : %s\nPilote : %s\n" % (output, w.DRIVER), got)
    # Wine keeps no queue between processes (EnumJobsW is a stub): clearing one cannot be shown.
    for device, code, said in (
            ("printer:" + name, 41, "Impossible de lire la file d\u2019impression Windows."),
            ("serial:" + PORT, 40, "Un port Bluetooth / serie n\u2019a pas de file d\u2019attente"),
            ("serial:COM0", 5, GONE)):
        got = w.run_captured(tool + ["clear", device])
        w.check(got[0] == code and got[2].startswith(said), "clear %s: %r" % (device, got))

    # The report, with %LOCALAPPDATA% (where the log is read) set by the launcher.
    local = os.path.join(ctx.work, "local")
    os.makedirs(os.path.join(local, "Quenbrel", "logs"))
    with open(os.path.join(local, "Quenbrel", "logs", "quenbrel.log"), "w") as log:
        log.write("".join("log line %d\n" % n for n in range(1, 251)))
    report = os.path.join(ctx.work, "report.txt")
    player = PlayedPrinter(far, dict(zip(range(1, 5), (0x12,) * 4)))
    launcher = os.path.join(ctx.build, "standins", "launcher", "launcher.exe")
    got = w.run_captured([w.WINE_RUN, launcher, "inherit", w.windows_path(local),
                          w.windows_path(tool[1]), "report", w.windows_path(report)], timeout=120)
    player.stop()
    w.check(got[:2] == (0, "Rapport ecrit : %s\n" % w.windows_path(report)), got)
    text = open(report, "rb").read().decode("utf-8")
    for section in ("\ufeffRapport Quenbrel pour le support\r\nOutil : quenbrel-printers 1.0.0\r\n",
                    "\r\nDate : ", "\r\n\r\nAppareils\r\n",
                    "serial:%s\t%s%s\r\n  Imprimante prete.\r\n" % (PORT, PORT, w.SERIAL_LABEL),
                    "printer:%s\t%s%s\r\n  Etat rapporte" % (name, name, w.PRINTER_LABEL),
                    "\r\nJournal (200 dernieres lignes) : %s\\Quenbrel\\logs\\quenbrel.log\r\n"
                    "log line 51\r\n" % w.windows_path(local)):
        w.check(section in text, "%r not in the report:\n%s" % (section, text))
    w.check(re.search(r"\r\nWindows : \d+\.\d+\.\d+\r\n", text) and "line 50\r" not in text and
            text.endswith("log line 250\r\n"), text)
    # By default on the desktop, under a name of its date.
    got = w.run_captured(tool + ["report"], timeout=120)
    written = re.fullmatch(r"Rapport ecrit : C:\\users\\([^\\]+)\\Desktop\\"
                           r"(quenbrel-rapport-\d{8}-\d{4}\.txt)\n", got[1])
    w.check(got[0] == 0 and written, got)
    path = os.path.join(os.path.dirname(w.ports_dir()), "prefix", "drive_c", "users",
                        written.group(1), "Desktop", written.group(2))
    w.check(os.path.exists(path), path)
    os.unlink(path)


def case_log(ctx):
    """Started with no console and no standard handles at all, the program keeps its log in
    %LOCALAPPDATA%\\Quenbrel\\logs\\quenbrel.log (the plug-in's lines too) and turns a log over
    1 MiB into quenbrel.1.log; without a place for it, or started with its streams passed, it
    keeps none."""
    local = os.path.join(ctx.work, "local")
    logs = os.path.join(local, "Quenbrel", "logs")
    os.makedirs(logs)
    log, old = os.path.join(logs, "quenbrel.log"), os.path.join(logs, "quenbrel.1.log")
    full = b"x" * 1023 + b"\n"
    open(log, "wb").write(full * 1024)  # exactly 1 MiB: kept
    open(old, "wb").write(b"older\n")
    launcher = (os.path.join(ctx.build, "standins", "launcher", "launcher.exe"), "detached",
                w.windows_path(local))
    lines = [b"[stand-in web-view plug-in] registered\r\n",
             b"Unable to construct method call from message on channel quenbrel/printer\r\n"]
    for run in (1, 2):
        h = ctx.host(launcher=launcher)
        w.check(h.round_trip(b"\x03\x01\x00\x00\x00") == b"", "a malformed call")
        w.check(finish(h) == "", "the launcher's own streams")
        kept, older = open(log, "rb").read(), open(old, "rb").read()
        if run == 1:  # appended to the log of exactly 1 MiB, the old one untouched
            written = kept[len(full) * 1024:]
            w.check(kept.startswith(full * 1024) and older == b"older\n", "run 1")
        else:  # the log of over 1 MiB is now the old one, replacing it
            written = kept
            w.check(older.startswith(full * 1024) and all(l in older for l in lines), "run 2")
        w.check(all(l in written for l in lines) and b"breach" not in kept + older and
                not written.startswith(b"x"), "run %d wrote:\n%s" % (run, written.decode()))
    blocked = os.path.join(ctx.work, "blocked")  # a file where the folder would be
    open(blocked, "w").close()
    h = ctx.host(launcher=(launcher[0], "detached", w.windows_path(blocked)))
    w.check(h.round_trip(w.call("settings")) == SETTINGS and finish(h) == "", "no place for a log")
    size = os.path.getsize(log)
    inherit = (launcher[0], "inherit", launcher[2])
    h = ctx.host(launcher=inherit, connect=False, QUENBREL_TEST_ENGINE_REFUSE_VIEW="1")
    w.check("Failed to create view controller." in finish(h, 1, quit=False) and
            os.path.getsize(log) == size, "with its streams passed")


class Context(contextlib.ExitStack):
    """A case's build and work folders; closing it ends its hosts, printers and ports."""

    def __init__(self, build, work):
        super().__init__()
        self.build, self.work = build, work
        self.printers = w.Printers(os.path.join(build, "standins", "printer_rig", "printer_rig.exe"))

    def host(self, *arguments, connect=True, launcher=(), **env):
        h = w.Host(self.work, os.path.join(self.build, "host"), arguments, env, launcher=launcher)
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
