#!/usr/bin/python3
"""tools/receipt's renderer: the layout of hand-made bytes (rows of a table), one stored picture of
the styles, and tickets composed by ReceiptPrinterEncoder whose codes zbarimg reads back.
Usage: receipt_test.py [NPM_DIR] [--update]. The encoder is installed with npm into NPM_DIR
(default build/receipt-npm) on first use. --update rewrites the picture: look at it first."""
import json
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import receipt  # noqa: E402

ENCODER, VERSION = "@point-of-sale/receipt-printer-encoder", "4.0.1"
ESC, GS, FS, DLE = b"\x1b", b"\x1d", b"\x1c", b"\x10"
_ = None  # not checked

# ESC t n, bytes, what they print.
PAGES = [(0, b"\x9b\xe1", "¢ß"), (2, b"\x9b\xd5", "øı"), (3, b"\x86\x8c", "ÁÔ"),
         (4, b"\x86\x8d", "¶‗"), (5, b"\x9b\xaf", "ø¤"), (13, b"\x98\x9e\xd5", "İŞ€"),
         (14, b"\x80\x97", "ΑΩ"), (16, b"\x80\xe9", "€é"), (17, b"\x80\xef", "Ая"),
         (18, b"\x88\xa5", "łą"), (19, b"\xd5\x9b", "€ø")]
QR_HELLO = GS + b"(k\x03\x001C\x04" + GS + b"(k\x08\x001P0hello" + GS + b"(k\x03\x001Q0"
# Name, bytes, paper, the rows: (top, text, left, right) as rows() gives them.
LAYOUTS = [
    ("font A: 48 columns fill 80 mm", b"X" * 49, 80, [(0, "X" * 48, 0, 576), (30, "X", 0, 12)]),
    ("font B: 64 columns", ESC + b"M\x01" + b"x" * 65, 80,
     [(0, "x" * 64, 0, 576), (30, "x", 0, 9)]),
    ("ESC ! font B double width", ESC + b"!\x21" + b"x" * 33, 80,
     [(0, "x" * 32, 0, 576), (30, "x", 0, 18)]),
    ("58 mm: 32 columns", b"X" * 33, 58, [(0, "X" * 32, 0, 384), (30, "X", 0, 12)]),
    ("sizes", GS + b"!\x11ab" + GS + b"!\x00c\n" + GS + b"!\x77W\n" + ESC + b"!\x10d", 80,
     [(0, "abc", 0, 60), (48, "W", 0, 96), (240, "d", 0, 12)]),
    ("alignment, taken at a line's start",
     ESC + b"a\x01ab\n" + ESC + b"a\x32ab\n" + ESC + b"a\x00a" + ESC + b"a\x02b\n", 80,
     [(0, "ab", 276, 300), (30, "ab", 552, 576), (60, "ab", 0, 24)]),
    ("tabs, positions, character spacing", b"a\tb\n\t\tc\n" + GS + b"!\x10" + ESC + b"D\x02\x04\x00"
     + GS + b"!\x00\ta\tb\n" + ESC + b"$\x64\x00d" + ESC + b"\\\x0a\x00e" + ESC + b" \x03fg", 80,
     [(0, "ab", 0, 108), (30, "c", 192, 204), (60, "ab", 48, 108), (90, "defg", 100, 164)]),
    ("margins", GS + b"L\x18\x00" + GS + b"W\xf0\x00" + b"X" * 21 + b"\n" + ESC + b"a\x02ab", 80,
     [(0, "X" * 20, 24, 264), (30, "X", 24, 36), (60, "ab", 240, 264)]),
    ("line spacing, feeds, CR", b"a\n" + ESC + b"3\x3cb\nc\n" + ESC + b"2d\ne" + ESC + b"J\x64f\n"
     + ESC + b"d\x03g\r\nh", 80, [(top, c, _, _) for top, c in
                                 zip((0, 30, 90, 150, 180, 280, 400, 430), "abcdefgh")]),
    ("code pages", b"".join(ESC + b"t" + bytes([n]) + s + b"\n" for n, s, text in PAGES), 80,
     [(30 * k, text, _, _) for k, (n, s, text) in enumerate(PAGES)]),
    ("undefined byte; unknown table keeps the last", ESC + b"t\x10\x81\xe9" + ESC + b"t\x63\xe9",
     80, [(0, "[81]é[1B 74 63]é", _, _)]),
    ("commands that change nothing on paper", FS + b"." + ESC + b"R\x00" + ESC + b"=\x01"
     + ESC + b"U\x00" + ESC + b"p\x00\x19\xfa" + GS + b"a\x00" + DLE + b"\x04\x01"
     + ESC + b"c5\x00" + GS + b"P\x00\x00" + b"ok", 80, [(0, "ok", 0, 24)]),
    ("unknown and cut short", ESC + b"~x" + GS + b"(A\x02\x00\x00\x00" + ESC + b"!", 80,
     [(0, "[1B 7E]x[1D 28 41 02 00 00 00][1B 21]", 0, _)]),
    ("codes and images: sizes, alignment", ESC + b"a\x01" + GS + b"h\x32" + GS + b"w\x02"
     + GS + b"H\x02" + GS + b"k\x02" + b"400638133393\x00" + QR_HELLO
     + GS + b"v0\x03\x01\x00\x02\x00\x80\x01" + ESC + b"*\x00\x02\x00\x80\x01\n", 80,
     [(0, "<barcode>", 193, 383), (78, "<qr>", 246, 330), (162, "<image>", 280, 296),
      (166, "<image>", 286, 290)]),
    ("CODE39 and ITF: wide elements", GS + b"w\x02" + GS + b"k\x04A\x00" + GS + b"kF\x0212", 80,
     [(0, "<barcode>", 0, 85), (162, "<barcode>", 0, 49)]),
    ("too wide to print", GS + b"w\x06" + GS + b"k\x04" + b"X" * 10 + b"\x00", 58,
     [(0, "[1D 6B 04 58 58 58 58 58 …]", 0, _)]),
]
STYLES = (ESC + b"E\x01bold" + ESC + b"E\x00 " + ESC + b"-\x01under" + ESC + b"-\x02two"
          + ESC + b"-\x00\n" + GS + b"B\x01reverse" + GS + b"B\x00 " + ESC + b"!\x89font B\n"
          + ESC + b"!\x00" + ESC + b"{\x01upside down\n" + ESC + b"{\x00" + GS + b"!\x11Big"
          + GS + b"!\x00 " + ESC + b"t\x13\xd5 " + ESC + b"t\x0d\xd5\x98\n" + GS + b"V\x00")
TOLERANCE = 8  # differing pixels: room for a rasteriser update, less than any accent


FORMS = {"char": "{0.text}", "marker": "[{0.text}]"}  # codes and images: <kind>


def rows(data, paper=80):
    """(top, text, left, right) of each row that prints something: top from the first such row,
    left and right from the print area's left edge; boxes as [hex], codes and images as <kind>."""
    printer = receipt.layout(data, paper)
    edge = (printer.paper_width - printer.area) // 2
    printed = [r for r in printer.rows if r.items]
    return [(r.y - printed[0].y, "".join(FORMS.get(i.kind, "<{.kind}>").format(i) for i in r.items),
             r.items[0].x - edge, r.items[-1].x + r.items[-1].w - edge) for r in printed]


def layout_faults():
    for name, data, paper, want in LAYOUTS:
        got = rows(data, paper)
        masked = [tuple(g if w is _ else w for g, w in zip(gr, wr)) for gr, wr in zip(got, want)]
        if len(got) != len(want) or masked != got:
            yield "%s: %s" % (name, got)


def picture_faults(update):
    got, path = receipt.render(STYLES, 58), os.path.join(HERE, "styles.png")
    if update:
        got.save(path)
    want = Image.open(path)
    diff = got.size == want.size and ImageChops.difference(got.convert("L"), want.convert("L"))
    if not diff or sum(1 for v in diff.getdata() if v) > TOLERANCE:
        yield "styles: differs from styles.png"


def encoder_tickets(npm_dir):
    """The tickets that tickets.mjs composes, with the encoder installed on first use."""
    package = os.path.join(npm_dir, "node_modules", ENCODER, "package.json")
    if not os.path.exists(package) or json.load(open(package))["version"] != VERSION:
        print("receipt: npm installs %s@%s into %s" % (ENCODER, VERSION, npm_dir), flush=True)
        subprocess.run(["npm", "install", "--prefix", npm_dir, "--no-save", "--no-package-lock",
                        "--no-audit", "--no-fund", "--loglevel=error", "--fetch-timeout=60000",
                        "--fetch-retries=1", "%s@%s" % (ENCODER, VERSION)], check=True,
                       timeout=300, stdout=subprocess.DEVNULL)
    return json.loads(subprocess.run(["node", os.path.join(HERE, "tickets.mjs"), npm_dir],
                                     check=True, capture_output=True, timeout=60).stdout)


def dark(x, y):  # tickets.mjs's test image
    return (x + 2 * y) % 5 < 2


def ticket_faults(ticket, work):
    """No hex box, the text rows as composed (so nothing wrapped), the codes read back as they
    were sent, the images dot for dot."""
    data, paper, name = bytes.fromhex(ticket["bytes"]), ticket["paper"], ticket["name"]
    printed = [r for r in receipt.layout(data, paper).rows if r.items]
    items = [(r, i) for r in printed for i in r.items]
    if any(i.kind == "marker" for _, i in items):
        yield "%s: hex boxes %s" % (name, [i.text for _, i in items if i.kind == "marker"])
    lines = ["".join(i.text for i in r.items).rstrip() for r in printed
             if r.items[0].kind == "char"]
    if lines != ticket["lines"]:
        yield "%s: lines %s" % (name, lines)
    picture, path = receipt.render(data, paper), os.path.join(work, name + ".png")
    picture.save(path)
    read = subprocess.run(["zbarimg", "-q", "-Supca.enable", path], capture_output=True,
                          text=True, timeout=60).stdout.splitlines()
    if sorted(read) != sorted(ticket["codes"]):
        yield "%s: codes read %s" % (name, read)
    images = [(r.y + r.base - i.h, i) for r, i in items if i.kind == "image"]
    if [[i.w, i.h] for _, i in images] != ticket["images"]:
        yield "%s: images %s" % (name, [(i.w, i.h) for _, i in images])
    for top, i in images:
        if any((picture.getpixel((i.x + x, top + y)) == 0) != dark(x, y)
               for y in range(i.h) for x in range(i.w)):
            yield "%s: an image's dots differ" % name


def main():
    args = [a for a in sys.argv[1:] if a != "--update"]
    npm_dir = os.path.abspath(args[0] if args else os.path.join(HERE, "../../build/receipt-npm"))
    faults = list(layout_faults()) + list(picture_faults("--update" in sys.argv))
    tickets = encoder_tickets(npm_dir)
    with tempfile.TemporaryDirectory() as work:
        faults += [f for ticket in tickets for f in ticket_faults(ticket, work)]
    print("".join("FAIL %s\n" % f for f in faults) + "receipt: %d checked, %d faults" % (
        len(LAYOUTS) + 1 + len(tickets), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
