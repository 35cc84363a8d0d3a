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
import struct
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
INVALID = "Donnees d’impression invalides."
SETTINGS = w.error("settings", "Ouvrez les parametres Bluetooth de Windows.")
MALFORMED = b"\x03\x01\x00\x00\x00"
# What the support tool says of a COM port: Wine keeps no device record of its own ports.
UNRECORDED = "port sans fiche de peripherique Windows : type inconnu"
BLUETOOTH_ID = (r"BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002"
                r"\7&2B8A7F5B&0&%s_C00000000")
WM_ACTIVATE, WM_QUIT, WM_FONTCHANGE, WM_DWMCOLORIZATIONCOLORCHANGED = 0x6, 0x12, 0x1D, 0x320
WM_DPICHANGED, WM_USER, WS_MINIMIZE = 0x2E0, 0x400, 0x20000000
WM_QUERYENDSESSION, WM_ENDSESSION, WM_SYSCOMMAND, SC_MINIMIZE = 0x11, 0x16, 0x112, 0xF020
DUMP_WAIT = 60  # seconds: Wine's dbghelp takes 3 to 8 s to write a minidump here


def read(path):
    return open(path, "rb").read() if os.path.exists(path) else None


def finish(h, code=0, quit=True):
    """Closes the window (or waits for the end); the exit code must be |code|. The log."""
    got, log = h.quit() if quit else h.exit_code(), h.stderr()
    w.check(got == code and "breach" not in log, "exit %d, want %d; log:\n%s" % (got, code, log))
    return log


def case_devices(ctx):
    """Both kinds listed and each receives the exact ticket; the engine would consume the bridge's
    message, but the bridge sees it first."""
    far = ctx.port()[1]
    name, output = ctx.printer("Caisse été")
    h = ctx.host(QUENBREL_TEST_ENGINE_CONSUME="0x805A:7")
    w.check(h.event("project ") == "project data\\flutter_assets|data\\icudtl.dat|data\\app.so||"
            "null|0,0" and h.event("arguments ") == "arguments []", "the project the engine got")
    listed = h.round_trip(w.call("list"))
    for kind, n, label in (("serial", PORT, w.SERIAL_LABEL), ("printer", name, w.PRINTER_LABEL)):
        d = {"id": kind + ":" + n, "name": n + label, "transport": "windows"}
        w.check(w.value(d) in listed, "%s not in %r" % (d, listed))
    message = h.send(w.print_call("serial:" + PORT, TICKET))
    w.check(w.read_far(far, len(TICKET), w.WAIT) == TICKET, "the port's bytes")
    w.check(h.reply(message) == w.success(), "print to the port")
    w.check(h.round_trip(w.print_call("printer:" + name, TICKET)) == w.success(), "print")
    w.wait_for(lambda: read(output) == TICKET, w.WAIT, "the ticket in the printer's file")
    finish(h)


def case_answers(ctx):
    """Arguments, a call answered at once, a malformed one, another channel, a window message the
    engine consumes, fonts reloaded, a first frame that came before the host asked for one, and a
    second start in the same session."""
    h = ctx.host("alpha", "beta gamma", QUENBREL_TEST_ENGINE_CONSUME="0x400:1234",
                 QUENBREL_TEST_ENGINE_EARLY_FRAME="1")
    w.check(h.event("arguments ") == 'arguments ["alpha","beta gamma"]' and
            h.event("project ").endswith("||2|0,0"), "two arguments")
    h.event("frame")
    w.check(h.geometry()[0] == 1, "shown by the frame it asked for")
    # A second start in the session brings the minimized window back and exits 0 at once, without
    # an engine (no connection); the first one still answers.
    w.check(h.window_message(WM_SYSCOMMAND, SC_MINIMIZE) == 0 and h.geometry()[5] & WS_MINIMIZE,
            "minimized")
    start, second = time.monotonic(), w.Host(ctx.work + "/2", os.path.dirname(ctx.program))
    ctx.callback(second.close)
    w.check(second.exit_code() == 0 and time.monotonic() - start < 10 and not select.select(
        [second.listener], [], [], 0)[0] and not h.geometry()[5] & WS_MINIMIZE and second.stderr()
        == "Quenbrel already runs in this session: its window is brought to the front.\n",
        "the second start")
    w.check(h.round_trip(w.call("settings")) == SETTINGS, "settings")  # Wine has no handler
    w.check(h.round_trip(MALFORMED) == b"", "a malformed call")
    w.check(h.round_trip(w.call("list"), "quenbrel/other") == b"", "another channel")
    h.event("unhandled quenbrel/other")
    w.check(h.window_message(WM_USER) == 1234, "the engine's result")
    w.check(h.window_message(WM_FONTCHANGE) == 0 and h.event("fonts"), "fonts reloaded")
    h.window_message(WM_QUIT)  # as a plug-in might: the window goes before COM ends
    log = finish(h, quit=False)
    w.check("Invalid method call; method name is not a string.\nUnable to construct method call "
            "from message on channel quenbrel/printer" in log and log.count("registered") == 1, log)


def read_ticket(h, fd, act, chunk):
    """Reads TICKET from |fd|, the far side of its port, every 0.1 s, chunk(seconds since the first
    bytes) bytes at a time, so that the port's buffers stay full; act() at the first bytes. Every
    byte must come, and the program must still run when 16 KiB more have come."""
    received, acted, alive_after = b"", None, 0
    deadline = time.monotonic() + 2 * w.WAIT
    while len(received) < len(TICKET) and time.monotonic() < deadline:
        time.sleep(0.1)
        with contextlib.suppress(BlockingIOError):
            received += os.read(fd, chunk(time.monotonic() - acted[0]) if acted else 2048)
        if received and acted is None:
            act()
            acted = time.monotonic(), len(received)
        elif acted and h.process.poll() is None:
            alive_after = len(received)
    w.check(received == TICKET and alive_after >= acted[1] + 16384, "%d of %d bytes; the program "
            "left when %d had come" % (len(received), len(TICKET), alive_after))


def case_close(ctx):
    """Calls during a print are refused; the window closed while a ticket is being sent, 64 KiB to a
    port that reads as slowly as a 9600-baud printer (the rest needs far more than one write
    time-out, 5 s) or a job to a slow printer: it arrives whole, and only then does the program
    exit, with 0 and the print unanswered."""
    fd = ctx.enter_context(w.pty_master(PORT))
    h = ctx.host()
    printing = h.send(w.print_call("serial:" + PORT, TICKET))
    for message in (w.call("list"), w.call("settings"), w.call("nope")):
        w.check(h.round_trip(message) == BUSY, "%r during a print" % message)
    # Closed as the user would; 960 bytes/s for 12 s, then faster.
    read_ticket(h, fd, lambda: h.frame(b"Q"), lambda since: 96 if since < 12 else 2048)
    finish(h, quit=False)
    w.check(printing not in h.replies, "the print was answered after the window closed")
    # A job whose port takes two seconds to take it (Wine's spooler runs in the program's process)
    # is finished before the program exits.
    name, output = ctx.printer("Quenbrel Lente", "|sleep 2; cat > ")
    h = ctx.host()
    h.send(w.print_call("printer:" + name, TICKET))
    finish(h)
    w.check(open(output, "rb").read() == TICKET, "the job at the exit")


def case_session_end(ctx):
    """The session ends while 64 KiB go to a port that reads slowly: wineboot --end-session sends
    WM_QUERYENDSESSION and WM_ENDSESSION, then ends the process, as Windows does; every byte
    arrives first. A cancelled end, sent as Windows sends it, does not wait. In a prefix of its
    own: the session's end reaches every window of a prefix."""
    w.check(os.environ.get("QUENBREL_WINE_ROOT"), "needs a Wine prefix of its own")
    ctx.callback(subprocess.run, [w.WINE_RUN, "wineserver", "-k"], timeout=w.WAIT)
    far = ctx.port()[1]
    h = ctx.host()

    def cancelled_end():  # answered as usual, at once
        start = time.monotonic()
        w.check(h.window_message(WM_QUERYENDSESSION) == 1 and h.window_message(WM_ENDSESSION) == 0
                and time.monotonic() - start < 2, "cancelled")

    h.send(w.print_call("serial:" + PORT, TICKET))
    ending = []
    read_ticket(h, ctx.open(far, os.O_RDONLY), lambda: (cancelled_end(), ending.append(
        subprocess.Popen([w.WINE_RUN, "wineboot", "--end-session"], stderr=subprocess.DEVNULL))),
        lambda since: 1024)
    finish(h, quit=False)
    w.check(ending[0].wait(w.WAIT) == 0, "wineboot --end-session")


def on_console(ctx, mode):
    """Starts the program with the view refused from a console (a terminal), through the launcher
    in |mode| with %LOCALAPPDATA% in the work folder: (its exit code, what the console showed)."""
    console, terminal = pty.openpty()
    ctx.callback(os.close, console)
    code = subprocess.run(
        ctx.launch(mode, ctx.work, ctx.program), stdin=terminal, stdout=terminal, stderr=terminal,
        timeout=w.WAIT, env=dict(os.environ, QUENBREL_TEST_ENGINE_REFUSE_VIEW="1")).returncode
    os.close(terminal)
    shown, deadline = b"", time.monotonic() + 5
    with contextlib.suppress(OSError):  # no end of the terminal is open any more
        while time.monotonic() < deadline and select.select([console], [], [], 0.5)[0]:
            shown += os.read(console, 4096)
    return code, shown


def case_refused_view(ctx):
    """The view refused, started from a console: with standard error sent to a file (in cmd,
    "quenbrel.exe 2> log.txt"), exit code 1 and one line, in the file, not on the console; with
    no stream redirected, the line on the console and no log file. The manifest in the program."""
    redirected = os.path.join(ctx.work, "log.txt")
    code, shown = on_console(ctx, "stderr:" + w.windows_path(redirected))
    w.check(code == 1 and read(redirected) == b"Failed to create view controller.\r\n" and
            b"Failed" not in shown, "the file %r, the console %r" % (read(redirected), shown))
    code, shown = on_console(ctx, "detached")
    w.check(code == 1 and b"Failed to create view controller." in shown and
            not os.path.exists(os.path.join(ctx.work, "Quenbrel")), "the console %r" % shown)
    program = read(ctx.program)
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
        ctx.file(gate, b"")
        h.event("frame")
        for suggested in (None, (100, 50, 900, 650)):
            if suggested:
                w.check(h.window_message(WM_DPICHANGED, dpi * 0x10001, suggested) == 0, "handled")
                place = [100, 50, 800, 600]
            g = h.geometry()  # the view fills the client area; the style may have WS_CLIPSIBLINGS
            w.check(g[:5] == [1] + place and g[5] & ~0x04000000 == 0x10CF0000 and
                    g[8:12] == [0, 0] + g[6:8], "window %r, want %r" % (g, place))
            if not suggested:
                w.check(h.event("view ") == "view %d %d" % tuple(g[6:8]), "the view's size")
        w.check(h.window_message(WM_ACTIVATE, 1) == 0 and h.geometry()[12] == 1, "view's focus")
        w.check(h.window_message(WM_DWMCOLORIZATIONCOLORCHANGED) == 0, "colours changed")
        finish(h)


def case_tool(ctx):
    """The support tool: list, print with the line set while the port is open, a test ticket byte
    for byte and its job's name in the spooler, and a failure of each kind that can be met here."""
    wine_side, far = ctx.port(",b115200,cs7,parenb=1,cstopb=1")
    name, output = ctx.printer("Quenbrel Outil")
    code, out, _ = ctx.tool("list")
    w.check(code == 0 and "serial:%s\t%s%s\t%s\n" % (PORT, PORT, w.SERIAL_LABEL, UNRECORDED) in out
            and "printer:%s\t%s%s\n" % (name, name, w.PRINTER_LABEL) in out, out)
    ticket, empty, huge = (ctx.file(n, d) for n, d in (("ticket", TICKET), ("empty", b""),
                                                      ("huge", b"")))
    os.truncate(huge, 3 << 30)  # 3 GiB, sparse
    fd = ctx.open(wine_side, os.O_RDWR)
    printing = subprocess.Popen(ctx.tool_command + ["print", "serial:" + PORT, ticket])
    w.wait_for(lambda: termios.tcgetattr(fd)[4] == termios.B9600, 10, "9600 baud")
    iflag, _, cflag = termios.tcgetattr(fd)[:3]
    w.check(cflag & (termios.CSIZE | termios.PARENB | termios.CSTOPB | termios.CRTSCTS) ==
            termios.CS8 and not iflag & (termios.IXON | termios.IXOFF), "the line while open")
    w.check(w.read_far(far, len(TICKET), 20) == TICKET and printing.wait(30) == 0, "port bytes")
    w.check(ctx.tool("test", "printer:" + name)[0] == 0, "test ticket")
    w.wait_for(lambda: (read(output) or b"").endswith(b"\x1dV\x42\x00"), 15, "test ticket")
    test = read(output)
    date = re.search(rb"\nDate : (\d\d/\d\d/\d{4} \d\d:\d\d)\n", test)
    lines = ["Imprimante : printer:" + name, "Date : " + (date.group(1).decode() if date else ""),
             "Accents : é è ê ë à â ç ô ù û î ï É È À Ç €",
             "Si les accents sont lisibles, tout va bien.\n\n\n\n"]
    w.check(test == b"\x1b@\x1bt\x13\x1ba\x01\x1bE\x01Quenbrel - ticket d'essai\n\x1bE\x00\x1ba\x00"
            + "\n".join(lines).encode("cp858") + b"\x1dV\x42\x00", test)
    # Wine fails EnumJobsW and leaves the data type out of GetJobW: only the name can be read.
    w.check(ctx.printers.run("job", name.encode().hex()) == "Quenbrel - Ticket\t(null)\n", "job")
    for argv, code, said in (
            (["print", "serial:" + PORT, "/nonexistent"], 3, "Fichier"),
            (["print", "serial:" + PORT, empty], 4, INVALID),
            (["print", "serial:" + PORT, PORT], 3, "Fichier"),  # a device: never read
            (["print", "serial:" + PORT, ctx.work], 3, "Fichier"),
            (["print", "serial:" + PORT, huge], 4, INVALID),  # too big, by its size alone
            (["test", "serial:COM6"], 11, "Impossible de lire le port Bluetooth."),  # no pty
            (["print", "serial:" + PORT, ticket], 13, "Envoi interrompu. Verifiez le ticket avant "
             "de reessayer pour eviter une reimpression.")):  # nobody reads any more: it stalls
        got = ctx.tool(*argv, timeout=60)
        w.check(got[0] == code and got[2].startswith(said), "%r gave %r" % (argv, got))
    # A status request the stalled port does not take in 5 s: no answer, not a printing error.
    got = ctx.tool("status", "serial:" + PORT, timeout=60)
    w.check(got == (34, "%s\nDemande d’etat non envoyee : le port ne prend rien (liaison Bluetooth "
                    "coupee, ou imprimante eteinte).\n" % UNRECORDED, ""), got)


def case_status(ctx):
    """The support tool's status of a printer that answers (or not) on a port and of a file printer
    set offline, the cash drawer's pulse, clearing a queue, and the support report."""
    far = ctx.port()[1]
    status = ctx.tool_command + ["status", "serial:" + PORT]
    request = b"".join(b"\x10\x04" + bytes([n]) for n in range(1, 5))
    for answers, code, said, sent in (
            ((0x12, 0x12, 0x12, 0x12), 0, "Imprimante prete.\n", request),
            ((0x1A, 0x32, 0x12, 0x72), 32, "Imprimante hors ligne.\nPlus de papier.\n", request),
            ((0x1A, 0x16, 0x12, 0x12), 31, "Imprimante hors ligne.\nCapot ouvert.\n", request),
            ((0x02,), 35, "La reponse recue n’est pas un etat", request[:6]),  # bit 4 clear
            ((), 34, "Pas de reponse de l’imprimante", request[:3])):
        start = time.monotonic()
        got = w.answering_printer(far, answers, status)
        took = time.monotonic() - start
        w.check(got[0] == code and got[1].startswith(UNRECORDED + "\n" + said) and got[3] == sent
                and took < 10, "%r: %r in %.1f s" % (answers, got, took))
    got = w.answering_printer(far, (), ctx.tool_command + ["drawer", "serial:" + PORT])
    w.check(got[0] == 0 and got[3] == b"\x1bp\x00\x19\xfa", "drawer: %r" % (got,))

    # Device records of the ports as Windows keeps them (Wine has none): the outgoing port of a
    # paired printer beside a USB adapter's, then an incoming port, which is not even opened.
    ctx.callback(ctx.printers.run, "forget-ports")
    ctx.printers.run("paired", "001122aabbcc", "TM-P20 été\0".encode().hex())
    ctx.printers.run("port-record", BLUETOOTH_ID % "001122AABBCC", PORT)
    ctx.printers.run("port-record", r"FTDIBUS\VID_0403+PID_6001+A50285BIA\0000", "COM5")
    outgoing = "port Bluetooth sortant, vers TM-P20 été (00:11:22:AA:BB:CC)"
    out = ctx.tool("list")[1]
    w.check("\t%s\n" % outgoing in out and "\tport serie, pas Bluetooth\n" in out, out)
    got = w.answering_printer(far, (0x12,) * 4, status)
    w.check(got[:2] == (0, outgoing + "\nImprimante prete.\nCapteur du tiroir-caisse : niveau "
                        "bas.\n"), got)
    ctx.printers.run("forget-ports")
    ctx.printers.run("port-record", BLUETOOTH_ID % "000000000000", PORT)
    got = w.answering_printer(far, (0x12,) * 4, status)
    w.check(got == (39, "port entrant : aucun ticket n’y arrive, utilisez le port sortant\n", "",
                    b""), got)
    ctx.printers.run("forget-ports")

    name, output = ctx.printer("Quenbrel Etat")
    for offline, code, said in ((0, 0, "Le pilote ne signale aucun probleme.\n"),
                                (1, 30, "Windows utilise l’imprimante hors connexion.\n")):
        ctx.printers.run("offline", name.encode().hex(), str(offline))
        got = ctx.tool("status", "printer:" + name)
        w.check(got[0] == code and got[1] == "Etat rapporte par le pilote Windows. Un ticket "
                "accepte par Windows n’est pas forcement imprime.\n" + said +
                "Travaux en attente : 0\nPort : %s\nPilote : %s\n" % (output, w.DRIVER), got)
    # Wine keeps no queue between processes (EnumJobsW is a stub): clearing one cannot be shown.
    got = ctx.tool("clear", "printer:" + name)
    w.check(got[:2] == (41, "") and got[2].startswith("Impossible de lire la file d’impression"),
            "clear: %r" % (got,))

    # The report, with %LOCALAPPDATA% (where the logs are read) set by the launcher.
    local = os.path.join(ctx.work, "local")
    for name, lines in (("quenbrel.1.log", range(1, 101)), ("quenbrel.log", range(101, 251))):
        ctx.file(os.path.join(local, "Quenbrel", "logs", name),
                 "".join("log line %d\n" % n for n in lines).encode())
    report = os.path.join(ctx.work, "report.txt")
    got = w.answering_printer(far, (0x12,) * 4, ctx.launch(
        "inherit", local, ctx.tool_command[1], "report", w.windows_path(report)))
    w.check(got[:2] == (0, "Rapport ecrit : %s\n" % w.windows_path(report)), got)
    text = read(report).decode("utf-8")
    # What only Windows gives it (the tool's own table checks the rest).
    w.check(re.match("\ufeffRapport Quenbrel pour le support\r\nOutil : quenbrel-printers 1.0.0\r\n"
                     r"Windows : \d+\.\d+\.\d+\r\n", text) and "serial:%s\t%s%s\r\n  %s\r\n  "
            "Imprimante prete.\r\n" % (PORT, PORT, w.SERIAL_LABEL, UNRECORDED) in text and
            text.endswith(
                "\r\nAucun plantage.\r\n\r\nJournal (200 dernieres lignes de quenbrel.1.log et "
                "quenbrel.log) : %s\\Quenbrel\\logs\r\n" % w.windows_path(local) +
                "".join("log line %d\r\n" % n for n in range(51, 251))),
            text)
    # Never replaced: the same name again is numbered. Never written through a link: one to
    # nothing is not followed; one to a folder (the kind Wine shows as a link) is refused.
    got = ctx.tool("report", w.windows_path(report), timeout=120)
    w.check(got[:2] == (0, "Rapport ecrit : %s\n" % w.windows_path(report[:-4] + "-2.txt")) and
            read(report).decode("utf-8") == text, got)
    for name, target, code, said in (("a.txt", "nowhere.txt", 0, "Rapport ecrit"),
                                     ("b.txt", ctx.work, 42, "Rapport non ecrit : ce nom")):
        link = os.path.join(ctx.work, name)
        os.symlink(target, link)
        got = ctx.tool("report", w.windows_path(link), timeout=120)
        w.check(got[0] == code and (got[1] + got[2]).startswith(said) and not os.path.exists(
            os.path.join(ctx.work, "nowhere.txt")) and os.path.islink(link), got)

    # By default on the desktop, under a name of its date.
    got = ctx.tool("report", timeout=120)
    written = re.fullmatch(r"Rapport ecrit : C:\\users\\([^\\]+)\\Desktop\\"
                           r"(quenbrel-rapport-\d{8}-\d{4}\.txt)\n", got[1])
    w.check(got[0] == 0 and written, got)
    path = os.path.join(os.path.dirname(w.ports_dir()), "prefix", "drive_c", "users",
                        written.group(1), "Desktop", written.group(2))
    w.check(os.path.exists(path), path)
    os.unlink(path)


def case_network(ctx):
    """The support tool's status of a printer on a Standard TCP/IP port (its settings in the port's
    registry key), asked over TCP: a stand-in network printer that answers, stays silent, closes at
    once, refuses or is busy. It hears DLE EOT alone, one request at a time, and each case ends
    within its bounds; an LPR port is not asked; the report asks the printer too."""
    port, number = "IP_quenbrel_%d" % os.getpid(), []
    ports = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Ports"
    key = (r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors"
           r"\Standard TCP/IP Port\Ports\%s" % port)

    def registry(text):
        path = ctx.file("port.reg", ("Windows Registry Editor Version 5.00\r\n\r\n" + text)
                        .encode("utf-16"))
        w.check(w.run(w.WINE_RUN, "reg", "import", w.windows_path(path))[0] == 0, text)

    def settings(host, protocol):
        """Writes the port's listing and key once the test printer's port number is known."""
        def write(n):
            number.append(n)
            registry('[%s]\r\n"%s"=""\r\n[%s]\r\n"HostName"="%s"\r\n"IPAddress"="127.0.0.1"\r\n'
                     '"PortNumber"=dword:%08x\r\n"Protocol"=dword:%08x\r\n' % (ports, port, key,
                                                                                host, n, protocol))
        return write
    settings("", 1)(9100)
    ctx.callback(registry, '[-%s]\r\n[%s]\r\n"%s"=-\r\n' % (key, ports, port))
    name = "Quenbrel Reseau %d" % os.getpid()
    ctx.enter_context(ctx.printers.printer(name, port))
    spooler = ("Etat rapporte par le pilote Windows. Un ticket accepte par Windows n’est pas "
               "forcement imprime.\nLe pilote ne signale aucun probleme.\nTravaux en attente : 0\n"
               "Port : %s\nPilote : %s\n" % (port, w.DRIVER))
    low = "Capteur du tiroir-caisse : niveau bas.\n"
    for host, behaviour, protocol, code, said, requests in (
            ("localhost", (0x12,) * 4, 1, 0, "Imprimante prete.\n" + low, 4),
            ("", (0x1A, 0x16, 0x12, 0x12), 1, 31, "Imprimante hors ligne.\nCapot ouvert.\n" + low,
             4),
            ("", (0x12, 0x32, 0x12, 0x72), 1, 32, "Plus de papier.\n" + low, 4),
            ("", (), 1, 34, "Pas de reponse de l’imprimante sur le reseau (modele sans retour "
             "d’etat, ou occupee par un autre poste).\n", 1),
            ("", "close", 1, 50, "L’imprimante a ferme la connexion sans repondre (occupee par un "
             "autre poste, en general).\n", 0),
            ("", "refuse", 1, 51, "L’imprimante refuse la connexion sur ce port : verifiez le "
             "numero de port (9100 en general).\n", 0),
            ("", "busy", 1, 52, "Pas de connexion en 2 s : l’imprimante est occupee par un autre "
             "poste, ou eteinte.\n", 0),
            ("", (0x12,) * 4, 2, 0, "Port LPR : l’outil ne peut pas interroger l’imprimante sur ce "
             "port.\n", 0)):
        got = w.network_printer(behaviour, ctx.tool_command + ["status", "printer:" + name],
                                settings(host, protocol))
        asked = "Imprimante reseau : %s, port %d\n" % (host or "127.0.0.1", number[-1])
        heard = [(b"\x10\x04" + bytes([n]), n - 1) for n in range(1, requests + 1)]
        bound = (2 if behaviour == "busy" else 0.5) + 2.5  # the tool's wait, and Wine's start
        w.check(got[:2] == (code, (asked if protocol == 1 else "") + said + spooler) and
                got[3] == heard and got[4] < bound, "%r: %r" % (behaviour, got))
    report = os.path.join(ctx.work, "report.txt")
    got = w.network_printer((0x12,) * 4, ctx.tool_command + ["report", w.windows_path(report)],
                            settings("", 1))
    w.check(got[0] == 0 and "printer:%s\t%s%s\r\n  Imprimante reseau : 127.0.0.1, port %d\r\n"
            "  Imprimante prete.\r\n" % (name, name, w.PRINTER_LABEL, number[-1])
            in read(report).decode("utf-8"), got)


def case_log(ctx):
    """Started with no console and no standard handles at all, the program keeps its log in
    %LOCALAPPDATA%\\Quenbrel\\logs\\quenbrel.log (the plug-in's lines too) and turns a log over
    1 MiB into quenbrel.1.log, at start-up and while it runs; without a place for it, or started
    with its streams passed, it keeps none."""
    local = os.path.join(ctx.work, "local")
    kept, older = (b"x" * 1023 + b"\n") * 1024, b"older\n"  # exactly 1 MiB: kept
    log = ctx.file(os.path.join(local, "Quenbrel", "logs", "quenbrel.log"), kept)
    old = ctx.file(os.path.join(local, "Quenbrel", "logs", "quenbrel.1.log"), older)
    lines = [b"[stand-in web-view plug-in] registered\r\n",
             b"Unable to construct method call from message on channel quenbrel/printer\r\n"]
    for run in (1, 2):
        h = ctx.host(launcher=(ctx.launcher, "detached", w.windows_path(local)))
        w.check(h.round_trip(MALFORMED) == b"" and finish(h) == "", "the launcher's own streams")
        # Run 1 appends to the log of exactly 1 MiB; run 2 finds it over 1 MiB and makes it the
        # old one, replacing that.
        start, want_older = (kept, older) if run == 1 else (b"", kept)
        kept, older = read(log), read(old)
        written = kept[len(start):]
        w.check(kept.startswith(start) and older == want_older and not written.startswith(b"x")
                and all(l in written for l in lines) and b"breach" not in written,
                "run %d wrote:\n%s" % (run, written.decode()))
    # Grown over 1 MiB while the program runs: it goes on in a new log within its check's period.
    h = ctx.host(launcher=(ctx.launcher, "detached", w.windows_path(local)))
    h.event("frame")  # the plug-in's line is written by then
    with open(log, "ab") as f:
        f.write(b"y" * (1 << 20))
    w.wait_for(lambda: (read(old) or b"").endswith(b"y"), 15, "the log turned over")
    kept = b"Invalid method call; method name is not a string.\r\n" + lines[1]
    w.check(h.round_trip(MALFORMED) == b"" and finish(h) == "" and read(log) == kept, read(log))
    blocked = ctx.file("blocked", b"")  # a file where the folder would be
    h = ctx.host(launcher=(ctx.launcher, "detached", w.windows_path(blocked)))
    w.check(h.round_trip(w.call("settings")) == SETTINGS and finish(h) == "", "no place for a log")
    h = ctx.host(launcher=(ctx.launcher, "inherit", w.windows_path(local)), connect=False,
                 QUENBREL_TEST_ENGINE_REFUSE_VIEW="1")
    said = finish(h, 1, quit=False)  # the view refused: one line, and no plug-in registered
    w.check(said.endswith("Failed to create view controller.\n") and "registered" not in said and
            read(log) == kept, "with its streams passed: %r" % said)


def exception_code(dump):
    """The exception code in a minidump's exception stream (type 6); None without one."""
    count, directory = struct.unpack_from("<II", dump, 8)
    for entry in range(count):
        kind, _, at = struct.unpack_from("<III", dump, directory + 12 * entry)
        if kind == 6:
            return struct.unpack_from("<I", dump, at + 8)[0]
    return None


def function_at(module, offset):
    """The function at |offset| in the PE file |module|, named by its symbols."""
    with open(module, "rb") as f:
        head = f.read(4096)
    image_base = struct.unpack_from("<Q", head, struct.unpack_from("<I", head, 0x3C)[0] + 48)[0]
    return w.run_captured(["x86_64-w64-mingw32-addr2line", "-f", "-C", "-e", module,
                           hex(image_base + offset)])[1].split("\n")[0]


def case_crash(ctx):
    """A fault on the window's thread leaves a minidump holding its exception record, and one log
    line whose top frame, resolved with the stand-in engine's symbols, is the faulting function;
    std::terminate and abort (in log_rig.exe, on the program's handlers) leave the same evidence.
    The newest five dumps are kept, and the support report lists them with the crash lines."""
    local = os.path.join(ctx.work, "local")
    crashes, log = (os.path.join(local, "Quenbrel", n) for n in ("crashes", "logs/quenbrel.log"))
    older = ["quenbrel-2000010%d-000000-1.dmp" % n for n in range(6)]
    for name in older:
        ctx.file(os.path.join(crashes, name), b"MDMP")
    h = ctx.host(launcher=(ctx.launcher, "detached", w.windows_path(local)), connect=False,
                 QUENBREL_TEST_ENGINE_FAULT="1")
    w.check(h.process.wait(DUMP_WAIT) == 0xC0000005 & 0xFF, "exit code")
    found = re.search(r"^Crash: exception 0xC0000005 at flutter_windows\.dll\+0x([0-9A-F]+); "
                      r"stack: flutter_windows\.dll\+0x\1 .* quenbrel\.exe\+.*; dump: .*\\"
                      r"(quenbrel-[0-9-]+\.dmp)\r$", read(log).decode(), re.M)
    w.check(found, read(log))
    function = function_at(os.path.join(ctx.build, "standins", "engine", "flutter_windows.dll"),
                           int(found.group(1), 16))
    w.check("FaultIfAsked" in function, function)
    dumps = [found.group(2)]
    for step, what in (("terminate", "std::terminate"), ("abort", "abort")):
        code = subprocess.run(ctx.launch("detached", local, ctx.log_rig, step),
                              timeout=DUMP_WAIT).returncode
        found = re.search(r"^Crash: %s; stack: log_rig\.exe\+.*\\(quenbrel-[0-9-]+\.dmp)\r$" %
                          what, read(log).decode(), re.M)
        w.check(code == 3 and found, "%s: exit %d" % (step, code))
        dumps.append(found.group(1))
    for name, code in zip(dumps, (0xC0000005, 0x40000015, 0x40000015)):
        dump = read(os.path.join(crashes, name))
        w.check(dump[:4] == b"MDMP" and exception_code(dump) == code, name)
    w.check(sorted(os.listdir(crashes)) == older[4:] + dumps, os.listdir(crashes))
    report = os.path.join(ctx.work, "report.txt")
    got = w.run_captured(ctx.launch("inherit", local, ctx.tool_command[1], "report",
                                    w.windows_path(report)), timeout=120)
    text = read(report).decode("utf-8")
    listed = re.findall(r"\r\n(quenbrel-[0-9-]+\.dmp)\t\d\d/\d\d/\d{4} \d\d:\d\d\t(\d+) octets",
                        text)
    w.check(got[0] == 0 and text.count("\r\nCrash: ") == 2 * 3 and listed == [
        (n, str(os.path.getsize(os.path.join(crashes, n)))) for n in (dumps[::-1] + older[:3:-1])],
            text)


def case_log_copies(ctx):
    """Copies of the program on one log (log_rig.exe runs the program's log code): two writing
    20,000 lines each keep every line whole; one copy turns the log over while another holds it,
    which follows it; a turnover that a program not sharing deletion prevents is logged and tried
    again; a child process inherits no handle to the log."""
    local = os.path.join(ctx.work, "local")
    os.makedirs(local)
    log, old = (os.path.join(local, "Quenbrel", "logs", n) for n in ("quenbrel.log",
                                                                      "quenbrel.1.log"))

    def rig(*steps):
        return subprocess.Popen(ctx.launch("detached", local, ctx.log_rig, *steps))

    def mark(name):  # a file a rig waits for or makes: its Windows path, its path
        return w.windows_path(os.path.join(ctx.work, name)), os.path.join(ctx.work, name)

    def ended(*rigs):
        return [r.wait(w.WAIT) for r in rigs] == [0] * len(rigs)

    copies = [rig("lines:20000:copy%d" % n) for n in (1, 2)]
    want = sorted(b"copy%d line %05d" % (n, i) for n in (1, 2) for i in range(20000))
    w.check(ended(*copies) and sorted(read(log).split(b"\r\n")[:-1]) == want, "lines kept")

    kept = (b"x" * 1023 + b"\n") * 1024  # exactly 1 MiB: kept, till one more line
    ctx.file(log, kept)
    opened, done = mark("opened"), mark("done")
    holder = rig("lines:1:held", "touch:" + opened[0], "wait:" + done[0], "check", "lines:1:after")
    w.wait_for(lambda: os.path.exists(opened[1]), w.WAIT, "the first copy")
    w.check(ended(rig("lines:1:new", "touch:" + done[0]), holder) and
            read(old) == kept + b"held line 00000\r\n" and
            read(log) == b"new line 00000\r\nafter line 00000\r\n", "turned over: %r" % read(log))

    ctx.file(log, kept)
    held, tried, released = mark("held"), mark("tried"), mark("released")
    blocker = rig("block", "touch:" + held[0], "wait:" + tried[0])
    w.wait_for(lambda: os.path.exists(held[1]), w.WAIT, "the blocker")
    writer = rig("lines:1:first", "check", "touch:" + tried[0], "wait:" + released[0], "check",
                 "lines:1:second")
    w.check(ended(blocker), "the blocker")
    ctx.file(released[1], b"")
    w.check(ended(writer) and read(old) == kept + b"first line 00000\r\nThe log could not be "
            b"turned over (Windows error 32); trying again every 5 s.\r\n" and
            read(log) == b"second line 00000\r\n", "blocked: %r" % read(old)[len(kept):])
    w.check(subprocess.run(ctx.launch("detached", local, ctx.log_rig, "child"),
                           timeout=w.WAIT).returncode == 0, "a handle to the log inherited")


class Context(contextlib.ExitStack):
    """A case's build and work folders; closing it ends its hosts, printers and ports."""

    def __init__(self, build, work):
        super().__init__()
        self.build, self.work = build, work
        self.printers = w.Printers(os.path.join(build, "standins", "printer_rig", "printer_rig.exe"))
        self.program = os.path.join(build, "host", "quenbrel.exe")
        self.launcher = os.path.join(build, "standins", "launcher", "launcher.exe")
        self.log_rig = os.path.join(build, "standins", "log_rig", "log_rig.exe")
        self.tool_command = [w.WINE_RUN, os.path.join(build, "printer", "quenbrel-printers.exe")]

    def host(self, *arguments, connect=True, launcher=(), **env):
        h = w.Host(self.work, os.path.dirname(self.program), arguments, env, launcher=launcher)
        self.callback(h.close)
        return h.connect() if connect else h

    def printer(self, name, port=""):
        """A test printer whose port is the file it returns, or a command (|port|) writing to it."""
        name, output = "%s %d" % (name, os.getpid()), os.path.join(self.work, "out")
        self.enter_context(self.printers.printer(name, port + output))
        return name, output

    def port(self, termios_opts=""):
        """(the path Wine opens as PORT, the far side's), until the case ends."""
        return self.enter_context(w.pty_pair(self.work, PORT, termios_opts))

    def open(self, path, flags):
        fd = os.open(path, flags | os.O_NOCTTY | os.O_NONBLOCK)
        self.callback(os.close, fd)
        return fd

    def tool(self, *argv, timeout=w.WAIT):
        return w.run_captured(self.tool_command + list(argv), timeout=timeout)

    def launch(self, mode, local, program, *argv):
        """launcher.exe starting |program| (%LOCALAPPDATA% |local|; see launcher.cc)."""
        return [w.WINE_RUN, self.launcher, mode, w.windows_path(local), w.windows_path(program),
                *argv]

    def file(self, path, data):
        path = os.path.join(self.work, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path


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
