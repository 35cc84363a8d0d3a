"""Draws what an Epson-compatible receipt printer prints from the bytes it received (ESC/POS), as
a picture of the paper at 203 dpi: 80 mm paper (a 576-dot print area: 48 columns of font A, 64 of
font B) or 58 mm paper (384 dots: 32 and 42 columns).

Drawn: text in fonts A (12x24 dots) and B (9x17) with their sizes, emphasis, underline, reverse and
upside-down lines; alignment, tabs, margins, line spacing and feeds; the character code tables of
ESC t that Python's codecs know and the font has; QR codes (GS ( k), barcodes (GS k), bit images
(ESC *, GS v 0) dot for dot; cuts as a dashed line. Commands that change nothing on paper are read and skipped.
Anything else (another command, a control byte, a table we do not have, a command cut short) is
drawn as a small black box with its bytes in hex, so a ticket never loses bytes silently. Needs
Debian's python3-pil, python3-qrcode and fonts-dejavu-core; tools/receipt is the command."""
import dataclasses
import functools
import itertools
import unicodedata

import qrcode
from PIL import Image, ImageChops, ImageDraw, ImageFont

DPI = 203
PAPERS = {80: (640, 576), 58: (464, 384)}  # mm: the paper's width and its print area, in dots
FONTS = {"A": (12, 24, 20), "B": (9, 17, 14)}  # cell width and height in dots, TrueType size
FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono%s.ttf"
LINE_SPACING = 30  # dots (3.75 mm), the spacing at power-on and after ESC 2
TAB_STOPS = [8 * k * FONTS["A"][0] for k in range(1, 33)]  # every 8 columns of font A
MARGIN = 24  # paper above the first line and below the last
ESC, GS, FS, DLE = 0x1B, 0x1D, 0x1C, 0x10
WHITE = 255  # a 1-bit picture's white (black is 0)

# ESC t n, Epson's numbering: the tables that Python's codecs know and the monospaced font covers.
CODE_PAGES = {0: "cp437", 2: "cp850", 3: "cp860", 4: "cp863", 5: "cp865", 13: "cp857",
              14: "cp737", 15: "iso8859_7", 16: "cp1252", 17: "cp866", 18: "cp852", 19: "cp858",
              32: "cp720", 33: "cp775", 34: "cp855", 35: "cp861", 37: "cp864", 38: "cp869",
              39: "iso8859_2", 40: "iso8859_15", 44: "cp1125", 45: "cp1250", 46: "cp1251",
              47: "cp1253", 48: "cp1254", 51: "cp1257", 52: "cp1258", 53: "kz1048"}
# The printers' tables where they differ from the codec: Epson's 857 has the euro sign.
CODE_PAGE_EXTRAS = {13: {0xD5: "€"}}


@dataclasses.dataclass(frozen=True)
class Style:
    font: str = "A"
    width: int = 1
    height: int = 1
    bold: bool = False
    underline: int = 0  # dots
    reverse: bool = False
    spacing: int = 0  # dots right of each character (ESC SP), before scaling
    code_page: int = 0


@dataclasses.dataclass
class Item:
    """Something placed on a line: a character, a hex box ("marker") or a picture ("image", "qr",
    "barcode"). x is from the paper's left edge once the line is printed."""
    kind: str
    w: int
    h: int
    text: str = ""
    style: Style = None
    picture: Image.Image = None
    x: int = 0


@dataclasses.dataclass
class Row:
    """A printed line: its items stand on the line's base (the tallest item's height) and the
    paper then moved on by height dots; a cut row is a cut."""
    y: int
    height: int
    base: int = 0
    items: list = dataclasses.field(default_factory=list)
    upside_down: bool = False
    cut: bool = False


class Printer:
    """The printer's state and the paper it has printed so far (rows, down to y)."""

    def __init__(self, paper=80):
        self.paper_width, self.area = PAPERS[paper]
        self.rows, self.y = [], MARGIN
        self.reset()

    def reset(self, args=b""):  # ESC @: the power-on settings; the line not yet printed is lost
        self.style, self.align, self.upside_down = Style(), 0, False
        self.spacing, self.h_unit, self.v_unit = LINE_SPACING, 1.0, 1.0
        self.left, self.width, self.tabs = 0, self.area, TAB_STOPS
        self.bar_height, self.bar_module, self.hri, self.hri_font = 162, 3, 0, "A"
        self.qr_model, self.qr_module, self.qr_level, self.qr_data = 50, 3, 48, b""
        self.line, self.x = [], 0

    # The line being filled.
    @property
    def span(self):  # the print area's width from the left margin
        return max(0, min(self.width, self.area - self.left))

    def at_line_start(self):
        return not self.line and self.x == 0

    def restyle(self, **changes):
        self.style = dataclasses.replace(self.style, **changes)

    def place(self, item, clip=False):
        """Adds an item at the print position. A character that no longer fits prints the line and
        goes on the next, as on paper; a bit image is cut at the area's edge instead."""
        if self.x + item.w > self.span:
            if clip:
                item.w = self.span - self.x
                if item.w <= 0:
                    return
                item.picture = item.picture.crop((0, 0, item.w, item.h))
            elif self.line:
                self.print_line(self.spacing)
        item.x = self.x
        self.line.append(item)
        self.x += item.w

    def char(self, byte):
        s = self.style
        text = _decode(byte, s.code_page)
        if text is None:
            return self.marker(bytes([byte]))
        w, h, _ = FONTS[s.font]
        self.place(Item("char", (w + s.spacing) * s.width, h * s.height, text, s))

    def marker(self, data):
        label = " ".join("%02X" % b for b in data[:8]) + (" …" if len(data) > 8 else "")
        self.place(Item("marker", int(_small.getlength(label)) + 6, 16, label))

    def print_line(self, feed):
        """Prints the line (aligned in the print area) and moves the paper on by feed dots, or by
        the line's height if that is taller."""
        base = max((item.h for item in self.line), default=0)
        shift = (self.paper_width - self.area) // 2 + self.left
        shift += (self.span - self.x) * self.align // 2
        for item in self.line:
            item.x += shift
        self.add_row(Row(self.y, max(feed, base), base, self.line, self.upside_down))
        self.line, self.x = [], 0

    def add_row(self, row):
        self.rows.append(row)
        self.y += row.height

    def block(self, kind, picture, text=""):
        """A code or raster image: printed on its own, then the paper moves on by its height."""
        if picture.width > self.span:  # the printer prints nothing
            return False
        if self.line:
            self.print_line(self.spacing)
        self.place(Item(kind, picture.width, picture.height, text, picture=picture))
        self.print_line(0)

    def motion(self, n):  # n vertical motion units, in dots
        return round(n * self.v_unit)

    # Commands with parameters; each gets the parameter bytes. False: drawn as a hex box.
    def code_page(self, args):
        if args[0] not in CODE_PAGES:
            return False
        self.restyle(code_page=args[0])

    def print_mode(self, args):  # ESC !: font, emphasis, double height and width, underline
        n = args[0]
        self.restyle(font="B" if n & 1 else "A", bold=bool(n & 8), height=2 if n & 16 else 1,
                     width=2 if n & 32 else 1, underline=1 if n & 128 else 0)

    def font(self, args):
        if args[0] not in (0, 1, 48, 49):
            return False
        self.restyle(font="AB"[args[0] % 48])

    def underline(self, args):
        if args[0] not in (0, 1, 2, 48, 49, 50):
            return False
        self.restyle(underline=args[0] % 48)

    def justify(self, args):  # ESC a: taken at the start of a line only
        if args[0] not in (0, 1, 2, 48, 49, 50):
            return False
        if self.at_line_start():
            self.align = args[0] % 48

    def upside(self, args):  # ESC {: the whole line turned by 180 degrees; at a line's start only
        if self.at_line_start():
            self.upside_down = bool(args[0] & 1)

    def feed_lines(self, args):  # ESC d n: prints the line, n - 1 blank lines follow
        self.print_line(self.spacing if args[0] else 0)
        for _ in range(args[0] - 1):
            self.print_line(self.spacing)

    def tab(self, args):
        stop = next((t for t in self.tabs if t > self.x), None)
        if stop is not None and stop <= self.span:
            self.x = stop

    def tab_stops(self, args):  # ESC D n1 ... nk NUL, in columns of the current character width
        s = self.style
        column = (FONTS[s.font][0] + s.spacing) * s.width
        self.tabs = [n * column for n in args[:-1]]

    def position(self, args, relative=False):  # ESC $ and ESC \, in horizontal motion units
        n = _word(args)
        if relative and n >= 0x8000:
            n -= 0x10000
        x = (self.x if relative else 0) + round(n * self.h_unit)
        if 0 <= x <= self.span:
            self.x = x

    def margins(self, args, which):  # GS L and GS W: at the start of a line only
        if self.at_line_start():
            setattr(self, which, round(_word(args) * self.h_unit))

    def motion_units(self, args):  # GS P x y: 1/x and 1/y inch; 0 is the default (one dot)
        self.h_unit, self.v_unit = (DPI / n if n else 1.0 for n in args)

    def cut(self, args):  # GS V m [n]: m 65 and 66 feed n units first
        if self.line:
            self.print_line(self.spacing)
        if len(args) == 2:
            self.add_row(Row(self.y, self.motion(args[1])))
        self.add_row(Row(self.y, MARGIN, cut=True))

    def barcode(self, args):
        m = args[0]
        symbology = BARCODES.get(m)
        data = bytes(args[1:-1] if m <= 6 else args[2:])
        coded = symbology and symbology(data)
        if not coded:
            return False
        elements, hri = coded
        wide = (5 * self.bar_module + 1) // 2  # Epson's wide element for a module of 2 to 6 dots
        runs = [wide if e == "w" else self.bar_module if e == "n" else int(e) * self.bar_module
                for e in elements]
        picture = _bars(runs, self.bar_height, hri, self.hri, self.hri_font)
        return self.block("barcode", picture, data.decode("latin-1"))

    def symbol(self, args):  # GS ( k pL pH cn fn ...: QR codes (cn 49); others cannot be drawn
        cn, fn, params = args[2], args[3], bytes(args[4:])
        if cn != 49:
            return False if fn == 81 else None
        if fn == 65 and params[:1] in (b"1", b"2", b"3"):
            self.qr_model = params[0]
        elif fn == 67 and params and 1 <= params[0] <= 16:
            self.qr_module = params[0]
        elif fn == 69 and params[:1] in (b"0", b"1", b"2", b"3"):
            self.qr_level = params[0]
        elif fn == 80 and params:
            self.qr_data = params[1:]
        elif fn == 81 and self.qr_data:
            picture = _qr(self.qr_data, self.qr_module, self.qr_level, self.qr_model)
            return self.block("qr", picture, self.qr_data.decode("latin-1")) if picture else False

    def raster(self, args):  # GS v 0 m xL xH yL yH data: rows of bytes, a set bit is a dot
        m, columns, rows = args[0] % 48, _word(args[1:3]), _word(args[3:5])
        if m > 3:
            return False
        sx, sy = 1 + (m & 1), 1 + m // 2  # double width, double height
        picture = _bitmap(args[5:], 8 * columns, rows)
        return self.block("image", picture.resize((8 * columns * sx, rows * sy), Image.NEAREST))

    def bit_image(self, args):  # ESC * m nL nH data: columns of 8 or 24 dots, the top dot first
        m, columns = args[0], _word(args[1:3])
        if m not in BIT_IMAGE_SCALES:
            return False
        dots = 24 if m >= 32 else 8
        picture = _bitmap(args[3:], dots, columns).transpose(Image.Transpose.TRANSPOSE)
        sx, sy = BIT_IMAGE_SCALES[m]
        picture = picture.resize((columns * sx, dots * sy), Image.NEAREST)
        self.place(Item("image", picture.width, picture.height, picture=picture), clip=True)


# Horizontal and vertical scale of ESC *'s densities: 8-dot modes are a third of the head's
# vertical density, single density half its horizontal one.
BIT_IMAGE_SCALES = {0: (2, 3), 1: (1, 3), 32: (2, 1), 33: (1, 1)}


def _word(two):  # nL nH
    return two[0] | two[1] << 8


def _decode(byte, page):
    """The character a byte prints in a code table, or None (a control byte, or one the table
    leaves undefined)."""
    extra = CODE_PAGE_EXTRAS.get(page, {}).get(byte)
    if extra:
        return extra
    try:
        text = bytes([byte]).decode(CODE_PAGES[page])
    except UnicodeDecodeError:
        return None
    return None if unicodedata.category(text) == "Cc" else text


def _bitmap(data, width, height):
    """Rows of bytes, the most significant bit leftmost, a set bit black."""
    return Image.frombytes("1", (width, height), bytes(255 - b for b in data))


# Parameter lengths that the first parameter bytes tell (data, where the parameters start).
def _until_nul(data, start):
    return data.index(0, start) - start + 1


def _gs_k_length(data, start):  # m d1 ... NUL (m 0 to 6), or m n d1 ... dn
    return _until_nul(data, start + 1) + 1 if data[start] <= 6 else 2 + data[start + 1]


def _gs_paren_length(data, start):  # pL pH, then that many bytes
    return 2 + _word(data[start:start + 2])


def _raster_length(data, start):
    return 5 + _word(data[start + 1:start + 3]) * _word(data[start + 3:start + 5])


def _bit_image_length(data, start):
    return 3 + _word(data[start + 1:start + 3]) * (3 if data[start] >= 32 else 1)


def _cut_length(data, start):
    return 2 if data[start] in (65, 66) else 1


def _skip(printer, args):  # read with its parameters; nothing changes on paper
    pass


def _refuse(printer, args):
    return False


# The command table: first bytes -> (parameter length, or a function of the bytes that tells it;
# handler). The longest first bytes win (GS ( k before GS ().
COMMANDS = {
    b"\n": (0, lambda p, a: p.print_line(p.spacing)),
    b"\r": (0, _skip),  # no line feed of its own: LF already ends the line
    b"\t": (0, Printer.tab),
    b"\x1b@": (0, Printer.reset),
    b"\x1bt": (1, Printer.code_page),
    b"\x1b!": (1, Printer.print_mode),
    b"\x1bM": (1, Printer.font),
    b"\x1bE": (1, lambda p, a: p.restyle(bold=bool(a[0] & 1))),
    b"\x1bG": (1, lambda p, a: p.restyle(bold=bool(a[0] & 1))),  # double-strike looks the same
    b"\x1b-": (1, Printer.underline),
    b"\x1b ": (1, lambda p, a: p.restyle(spacing=a[0])),
    b"\x1d!": (1, lambda p, a: p.restyle(width=(a[0] >> 4 & 7) + 1, height=(a[0] & 7) + 1)),
    b"\x1dB": (1, lambda p, a: p.restyle(reverse=bool(a[0] & 1))),
    b"\x1ba": (1, Printer.justify),
    b"\x1b{": (1, Printer.upside),
    b"\x1b2": (0, lambda p, a: setattr(p, "spacing", LINE_SPACING)),
    b"\x1b3": (1, lambda p, a: setattr(p, "spacing", p.motion(a[0]))),
    b"\x1bJ": (1, lambda p, a: p.print_line(p.motion(a[0]))),
    b"\x1bd": (1, Printer.feed_lines),
    b"\x1bD": (_until_nul, Printer.tab_stops),
    b"\x1b$": (2, Printer.position),
    b"\x1b\\": (2, lambda p, a: p.position(a, relative=True)),
    b"\x1dL": (2, lambda p, a: p.margins(a, "left")),
    b"\x1dW": (2, lambda p, a: p.margins(a, "width")),
    b"\x1dP": (2, Printer.motion_units),
    b"\x1dV": (_cut_length, Printer.cut),
    b"\x1bi": (0, Printer.cut),
    b"\x1bm": (0, Printer.cut),
    b"\x1dh": (1, lambda p, a: setattr(p, "bar_height", a[0] or p.bar_height)),
    b"\x1dw": (1, lambda p, a: setattr(p, "bar_module", a[0] if 2 <= a[0] <= 6 else p.bar_module)),
    b"\x1dH": (1, lambda p, a: setattr(p, "hri", a[0] % 48 & 3)),
    b"\x1df": (1, lambda p, a: setattr(p, "hri_font", "AB"[a[0] & 1])),
    b"\x1dk": (_gs_k_length, Printer.barcode),
    b"\x1d(k": (_gs_paren_length, Printer.symbol),
    b"\x1d(": (lambda d, s: 1 + _gs_paren_length(d, s + 1), _refuse),  # other GS ( functions
    b"\x1dv0": (_raster_length, Printer.raster),
    b"\x1b*": (_bit_image_length, Printer.bit_image),
    # No mark on paper: Kanji off, international set (USA assumed), peripheral, one-way printing,
    # drawer pulse, status back, panel buttons and paper sensors.
    b"\x1c.": (0, _skip),
    b"\x1bR": (1, _skip),
    b"\x1b=": (1, _skip),
    b"\x1bU": (1, _skip),
    b"\x1bp": (3, _skip),
    b"\x1da": (1, _skip),
    b"\x10\x04": (1, _skip),
    b"\x10\x14": (3, _skip),
    b"\x1bc3": (1, _skip),
    b"\x1bc4": (1, _skip),
    b"\x1bc5": (1, _skip),
}


def _command(data, i):
    """The command at data[i]: (its length, handler, parameter bytes); the length is None for a
    command cut short, and None is returned for bytes that are not a known command."""
    for size in (3, 2, 1):
        entry = COMMANDS.get(data[i:i + size]) if i + size <= len(data) else None
        if entry:
            params, handler = entry
            try:
                n = params if isinstance(params, int) else params(data, i + size)
            except (IndexError, ValueError):
                return None, handler, None
            if i + size + n > len(data):
                return None, handler, None
            return size + n, handler, data[i + size:i + size + n]
    return None


def layout(data, paper=80):
    """The Printer after these bytes: its rows are what the paper shows."""
    data, printer, i = bytes(data), Printer(paper), 0
    while i < len(data):
        b, found = data[i], _command(data, i)
        if found and found[0] is None:  # cut short: the rest as one box
            printer.marker(data[i:])
            break
        if found:
            size, handler, args = found
            if handler(printer, args) is False:
                printer.marker(data[i:i + size])
            i += size
        elif b >= 0x20:
            printer.char(b)
            i += 1
        else:  # unknown: the prefix and the command's byte; any parameters then print as text
            size = 2 if b in (ESC, GS, FS, DLE) and i + 1 < len(data) else 1
            printer.marker(data[i:i + size])
            i += size
    if printer.line:
        printer.print_line(printer.spacing)
    return printer


# Codes.
EAN_L = "0001101 0011001 0010011 0111101 0100011 0110001 0101111 0111011 0110111 0001011".split()
EAN_R = ["".join("1" if c == "0" else "0" for c in code) for code in EAN_L]
EAN_G = [code[::-1] for code in EAN_R]
EAN13_PARITY = "LLLLLL LLGLGG LLGGLG LLGGGL LGLLGG LGGLLG LGGGLL LGLGLG LGLGGL LGGLGL".split()
# Bars and spaces of each character, 1 for a wide one.
CODE39 = dict(zip(
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. *$/+%",
    "000110100 100100001 001100001 101100000 000110001 100110000 001110000 000100101 100100100 "
    "001100100 100001001 001001001 101001000 000011001 100011000 001011000 000001101 100001100 "
    "001001100 000011100 100000011 001000011 101000010 000010011 100010010 001010010 000000111 "
    "100000110 001000110 000010110 110000001 011000001 111000000 010010001 110010000 011010000 "
    "010000101 110000100 011000100 010010100 010101000 010100010 010001010 000101010".split()))
ITF = "00110 10001 01001 11000 00101 10100 01100 00011 10010 01010".split()
# Modules of the bars and spaces of each value, then the stop.
CODE128 = (
    "212222 222122 222221 121223 121322 131222 122213 122312 132212 221213 221312 231212 112232 "
    "122132 122231 113222 123122 123221 223211 221132 221231 213212 223112 312131 311222 321122 "
    "321221 312212 322112 322211 212123 212321 232121 111323 131123 131321 112313 132113 132311 "
    "211313 231113 231311 112133 112331 132131 113123 113321 133121 313121 211331 231131 213113 "
    "213311 213131 311123 311321 331121 312113 312311 332111 314111 221411 431111 111224 111422 "
    "121124 121421 141122 141221 112214 112412 122114 122411 142112 142211 241211 221114 413111 "
    "241112 134111 111242 121142 121241 114212 124112 124211 411212 421112 421211 212141 214121 "
    "412121 111143 111341 131141 114113 114311 411113 411311 113141 114131 311141 411131 211412 "
    "211214 211232 2331112").split()


def _check_digit(digits):
    total = sum(int(d) * (3 if k % 2 == 0 else 1) for k, d in enumerate(reversed(digits)))
    return str(-total % 10)


def _ean(data, length):
    """EAN-13 (with UPC-A as 13 digits) or EAN-8 from the digits, the check digit added when
    missing: (runs of modules, readable digits)."""
    digits = data.decode("latin-1")
    if not digits.isdigit() or len(digits) not in (length - 1, length):
        return None
    digits += _check_digit(digits) if len(digits) == length - 1 else ""
    if length == 13:
        left = "".join((EAN_L if p == "L" else EAN_G)[int(d)]
                       for p, d in zip(EAN13_PARITY[int(digits[0])], digits[1:7]))
        right = digits[7:]
    else:
        left, right = "".join(EAN_L[int(d)] for d in digits[:4]), digits[4:]
    bits = "101" + left + "01010" + "".join(EAN_R[int(d)] for d in right) + "101"
    return "".join(str(len(list(run))) for _, run in itertools.groupby(bits)), digits


def _upc_a(data):
    coded = len(data) in (11, 12) and _ean(b"0" + data, 13)
    return coded and (coded[0], coded[1][1:])


def _code39(data):  # the printer adds the start and stop characters when they are missing
    text = data.decode("latin-1")
    if not text.startswith("*"):
        text = "*" + text + "*"
    if len(text) < 3 or not text.endswith("*") or any(c not in CODE39 for c in text):
        return None
    elements = "n".join(CODE39[c] for c in text)
    return elements.replace("0", "n").replace("1", "w"), text


def _itf(data):  # pairs of digits: the first in the bars, the second in the spaces
    text = data.decode("latin-1")
    if not text or len(text) % 2 or not text.isdigit():
        return None
    pairs = "".join("".join(a + b for a, b in zip(ITF[int(text[k])], ITF[int(text[k + 1])]))
                    for k in range(0, len(text), 2))
    return ("0000" + pairs + "100").replace("0", "n").replace("1", "w"), text


def _code128(data):
    """Epson's form: "{A", "{B" or "{C" first; "{" then A, B or C switches, 1 to 4 are FNC1 to
    FNC4 and "{" is the character itself; in code set C each byte is a pair of digits."""
    if data[:1] != b"{" or data[1:2] not in (b"A", b"B", b"C"):
        return None
    values, text, code_set, i = [], "", None, 0
    while i < len(data):
        b, c = data[i], chr(data[i + 1]) if i + 1 < len(data) else ""
        if b == 0x7B and c != "{":
            i += 2
            if c in ("A", "B", "C"):
                values.append({"A": 101, "B": 100, "C": 99}[c] if values else 103 + "ABC".index(c))
                code_set = c
            elif c == "1" or c in ("2", "3", "4") and code_set != "C":
                values.append({"1": 102, "2": 97, "3": 96, "4": 101 if code_set == "A" else 100}[c])
            else:
                return None
            continue
        i += 2 if b == 0x7B else 1  # "{{" is "{"
        if code_set == "C" and b < 100:
            values.append(b)
            text += "%02d" % b
        elif code_set == "A" and b < 96 or code_set == "B" and 32 <= b < 128:
            values.append(b - 32 if b >= 32 else b + 64)
            text += chr(b) if 32 <= b < 127 else " "
        else:
            return None
    check = (values[0] + sum(k * v for k, v in enumerate(values) if k)) % 103
    return "".join(CODE128[v] for v in values + [check, 106]), text


# GS k m: function A (m 0 to 6) and B (m 65 to 73).
BARCODES = {0: _upc_a, 65: _upc_a, 2: lambda d: _ean(d, 13), 67: lambda d: _ean(d, 13),
            3: lambda d: _ean(d, 8), 68: lambda d: _ean(d, 8), 4: _code39, 69: _code39,
            5: _itf, 70: _itf, 73: _code128}
QR_LEVELS = {48: qrcode.constants.ERROR_CORRECT_L, 49: qrcode.constants.ERROR_CORRECT_M,
             50: qrcode.constants.ERROR_CORRECT_Q, 51: qrcode.constants.ERROR_CORRECT_H}


def _qr(data, module, level, model):
    """A model 2 QR code at module dots a module, without the quiet zone (the printer leaves it to
    the ticket); None for another model or data too long."""
    if model != 50:
        return None
    code = qrcode.QRCode(error_correction=QR_LEVELS[level], box_size=1, border=0)
    code.add_data(data)
    try:
        code.make(fit=True)
    except qrcode.exceptions.DataOverflowError:
        return None
    matrix = code.get_matrix()
    picture = Image.new("1", (len(matrix), len(matrix)), WHITE)
    picture.putdata([0 if dark else WHITE for row in matrix for dark in row])
    return picture.resize((picture.width * module, picture.height * module), Image.NEAREST)


HRI_GAP = 4  # dots between the bars and their readable text


def _bars(runs, height, text, hri, font):
    """The bars (runs of dots, bar first) with the readable text above (hri 1), below (2) or both
    (3), centred."""
    bars = Image.new("1", (sum(runs), height), WHITE)
    draw, x = ImageDraw.Draw(bars), 0
    for k, run in enumerate(runs):
        if k % 2 == 0:
            draw.rectangle((x, 0, x + run - 1, height - 1), 0)
        x += run
    if not hri:
        return bars
    w, h, _ = FONTS[font]
    lines = (hri & 1) + (hri >> 1 & 1)
    size = (max(bars.width, w * len(text)), height + lines * (h + HRI_GAP))
    picture = Image.new("1", size, WHITE)
    top = h + HRI_GAP if hri & 1 else 0
    picture.paste(bars, ((picture.width - bars.width) // 2, top))
    for y in ([0] if hri & 1 else []) + ([top + height + HRI_GAP] if hri & 2 else []):
        x = (picture.width - w * len(text)) // 2
        for k, c in enumerate(text):
            picture.paste(_glyph(c, font, False, 1, 1), (x + k * w, y))
    return picture


# Drawing.
@functools.lru_cache(maxsize=None)
def _truetype(size, bold):
    return ImageFont.truetype(FONT_FILE % ("-Bold" if bold else ""), size)


_small = ImageFont.truetype(FONT_FILE % "", 11)


@functools.lru_cache(maxsize=None)
def _glyph(text, font, bold, width, height):
    """One character's cell, drawn at 1x and then scaled by whole dots, as the printer does."""
    w, h, size = FONTS[font]
    cell = Image.new("1", (w, h), WHITE)
    ImageDraw.Draw(cell).text((0, 0), text, font=_truetype(size, bold), fill=0)
    return cell.resize((w * width, h * height), Image.NEAREST)


def _draw_char(strip, item, base):
    s = item.style
    cell = Image.new("1", (item.w, item.h), WHITE)
    cell.paste(_glyph(item.text, s.font, s.bold, s.width, s.height), (0, 0))
    if s.reverse:  # white on black; no underline then
        cell = ImageChops.invert(cell)
    elif s.underline:
        ImageDraw.Draw(cell).rectangle((0, item.h - s.underline, item.w - 1, item.h - 1), 0)
    strip.paste(cell, (item.x, base - item.h))


def _draw_marker(strip, item, base):  # white hex on a black box
    draw, top = ImageDraw.Draw(strip), base - item.h
    draw.rectangle((item.x + 1, top, item.x + item.w - 2, base - 1), 0)
    draw.text((item.x + 3, top + 1), item.text, font=_small, fill=WHITE)


def render(data, paper=80):
    """The picture (a 1-bit PIL image) of the paper these bytes print on: 80 or 58 mm."""
    printer = layout(data, paper)
    image = Image.new("1", (printer.paper_width, printer.y + MARGIN), WHITE)
    draw = ImageDraw.Draw(image)
    for row in printer.rows:
        if row.cut:  # a dashed line across the paper
            middle = row.y + row.height // 2
            for x in range(0, image.width, 16):
                draw.rectangle((x, middle - 1, x + 7, middle), 0)
        if not row.items:
            continue
        strip = Image.new("1", (image.width, row.base), WHITE)
        for item in row.items:
            if item.kind == "char":
                _draw_char(strip, item, row.base)
            elif item.kind == "marker":
                _draw_marker(strip, item, row.base)
            else:
                strip.paste(item.picture, (item.x, row.base - item.h))
        image.paste(strip.rotate(180) if row.upside_down else strip, (0, row.y))
    return image
