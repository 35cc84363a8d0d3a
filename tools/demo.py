#!/usr/bin/env python3
"""The demo's Linux side: a virtual COM port (a pseudo-terminal pair) and a virtual spooler printer
(its port is a file) in the demo's Wine prefix, quenbrel.exe driven through the driver program,
what each device received, and pictures: each receipt (tools/receipt) and the program's window on
the virtual display. Called by tools/demo under xvfb-run; every wait is bounded."""
import argparse
import os
import select
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_rig as rig  # noqa: E402  (pseudo-terminals, test printers, Wine helpers)

PRINTER = "Quenbrel Demo"
PORT = "COM5"
TITLE = "Quenbrel"  # the window's title
RECEIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "receipt")
ESC, GS = b"\x1b", b"\x1d"
WAIT = 60


def receipt():
    """ESC/POS bytes for an 80 mm printer (48 columns): initialise, code page 858 (French accents
    and the euro sign), centred header in double size, lines, total, a loyalty QR code (GS ( k,
    model 2), feed and cut."""
    def text(s):
        return s.encode("cp858")

    def qr(fn, params):  # GS ( k pL pH 49 fn params: one QR code function
        body = b"1" + fn + params
        return GS + b"(k" + bytes([len(body) & 0xFF, len(body) >> 8]) + body
    width = 48
    items = [("2 x Croissant au beurre", "2,40 €"), ("1 x Pain de campagne", "3,10 €"),
             ("1 x Tarte aux pommes", "4,50 €")]
    out = ESC + b"@" + ESC + b"t\x13" + ESC + b"a\x01"
    out += ESC + b"!\x38" + text("Boulangerie Quenbrel\n") + ESC + b"!\x00"
    out += text("12 rue des Lilas, 75011 Paris\n") + ESC + b"a\x00" + text("-" * width + "\n")
    for name, price in items:
        out += text(name.ljust(width - len(price)) + price + "\n")
    out += text("-" * width + "\n") + ESC + b"E\x01"
    out += text("TOTAL".ljust(width - 7) + "10,00 €\n") + ESC + b"E\x00" + ESC + b"a\x01\n"
    out += qr(b"A", b"2\x00") + qr(b"C", b"\x06") + qr(b"E", b"1")  # model 2, 6 dots, level M
    out += qr(b"P", b"0https://quenbrel.example/fidelite/0042") + qr(b"Q", b"0")
    out += text("\nVotre carte de fidélité\nMerci de votre visite, à bientôt !\n")
    out += ESC + b"a\x00" + b"\n\n\n" + GS + b"V\x42\x00"
    return out


def hex_dump(data):
    lines = []
    for offset in range(0, len(data), 16):
        chunk = data[offset:offset + 16]
        hexes = " ".join("%02x" % b for b in chunk)
        shown = "".join(chr(b) if 32 <= b < 127 else "." for b in chunk)
        lines.append("  %04x  %-47s  %s" % (offset, hexes, shown))
    return "\n".join(lines)


def printable(data):
    """The text a receipt printer would print: code page 858, escape sequences left out."""
    out, i = [], 0
    while i < len(data):
        b = data[i]
        if b == 0x1B:  # ESC x [n]: @ takes no parameter, the others one
            i += 2 if i + 1 < len(data) and data[i + 1] == 0x40 else 3
            continue
        if b == 0x1D:  # GS V m n, or GS ( k pL pH and pL + 256 pH bytes (a QR code)
            paren = data[i + 1:i + 2] == b"("
            i += 5 + data[i + 3] + 256 * data[i + 4] if paren else 4
            continue
        if b == 0x0A or b >= 0x20:
            out.append(bytes([b]).decode("cp858"))
        i += 1
    return "".join("  | " + line + "\n" for line in "".join(out).rstrip("\n").split("\n"))


class PortReader:
    """Collects what arrives on the far side of the virtual COM port."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
        self.data = bytearray()
        self.stop = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while not self.stop:
            if select.select([self.fd], [], [], 0.1)[0]:
                try:
                    self.data += os.read(self.fd, 65536)
                except OSError:
                    time.sleep(0.1)

    def close(self):
        self.stop = True
        self.thread.join(timeout=5)
        os.close(self.fd)


def test_ticket(args, far, work):
    """The support tool's test ticket, printed to the COM port and drawn; whether it came."""
    tool = os.path.join(os.path.dirname(os.path.abspath(args.bin_dir)), "printer",
                        "quenbrel-printers.exe")
    print("\n=== quenbrel-printers test serial:%s (the support tool's test ticket)" % PORT)
    reader = PortReader(far)
    code = rig.run_captured([args.wine_run, tool, "test", "serial:" + PORT])[0]
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline and not reader.data.endswith(GS + b"V\x42\x00"):
        time.sleep(0.1)
    reader.close()
    print("  exit code %d; %d bytes; printable text:" % (code, len(reader.data)))
    print(printable(bytes(reader.data)), end="")
    captured = os.path.join(work, "received-test-ticket.bin")
    with open(captured, "wb") as f:
        f.write(reader.data)
    subprocess.run([RECEIPT, captured, "-o", os.path.join(work, "test-ticket.png")],
                   stdout=subprocess.DEVNULL, timeout=WAIT, check=True)
    return code == 0 and reader.data.endswith(GS + b"V\x42\x00")


def screenshot(path):
    """The program's window on the virtual display, once X shows it and it had time to paint."""
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        shown = subprocess.run(["xwininfo", "-name", TITLE], capture_output=True, text=True,
                               timeout=WAIT).stdout
        if "IsViewable" in shown:
            time.sleep(1)
            return subprocess.run(["import", "-window", TITLE, path], timeout=WAIT).returncode == 0
        time.sleep(0.1)
    return False


def run_driver(args, commands, shot):
    """Runs the program through the driver, shows its lines as they come, takes the window's
    picture at the first frame and then sends these commands. Returns (exit code, picture taken)."""
    program = os.path.join(args.bin_dir, "quenbrel.exe")
    driver = subprocess.Popen([args.driver, "--timeout", str(WAIT), "--wine-run", args.wine_run,
                               program, "--demo"], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    bound = threading.Timer(3 * WAIT, driver.kill)  # a first frame that never comes
    bound.daemon = True
    bound.start()
    taken = None
    for line in driver.stdout:
        print("  driver> " + line.rstrip("\n"))
        if taken is None and line.startswith("event frame"):
            taken = screenshot(shot)
            driver.stdin.write("".join(c + "\n" for c in commands))
            driver.stdin.close()
    bound.cancel()
    return driver.wait(timeout=WAIT), bool(taken)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--bin-dir", "--driver", "--wine-run", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    ticket = os.path.join(work, "receipt.bin")
    with open(ticket, "wb") as f:
        f.write(receipt())

    print("=== Virtual COM port %s (a pseudo-terminal) and virtual printer \"%s\" (a file port)"
          % (PORT, PRINTER))
    with rig.pty_pair(work, PORT) as (_, far), \
            rig.Printers().printer(PRINTER, os.path.join(work, "printer.out")) as output:
        reader = PortReader(far)
        print("=== quenbrel.exe under Wine, with the stand-in engine, driven like the app would")
        window = os.path.join(work, "window.png")
        code, shot = run_driver(args, ["list", "wait", "print serial:%s %s" % (PORT, ticket),
                                       "wait", "print printer:%s %s" % (PRINTER, ticket), "wait",
                                       "quit"], window)
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline and not (
                len(reader.data) >= len(receipt()) and os.path.exists(output)):
            time.sleep(0.1)
        reader.close()
        spooled = b""
        if os.path.exists(output):
            with open(output, "rb") as f:
                spooled = f.read()
        pictures = []
        for title, data, name in (("COM port %s" % PORT, bytes(reader.data), PORT),
                                  ("printer \"%s\"" % PRINTER, spooled, "printer")):
            verdict = "the exact receipt" if data == receipt() else "NOT the receipt"
            print("\n=== What the %s received: %d bytes, %s" % (title, len(data), verdict))
            print(hex_dump(data))
            print("  printable text:")
            print(printable(data), end="")
            captured = os.path.join(work, "received-%s.bin" % name)
            picture = os.path.join(work, "receipt-%s.png" % name)
            with open(captured, "wb") as f:
                f.write(data)
            subprocess.run([RECEIPT, captured, "-o", picture], stdout=subprocess.DEVNULL,
                           timeout=WAIT, check=True)
            pictures.append((picture, "what the %s received, as a receipt" % title))
        tested = test_ticket(args, far, work)
        pictures.append((os.path.join(work, "test-ticket.png"), "the support tool's test ticket, "
                         "as %s received it" % PORT if tested else "NOT the test ticket"))
        pictures.append((window, "the program's window with the stand-in engine's view"
                         if shot else "NOT TAKEN: the window did not show"))
        print("\n=== Pictures")
        for path, what in pictures:
            print("  %-30s %s" % (os.path.relpath(path), what))
        print("\n=== quenbrel.exe ended with exit code %d" % code)
        received = bytes(reader.data)
        return 0 if code == 0 and shot and tested and received == receipt() == spooled else 1


if __name__ == "__main__":
    sys.exit(main())
