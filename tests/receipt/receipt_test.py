#!/usr/bin/python3
"""tools/receipt's renderer against the expected pictures beside this file. After a deliberate
change: receipt_test.py --update, then look at the pictures before committing them."""
import os
import sys

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import receipt  # noqa: E402

ESC, GS = b"\x1b", b"\x1d"
# The same bytes in each table: é à ç É then ╒/ı/€/Õ tell the tables apart; 0x90 is undefined in
# cp1252 and table 5 is not one we have (markers, the previous table stays).
ACCENTS = b"\x82\x85\x87\x90\xd5\n"
TICKETS = {
    "code_pages": b"".join(ESC + b"t" + bytes([n]) + ACCENTS for n in (0, 2, 19, 16, 5)),
    "styles": ESC + b"E\x01bold" + ESC + b"E\x00 " + ESC + b"-\x01under" + ESC + b"-\x32two\n"
    + GS + b"!\x11Big" + GS + b"!\x01tall" + GS + b"!\x10wide\n"
    + ESC + b"t\x13" + ESC + b"@reset\xd5\n",
    "layout": ESC + b"a\x01centre\n" + ESC + b"a\x32right\n" + ESC + b"a\x00" + b"x" * 50
    + b"\n" + ESC + b"d\x02" + GS + b"V\x42\x08" + ESC + b"r\x01\x07after" + GS + b"V\x00" + GS,
}
TOLERANCE = 8  # differing pixels: room for a rasteriser update, less than any accent


failed = []
for name, ticket in TICKETS.items():
    got, path = receipt.render(ticket), os.path.join(HERE, name + ".png")
    if "--update" in sys.argv:
        got.save(path)
    want = Image.open(path)
    same_size = got.size == want.size
    diff = same_size and ImageChops.difference(got.convert("L"), want.convert("L"))
    if not same_size or sum(1 for v in diff.getdata() if v) > TOLERANCE:
        failed.append(name)
sys.exit("FAIL: %s differ from their pictures" % ", ".join(failed) if failed else None)
