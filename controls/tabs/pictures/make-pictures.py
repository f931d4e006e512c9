#!/usr/bin/python3
# Draws the LED pictures (our own): a pure lime face (0x00FF00) that the control recolours, a dark
# rim, a bevel and a white glint. Run it here to remake the PNG files.
import struct
import zlib

LIME = (0, 255, 0, 255)
RIM = (48, 48, 48, 255)
LIGHT = (255, 255, 255, 255)
SHADE = (128, 128, 128, 255)
CLEAR = (0, 0, 0, 0)


def png(name, w, h, px):
    raw = b"".join(b"\0" + b"".join(bytes(px(x, y)) for x in range(w)) for y in range(h))

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c))

    with open(name, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def round_led(size):
    c = (size - 1) / 2.0
    r = size / 2.0

    def px(x, y):
        d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
        if d > r - 0.3:
            return CLEAR
        if d > r - 1.5:
            return RIM
        gx, gy = x - (c - r / 3.0), y - (c - r / 3.0)
        if abs(gx) + abs(gy) < 1.6:
            return LIGHT
        return LIME
    return px


def square_led(w, h):
    def px(x, y):
        if x in (0, w - 1) or y in (0, h - 1):
            return RIM
        if x == 1 or y == 1:
            return LIGHT
        if x == w - 2 or y == h - 2:
            return SHADE
        if (x, y) in ((3, 3), (4, 3), (3, 4)):
            return LIGHT
        return LIME
    return px


png("LEDSM.png", 16, 16, round_led(16))
png("LEDLG.png", 22, 22, round_led(22))
png("LEDSQSM.png", 16, 16, square_led(16, 16))
png("LEDSQLG.png", 22, 22, square_led(22, 22))
png("LEDHZ.png", 22, 14, square_led(22, 14))
png("LEDVT.png", 14, 22, square_led(14, 22))
