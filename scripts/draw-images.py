#!/usr/bin/env python3
"""Draws the library's own pictures and writes them as .ico, .bmp and .avi files.

Run by hand when a picture changes; the outputs are committed under
libinfo/res/. Pixels are drawn on small grids with plain shapes so the
pictures stay recognisable at 16 and 20 pixels.

The window follows the screen's DPI, so every picture is drawn again for
each size it is shown at rather than stretched: the shapes are laid out on
the 100 % grid and their coordinates scaled, while outlines stay one pixel
wide so the larger pictures are as crisp as the small ones. At 100 % the
scaled coordinates are the grid's own, so those outputs do not change.
"""
import math
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "libinfo", "res")
CLEAR = None


def half_up(v):
    """Rounds halves up: round() sends them to the even neighbour, which at
    150 % would make some two pixel shapes three pixels wide and others two."""
    return math.floor(v + 0.5)


def grid(s, offset=0.0):
    """Maps the 100 % grid onto a picture `s` times its size. A pixel on the
    grid covers [n, n + 1); `box` scales that whole span, so a two pixel bar
    becomes four pixels at 200 %, where scaling its first and last pixels
    would give three."""
    def at(n):
        return half_up(n * s + offset)

    def box(x0, y0, x1, y1):
        return at(x0), at(y0), at(x1 + 1) - 1, at(y1 + 1) - 1

    return at, box


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[CLEAR] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                c = edge if border and edge else fill
                if c:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.put(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def ring(self, cx, cy, r_out, r_in, c, gap=None):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r_in <= d <= r_out:
                    a = math.degrees(math.atan2(cy - (y + 0.5), x + 0.5 - cx)) % 360
                    if gap and gap[0] <= a <= gap[1]:
                        continue
                    self.put(x, y, c)


INK = (40, 40, 60)
PAGE = (250, 250, 240)
BLUE = (40, 90, 200)
GOLD = (230, 170, 30)
GREEN = (30, 150, 60)
GREY = (128, 128, 128)


def library(size):
    """A page with a folded corner holding two interlocking blocks: a library file."""
    s = size / 16
    c = Canvas(size, size)
    fx = half_up(10 * s)
    c.rect(half_up(2 * s), 0, half_up(13 * s), size - 1, fill=PAGE, edge=INK)
    c.line(fx, 0, half_up(13 * s), half_up(3 * s), INK)
    c.rect(half_up(4 * s), half_up(5 * s), half_up(8 * s), half_up(9 * s), fill=BLUE, edge=INK)
    c.rect(half_up(7 * s), half_up(8 * s), half_up(11 * s), half_up(12 * s), fill=GOLD, edge=INK)
    return c


def refresh(size=20):
    s = size / 20
    at, box = grid(s)
    c = Canvas(size, size)
    # Pulled in a hair: at 125 % pixel centres fall exactly on the outer
    # rim where it crosses the axes and would stand out as single pixels.
    c.ring(10 * s, 10 * s, 8 * s - 0.01, 5.5 * s, GREEN, gap=(15, 80))
    # The arrow head closing the ring at its right end: a triangle pointing
    # down, one pixel narrower each side per row, whatever the size.
    rows = at(5)
    mid, half = 16 * s, 4 * s
    for row in range(rows):
        reach = half * (1 - row / (rows - 1))
        y = at(6) + row
        c.line(half_up(mid - reach), y, half_up(mid + reach), y, GREEN)
    return c


def properties(size=20):
    s = size / 20
    at, box = grid(s)
    c = Canvas(size, size)
    c.rect(*box(3, 1, 15, 18), fill=PAGE, edge=INK)
    for y in (5, 9, 13):
        c.rect(*box(5, y, 6, y + 1), fill=BLUE)
        c.rect(*box(8, y, 13, y), fill=GREY)
        c.rect(*box(8, y + 1, 11, y + 1), fill=GREY)
    c.rect(*box(12, 12, 18, 18), fill=GOLD, edge=INK)
    c.rect(*box(14, 15, 16, 15), fill=INK)
    return c


def magnifier(size=16):
    s = size / 16
    c = Canvas(size, size)
    c.ring(6.5 * s, 6.5 * s, 5.5 * s, 3.5 * s, INK)
    c.ring(6.5 * s, 6.5 * s, 3.5 * s, 0, (180, 210, 250))
    # The handle is laid across the diagonal in steps, `thick` pixels a step,
    # and runs from just outside the rim into the bottom right corner.
    thick = max(2, half_up(2 * s))
    first = half_up(11 * s - thick / 2)
    for i in range(size - first - thick + 1):
        x, y = first + i, first + thick - 1 + i
        c.line(x, y, x + thick - 1, y - thick + 1, GOLD)
        # At 16 pixels the steps touch only at their corners, which reads as
        # a handle; larger, the gaps between them read as a pattern, so the
        # steps are joined.
        if size > 16 and i:
            c.line(x, y - 1, x + thick - 2, y - thick + 1, GOLD)
    return c


def search_frame(turn, w=80, h=50):
    """Three library pages and a magnifier passing over them along a figure
    of eight; `turn` runs from 0 to 1 over one loop. The clip is laid out on
    an 80 x 50 grid; a larger clip scales it by its width and centres it in
    its height, which rounds to a whole pixel."""
    s = w / 80
    oy = (h - 50 * s) / 2
    at, box = grid(s, oy)
    c = Canvas(w, h)
    for left in (9, 32, 55):
        c.rect(*box(left, 14, left + 15, 35), fill=PAGE, edge=INK)
        c.rect(*box(left + 3, 19, left + 7, 23), fill=BLUE, edge=INK)
        c.rect(*box(left + 6, 22, left + 10, 26), fill=GOLD, edge=INK)
        c.rect(*box(left + 3, 30, left + 12, 30), fill=GREY)
    cx = (40 + 24 * math.sin(2 * math.pi * turn)) * s
    cy = (22 + 5 * math.sin(4 * math.pi * turn)) * s + oy
    hx, hy = round(cx + 5 * s), round(cy + 5 * s)  # the handle, down and to the right of the glass
    # Strokes side by side along the diagonal; the one along its middle is
    # dark, as a shadow.
    thick, reach = max(2, half_up(2 * s)), half_up(7 * s)
    for dx in range(thick):
        for dy in range(thick):
            c.line(hx + dx, hy + dy, hx + dx + reach, hy + dy + reach,
                   INK if dx == dy and dx else GOLD)
    c.ring(cx, cy, 9 * s, 6.5 * s, INK)
    c.ring(cx, cy, 6.5 * s, 0, (180, 210, 250))
    return c


def write_avi(path, frames, microseconds_per_frame, key=(255, 0, 255)):
    """An uncompressed 8-bit clip without sound, as the animation control
    plays it. The key colour fills the background; the top left pixel of the
    first frame tells the control which colour to leave transparent."""
    palette = [key]
    for f in frames:
        for row in f.px:
            for p in row:
                if p is not None and p not in palette:
                    palette.append(p)
    assert len(palette) <= 256
    w, h = frames[0].w, frames[0].h
    stride = (w + 3) // 4 * 4

    def pixels(f):
        rows = []
        for y in reversed(range(h)):  # bottom row first
            row = bytes(palette.index(p if p is not None else key) for p in f.px[y])
            rows.append(row + bytes(stride - w))
        return b"".join(rows)

    def chunk(fourcc, data):
        return fourcc + struct.pack("<I", len(data)) + data + bytes(len(data) & 1)

    def listing(kind, data):
        return chunk(b"LIST", kind + data)

    size = stride * h
    avih = struct.pack("<14I", microseconds_per_frame, size * 1000000 // microseconds_per_frame,
                       0, 0x10, len(frames), 0, 1, size, w, h, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIII4h", b"vids", b"DIB ", 0, 0, 0, 0,
                       microseconds_per_frame, 1000000, 0, len(frames), size, 0xFFFFFFFF, 0,
                       0, 0, w, h)
    strf = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, size, 0, 0, len(palette), 0)
    strf += b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    header = listing(b"hdrl", chunk(b"avih", avih) + listing(b"strl", chunk(b"strh", strh) +
                                                              chunk(b"strf", strf)))
    movie, index, offset = b"", b"", 4
    for f in frames:
        data = chunk(b"00db", pixels(f))
        index += struct.pack("<4sIII", b"00db", 0x10, offset, size)
        movie += data
        offset += len(data)
    body = b"AVI " + header + listing(b"movi", movie) + chunk(b"idx1", index)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def dib_rows(canvas, bpp, key=(255, 0, 255)):
    rows = []
    for y in reversed(range(canvas.h)):
        row = bytearray()
        for x in range(canvas.w):
            p = canvas.px[y][x]
            if bpp == 32:
                row += bytes((p[2], p[1], p[0], 255)) if p else b"\0\0\0\0"
            else:
                q = p or key
                row += bytes((q[2], q[1], q[0]))
        row += b"\0" * (-len(row) % 4)
        rows.append(bytes(row))
    return b"".join(rows)


def and_mask(canvas):
    rows = []
    for y in reversed(range(canvas.h)):
        bits = 0
        for x in range(canvas.w):
            bits = bits << 1 | (canvas.px[y][x] is None)
        nbytes = (canvas.w + 31) // 32 * 4
        bits <<= nbytes * 8 - canvas.w
        rows.append(bits.to_bytes(nbytes, "big"))
    return b"".join(rows)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        images.append(header + dib_rows(c, 32) + and_mask(c))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def write_strip_bmp(path, canvases):
    """Side-by-side 24-bit strip; magenta marks the transparent pixels."""
    strip = Canvas(sum(c.w for c in canvases), canvases[0].h)
    x0 = 0
    for c in canvases:
        for y in range(c.h):
            for x in range(c.w):
                strip.px[y][x0 + x] = c.px[y][x]
        x0 += c.w
    pixels = dib_rows(strip, 24)
    info = struct.pack("<IiiHHIIiiII", 40, strip.w, strip.h, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pixels)


# Screen scales the window follows, as the suffix of a file's name and its
# factor; 100 % keeps the names the files had before the window scaled.
SCALES = (("", 1.0), ("-125", 1.25), ("-150", 1.5), ("-200", 2.0))


def main():
    os.makedirs(OUT, exist_ok=True)
    # The icons hold every size the shell and the window ask for between
    # 100 % and 200 %; the system picks the nearest itself.
    write_ico(os.path.join(OUT, "library.ico"), [library(n) for n in (16, 20, 24, 32, 40, 48, 64)])
    write_ico(os.path.join(OUT, "search.ico"), [magnifier(n) for n in (16, 20, 24, 32)])
    for suffix, scale in SCALES:
        n = half_up(20 * scale)
        write_strip_bmp(os.path.join(OUT, "buttons%s.bmp" % suffix), [refresh(n), properties(n)])
        # 30 frames, so that frames 1 to 29 play as the system's clip's do.
        w, h = half_up(80 * scale), half_up(50 * scale)
        write_avi(os.path.join(OUT, "search%s.avi" % suffix),
                  [search_frame(i / 30, w, h) for i in range(30)], 80000)
    return 0


if __name__ == "__main__":
    sys.exit(main())
