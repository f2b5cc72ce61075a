#!/usr/bin/env python3
"""Writes the HTML benchmark fixtures, each at 1x and 2x size, into a folder:
  a-paragraphs    5 MB of paragraphs
  b-table         a 50,000-row table
  c-nesting       100,000 nested DIVs and 50,000 unclosed FONTs
  d-json          a 5 MB tag-less JSON body
  e-css           3,000 CSS rules over 100,000 classed elements
  f-inline        a 1 MB data: URI image and a 2 MB inline script
Usage: gen_html_fixtures.py FOLDER  (writes NAME-1x.html and NAME-2x.html, and the
picture the image pages show)."""
import base64
import os
import random
import struct
import sys
import zlib

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua &amp; caf&eacute; &#8364;").split()


def sentence(rng, n=14):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def paragraphs(scale, rng):
    out, size = ["<html><head><title>Paragraphs</title></head><body>\n"], 0
    while size < 5_000_000 * scale:
        p = "<p>%s <b>%s</b> <a href=\"#x\">%s</a>.</p>\n" % (sentence(rng), sentence(rng, 3), sentence(rng, 2))
        out.append(p)
        size += len(p)
    out.append("</body></html>\n")
    return "".join(out)


def table(scale, rng):
    rows = ["<tr><td>%d</td><td class=\"c%d\">%s</td><td align=right width=20%%>%d.%02d</td></tr>\n"
            % (i, i % 7, sentence(rng, 4), i * 3, i % 100) for i in range(50_000 * scale)]
    return "<html><body><table border=1 cellpadding=2>\n" + "".join(rows) + "</table></body></html>\n"


def nesting(scale, rng):
    n = 100_000 * scale
    fonts = 50_000 * scale
    return ("<html><body>" + "<div>" * n + "deep" + "</div>" * n
            + "".join("<font color=#%06x>f" % (i * 7919 % 0xFFFFFF) for i in range(fonts))
            + "</body></html>\n")


def json_body(scale, rng):
    items, size = [], 0
    while size < 5_000_000 * scale:
        item = '{"id": %d, "name": "%s", "tags": ["a", "b"], "value": %f}' % (len(items), sentence(rng, 3), rng.random())
        items.append(item)
        size += len(item) + 2
    return "[" + ",\n".join(items) + "]\n"


def css(scale, rng):
    rules = []
    for i in range(3000):
        kind = i % 4
        if kind == 0:
            rules.append(".c%d { color: #%06x; margin-left: %dpx }" % (i, i * 2654435 % 0xFFFFFF, i % 40))
        elif kind == 1:
            rules.append("div.c%d p { font-weight: bold }" % i)
        elif kind == 2:
            rules.append("#i%d { font-size: %d%% }" % (i, 80 + i % 50))
        else:
            rules.append("ul > li.c%d { padding: 1px 2px }" % i)
    body = "".join("<div class=\"c%d c%d\"><p id=i%d>%s</p></div>\n" % (i % 3000, (i * 7) % 3000, i % 3000, sentence(rng, 4))
                   for i in range(100_000 * scale))
    return "<html><head><style>\n" + "\n".join(rules) + "\n</style></head><body>\n" + body + "</body></html>\n"


def inline(scale, rng):
    data = base64.b64encode(bytes(rng.getrandbits(8) for _ in range(750_000 * scale))).decode()
    script = "".join("var v%d = '%s';\n" % (i, sentence(rng, 6)) for i in range(40_000 * scale))
    return ("<html><body><p>image:</p><img src=\"data:image/png;base64,%s\">\n<script>\n%s</script>"
            "<p>after</p></body></html>\n" % (data, script))


def nested(scale, rng):
    """The table of fixture b inside nine more tables: ten tables deep."""
    page = table(scale, rng)
    start, end = page.index("<table"), page.rindex("</table>") + len("</table>")
    inner = page[start:end]
    for _ in range(9):
        inner = "<table><tr><td>" + inner + "</td></tr></table>"
    return page[:start] + inner + page[end:]


PICTURE = "picture.png"


def png_bytes(width, height, rgb):
    """A small truecolour PNG in one colour."""
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def images(scale, rng, folder):
    """10,000 IMGs per scale: broken ones (http sources with ALT text) and
    one local picture repeated, in paragraphs of text."""
    picture = os.path.abspath(os.path.join(folder, PICTURE))
    parts = ["<html><body>\n"]
    for i in range(10_000 * scale):
        if i % 10 == 0:
            parts.append("<p>%s\n" % sentence(rng, 8))
        if i % 2:
            parts.append('<img src="http://example.com/img%d.png" alt="image %d"> ' % (i, i))
        else:
            parts.append('<img src="%s" width=24 height=24> ' % picture)
    parts.append("</body></html>\n")
    return "".join(parts)


FIXTURES = {"a-paragraphs": paragraphs, "b-table": table, "c-nesting": nesting,
            "d-json": json_body, "e-css": css, "f-inline": inline, "g-images": images, "h-nested": nested}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, PICTURE), "wb") as f:
        f.write(png_bytes(16, 16, (200, 40, 40)))
    for name, make in FIXTURES.items():
        for scale in (1, 2):
            rng = random.Random(12345)
            path = os.path.join(folder, "%s-%dx.html" % (name, scale))
            text = make(scale, rng, folder) if make is images else make(scale, rng)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)


if __name__ == "__main__":
    main()
