#!/usr/bin/python3
"""Writes the small pictures the picture reader tests decode, next to this script.

Every variant a reader must handle gets one file: bitmaps of each depth and coding
(written here byte by byte, since common writers produce only a few kinds), icons with
masks and alpha, PNGs of every colour type and depth, interlaced ones included, and
JPEGs. The tests compare what our readers make of them with an independent decoder.
Run it again only to change the set; the output is checked in.
"""
import io
import os
import struct
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 13, 7  # odd width: every row of every depth needs padding


def color(x, y):
    return ((x * 37 + y * 11) % 256, (x * 7 + y * 53) % 256, (x * y * 3 + 40) % 256)


def index(x, y, bits):
    return (x + 3 * y) % (1 << bits)


def put(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- bitmaps ----

def bmp_file(header, palette, pixels):
    off = 14 + len(header) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(pixels), 0, 0, off) + header + palette + pixels


def info_header(w, h, bits, compression=0, colors=0, size=40, masks=()):
    hdr = struct.pack("<IiiHHIIiiII", size, w, h, 1, bits, compression, 0, 2835, 2835, colors, 0)
    hdr += b"".join(struct.pack("<I", m) for m in masks)
    return hdr + b"\0" * (size - len(hdr))


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def palette_for(bits, entry=4):
    out = b""
    for i in range(1 << bits):
        r, g, b = (i * 53) % 256, (i * 97 + 20) % 256, (255 - i * 31) % 256
        out += bytes((b, g, r)) + (b"\0" if entry == 4 else b"")
    return out


def indexed_rows(bits, w=W, h=H, top_down=False):
    rows = []
    for y in range(h):
        bits_row = "".join(format(index(x, y, bits), "0%db" % bits) for x in range(w))
        bits_row += "0" * (-len(bits_row) % 8)
        rows.append(pad(int(bits_row, 2).to_bytes(len(bits_row) // 8, "big")))
    return b"".join(rows if top_down else rows[::-1])


def direct_rows(encode, top_down=False):
    rows = [pad(b"".join(encode(*color(x, y), x, y) for x in range(W))) for y in range(H)]
    return b"".join(rows if top_down else rows[::-1])


def make_bitmaps():
    for bits in (1, 4, 8):
        put("bmp-%d.bmp" % bits, bmp_file(info_header(W, H, bits), palette_for(bits), indexed_rows(bits)))
    # A colour table shorter than the depth allows; pixels index only its entries.
    put("bmp-8-short-palette.bmp",
        bmp_file(info_header(W, H, 8, colors=12), palette_for(8)[:48], indexed_rows(8).translate(bytes(i % 12 for i in range(256)))))
    # The oldest header: 12 bytes, three-byte colour entries.
    core = struct.pack("<IHHHH", 12, W, H, 1, 8)
    put("bmp-core-8.bmp", bmp_file(core, palette_for(8, 3), indexed_rows(8)))
    put("bmp-24.bmp", bmp_file(info_header(W, H, 24), b"", direct_rows(lambda r, g, b, x, y: bytes((b, g, r)))))
    put("bmp-24-topdown.bmp",
        bmp_file(info_header(W, -H, 24), b"", direct_rows(lambda r, g, b, x, y: bytes((b, g, r)), True)))
    put("bmp-16-555.bmp", bmp_file(info_header(W, H, 16), b"", direct_rows(
        lambda r, g, b, x, y: struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3))))
    put("bmp-16-565.bmp", bmp_file(info_header(W, H, 16, 3, masks=(0xF800, 0x07E0, 0x001F)), b"", direct_rows(
        lambda r, g, b, x, y: struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3))))
    put("bmp-32-bgrx.bmp", bmp_file(info_header(W, H, 32), b"", direct_rows(lambda r, g, b, x, y: bytes((b, g, r, 0)))))
    # Transparency in the fourth byte, as writers of transparent bitmaps put it.
    put("bmp-32-alpha.bmp", bmp_file(info_header(W, H, 32), b"", direct_rows(
        lambda r, g, b, x, y: bytes((b, g, r, (x * 19 + y * 5) % 256)))))
    # A version 5 header with colour masks, alpha included.
    put("bmp-32-v5-masks.bmp", bmp_file(
        info_header(W, H, 32, 3, size=124, masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)), b"",
        direct_rows(lambda r, g, b, x, y: bytes((b, g, r, (x * 19 + y * 5) % 256)))))
    make_rle()


def rle8_rows():
    """Runs, absolute runs of even and odd length, and a delta jump, bottom-up."""
    out = b""
    for y in range(H):
        row = [index(x, H - 1 - y, 8) for x in range(W)]
        if y == 2:  # three pixels, then a jump of three right and one up: skipped pixels keep colour 0
            out += bytes((3, row[0], 0, 2, 3, 1))
            continue
        if y == 3:  # the jump left x at 6 on this line
            out += bytes((0, 7)) + bytes(row[6:13]) + b"\0" + b"\0\0"
            continue
        out += bytes((4, row[0]))  # four pixels of one colour
        out += bytes((0, 6)) + bytes(row[4:10])  # absolute run, even length
        out += bytes((0, 3)) + bytes(row[10:13]) + b"\0"  # absolute run, odd length, padded
        out += b"\0\0"
    return out + b"\0\1"


def rle4_rows():
    out = b""
    for y in range(H):
        row = [index(x, H - 1 - y, 4) for x in range(W)]
        out += bytes((5, row[0] << 4 | row[1]))  # alternating pair
        nib = row[5:12]
        packed = bytes((nib[i] << 4 | (nib[i + 1] if i + 1 < len(nib) else 0)) for i in range(0, len(nib), 2))
        out += bytes((0, len(nib))) + packed + b"\0" * (len(packed) % 2)
        out += bytes((1, row[12] << 4))
        out += b"\0\0"
    return out + b"\0\1"


def make_rle():
    data = rle8_rows()
    put("bmp-rle8.bmp", bmp_file(info_header(W, H, 8, 1), palette_for(8), data))
    data = rle4_rows()
    put("bmp-rle4.bmp", bmp_file(info_header(W, H, 4, 2), palette_for(4), data))


# ---- icons ----

def icon_dib(size, bits):
    w = h = size
    if bits == 32:
        rows = [pad(b"".join(bytes((*color(x, y)[::-1], 0 if (x + y) % 5 == 0 else 200 + x % 50)) for x in range(w)))
                for y in range(h)]
        palette = b""
    else:
        rows = []
        for y in range(h):
            s = "".join(format(index(x, y, bits), "0%db" % bits) for x in range(w))
            rows.append(pad(int(s, 2).to_bytes(len(s) // 8, "big")))
        palette = palette_for(bits)
    mask = []
    for y in range(h):
        s = "".join("1" if (x * y) % 7 == 3 else "0" for x in range(w))
        s += "0" * (-len(s) % 32)
        mask.append(int(s, 2).to_bytes(len(s) // 8, "big"))
    header = info_header(w, 2 * h, bits)
    return header + palette + b"".join(rows[::-1]) + b"".join(mask[::-1])


def icon_file(images):
    """images: list of (width, height, bits, data)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for w, h, bits, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(data), offset + len(body))
        body += data
    return out + body


def png_bytes(im):
    b = io.BytesIO()
    im.save(b, "PNG")
    return b.getvalue()


def make_icons():
    put("ico-8-mask.ico", icon_file([(16, 16, 8, icon_dib(16, 8))]))
    put("ico-4-mask.ico", icon_file([(16, 16, 4, icon_dib(16, 4))]))
    # The largest picture is taken: a 32-bit one with alpha between two smaller ones.
    put("ico-sizes-32-alpha.ico", icon_file([(16, 16, 8, icon_dib(16, 8)), (32, 32, 32, icon_dib(32, 32)),
                                            (24, 24, 4, icon_dib(24, 4))]))
    rgba = Image.new("RGBA", (20, 20))
    rgba.putdata([color(x, y) + ((x * 13) % 256,) for y in range(20) for x in range(20)])
    put("ico-png.ico", icon_file([(16, 16, 8, icon_dib(16, 8)), (20, 20, 32, png_bytes(rgba))]))


# ---- PNG ----

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_file(w, h, depth, ctype, sample, extra=b"", interlace=False):
    """sample(x, y) gives the tuple of channel values of a pixel."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]

    def row_bytes(xs, y):
        if depth < 8:
            s = "".join(format(sample(x, y)[0], "0%db" % depth) for x in xs)
            s += "0" * (-len(s) % 8)
            return int(s, 2).to_bytes(len(s) // 8, "big") if s else b""
        fmt = ">" + ("B" if depth == 8 else "H") * channels
        return b"".join(struct.pack(fmt, *sample(x, y)) for x in xs)

    raw = b""
    if interlace:
        for x0, y0, dx, dy in ADAM7:
            xs = list(range(x0, w, dx))
            if not xs:
                continue
            for y in range(y0, h, dy):
                raw += b"\0" + row_bytes(xs, y)
    else:
        for y in range(h):
            raw += b"\0" + row_bytes(range(w), y)
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 1 if interlace else 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def make_pngs():
    for depth in (1, 2, 4, 8):
        put("png-gray-%d.png" % depth, png_file(W, H, depth, 0, lambda x, y, d=depth: (index(x, y, d),)))
    put("png-gray-16.png", png_file(W, H, 16, 0, lambda x, y: ((x * 4099 + y * 811) % 65536,)))
    put("png-gray-trns.png", png_file(W, H, 8, 0, lambda x, y: ((x * 20) % 256,), chunk(b"tRNS", struct.pack(">H", 40))))
    put("png-rgb-8.png", png_file(W, H, 8, 2, color))
    put("png-rgb-16.png", png_file(W, H, 16, 2, lambda x, y: tuple(min(c * 257 + x, 65535) for c in color(x, y))))
    put("png-rgb-trns.png", png_file(W, H, 8, 2, lambda x, y: (x * 20, 0, y * 30),
                                     chunk(b"tRNS", struct.pack(">HHH", 40, 0, 60))))
    plte = chunk(b"PLTE", b"".join(bytes(((i * 53) % 256, (i * 97 + 20) % 256, (255 - i * 31) % 256))
                                   for i in range(256)))
    for depth in (1, 2, 4, 8):
        put("png-palette-%d.png" % depth, png_file(W, H, depth, 3, lambda x, y, d=depth: (index(x, y, d),), plte))
    trns = chunk(b"tRNS", bytes((i * 17) % 256 for i in range(20)))
    put("png-palette-trns.png", png_file(W, H, 8, 3, lambda x, y: (index(x, y, 5),), plte + trns))
    put("png-gray-alpha-8.png", png_file(W, H, 8, 4, lambda x, y: ((x * 20) % 256, (y * 40) % 256)))
    put("png-gray-alpha-16.png", png_file(W, H, 16, 4, lambda x, y: ((x * 5000) % 65536, (y * 9000) % 65536)))
    put("png-rgba-8.png", png_file(W, H, 8, 6, lambda x, y: color(x, y) + ((x * y * 7) % 256,)))
    put("png-rgba-16.png", png_file(W, H, 16, 6, lambda x, y: tuple(c * 257 for c in color(x, y)) + (x * 4000,)))
    put("png-rgb-interlaced.png", png_file(W, H, 8, 2, color, interlace=True))
    put("png-rgba-interlaced.png", png_file(W, H, 8, 6, lambda x, y: color(x, y) + ((x * 31) % 256,), interlace=True))
    put("png-palette-4-interlaced.png", png_file(W, H, 4, 3, lambda x, y: (index(x, y, 4),), plte, interlace=True))


# ---- JPEG ----

def make_jpegs():
    rgb = Image.new("RGB", (W * 3, H * 3))
    rgb.putdata([color(x, y) for y in range(H * 3) for x in range(W * 3)])
    b = io.BytesIO()
    rgb.save(b, "JPEG", quality=95)
    put("jpeg-baseline.jpg", b.getvalue())
    b = io.BytesIO()
    rgb.save(b, "JPEG", quality=95, progressive=True)
    put("jpeg-progressive.jpg", b.getvalue())
    b = io.BytesIO()
    rgb.convert("L").save(b, "JPEG", quality=95)
    put("jpeg-gray.jpg", b.getvalue())
    b = io.BytesIO()
    rgb.convert("CMYK").save(b, "JPEG", quality=95)
    put("jpeg-cmyk-adobe.jpg", b.getvalue())


if __name__ == "__main__":
    make_bitmaps()
    make_icons()
    make_pngs()
    make_jpegs()
