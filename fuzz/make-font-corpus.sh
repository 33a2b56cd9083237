#!/usr/bin/env bash
# Fills fuzz/corpus/font_subset/ with seed inputs: small fonts cut from the installed
# Liberation and DejaVu fonts by fontTools (with composite glyphs, with and without
# hinting tables, long and short glyph locations, a collection), and a few damaged
# copies. Each seed is one mode byte, eight glyph-pick bytes, then the font file (see
# fuzz_font_subset.cpp). Seeds are named seed-*; other files are kept. Deterministic.
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 - "$@" <<'EOF'
import glob, io, os, struct
from fontTools import subset
from fontTools.ttLib import TTFont
from fontTools.ttLib.ttCollection import TTCollection

OUT = os.path.join("fuzz", "corpus", "font_subset")
os.makedirs(OUT, exist_ok=True)
for f in glob.glob(os.path.join(OUT, "seed-*")):
    os.remove(f)

def cut(path, text, drop=(), hinting=True):
    font = TTFont(path, recalcTimestamp=False)
    opts = subset.Options(hinting=hinting, notdef_outline=True, name_IDs=[1, 2], glyph_names=False)
    opts.drop_tables += ["FFTM", "GPOS", "GSUB", "GDEF", "kern", "DSIG"]
    s = subset.Subsetter(opts)
    s.populate(text=text)
    s.subset(font)
    for t in drop:
        if t in font:
            del font[t]
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()

def put(name, mode, picks, data):
    with open(os.path.join(OUT, "seed-" + name), "wb") as f:
        f.write(bytes([mode]) + bytes(picks) + data)

LIB = "/usr/share/fonts/truetype/liberation2/"
DJV = "/usr/share/fonts/truetype/dejavu/"
sans = cut(LIB + "LiberationSans-Regular.ttf", "AVé Жй")
mono = cut(DJV + "DejaVuSansMono.ttf", "Abc Ωέ", drop=("cvt ", "fpgm", "prep"), hinting=False)
serif = cut(LIB + "LiberationSerif-BoldItalic.ttf", "Ğç")
picks = [0, 1, 0, 2, 0, 3, 0, 5]
put("sans-subset", 0, picks, sans)
put("sans-resource-ru", 1, [0x11] + picks[1:], sans)
put("sans-resource-ansi-whole", 1, [0x12] + picks[1:], sans)
put("mono-nohint-subset", 0, picks, mono)
put("mono-resource", 1, [0x21] + picks[1:], mono)
put("serif-subset", 0, [0, 4, 0, 6, 0, 7, 0, 8], serif)

# A collection of two faces; face 1 is picked by mode bit 1.
coll = TTCollection()
coll.fonts = [TTFont(io.BytesIO(sans), recalcTimestamp=False), TTFont(io.BytesIO(serif), recalcTimestamp=False)]
out = io.BytesIO()
coll.save(out)
put("collection-face1-subset", 2, picks, out.getvalue())
put("collection-face0-resource", 1, [0x21] + picks[1:], out.getvalue())

# Damaged copies: a composite glyph pointing at itself, loca out of order, a table past
# the end of the file.
def table(data, tag):
    n = struct.unpack(">H", data[4:6])[0]
    for i in range(n):
        t, cs, off, ln = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        if t == tag:
            return 12 + 16 * i, off, ln
f = TTFont(io.BytesIO(sans))
order = f.getGlyphOrder()
comp = next(i for i, g in enumerate(order) if f["glyf"][g].isComposite())
long_loca = f["head"].indexToLocFormat == 1
_, loca, _ = table(sans, b"loca")
_, glyf, _ = table(sans, b"glyf")
def loca_at(d, i):
    return struct.unpack(">I", d[loca + 4 * i:loca + 4 * i + 4])[0] if long_loca else 2 * struct.unpack(">H", d[loca + 2 * i:loca + 2 * i + 2])[0]
loop = bytearray(sans)
struct.pack_into(">H", loop, glyf + loca_at(sans, comp) + 12, comp)
put("composite-loop", 0, [0, comp >> 8 & 0xFF, comp & 0xFF, 0, 0, 1, 0, 2], bytes(loop))
order_bad = bytearray(sans)
if long_loca:
    struct.pack_into(">I", order_bad, loca + 8, loca_at(sans, 4))
else:
    struct.pack_into(">H", order_bad, loca + 4, loca_at(sans, 4) // 2)
put("loca-order", 0, picks, bytes(order_bad))
past = bytearray(sans)
entry, _, _ = table(sans, b"hmtx")
struct.pack_into(">I", past, entry + 8, len(sans) - 4)
put("table-past-end", 1, [0x11] + picks[1:], bytes(past))
print("seeds written to", OUT)
EOF
