#!/usr/bin/env python3
"""Pictures for the player's tests, with the standard library alone.

  player_pixels.py png WINDOW.xwd OUT.png       an xwd dump as a PNG
  player_pixels.py same A B [TOLERANCE]         exit 0 when A and B (xwd or
                                                PNG) match: every channel
                                                within TOLERANCE (default 0),
                                                a larger picture compared
                                                after scaling it to the other
  player_pixels.py letterbox PICTURE           exit 0 when its outer tenths
                                                left and right are black and
                                                the middle is lit
  player_pixels.py flashes DIR SECOND_FRAMES    the most whole-frame
                                                brightness changes of 0.1 or
                                                more among the PNGs of DIR in
                                                any SECOND_FRAMES frames
"""
import glob
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    size, width, height = header[0], header[4], header[5]
    bits_per_pixel, bytes_per_line, ncolors = header[11], header[12], header[19]
    byte_order = header[7]
    step = bits_per_pixel // 8
    if step not in (3, 4):
        raise SystemExit(f"{path}: {bits_per_pixel} bits a pixel, not 24 or 32")
    pixels = data[size + ncolors * 12:]
    rgb = bytearray(width * height * 3)
    for y in range(height):
        row = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        # 0x00RRGGBB pixels: BGR(X) in memory when the byte order is LSB first.
        o = step - 3
        b, g, r = (row[0::step], row[1::step], row[2::step]) if byte_order == 0 else \
            (row[o + 2::step], row[o + 1::step], row[o::step])
        out = rgb[y * width * 3:(y + 1) * width * 3]
        out[0::3], out[1::3], out[2::3] = r, g, b
        rgb[y * width * 3:(y + 1) * width * 3] = out
    return width, height, bytes(rgb)


def read_png(path):
    data = open(path, "rb").read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            if depth != 8 or colour != 2:
                raise SystemExit(f"{path}: not 8-bit RGB")
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    out = bytearray(height * stride)
    prev = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out[y * stride:(y + 1) * stride] = line
        prev = line
    return width, height, bytes(out)


def read_any(path):
    return read_png(path) if path.endswith(".png") else read_xwd(path)


def write_png(path, width, height, rgb):
    raw = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                           + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def scaled(picture, width, height):
    w, h, rgb = picture
    if (w, h) == (width, height):
        return rgb
    out = bytearray(width * height * 3)
    for y in range(height):
        sy = y * h // height
        for x in range(width):
            sx = x * w // width
            out[(y * width + x) * 3:(y * width + x) * 3 + 3] = rgb[(sy * w + sx) * 3:(sy * w + sx) * 3 + 3]
    return bytes(out)


def brightness(rgb):
    return sum(rgb) / (len(rgb) * 255.0)


def main(argv):
    if argv[1] == "png":
        write_png(argv[3], *read_xwd(argv[2]))
        return 0
    if argv[1] == "same":
        a, b = read_any(argv[2]), read_any(argv[3])
        tolerance = int(argv[4]) if len(argv) > 4 else 0
        small = a if a[0] * a[1] <= b[0] * b[1] else b
        large = b if small is a else a
        x, y = small[2], scaled(large, small[0], small[1])
        worst = max(abs(p - q) for p, q in zip(x, y))
        off = sum(1 for p, q in zip(x, y) if abs(p - q) > tolerance)
        print(f"{small[0]}x{small[1]}: largest difference {worst}, {off} channels over {tolerance}")
        return 0 if off == 0 else 1
    if argv[1] == "letterbox":
        width, height, rgb = read_any(argv[2])
        stride, bar = width * 3, width // 10 * 3
        sides = max(max(rgb[y * stride:y * stride + bar] + rgb[(y + 1) * stride - bar:(y + 1) * stride])
                    for y in range(height))
        middle = brightness(b"".join(rgb[y * stride + 4 * bar:y * stride + 6 * bar] for y in range(height)))
        print(f"{width}x{height}: sides at most {sides}, middle brightness {middle:.3f}")
        return 0 if sides <= 8 and middle > 0.05 else 1
    if argv[1] == "flashes":
        files = sorted(glob.glob(argv[2] + "/*.png"))
        window = int(argv[3])
        levels = [brightness(read_png(f)[2]) for f in files]
        changes = [i for i in range(1, len(levels)) if abs(levels[i] - levels[i - 1]) >= 0.1]
        most = max((sum(1 for c in changes if s < c <= s + window - 1) for s in range(len(levels))), default=0)
        print(f"{len(files)} frames, {len(changes)} changes of 0.1 or more, at most {most} in {window} frames")
        print(most)
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
