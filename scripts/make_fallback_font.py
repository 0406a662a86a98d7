#!/usr/bin/env python3
"""Writes player/fallback_font_data.cpp: outlines of the printable ASCII characters (32-126)
taken from a TrueType font installed on this machine, for text fields whose font has no
outlines of its own.

Usage: scripts/make_fallback_font.py [FONT.ttf] > player/fallback_font_data.cpp

The table is compact: glyphs are scaled to an EM square of 1024 units (as SWF glyphs are),
y grows downwards, and every coordinate is a signed byte delta from the pen in steps of
kGridUnits font units. Each glyph is a run of commands, one byte of verb followed by its deltas:
  1 move dx dy | 2 line dx dy | 3 quad cdx cdy dx dy | 0 end of glyph
Lines and moves too long for one byte are split; quads too long are halved until they fit.
Only the standard library is used: the TrueType tables (head, hhea, hmtx, maxp, cmap format 4,
loca, glyf with simple glyphs) are read directly.
"""
import struct
import sys

DEFAULT_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
EM = 1024
GRID = 2  # font units of the 1024 EM per delta step
FIRST, LAST = 32, 126


class Font:
    def __init__(self, data):
        self.data = data
        num = struct.unpack(">H", data[4:6])[0]
        self.tables = {}
        for i in range(num):
            tag, _, off, length = struct.unpack(">4sIII", data[12 + 16 * i: 28 + 16 * i])
            self.tables[tag.decode("latin-1")] = (off, length)
        head = self.table("head")
        self.units_per_em = struct.unpack(">H", head[18:20])[0]
        self.long_loca = struct.unpack(">h", head[50:52])[0] == 1
        hhea = self.table("hhea")
        self.ascent, self.descent = struct.unpack(">hh", hhea[4:8])
        self.num_hmetrics = struct.unpack(">H", hhea[34:36])[0]
        self.num_glyphs = struct.unpack(">H", self.table("maxp")[4:6])[0]
        self.cmap = self.read_cmap()

    def table(self, tag):
        off, length = self.tables[tag]
        return self.data[off: off + length]

    def read_cmap(self):
        cmap = self.table("cmap")
        count = struct.unpack(">H", cmap[2:4])[0]
        for i in range(count):
            platform, encoding, off = struct.unpack(">HHI", cmap[4 + 8 * i: 12 + 8 * i])
            if struct.unpack(">H", cmap[off: off + 2])[0] == 4 and platform in (0, 3):
                return self.read_format4(cmap[off:])
        raise SystemExit("no cmap format 4 subtable")

    @staticmethod
    def read_format4(t):
        seg2 = struct.unpack(">H", t[6:8])[0]
        ends = struct.unpack(">%dH" % (seg2 // 2), t[14: 14 + seg2])
        base = 16 + seg2
        starts = struct.unpack(">%dH" % (seg2 // 2), t[base: base + seg2])
        deltas = struct.unpack(">%dh" % (seg2 // 2), t[base + seg2: base + 2 * seg2])
        ro_base = base + 2 * seg2
        ranges = struct.unpack(">%dH" % (seg2 // 2), t[ro_base: ro_base + seg2])
        out = {}
        for s in range(seg2 // 2):
            for c in range(starts[s], ends[s] + 1):
                if c == 0xFFFF:
                    continue
                if ranges[s] == 0:
                    g = (c + deltas[s]) & 0xFFFF
                else:
                    at = ro_base + 2 * s + ranges[s] + 2 * (c - starts[s])
                    g = struct.unpack(">H", t[at: at + 2])[0]
                    if g:
                        g = (g + deltas[s]) & 0xFFFF
                out[c] = g
        return out

    def advance(self, glyph):
        hmtx = self.table("hmtx")
        i = min(glyph, self.num_hmetrics - 1)
        return struct.unpack(">H", hmtx[4 * i: 4 * i + 2])[0]

    def contours(self, glyph):
        loca = self.table("loca")
        if self.long_loca:
            start, end = struct.unpack(">II", loca[4 * glyph: 4 * glyph + 8])
        else:
            start, end = (2 * v for v in struct.unpack(">HH", loca[2 * glyph: 2 * glyph + 4]))
        if start == end:
            return []
        g = self.table("glyf")[start:end]
        ncont = struct.unpack(">h", g[0:2])[0]
        if ncont < 0:
            raise SystemExit("composite glyph %d not supported" % glyph)
        ends = struct.unpack(">%dH" % ncont, g[10: 10 + 2 * ncont])
        npts = ends[-1] + 1 if ncont else 0
        at = 10 + 2 * ncont
        ilen = struct.unpack(">H", g[at: at + 2])[0]
        at += 2 + ilen
        flags = []
        while len(flags) < npts:
            f = g[at]
            at += 1
            flags.append(f)
            if f & 8:
                flags.extend([f] * g[at])
                at += 1
        coords = []
        for short_bit, same_bit in ((2, 16), (4, 32)):
            v, vals = 0, []
            for f in flags[:npts]:
                if f & short_bit:
                    d = g[at]
                    at += 1
                    v += d if f & same_bit else -d
                elif not f & same_bit:
                    v += struct.unpack(">h", g[at: at + 2])[0]
                    at += 2
                vals.append(v)
            coords.append(vals)
        pts = [(coords[0][i], coords[1][i], bool(flags[i] & 1)) for i in range(npts)]
        out, first = [], 0
        for e in ends:
            out.append(pts[first: e + 1])
            first = e + 1
        return out


def contour_segments(points, scale):
    """Moves, lines and quads (absolute, EM 1024, y down) of one TrueType contour."""
    p = [(x * scale, -y * scale, on) for x, y, on in points]
    n = len(p)
    if n == 0:
        return []
    start = next((i for i in range(n) if p[i][2]), None)
    if start is None:
        s = ((p[0][0] + p[1][0]) / 2, (p[0][1] + p[1][1]) / 2)
        order = p[1:] + p[:1]
    else:
        s = p[start][:2]
        order = p[start + 1:] + p[:start]
    segs = [("move", s)]
    ctrl = None
    for x, y, on in order + [(s[0], s[1], True)]:
        if on:
            segs.append(("quad", ctrl, (x, y)) if ctrl else ("line", (x, y)))
            ctrl = None
        elif ctrl:
            mid = ((ctrl[0] + x) / 2, (ctrl[1] + y) / 2)
            segs.append(("quad", ctrl, mid))
            ctrl = (x, y)
        else:
            ctrl = (x, y)
    return segs


class Encoder:
    def __init__(self):
        self.out = bytearray()
        self.pen = (0, 0)  # grid units

    @staticmethod
    def q(v):
        return int(round(v / GRID))

    def fits(self, *ds):
        return all(-128 <= d <= 127 for d in ds)

    def straight(self, verb, to):
        tx, ty = self.q(to[0]), self.q(to[1])
        while True:
            dx, dy = tx - self.pen[0], ty - self.pen[1]
            if self.fits(dx, dy):
                self.out += bytes([verb, dx & 0xFF, dy & 0xFF])
                self.pen = (tx, ty)
                return
            k = max(abs(dx), abs(dy)) / 127.0
            sx, sy = int(dx / k), int(dy / k)
            self.out += bytes([verb, sx & 0xFF, sy & 0xFF])
            self.pen = (self.pen[0] + sx, self.pen[1] + sy)

    def quad(self, start, c, to):
        cx, cy, tx, ty = self.q(c[0]), self.q(c[1]), self.q(to[0]), self.q(to[1])
        d = (cx - self.pen[0], cy - self.pen[1], tx - cx, ty - cy)
        if self.fits(*d) and self.fits(tx - self.pen[0], ty - self.pen[1]):
            self.out += bytes([3, d[0] & 0xFF, d[1] & 0xFF, d[2] & 0xFF, d[3] & 0xFF])
            self.pen = (tx, ty)
            return
        # Halve the curve (de Casteljau) and encode both halves.
        m1 = ((start[0] + c[0]) / 2, (start[1] + c[1]) / 2)
        m2 = ((c[0] + to[0]) / 2, (c[1] + to[1]) / 2)
        mid = ((m1[0] + m2[0]) / 2, (m1[1] + m2[1]) / 2)
        self.quad(start, m1, mid)
        self.quad(mid, m2, to)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_FONT
    with open(path, "rb") as fh:
        font = Font(fh.read())
    scale = EM / font.units_per_em
    enc = Encoder()
    offsets, advances = [], []
    for code in range(FIRST, LAST + 1):
        glyph = font.cmap.get(code, 0)
        offsets.append(len(enc.out))
        advances.append(min(255, int(round(font.advance(glyph) * scale / 4))))
        enc.pen = (0, 0)
        for contour in font.contours(glyph):
            cur = None
            for seg in contour_segments(contour, scale):
                if seg[0] == "move":
                    enc.straight(1, seg[1])
                    cur = seg[1]
                elif seg[0] == "line":
                    enc.straight(2, seg[1])
                    cur = seg[1]
                else:
                    enc.quad(cur, seg[1], seg[2])
                    cur = seg[2]
        enc.out.append(0)
    name = path.rsplit("/", 1)[-1]
    w = sys.stdout.write
    w("// Generated by scripts/make_fallback_font.py from %s: do not edit.\n" % name)
    w("// Outlines of the characters %d-%d; see that script for the encoding.\n" % (FIRST, LAST))
    w('#include "player/fallback_font.h"\n\nnamespace player::fallback {\n\n')
    w("const int kAscent = %d;\n" % int(round(font.ascent * scale)))
    w("const int kDescent = %d;\n" % int(round(-font.descent * scale)))
    w("const int kGridUnits = %d;\n" % GRID)
    w("const std::uint8_t kAdvances[%d] = {" % len(advances))
    w(", ".join(str(a) for a in advances))
    w("};\n")
    w("const std::uint16_t kOffsets[%d] = {" % len(offsets))
    w(", ".join(str(o) for o in offsets))
    w("};\n")
    w("const std::uint8_t kOutlines[%d] = {\n" % len(enc.out))
    for i in range(0, len(enc.out), 24):
        w("    " + ", ".join(str(b) for b in enc.out[i: i + 24]) + ",\n")
    w("};\n\n}  // namespace player::fallback\n")


if __name__ == "__main__":
    main()
