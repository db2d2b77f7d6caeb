#!/usr/bin/env python3
"""Writes the demo installer's skin images into examples/demo/style/.

Only the standard library: shapes are rendered with 4x4 supersampling and written as
RGBA PNGs with zlib and struct. Run it again after changing a colour or a size.
Every image is drawn three times, for screens at 100 %, 150 % and 200 %: "name.png",
"name@1.5x.png" and "name@2x.png". Shapes are given in 1x pixels; SCALE maps them.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "demo", "style")
SAMPLES = 4
SCALES = ((1.0, ""), (1.5, "@1.5x"), (2.0, "@2x"))
SCALE = 1.0
SUFFIX = ""


def device(length):
    return int(round(length * SCALE))


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def write_png(name, width, height, pixels):
    """pixels: list of rows of (r, g, b, a) straight alpha, at SCALE (width and height are
    the 1x size)."""
    width, height = len(pixels[0]), len(pixels)
    stem, dot, extension = name.rpartition(".")
    name = stem + SUFFIX + dot + extension
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
    return [[(0, 0, 0, 0) for _ in range(device(width))] for _ in range(device(height))]


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


def paint(img, colour, inside, alpha=1.0, box=None):
    """Covers each pixel by the share of its sub-samples for which inside(x, y) holds.

    box (left, top, right, bottom) limits the pixels looked at, which keeps big images quick.
    """
    rgb = hex_rgb(colour)
    if box:
        box = tuple(v * SCALE for v in box)
    left, top, right, bottom = box or (0, 0, len(img[0]), len(img))
    left, top = max(0, int(left)), max(0, int(top))
    right, bottom = min(len(img[0]), int(math.ceil(right))), min(len(img), int(math.ceil(bottom)))
    for y in range(top, bottom):
        row = img[y]
        for x in range(left, right):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if inside((x + (sx + 0.5) / SAMPLES) / SCALE,
                              (y + (sy + 0.5) / SAMPLES) / SCALE):
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


def polygon(points):
    """Even-odd rule over the closed outline through points."""
    def inside(x, y):
        hit = False
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit
    return inside


def bounds(points, pad=1):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)


def disc(img, colour, cx, cy, radius, alpha=1.0):
    paint(img, colour, circle(cx, cy, radius), alpha,
          (cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1))


def bar(img, colour, left, top, right, bottom, radius, alpha=1.0):
    paint(img, colour, rounded(left, top, right, bottom, radius), alpha,
          (left - 1, top - 1, right + 1, bottom + 1))


def stroke(img, colour, x0, y0, x1, y1, half_width, alpha=1.0):
    pad = half_width + 1
    paint(img, colour, segment(x0, y0, x1, y1, half_width), alpha,
          (min(x0, x1) - pad, min(y0, y1) - pad, max(x0, x1) + pad, max(y0, y1) + pad))


def shape(img, colour, points, alpha=1.0):
    paint(img, colour, polygon(points), alpha, bounds(points))


def slide_background(width, height, start, end, radius=8):
    """A diagonal gradient card with round corners and two soft light circles."""
    img = canvas(width, height)
    a, b = hex_rgb(start), hex_rgb(end)
    card = rounded(0, 0, width, height, radius)
    w, h, corner = len(img[0]), len(img), device(radius)
    for y in range(h):
        for x in range(w):
            t = (x / (w - 1)) * 0.7 + (y / (h - 1)) * 0.3
            img[y][x] = tuple(int(round(p + (q - p) * t)) for p, q in zip(a, b)) + (255,)
    # Round the corners: clear, then paint back the card's coverage there.
    corners = [(0, 0), (w - corner, 0), (0, h - corner), (w - corner, h - corner)]
    for cx, cy in corners:
        for y in range(cy, cy + corner):
            for x in range(cx, cx + corner):
                hits = sum(card((x + (sx + 0.5) / SAMPLES) / SCALE,
                                (y + (sy + 0.5) / SAMPLES) / SCALE)
                           for sy in range(SAMPLES) for sx in range(SAMPLES))
                r, g, b_, _ = img[y][x]
                img[y][x] = (r, g, b_, int(round(255 * hits / (SAMPLES * SAMPLES))))
    disc(img, "#ffffff", width - 70, -10, 90, 0.08)
    disc(img, "#ffffff", width - 10, height + 20, 70, 0.08)
    return img


def dots(img, left, top, active, count=3):
    """The page marker under a slide's art: one filled dot per slide."""
    for i in range(count):
        disc(img, "#ffffff", left + i * 14, top, 3.2, 1.0 if i == active else 0.45)


def slide_package(name, width, height):
    """A parcel with a ribbon and a few lines of "text": what is being installed."""
    img = slide_background(width, height, "#2f7cf6", "#5b4de0")
    # The parcel: lid, body, ribbon.
    bar(img, "#ffffff", 58, 52, 150, 120, 6, 0.95)
    bar(img, "#dfe7ff", 52, 38, 156, 58, 5)
    bar(img, "#ffb547", 97, 38, 111, 120, 2)
    shape(img, "#ffb547", [(104, 38), (84, 22), (80, 32), (96, 40)])
    shape(img, "#ffb547", [(104, 38), (124, 22), (128, 32), (112, 40)])
    # Lines that stand for a caption.
    bar(img, "#ffffff", 196, 50, 372, 62, 6)
    bar(img, "#ffffff", 196, 76, 420, 84, 4, 0.6)
    bar(img, "#ffffff", 196, 94, 336, 102, 4, 0.6)
    dots(img, 200, 124, 0)
    write_png(name, width, height, img)


def slide_shield(name, width, height):
    """A shield with a tick: everything checked and safe."""
    img = slide_background(width, height, "#12a58a", "#2f7cf6")
    outline = [(104, 24), (146, 38), (142, 86), (104, 126), (66, 86), (62, 38)]
    shape(img, "#ffffff", outline, 0.95)
    inner = [(104, 34), (136, 45), (133, 83), (104, 114), (75, 83), (72, 45)]
    shape(img, "#e3f7f2", inner)
    stroke(img, "#12a58a", 88, 74, 100, 86, 4.5)
    stroke(img, "#12a58a", 100, 86, 122, 60, 4.5)
    bar(img, "#ffffff", 196, 50, 348, 62, 6)
    bar(img, "#ffffff", 196, 76, 412, 84, 4, 0.6)
    bar(img, "#ffffff", 196, 94, 360, 102, 4, 0.6)
    dots(img, 200, 124, 1)
    write_png(name, width, height, img)


def slide_rocket(name, width, height):
    """A small rocket over rising bars: quick to start."""
    img = slide_background(width, height, "#f0793a", "#d6457a")
    for i, h in enumerate((26, 44, 62)):
        bar(img, "#ffffff", 50 + i * 26, 124 - h, 70 + i * 26, 124, 4, 0.35)
    # Flame, fins, body and window.
    shape(img, "#ffd166", [(120, 96), (132, 96), (126, 122)])
    shape(img, "#ffffff", [(114, 70), (114, 96), (102, 100)], 0.9)
    shape(img, "#ffffff", [(138, 70), (138, 96), (150, 100)], 0.9)
    body = [(126, 22), (138, 42), (140, 96), (112, 96), (114, 42)]
    shape(img, "#ffffff", body)
    disc(img, "#d6457a", 126, 56, 7)
    disc(img, "#ffe3ec", 126, 56, 4.5)
    bar(img, "#ffffff", 196, 50, 356, 62, 6)
    bar(img, "#ffffff", 196, 76, 404, 84, 4, 0.6)
    bar(img, "#ffffff", 196, 94, 318, 102, 4, 0.6)
    dots(img, 200, 124, 2)
    write_png(name, width, height, img)


def button(name, fill, border):
    img = canvas(24, 30)
    paint(img, border, rounded(0, 0, 24, 30, 4))
    paint(img, fill, rounded(1, 1, 23, 29, 3))
    write_png(name, 24, 30, img)


def edit_frame(name, fill, border):
    img = canvas(12, 12)
    paint(img, border, rounded(0, 0, 12, 12, 3))
    paint(img, fill, rounded(1, 1, 11, 11, 2))
    write_png(name, 12, 12, img)


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


def scroll_arrow(name, colour, background, pointing_up):
    img = canvas(17, 17)
    if background:
        paint(img, background, rounded(1, 1, 16, 16, 3))
    tip, base = (6.0, 10.5) if pointing_up else (11.0, 6.5)
    shape(img, colour, [(4.5, base), (12.5, base), (8.5, tip)])
    write_png(name, 17, 17, img)


def scroll_thumb(name, colour):
    img = canvas(17, 24)
    paint(img, colour, rounded(4, 1, 13, 23, 4))
    write_png(name, 17, 24, img)


def combo_arrow(name, colour):
    img = canvas(24, 30)
    stroke(img, colour, 8, 13, 12, 17, 1.0)
    stroke(img, colour, 12, 17, 16, 13, 1.0)
    write_png(name, 24, 30, img)


def app_icon(name, size):
    # The window icon (setIcon 128): a blue tile with a white ring and a dot.
    img = canvas(size, size)
    paint(img, "#2f7cf6", rounded(0, 0, size, size, size // 5))
    centre, outer = size / 2, size * 0.32
    paint(img, "#ffffff", lambda x, y: outer * 0.62 <= ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5 <= outer)
    disc(img, "#ffb547", centre + outer * 0.72, centre - outer * 0.72, size * 0.09)
    write_png(name, size, size, img)


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
    for y in range(len(img)):
        t = (y / SCALE) / 39
        shade = tuple(int(a + (b - a) * t) for a, b in zip(hex_rgb("#2f7cf6"), hex_rgb("#2466d8")))
        img[y] = [shade + (255,)] * len(img[0])
    write_png("titlebar.png", 8, 40, img)

    button("button_up.png", blue, "#2a70e0")
    button("button_over.png", blue_over, "#3d84f0")
    button("button_down.png", blue_down, "#1a58bb")
    button("button_disabled.png", disabled, "#aab5c4")

    button("button2_up.png", "#ffffff", grey_border)
    button("button2_over.png", "#f3f7ff", blue)
    button("button2_down.png", "#e3ecfc", blue_down)
    button("button2_disabled.png", "#f1f3f6", "#d8dde4")

    # Vertical scroll bar: a pale track, arrows and a rounded thumb by state.
    img = canvas(17, 24)
    paint(img, "#f3f5f8", lambda x, y: True)
    write_png("scroll_bar.png", 17, 24, img)
    for direction, up in (("up", True), ("down", False)):
        scroll_arrow("scroll_%s_up.png" % direction, "#8a94a3", None, up)
        scroll_arrow("scroll_%s_over.png" % direction, blue, "#e3ecfc", up)
        scroll_arrow("scroll_%s_down.png" % direction, blue_down, "#cddcf8", up)
        scroll_arrow("scroll_%s_disabled.png" % direction, "#d0d6de", None, up)
    scroll_thumb("scroll_thumb_up.png", "#c2c9d3")
    scroll_thumb("scroll_thumb_over.png", "#a5afbd")
    scroll_thumb("scroll_thumb_down.png", blue)

    # Combo box: the secondary button's frame with a chevron; the drop-down's frame.
    combo_arrow("combo_arrow.png", "#6b7686")
    img = canvas(12, 12)
    paint(img, grey_border, lambda x, y: True)
    paint(img, "#ffffff", lambda x, y: 1 <= x <= 11 and 1 <= y <= 11)
    write_png("dropped_bkgnd.png", 12, 12, img)

    # Text fields: a white box with a thin border, stretched by the grid 4,4,4,4.
    edit_frame("edit_up.png", "#ffffff", grey_border)
    edit_frame("edit_over.png", "#ffffff", blue)
    edit_frame("edit_disabled.png", "#f1f3f6", "#d8dde4")

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

    app_icon("icon128.png", 48)

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
    for y in range(len(img)):
        for x in range(len(img[0])):
            lx, ly = (x + 0.5) / SCALE, (y + 0.5) / SCALE
            dx = max(spread - lx, 0, lx - (size - spread))
            dy = max(spread - ly, 0, ly - (size - spread))
            distance = math.hypot(dx, dy)
            strength = max(0.0, 1.0 - distance / spread) ** 2
            img[y][x] = (0, 0, 0, int(round(60 * strength)))
    write_png("shadow.png", size, size, img)

    # Slides of the progress page's show: one size, so they cross-fade.
    slide_package("slide1.png", 480, 150)
    slide_shield("slide2.png", 480, 150)
    slide_rocket("slide3.png", 480, 150)


if __name__ == "__main__":
    for SCALE, SUFFIX in SCALES:
        main()
