#!/usr/bin/env python3
"""Makes the two pictures compiled into the unit (data/builtin_pictures.cpp):
800 x 600, 8-bit RGB, not interlaced, every row filter type 0, the zlib
stream cut into IDAT chunks of 16384 bytes (the last holds the rest).

  weather: a sky that darkens towards the top, a band of cloud and rain
  lake:    land around a lake whose depth bands darken towards its middle

Run from the source root: python3 tools/picturegen/make_pictures.py
"""
import math
import struct
import zlib

W, H = 800, 600
CHUNK = 16384


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png(rows):
    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    stream = zlib.compress(raw, 9)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
    for i in range(0, len(stream), CHUNK):
        out += chunk(b"IDAT", stream[i:i + CHUNK])
    return out + chunk(b"IEND", b"")


def weather():
    rows = []
    for y in range(H):
        row = bytearray()
        for x in range(W):
            t = y / (H - 1)
            r, g, b = int(40 + 120 * t), int(70 + 130 * t), int(140 + 100 * t)
            # A cloud band across the upper third, thicker to the right.
            band = math.exp(-((y - 180 - 40 * math.sin(x / 90.0)) / (30 + x / 20.0)) ** 2)
            r, g, b = (int(c + (215 - c) * band) for c in (r, g, b))
            # Rain cells below the band, in the right half.
            if x > 420 and 260 < y < 420 and ((x // 8 + y // 12) % 5 == 0):
                r, g, b = 60, 180, 70
            row += bytes((r, g, b))
        rows.append(row)
    return rows


def lake():
    rows = []
    cx, cy = 420, 310
    for y in range(H):
        row = bytearray()
        for x in range(W):
            dx, dy = (x - cx) / 330.0, (y - cy) / 230.0
            d = math.hypot(dx, dy) + 0.08 * math.sin(3 * math.atan2(dy, dx))
            if d > 1.0:
                shade = ((x * 2654435761 + y * 40503) >> 7) % 23
                row += bytes((120 + shade, 150 + shade, 90))
            else:
                band = int((1.0 - d) * 6)  # 0 shallow .. 5 deep
                ripple = ((x * 7919 + y * 104729) >> 3) % 9  # a grain of the water
                row += bytes((170 - 28 * band + ripple, 210 - 25 * band + ripple, 250 - 12 * band))
        rows.append(row)
    return rows


def c_array(name, data):
    lines = [f"extern const U8 {name}[] = {{"]
    for i in range(0, len(data), 20):
        lines.append("    " + ", ".join(str(b) for b in data[i:i + 20]) + ",")
    lines.append("};")
    return "\n".join(lines)


def main():
    w, l = png(weather()), png(lake())
    with open("data/builtin_pictures.cpp", "w") as f:
        f.write("// Made by tools/picturegen/make_pictures.py: the weather and lake-chart\n"
                "// pictures, 800 x 600 8-bit RGB PNG, filter type 0, IDAT chunks of 16384 bytes.\n"
                '#include "data/builtin_pictures.h"\n\n')
        f.write(c_array("g_au8WeatherPicture", w) + "\n")
        f.write(f"extern const U32 g_u32WeatherPictureSize = {len(w)};\n\n")
        f.write(c_array("g_au8LakePicture", l) + "\n")
        f.write(f"extern const U32 g_u32LakePictureSize = {len(l)};\n")
    print(len(w), len(l))


if __name__ == "__main__":
    main()
