"""Draws what a receipt printer received (ESC/POS commands) as a picture of the paper: 576 dots
wide, 80 mm paper at 203 dpi, in the printer's 12x24-dot character cells (48 columns).

Known commands: ESC @, ESC t, ESC a, ESC E, ESC -, GS !, ESC d, LF, CR, GS V. Anything else
(another command, a control byte, a table we do not have, a command cut short) is drawn as a small
black box with its bytes in hex, so a ticket never loses bytes silently. Needs Debian's python3-pil
and fonts-dejavu-core; tools/receipt is the command."""
from PIL import Image, ImageDraw, ImageFont

WIDTH = 576
CELL_W, CELL_H = 12, 24
SPACING = 6  # dots between lines, on top of the characters' height
MARGIN = 12
FONTS = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono%s.ttf"
# ESC t n: the printer's character code tables we decode, with Python's codecs.
CODE_PAGES = {0: "cp437", 2: "cp850", 16: "cp1252", 19: "cp858"}
ESC, GS, LF, CR = 0x1B, 0x1D, 0x0A, 0x0D

_regular = ImageFont.truetype(FONTS % "", 20)
_bold = ImageFont.truetype(FONTS % "-Bold", 20)
_small = ImageFont.truetype(FONTS % "", 11)


class Style:
    def __init__(self):
        self.bold, self.underline, self.width, self.height = False, 0, 1, 1
        self.align, self.code_page = 0, "cp437"

    def copy(self):
        other = Style()
        other.__dict__.update(self.__dict__)
        return other


class Paper:
    """Collects the ticket as rows: ("line", align, items), ("feed", dots) and ("cut",); an item
    is ("text", character, style, width) or ("marker", label, None, width)."""

    def __init__(self):
        self.rows, self.items, self.used, self.style = [], [], 0, Style()
        self.align = 0  # the alignment in force when the line's first character came

    def char(self, text):
        self._place(("text", text, self.style.copy()), CELL_W * self.style.width)

    def marker(self, data):
        label = " ".join("%02X" % b for b in data)
        self._place(("marker", label, None), int(_small.getlength(label)) + 6)

    def _place(self, item, w):
        if self.used + w > WIDTH:  # a full line prints and the rest goes on below, as on paper
            self.line_feed()
        if not self.items:
            self.align = self.style.align
        self.items.append(item + (w,))
        self.used += w

    def line_feed(self):
        if self.items:
            self.rows.append(("line", self.align, self.items))
        else:
            self.rows.append(("feed", CELL_H + SPACING))
        self.items, self.used = [], 0

    def cut(self, feed):
        if self.items:
            self.line_feed()
        if feed:
            self.rows.append(("feed", feed))
        self.rows.append(("cut",))


def parse(data):
    """Reads the commands into a Paper."""
    paper, i, n = Paper(), 0, len(data)

    def arg(k):  # the k-th byte after the command's first byte, or None past the end
        return data[i + k] if i + k < n else None

    while i < n:
        b, s = data[i], paper.style
        if b == LF:
            paper.line_feed()
            i += 1
        elif b == CR:  # ignored: these printers feed on LF only
            i += 1
        elif b >= 0x20:
            try:
                paper.char(bytes([b]).decode(s.code_page))
            except UnicodeDecodeError:  # a byte the table leaves undefined (some of cp1252's)
                paper.marker(data[i:i + 1])
            i += 1
        elif b == ESC and arg(1) == ord("@"):
            paper.style = Style()
            i += 2
        elif b == ESC and arg(1) == ord("t") and CODE_PAGES.get(arg(2)):
            s.code_page = CODE_PAGES[arg(2)]
            i += 3
        elif b == ESC and arg(1) == ord("a") and arg(2) in (0, 1, 2, 48, 49, 50):
            s.align = arg(2) % 48
            i += 3
        elif b == ESC and arg(1) == ord("E") and arg(2) is not None:
            s.bold = bool(arg(2) & 1)
            i += 3
        elif b == ESC and arg(1) == ord("-") and arg(2) in (0, 1, 2, 48, 49, 50):
            s.underline = arg(2) % 48
            i += 3
        elif b == GS and arg(1) == ord("!") and arg(2) is not None:
            s.width, s.height = (arg(2) >> 4 & 7) + 1, (arg(2) & 7) + 1
            i += 3
        elif b == ESC and arg(1) == ord("d") and arg(2) is not None:
            for _ in range(arg(2)):  # prints the line, then blank lines: n line feeds
                paper.line_feed()
            i += 3
        elif b == GS and arg(1) == ord("V") and arg(2) in (0, 1, 48, 49):
            paper.cut(0)
            i += 3
        elif b == GS and arg(1) == ord("V") and arg(2) in (65, 66) and arg(3) is not None:
            paper.cut(arg(3))  # feeds n motion units (one dot each here), then cuts
            i += 4
        else:
            # Unknown: the prefix and the command's byte; any parameters then print as text.
            size = 2 if b in (ESC, GS, 0x1C, 0x10) and arg(1) is not None else 1
            paper.marker(data[i:i + size])
            i += size
    if paper.items:
        paper.line_feed()
    return paper


def _draw_text(image, x, bottom, text, style):
    """One character cell, drawn at 1x and then scaled by whole dots, as the printer does."""
    cell = Image.new("1", (CELL_W, CELL_H), 1)
    ImageDraw.Draw(cell).text((0, 0), text, font=_bold if style.bold else _regular, fill=0)
    w, h = CELL_W * style.width, CELL_H * style.height
    image.paste(cell.resize((w, h), Image.NEAREST), (x, bottom - h))
    if style.underline:
        ImageDraw.Draw(image).rectangle((x, bottom - style.underline, x + w - 1, bottom - 1), 0)


def _row_height(row):
    if row[0] == "feed":
        return row[1]
    if row[0] == "cut":
        return 2 * MARGIN
    tallest = max(CELL_H * style.height if style else CELL_H for _, _, style, _ in row[2])
    return tallest + SPACING


def render(data):
    """The picture (a 1-bit PIL image) of what these bytes print."""
    rows = parse(bytes(data)).rows
    image = Image.new("1", (WIDTH, 2 * MARGIN + sum(map(_row_height, rows))), 1)
    draw = ImageDraw.Draw(image)
    y = MARGIN
    for row in rows:
        height = _row_height(row)
        if row[0] == "cut":  # a dashed line across the paper
            for x in range(0, WIDTH, 16):
                draw.rectangle((x, y + MARGIN - 1, x + 7, y + MARGIN), 0)
        elif row[0] == "line":
            _, align, items = row
            x = (WIDTH - sum(item[3] for item in items)) * align // 2
            bottom = y + height - SPACING
            for kind, text, style, w in items:
                if kind == "text":
                    _draw_text(image, x, bottom, text, style)
                else:  # white hex on a black box
                    draw.rectangle((x + 1, bottom - 16, x + w - 2, bottom - 1), 0)
                    draw.text((x + 3, bottom - 15), text, font=_small, fill=1)
                x += w
        y += height
    return image
