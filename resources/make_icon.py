#!/usr/bin/env python3
"""Draws Setup.exe's icon: a carton with a green arrow going into it.

Writes a .ico with four images: 16x16 and 32x32, each in 16 colours (the
standard VGA palette) and in 256 colours. The shapes are drawn in a 32-unit
square and sampled at each size, with one-pixel outlines at every size, so
the output depends on nothing but this file.

    make_icon.py OUTPUT.ico
"""
import struct
import sys

# name: (index in the 16-colour VGA palette, RGB for the 256-colour image)
COLOURS = {
    "clear": (0, (0, 0, 0)),
    "box_edge": (3, (0x6B, 0x40, 0x1A)),
    "box": (11, (0xDE, 0xAA, 0x66)),
    "lid": (3, (0xB9, 0x84, 0x48)),
    "tape": (15, (0xF3, 0xE2, 0xBE)),
    "arrow_edge": (2, (0x1B, 0x6E, 0x2E)),
    "arrow": (10, (0x52, 0xC4, 0x5E)),
}
ORDER = ["clear", "box_edge", "box", "lid", "tape", "arrow_edge", "arrow"]

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def in_box(x, y):
    return 3 <= x < 29 and 14 <= y < 30


def in_lid(x, y):
    return in_box(x, y) and y < 18


def in_tape(x, y):
    return in_box(x, y) and 14 <= x < 18 and y >= 18


def in_arrow(x, y):
    if 12 <= x < 20 and 1 <= y < 11:
        return True
    # The head: a triangle from y=10 (24 wide) down to its point at y=22.
    if 10 <= y < 22:
        half = 12 * (22 - y) / 12
        return abs(x - 16) < half
    return False


def mask(size, shape):
    unit = 32 / size
    return [[shape((px + 0.5) * unit, (py + 0.5) * unit) for px in range(size)] for py in range(size)]


def edges(cells):
    size = len(cells)

    def inside(px, py):
        return 0 <= px < size and 0 <= py < size and cells[py][px]

    return [[cells[py][px] and not all(inside(px + dx, py + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
             for px in range(size)] for py in range(size)]


def draw(size):
    """Returns rows (top first) of colour names."""
    picture = [["clear"] * size for _ in range(size)]
    box, lid, tape, arrow = (mask(size, s) for s in (in_box, in_lid, in_tape, in_arrow))
    box_edge, arrow_edge = edges(box), edges(arrow)
    for py in range(size):
        for px in range(size):
            colour = "clear"
            if box[py][px]:
                colour = "box"
                if lid[py][px]:
                    colour = "lid"
                if tape[py][px]:
                    colour = "tape"
                if box_edge[py][px]:
                    colour = "box_edge"
            if arrow[py][px]:
                colour = "arrow_edge" if arrow_edge[py][px] else "arrow"
            picture[py][px] = colour
    return picture


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def image(size, bits):
    picture = draw(size)
    if bits == 4:
        palette = VGA
        index = {name: COLOURS[name][0] for name in ORDER}
    else:
        palette = [COLOURS[name][1] for name in ORDER] + [(0, 0, 0)] * (256 - len(ORDER))
        index = {name: i for i, name in enumerate(ORDER)}
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    xor_rows, and_rows = [], []
    for row in reversed(picture):  # bitmaps are stored bottom-up
        values = [index[name] for name in row]
        if bits == 4:
            data = bytes((values[i] << 4) | values[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(values)
        xor_rows.append(padded(data))
        and_bytes = bytearray(size // 8)
        for px, name in enumerate(row):
            if name == "clear":
                and_bytes[px // 8] |= 0x80 >> (px % 8)
        and_rows.append(padded(bytes(and_bytes)))
    return header + colours + b"".join(xor_rows) + b"".join(and_rows)


def icon():
    formats = [(16, 4), (16, 8), (32, 4), (32, 8)]
    images = [image(size, bits) for size, bits in formats]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), data in zip(formats, images):
        colour_count = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(icon())


if __name__ == "__main__":
    main()
