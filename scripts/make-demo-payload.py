#!/usr/bin/env python3
"""Writes the demo installer's payload into examples/demo/program/ (or the folder given).

The payload stands for a real product: a few hundred files in folders, text and binary,
and one large media file. It is generated, not committed: the same seed gives the same
bytes every time, and a stamp file makes a second run do nothing.

    scripts/make-demo-payload.py [OUT_DIR]
"""
import os
import random
import struct
import sys

SEED = 20261208
LARGE_FILE_BYTES = 24 * 1024 * 1024
# The list of every payload file, beside the payload folder (tests compare the installed
# files with it; the installation script asks the package itself); its first line also
# marks a finished generation.
MANIFEST = "program-manifest.txt"
MANIFEST_HEADER = "# demo payload, seed=%d large=%d v2\n" % (SEED, LARGE_FILE_BYTES)

WORDS = ("orvinex render cache tile layer vector shader queue sample stream frame "
         "voxel light shadow mesh index buffer texture atlas codec packet").split()
HAN = "奥维克斯地图渲染引擎数据文件说明版本更新日志配置语言帮助"


def text_file(rng, lines):
    out = []
    for _ in range(lines):
        words = [rng.choice(WORDS) for _ in range(rng.randint(4, 12))]
        if rng.random() < 0.3:
            words.append("".join(rng.choice(HAN) for _ in range(rng.randint(2, 8))))
        out.append(" ".join(words))
    return ("\n".join(out) + "\n").encode("utf-8")


def binary_file(rng, size):
    # Half noise, half structure, so some of it compresses.
    noise = rng.randbytes(size // 2)
    pattern = bytes((i * 7 + (i >> 8)) & 0xFF for i in range(size - len(noise)))
    return noise + pattern


ICON_SVG = (b'<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">'
            b'<rect width="64" height="64" rx="12" fill="#2f6fdf"/>'
            b'<circle cx="32" cy="32" r="18" fill="none" stroke="#ffffff" stroke-width="7"/></svg>\n')


def icon_ico():
    """A 32x32 icon file (one 32-bit BMP image): a blue square with a white ring."""
    size = 32
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            d = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
            pixels += bytes((255, 255, 255, 255)) if 7 <= d <= 11 else bytes((0xdf, 0x6f, 0x2f, 255))
    mask = bytes(size * 4)  # every pixel opaque (the alpha channel rules anyway)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    image = header + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32,
                                                            len(image), 6 + 16)
    return directory + image


def entries(rng):
    yield "bin/orvinex", (b"#!/bin/sh\n"
                          b"# The demo product: it only says that it is installed.\n"
                          b"echo \"Orvinex is installed in $(dirname \"$0\")/..\"\n")
    for i in range(24):
        yield "bin/plugins/plugin%02d.so" % i, binary_file(rng, rng.randint(8, 160) * 1024)
    for i in range(120):
        yield "data/maps/region%03d.dat" % i, binary_file(rng, rng.randint(1, 48) * 1024)
    for i in range(60):
        yield "data/tiles/%02d/tile%03d.bin" % (i % 6, i), binary_file(rng, rng.randint(2, 20) * 1024)
    for i in range(80):
        yield "docs/manual/chapter%02d.txt" % i, text_file(rng, rng.randint(20, 200))
    for name in ("zh-CN", "en-US", "de-DE", "fr-FR", "ja-JP", "ko-KR"):
        for part in ("ui", "help", "errors", "tips", "menus"):
            yield "lang/%s/%s.ini" % (name, part), text_file(rng, rng.randint(10, 60))
    yield "docs/licence.txt", text_file(rng, 120)
    yield "share/orvinex.svg", ICON_SVG
    yield "share/orvinex.ico", icon_ico()
    yield "media/intro.bin", rng.randbytes(LARGE_FILE_BYTES)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples", "demo",
                                                             "program")
    manifest = os.path.join(os.path.dirname(os.path.abspath(out)), MANIFEST)
    if os.path.exists(manifest) and open(manifest, encoding="utf-8").readline() == MANIFEST_HEADER:
        return
    rng = random.Random(SEED)
    count = 0
    for name, data in entries(rng):
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        if name.startswith("bin/orvinex"):
            os.chmod(path, 0o755)
        count += 1
    names = []
    for folder, _, files in os.walk(out):
        for file in files:
            name = os.path.relpath(os.path.join(folder, file), out).replace(os.sep, "/")
            names.append(name)
    with open(manifest, "w", encoding="utf-8") as f:
        f.write(MANIFEST_HEADER)
        f.write("".join(name + "\n" for name in sorted(names)))
    print("make-demo-payload: %d files in %s" % (count, out))


if __name__ == "__main__":
    main()
