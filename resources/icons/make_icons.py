#!/usr/bin/env python3
"""Draws the program's icon groups pixel by pixel and writes each as PNG images (for Qt)
and one ICO file (for the Windows build). Standard library only; run it from anywhere."""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours of a 16-colour icon, by name. None is the transparent ground.
PALETTE = {
    "black": (0, 0, 0), "maroon": (128, 0, 0), "green": (0, 128, 0), "olive": (128, 128, 0),
    "navy": (0, 0, 128), "purple": (128, 0, 128), "teal": (0, 128, 128), "silver": (192, 192, 192),
    "grey": (128, 128, 128), "red": (255, 0, 0), "lime": (0, 255, 0), "yellow": (255, 255, 0),
    "blue": (0, 0, 255), "fuchsia": (255, 0, 255), "aqua": (0, 255, 255), "white": (255, 255, 255),
}
NAMES = list(PALETTE)

# A 3x5 block font, enough for the lettering.
FONT = {
    "A": ["###", "#.#", "###", "#.#", "#.#"], "E": ["###", "#..", "##.", "#..", "###"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"], "I": ["###", ".#.", ".#.", ".#.", "###"],
    "N": ["##.", "#.#", "#.#", "#.#", "#.#"], "O": ["###", "#.#", "#.#", "#.#", "###"],
    "P": ["###", "#.#", "###", "#..", "#.."], "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "T": ["###", ".#.", ".#.", ".#.", ".#."], "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "Z": ["###", "..#", ".#.", "#..", "###"],
}


def blank(size):
    return [[None] * size for _ in range(size)]


def text(image, word, top, scale, colour):
    width = len(word) * 4 * scale - scale
    left = (len(image) - width) // 2
    for n, letter in enumerate(word):
        for row, bits in enumerate(FONT[letter]):
            for col, bit in enumerate(bits):
                if bit != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        image[top + row * scale + dy][left + (n * 4 + col) * scale + dx] = colour


def app_icon(size, lines):
    image = blank(size)
    border = max(1, size // 16)
    for y in range(size):
        for x in range(size):
            edge = min(x, y, size - 1 - x, size - 1 - y) < border
            image[y][x] = "blue" if edge else "white"
    for word, top, scale in lines:
        text(image, word, top, scale, "blue")
    return image


def outlined(size, inside, colour):
    """Fills where inside(x, y) holds and draws a one-pixel black edge around it."""
    image = blank(size)
    for y in range(size):
        for x in range(size):
            if inside(x, y):
                image[y][x] = colour
    for y in range(size):
        for x in range(size):
            if image[y][x] is not None:
                continue
            near = any(0 <= x + dx < size and 0 <= y + dy < size and image[y + dy][x + dx] == colour
                       for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            if near:
                image[y][x] = "black"
    return image


def ring():
    def inside(x, y):
        d = math.hypot(x - 15.5, y - 15.5)
        return 8.0 <= d <= 14.0
    return outlined(32, inside, "lime")


def cross():
    def inside(x, y):
        if not (3 <= x <= 28 and 3 <= y <= 28):
            return False
        cx, cy = x - 15.5, y - 15.5
        return abs(cx - cy) / math.sqrt(2) <= 3.2 or abs(cx + cy) / math.sqrt(2) <= 3.2
    return outlined(32, inside, "red")


QUESTION = [
    "..######..",
    ".########.",
    "###....###",
    "###....###",
    ".......###",
    "......###.",
    ".....###..",
    "....###...",
    "....###...",
    "..........",
    "....###...",
    "....###...",
]


def question():
    def inside(x, y):
        col, row = (x - 6) // 2, (y - 4) // 2
        return 0 <= row < len(QUESTION) and 0 <= col < 10 and QUESTION[row][col] == "#"
    return outlined(32, inside, "yellow")


# 16x16 open folder: K black edge, G grey edge, Y yellow, O olive shadow.
FOLDER = [
    "................",
    "................",
    "..KKKK..........",
    ".KYYYYK.........",
    ".KYYYYYKKKKKKK..",
    ".KYYYYYYYYYYYGK.",
    ".KYYKKKKKKKKKKKK",
    ".KYKGYYYYYYYYYOK",
    ".KYKYYYYYYYYYYK.",
    ".KKGYYYYYYYYYOK.",
    ".KKYYYYYYYYYYK..",
    ".KGYYYYYYYYYOK..",
    ".KKKKKKKKKKKKK..",
    "................",
    "................",
    "................",
]
FOLDER_COLOURS = {"K": "black", "G": "grey", "Y": "yellow", "O": "olive", ".": None}


def folder(size):
    scale = size // 16
    image = blank(size)
    for y in range(size):
        for x in range(size):
            image[y][x] = FOLDER_COLOURS[FOLDER[y // scale][x // scale]]
    return image


def png(image):
    size = len(image)
    raw = b""
    for row in image:
        raw += b"\0" + b"".join(
            bytes(PALETTE[c]) + b"\xff" if c else b"\0\0\0\0" for c in row)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(image, bits):
    """A palette DIB as an ICO stores it: header, colours, XOR bits, AND mask, rows bottom-up."""
    size = len(image)
    colours = 16 if bits == 4 else 256
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE.values())
    palette += b"\0\0\0\0" * (colours - len(PALETTE))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)
    xor, mask = b"", b""
    for row in reversed(image):
        indices = [NAMES.index(c) if c else 0 for c in row]
        if bits == 4:
            line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            line = bytes(indices)
        xor += line + b"\0" * (-len(line) % 4)
        maskbits = "".join("1" if c is None else "0" for c in row)
        mline = int(maskbits, 2).to_bytes(size // 8, "big")
        mask += mline + b"\0" * (-len(mline) % 4)
    return header + palette + xor + mask


def ico(entries):
    """entries: (image, bits) pairs."""
    blobs = [dib(image, bits) for image, bits in entries]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (image, bits), blob in zip(entries, blobs):
        size = len(image)
        count = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, count, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main():
    groups = {
        128: [(app_icon(32, [("ORVANE", 6, 1), ("IAP", 15, 2)]), 4),
              (app_icon(16, [("IAP", 5, 1)]), 4),
              (app_icon(48, [("ZENTHO", 8, 1), ("IAP", 19, 3)]), 8)],
        130: [(ring(), 4)],
        131: [(cross(), 4)],
        132: [(question(), 4)],
        135: [(folder(32), 4), (folder(16), 4)],
    }
    names = {128: "app", 130: "pass", 131: "fail", 132: "idle", 135: "browse"}
    for group, entries in groups.items():
        for image, _ in entries:
            with open(os.path.join(HERE, f"icon-{group}-{len(image)}.png"), "wb") as f:
                f.write(png(image))
        with open(os.path.join(HERE, f"{names[group]}-{group}.ico"), "wb") as f:
            f.write(ico(entries))


if __name__ == "__main__":
    main()
