#!/usr/bin/env python3
"""Reads a window cut out of a screenshot (binary PPM, as ImageMagick writes it).

  screenshot.py bars FILE     prints the fill of the progress window's two bars,
                              top (Cols) then bottom (Rows), in percent
  screenshot.py painted FILE  exit 0 when the picture is a drawn window rather
                              than an empty one (one flat colour, or black)

A bar is a long horizontal run of groove (white) and fill (the highlight, a
blue) pixels inside its outline; its fill is the share of fill pixels in it.
A bar at 0% is all groove, at 100% all fill.
"""

import sys
from collections import Counter


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        if data[pos : pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1  # the single whitespace before the pixels
    magic, width, height, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic != b"P6" or maxval != 255:
        raise SystemExit(f"{path}: not an 8-bit binary PPM")
    pixels = data[pos : pos + width * height * 3]
    rows = [
        [tuple(pixels[(y * width + x) * 3 : (y * width + x) * 3 + 3]) for x in range(width)]
        for y in range(height)
    ]
    return width, height, rows


def is_fill(p):
    r, g, b = p
    return b >= 120 and b - r >= 50


def is_groove(p):
    return min(p) >= 245


def longest_bar_run(row):
    """(start, end) of the longest run of groove or fill pixels in a row; the
    line drawn where the fill ends (a pixel or two) does not break the run."""
    best = (0, 0)
    start = last = None
    for x, p in enumerate(row):
        if not (is_fill(p) or is_groove(p)):
            continue
        if last is None or x - last > 3:
            start = x
        last = x
        if x + 1 - start > best[1] - best[0]:
            best = (start, x + 1)
    return best


def bars(path):
    width, _, rows = read_ppm(path)
    # Rows of the picture crossed by a bar: a run over a third of the width.
    bands = []
    for y, row in enumerate(rows):
        start, end = longest_bar_run(row)
        if end - start >= width // 3:
            if bands and bands[-1][-1][0] == y - 1:
                bands[-1].append((y, start, end))
            else:
                bands.append([(y, start, end)])
    if len(bands) != 2:
        print(f"{path}: {len(bands)} bars found, not 2", file=sys.stderr)
        return 1
    fills = []
    for band in bands:
        y, start, end = band[len(band) // 2]
        filled = sum(1 for p in rows[y][start:end] if is_fill(p))
        fills.append(round(100 * filled / (end - start)))
    print(*fills)
    return 0


def painted(path):
    width, height, rows = read_ppm(path)
    counts = Counter(p for row in rows for p in row)
    total = width * height
    common, common_count = counts.most_common(1)[0]
    dark = sum(n for p, n in counts.items() if sum(p) < 3 * 96)
    light = sum(n for p, n in counts.items() if min(p) >= 200)
    print(
        f"{path}: {len(counts)} colours, most common {common} on {100 * common_count // total}%,"
        f" dark {100 * dark / total:.2f}%, light {100 * light // total}%"
    )
    # Drawn: toolbar, grid lines, text and white cells; never a single colour,
    # never mostly black (what an unpainted window shows).
    return 0 if len(counts) >= 8 and common_count < 0.9 * total and dark > 0 and light > total // 3 else 1


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("bars", "painted"):
        raise SystemExit(__doc__)
    sys.exit(bars(sys.argv[2]) if sys.argv[1] == "bars" else painted(sys.argv[2]))
