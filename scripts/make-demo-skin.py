#!/usr/bin/env python3
"""Writes the demo installer's skin images into examples/demo/style/.

Only the standard library: shapes are rendered with 4x4 supersampling and written as
RGBA PNGs with zlib and struct. Run it again after changing a colour or a size.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "demo", "style")
SAMPLES = 4


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def write_png(name, width, height, pixels):
    """pixels: list of rows of (r, g, b, a) straight alpha."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as out:
        out.write(png)


def canvas(width, height):
    return [[(0, 0, 0, 0) for _ in range(width)] for _ in range(height)]


def over(dst, src_rgb, coverage):
    """Source-over of a colour with the given coverage (0..1) on a straight-alpha pixel."""
    if coverage <= 0:
        return dst
    r, g, b, a = dst
    sa = coverage
    da = a / 255.0
    oa = sa + da * (1 - sa)
    if oa <= 0:
        return (0, 0, 0, 0)
    mix = lambda s, d: int(round((s * sa + d * da * (1 - sa)) / oa))
    return (mix(src_rgb[0], r), mix(src_rgb[1], g), mix(src_rgb[2], b), int(round(oa * 255)))


def paint(img, colour, inside, alpha=1.0):
    """Covers each pixel by the share of its sub-samples for which inside(x, y) holds."""
    rgb = hex_rgb(colour)
    for y, row in enumerate(img):
        for x in range(len(row)):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if inside(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES):
                        hits += 1
            if hits:
                row[x] = over(row[x], rgb, alpha * hits / (SAMPLES * SAMPLES))


def rounded(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def segment(x0, y0, x1, y1, half_width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width
    return inside


def button(name, fill, border):
    img = canvas(24, 30)
    paint(img, border, rounded(0, 0, 24, 30, 4))
    paint(img, fill, rounded(1, 1, 23, 29, 3))
    write_png(name, 24, 30, img)


def close_button(name, background, cross):
    img = canvas(27, 27)
    if background:
        paint(img, background, rounded(0, 0, 27, 27, 4))
    paint(img, cross, segment(9, 9, 18, 18, 0.8))
    paint(img, cross, segment(18, 9, 9, 18, 0.8))
    write_png(name, 27, 27, img)


def minimise_button(name, background, mark):
    img = canvas(27, 27)
    if background:
        paint(img, background, rounded(0, 0, 27, 27, 4))
    paint(img, mark, segment(9, 14, 18, 14, 0.8))
    write_png(name, 27, 27, img)


def check_icon(name, border, fill, checked):
    img = canvas(16, 16)
    paint(img, border, rounded(0.5, 0.5, 15.5, 15.5, 3))
    paint(img, fill, rounded(1.5, 1.5, 14.5, 14.5, 2))
    if checked:
        paint(img, "#ffffff", segment(4, 8.2, 6.8, 11, 1.0))
        paint(img, "#ffffff", segment(6.8, 11, 12, 5, 1.0))
    write_png(name, 16, 16, img)


def radio_icon(name, border, fill, checked):
    img = canvas(16, 16)
    paint(img, border, circle(8, 8, 7.5))
    paint(img, fill, circle(8, 8, 6.5))
    if checked:
        paint(img, "#ffffff", circle(8, 8, 3))
    write_png(name, 16, 16, img)


def main():
    os.makedirs(OUT, exist_ok=True)
    blue, blue_over, blue_down = "#2f7cf6", "#4b8ffa", "#1e63d0"
    grey_border, disabled = "#c5ccd6", "#b9c3d0"

    # Window background: white card with a thin border; title bar band.
    img = canvas(24, 24)
    paint(img, "#d5dae1", rounded(0, 0, 24, 24, 6))
    paint(img, "#ffffff", rounded(1, 1, 23, 23, 5))
    write_png("bkgnd.png", 24, 24, img)
    img = canvas(8, 40)
    for y in range(40):
        shade = tuple(int(a + (b - a) * y / 39) for a, b in zip(hex_rgb("#2f7cf6"), hex_rgb("#2466d8")))
        img[y] = [shade + (255,)] * 8
    write_png("titlebar.png", 8, 40, img)

    button("button_up.png", blue, "#2a70e0")
    button("button_over.png", blue_over, "#3d84f0")
    button("button_down.png", blue_down, "#1a58bb")
    button("button_disabled.png", disabled, "#aab5c4")

    button("button2_up.png", "#ffffff", grey_border)
    button("button2_over.png", "#f3f7ff", blue)
    button("button2_down.png", "#e3ecfc", blue_down)
    button("button2_disabled.png", "#f1f3f6", "#d8dde4")

    close_button("close_up.png", None, "#ffffff")
    close_button("close_over.png", "#e5484d", "#ffffff")
    close_button("close_down.png", "#c43b40", "#ffffff")
    minimise_button("min_up.png", None, "#ffffff")
    minimise_button("min_over.png", "#4b8ffa", "#ffffff")
    minimise_button("min_down.png", "#1e63d0", "#ffffff")

    check_icon("check_up.png", grey_border, "#ffffff", False)
    check_icon("check_over.png", blue, "#ffffff", False)
    check_icon("check_down.png", blue_down, "#eaf1fe", False)
    check_icon("check_disabled.png", "#d8dde4", "#f1f3f6", False)
    check_icon("check_checked_up.png", blue, blue, True)
    check_icon("check_checked_over.png", blue_over, blue_over, True)
    check_icon("check_checked_down.png", blue_down, blue_down, True)
    check_icon("check_checked_disabled.png", disabled, disabled, True)

    radio_icon("radio_up.png", grey_border, "#ffffff", False)
    radio_icon("radio_over.png", blue, "#ffffff", False)
    radio_icon("radio_down.png", blue_down, "#eaf1fe", False)
    radio_icon("radio_disabled.png", "#d8dde4", "#f1f3f6", False)
    radio_icon("radio_checked_up.png", blue, blue, True)
    radio_icon("radio_checked_over.png", blue_over, blue_over, True)
    radio_icon("radio_checked_down.png", blue_down, blue_down, True)
    radio_icon("radio_checked_disabled.png", disabled, disabled, True)

    # Bars: round ends with one stretchable column between them (grid 6,0,6,0).
    img = canvas(13, 12)
    paint(img, "#e6eaf0", rounded(0, 0, 13, 12, 6))
    write_png("progress_bk.png", 13, 12, img)
    img = canvas(13, 12)
    paint(img, blue, rounded(0, 0, 13, 12, 6))
    write_png("progress.png", 13, 12, img)

    # Drop shadow: a soft dark edge fading out over 12 pixels around a hollow centre.
    size, spread = 36, 12
    img = canvas(size, size)
    for y in range(size):
        for x in range(size):
            dx = max(spread - x - 0.5, 0, x + 0.5 - (size - spread))
            dy = max(spread - y - 0.5, 0, y + 0.5 - (size - spread))
            distance = math.hypot(dx, dy)
            strength = max(0.0, 1.0 - distance / spread) ** 2
            img[y][x] = (0, 0, 0, int(round(60 * strength)))
    write_png("shadow.png", size, size, img)


if __name__ == "__main__":
    main()
