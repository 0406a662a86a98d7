#!/usr/bin/env python3
"""Draws the application icon (a film frame with a screen and a spark) and writes app.ico
with 16x16, 32x32 and 48x48 images in 32-bit colour with alpha. Run from anywhere:
    python3 resources/make_icon.py resources/app.ico
"""
import struct
import sys

SAMPLES = 4  # supersampling per axis, for smooth edges


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def rounded_rect(u, v, x0, y0, x1, y1, r):
    if u < x0 or u > x1 or v < y0 or v > y1:
        return False
    cx = min(max(u, x0 + r), x1 - r)
    cy = min(max(v, y0 + r), y1 - r)
    return (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def sample(u, v):
    """Colour (r, g, b, a) of the icon at u, v in [0, 1]."""
    colour = (0, 0, 0, 0)
    # The spark: a four-pointed star with a white core.
    dx, dy = abs(u - 0.66), abs(v - 0.46)
    star_r = 0.30
    if (dx / star_r) ** 0.5 + (dy / star_r) ** 0.5 <= 1.0:
        star = (255, 255, 255, 255) if dx * dx + dy * dy < 0.055 ** 2 else (255, 214, 90, 255)
    else:
        star = None
    # The film frame.
    if rounded_rect(u, v, 0.03, 0.16, 0.97, 0.84, 0.09):
        colour = (28, 36, 53, 255)
        for i in range(5):
            hx = 0.10 + i * 0.18
            if hx <= u <= hx + 0.09 and (0.20 <= v <= 0.28 or 0.72 <= v <= 0.80):
                colour = (226, 232, 244, 255)
        if 0.10 <= u <= 0.90 and 0.33 <= v <= 0.67:
            colour = lerp((20, 163, 154, 255), (59, 91, 219, 255), (u - 0.10) / 0.80)
    if star:
        colour = star
    return colour


def render(size):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    u = (x + (sx + 0.5) / SAMPLES) / size
                    v = (y + (sy + 0.5) / SAMPLES) / size
                    c = sample(u, v)
                    # Premultiply while averaging so that edges do not darken.
                    acc[0] += c[0] * c[3]
                    acc[1] += c[1] * c[3]
                    acc[2] += c[2] * c[3]
                    acc[3] += c[3]
            a = acc[3] / (SAMPLES * SAMPLES)
            if acc[3]:
                rgb = [round(acc[i] / acc[3]) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(a)))
        pixels.append(row)
    return pixels


def dib(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    body += bytes(mask_row * size)  # AND mask: all opaque, alpha decides
    return header + bytes(body)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'app.ico'
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    data = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
