#!/usr/bin/env bash
# Fills fuzz/corpus/<target>/ with seed inputs: small PDFs of tests/data and hand-made
# inputs for each surface. Seeds are named seed-*; other files in the folders
# (minimised crash inputs, named after what broke) are kept. Deterministic: running it
# twice gives the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'EOF'
import os, glob, zlib, random, struct

ROOT = os.getcwd()
DATA = os.path.join(ROOT, "tests", "data")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
TARGETS = ["read_object", "xref", "load_save", "filters", "page_range", "encrypted_load"]
# Seeds are kept small so the committed corpus stays a few megabytes and replays fast.
MAX_PDF_SEED = 40 * 1024
MAX_XREF_SEED = 20 * 1024

def reset(target):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    for f in glob.glob(os.path.join(d, "seed-*")):
        os.remove(f)
    return d

def put(target, name, data):
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(CORPUS, target, "seed-" + name), "wb") as f:
        f.write(data)

def make_pdf(objects, trailer_extra="", header="%PDF-1.4"):
    """A classic PDF from object bodies numbered 1..n; %LEN% becomes the stream length."""
    out = header + "\n%\xe2\xe3\xcf\xd3\n"
    offsets = []
    for i, body in enumerate(objects):
        if "%LEN%" in body:
            s = body.index("stream\n") + 7
            e = body.index("\nendstream")
            body = body.replace("%LEN%", str(e - s), 1)
        offsets.append(len(out))
        out += "%d 0 obj\n%s\nendobj\n" % (i + 1, body)
    xref = len(out)
    out += "xref\n0 %d\n0000000000 65535 f\r\n" % (len(objects) + 1)
    for off in offsets:
        out += "%010d 00000 n\r\n" % off
    out += "trailer\n<< /Size %d /Root 1 0 R %s >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, trailer_extra, xref)
    return out

def make_modern_pdf(objects, packed=(), hybrid=False, predictor=True, header="%PDF-1.5", extra=""):
    """Objects 1..n, those in `packed` kept in object stream n+1, with a cross-reference
    stream n+2 (PNG Up predictor unless `predictor` is false); `hybrid` lists the direct
    objects in a classic table whose trailer names the stream for the packed ones."""
    n = len(objects)
    out = header + "\n%\xe2\xe3\xcf\xd3\n"
    offsets, index = {}, {}
    for i, body in enumerate(objects, 1):
        if i in packed:
            continue
        if "%LEN%" in body:
            s = body.index("stream\n") + 7
            body = body.replace("%LEN%", str(body.index("\nendstream") - s), 1)
        offsets[i] = len(out)
        out += "%d 0 obj\n%s\nendobj\n" % (i, body)
    if packed:
        head, values = "", ""
        for k, i in enumerate(sorted(packed)):
            head += "%d %d " % (i, len(values))
            values += objects[i - 1] + "\n"
            index[i] = k
        data = zlib.compress((head + values).encode("latin-1")).decode("latin-1")
        offsets[n + 1] = len(out)
        out += "%d 0 obj\n<< /Type /ObjStm /N %d /First %d /Filter /FlateDecode /Length %d >>\nstream\n%s\nendstream\nendobj\n" % (
            n + 1, len(packed), len(head), len(data), data)
    def row(i):
        if i in packed:
            return struct.pack(">BIH", 2, n + 1, index[i])
        if i in offsets:
            return struct.pack(">BIH", 1, offsets[i], 0)
        return struct.pack(">BIH", 0, 0, 0xFFFF)
    xref_at = len(out)
    offsets[n + 2] = xref_at
    numbers = sorted(packed) if hybrid else range(n + 3)
    rows = b"".join(row(i) for i in numbers)
    parms = ""
    if predictor:
        prior, coded = bytes(7), b""
        for k in range(0, len(rows), 7):
            line = rows[k:k + 7]
            coded += b"\x02" + bytes((a - b) & 255 for a, b in zip(line, prior))
            prior = line
        rows, parms = coded, " /DecodeParms << /Predictor 12 /Columns 7 >>"
    data = zlib.compress(rows).decode("latin-1")
    idx = " ".join("%d 1" % i for i in numbers) if hybrid else "0 %d" % (n + 3)
    out += "%d 0 obj\n<< /Type /XRef /Size %d /Index [%s] /W [1 4 2] /Filter /FlateDecode%s /Length %d%s >>\nstream\n%s\nendstream\nendobj\n" % (
        n + 2, n + 3, idx, parms, len(data), "" if hybrid else " /Root 1 0 R " + extra, data)
    if not hybrid:
        return out + "startxref\n%d\n%%%%EOF\n" % xref_at
    table = len(out)
    out += "xref\n0 %d\n0000000000 65535 f\r\n" % (n + 2)
    for i in range(1, n + 2):
        out += "%010d 00000 %s\r\n" % (offsets.get(i, 0), "n" if i in offsets and i not in packed else "f")
    return out + "trailer\n<< /Size %d /Root 1 0 R /XRefStm %d %s >>\nstartxref\n%d\n%%%%EOF\n" % (n + 2, xref_at, extra, table)

PAGE = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << >> >>"
CONTENT = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (Hello) Tj ET\nendstream"

def handmade_pdfs():
    flate = zlib.compress(b"BT /F1 12 Tf 72 712 Td (Compressed) Tj ET").decode("latin-1")
    pdfs = {
        "minimal.pdf": make_pdf(["<< /Type /Catalog /Pages 2 0 R >>",
                                 "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", PAGE, CONTENT]),
        "two-levels-inherited.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R /PageMode /UseOutlines /PageLayout /TwoColumnLeft >>",
            "<< /Type /Pages /Kids [5 0 R 3 0 R] /Count 2 /MediaBox [0 0 300 300] /Rotate 90 >>",
            "<< /Type /Page /Parent 5 0 R /Contents 4 0 R >>", CONTENT,
            "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R] /Count 1 /Resources << /ProcSet [/PDF] >> >>"]),
        "flate-indirect-length.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            PAGE.replace("/Contents 4 0 R", "/Contents [4 0 R 6 0 R]"),
            "<< /Length 5 0 R /Filter /FlateDecode >>\nstream\n" + flate + "\nendstream",
            str(len(flate)),
            "<< /Length %LEN% /Filter [/ASCIIHexDecode] >>\nstream\n48656C6C6F>\nendstream"]),
        "outlines-dests-names.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R /Dests 7 0 R /Names 8 0 R /OpenAction [3 0 R /Fit] >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            PAGE.replace("/Resources << >>", "/Annots [10 0 R]"), CONTENT,
            "<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 1 >>",
            "<< /Title (Chapter \\(1\\)) /Parent 5 0 R /Dest /first >>",
            "<< /first [3 0 R /XYZ 0 792 0] /second << /D [3 0 R /Fit] >> >>",
            "<< /Dests 9 0 R >>",
            "<< /Names [(third) [3 0 R /FitH 700] (fourth) 11 0 R] >>",
            "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest (third) >>",
            "<< /D [3 0 R /FitB] >>"]),
        "acroform-info.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 0 R] /DA (/Helv 0 Tf 0 g) >> "
            "/ViewerPreferences << /HideToolbar true /FitWindow true >> >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            PAGE.replace("/Resources << >>", "/Annots [5 0 R]"), CONTENT,
            "<< /FT /Tx /T (name) /V <FEFF0041> /Rect [10 10 100 30] /Subtype /Widget /P 3 0 R >>",
            "<< /Title <FEFF00540069> /Author (A\\nB) /CreationDate (D:20240101000000Z) >>"], "/Info 6 0 R /ID [<00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF>]"),
        "deep-nesting-300.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R /Deep 5 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            PAGE, CONTENT, "[" * 300 + "]" * 300]),
        "kids-loop-deep.pdf": make_pdf([
            "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [5 0 R] /Count 1 >>", PAGE, CONTENT,
            "<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 1 >>"]),
        "header-1.0.pdf": make_pdf(["<< /Type /Catalog /Pages 2 0 R >>",
                                    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", PAGE, CONTENT], header="%PDF-1.0"),
    }
    # An incremental update: a second section whose /Prev is the first.
    base = pdfs["minimal.pdf"]
    start = int(base.rsplit("startxref\n", 1)[1].split("\n")[0])
    upd_off = len(base)
    upd = "5 0 obj\n<< /Title (Updated) >>\nendobj\n"
    xref2 = upd_off + len(upd)
    upd += "xref\n0 1\n0000000000 65535 f\r\n5 1\n%010d 00000 n\r\ntrailer\n<< /Size 6 /Root 1 0 R /Info 5 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (upd_off, start, xref2)
    pdfs["incremental.pdf"] = base + upd
    # Two sections naming each other through /Prev.
    loop = base.replace("/Root 1 0 R", "/Root 1 0 R /Prev %d" % xref2)
    pdfs["prev-loop-two.pdf"] = loop + upd
    return pdfs

random.seed(20240601)

# ---- load_save and xref: real small files and the hand-made ones ----
reset("load_save"); reset("xref")
small = sorted(p for p in glob.glob(os.path.join(DATA, "*.pdf")) if os.path.getsize(p) <= MAX_PDF_SEED)
skip = {"iwb-radio.v1.3.pdf", "groff-letter.v1.3.pdf"}  # same bytes but the header
for p in small:
    name = os.path.basename(p)
    if name in skip:
        continue
    data = open(p, "rb").read()
    put("load_save", name, data)
    if len(data) <= MAX_XREF_SEED:
        put("xref", name, data)
for name, pdf in handmade_pdfs().items():
    put("load_save", name, pdf)
    put("xref", name, pdf)
put("xref", "subsections.pdf", "%PDF-1.3\n1 0 obj\n<<>>\nendobj\nxref\n0 1\n0000000000 65535 f\r\n1 1\n0000000009 00000 n\r\n"
    "3 2\n0000000000 00001 f\r\n0000000009 00000 n\r\ntrailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n29\n%%EOF")
# Modern files: object and cross-reference streams, hybrid sections, newer headers, leading
# bytes and damage that the reader rebuilds.
ONE_PAGE = ["<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", PAGE, CONTENT,
            "<< /Title (Modern) /Producer (seed) >>"]
modern = {
    "modern-objstm.pdf": make_modern_pdf(ONE_PAGE, packed=(1, 2, 3, 5), extra="/Info 5 0 R"),
    "modern-objstm-plain.pdf": make_modern_pdf(ONE_PAGE, packed=(2, 3), predictor=False, header="%PDF-1.7"),
    "modern-hybrid.pdf": make_modern_pdf(ONE_PAGE, packed=(2, 5), hybrid=True),
    "modern-xrefstm-only.pdf": make_modern_pdf(ONE_PAGE, header="%PDF-2.0"),
}
modern["modern-leading-bytes.pdf"] = "\x89PNG junk before the header\r\n" + modern["modern-objstm.pdf"]
damaged = modern["modern-objstm.pdf"]
modern["modern-no-startxref.pdf"] = damaged[:damaged.rindex("startxref")]
classic = handmade_pdfs()["minimal.pdf"]
modern["modern-wrong-offsets.pdf"] = classic.replace("startxref\n", "startxref\n1", 1)
for name, pdf in modern.items():
    put("load_save", name, pdf)
    put("xref", name, pdf)
put("xref", "crlf-entries-cr.pdf", "%PDF-1.2\rxref\r0 2\r0000000000 65535 f \r0000000000 00000 n \rtrailer<</Size 2>>\rstartxref\r9\r%%EOF")

# ---- read_object: object syntax, one construct per seed, and objects cut out of a file ----
reset("read_object")
objects = [
    "<< /Type /Page /MediaBox [0 0 612 792] /Rotate 90 /Parent 2 0 R >>",
    "[1 -2 +3 4.5 -.5 1e5 9999999999 -2147483648 2147483648 12345678901234567890]",
    "(a \\(nested\\) \\\\ string \\n\\r\\t\\b\\f\\101\\7\\\n continued (balanced))",
    "<48656C6C6F20776F726C64> <4 8 6> <> <ABC>",
    "/Name /A#20B /#2F /  /very.long-name_1",
    "true false null tru nul",
    "12 0 R 1 0 obj << /Length 5 >>\nstream\nhello\nendstream\nendobj",
    "3 0 obj\n<< /Filter /FlateDecode /Length 4 0 R >>\nstream\r\nxyz\r\nendstream\nendobj",
    "5 0 obj [ 1 0 R 2 65535 R ] endobj 6 0 obj (x) endobj",
    "<< /A << /B << /C [ [ [ ] ] ] >> >> /D <<>> >>",
    "<< /Key >> << /K1 /V1 /K2 >> ] ) >",
    "%comment only\n% another\r\n42",
    "1 0 obj 2 0 obj 3 0 obj null endobj",
    "(unterminated", "<<  /Open [1 2", "<ZZ>", "1.2.3 --5 +-", "<FEFF00410042>",
    "<< /Length 999999999 >> stream\n", "0 0 obj null endobj -1 0 obj", "2147483648 0 R 1 70000 R",
    "[" * 300 + "]" * 300, "<<" * 100 + ">>" * 100,
]
for i, o in enumerate(objects):
    put("read_object", "syntax-%02d" % i, o)
groff = open(os.path.join(DATA, "groff-letter.pdf"), "rb").read()
parts = groff.split(b" 0 obj")
for i in range(1, min(len(parts), 25)):
    head = parts[i - 1].rsplit(b"\n", 1)[-1]
    put("read_object", "groff-obj-%02d" % i, head + b" 0 obj" + parts[i].split(b"endobj")[0] + b"endobj")
put("read_object", "cups-classified.pdf", open(os.path.join(DATA, "cups-classified.pdf"), "rb").read())

# ---- filters: mode byte (0 hex, 1 base-85, 2 flate, 3 run-length, 4 dispatch, 5 /Filter line,
# 6 LZW, 7 a stream dictionary line) + option ----
reset("filters")
text = b"BT /F1 12 Tf 72 712 Td (Hello, world) Tj ET\n" * 4
def a85(data):
    import base64
    return base64.a85encode(data) + b"~>"
def rle(data):
    out = b""
    for i in range(0, len(data), 100):
        chunk = data[i:i + 100]
        out += bytes([len(chunk) - 1]) + chunk
    return out + bytes([255 - 6, 0x41, 128])  # 8 repeated bytes, end
put("filters", "hex", b"\x00\x00" + text.hex().upper().encode() + b">")
put("filters", "hex-odd-spaces", b"\x00\x00" + b"4 8\t65\r\n6C6C6F 7>")
put("filters", "a85", b"\x01\x00" + a85(text))
put("filters", "a85-z", b"\x01\x00" + a85(b"\0\0\0\0" * 4 + b"abc"))
put("filters", "flate", b"\x02\x06" + zlib.compress(text))
put("filters", "flate-truncated", b"\x02\x06" + zlib.compress(text * 8)[:40])
put("filters", "flate-raw-garbage", b"\x02\x06" + bytes(random.randrange(256) for _ in range(64)))
put("filters", "rle", b"\x03\x00" + rle(text))
put("filters", "rle-no-end", b"\x03\x01" + b"\x02abc\xfdz")
for k in range(6):
    put("filters", "dispatch-%d" % k, bytes([4, k]) + (zlib.compress(text) if k == 2 else text.hex().encode() + b"\r\n"))
put("filters", "chain-ahx-fl", b"\x05\x00[/AHx /Fl]\n" + zlib.compress(text).hex().encode() + b">")
put("filters", "chain-a85-rl", b"\x05\x01[/ASCII85Decode /RunLengthDecode]\n" + a85(rle(text)))
put("filters", "chain-name", b"\x05\x00/FlateDecode\n" + zlib.compress(text))
put("filters", "chain-odd", b"\x05\x00[/LZWDecode /DCTDecode /CCITTFaxDecode 12 (x) [/Fl]]\n" + text)
put("filters", "chain-none", b"\x05\x01null\n" + text)
# LZW: the format description's example, early change on and off.
put("filters", "lzw-example", b"\x06\x01" + bytes.fromhex("800B6050220C0C8501"))
put("filters", "lzw-no-early", b"\x06\x00" + bytes.fromhex("800B6050220C0C8501"))
def png_up(data, columns):
    prior, out = bytes(columns), b""
    for k in range(0, len(data), columns):
        line = data[k:k + columns]
        out += b"\x02" + bytes((a - b) & 255 for a, b in zip(line, prior))
        prior = line
    return out
put("filters", "dict-png-up", b"\x07\x00<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 5 >> >>\n"
    + zlib.compress(png_up(text, 5)))
put("filters", "dict-tiff", b"\x07\x00<< /Filter /FlateDecode /DecodeParms << /Predictor 2 /Colors 3 /BitsPerComponent 4 /Columns 7 >> >>\n"
    + zlib.compress(text))
put("filters", "dict-chain", b"\x07\x00<< /Filter [/ASCIIHexDecode /LZWDecode] /DecodeParms [null << /EarlyChange 0 >>] >>\n"
    + bytes.fromhex("800B6050220C0C8501").hex().encode() + b">")

# ---- page_range: two bytes of page count + 1, then the text ----
reset("page_range")
ranges = ["1,3,5-12", "", "1-", "-3", "5-3", "0", "1 2  3\t4", "1,,2", "2147483647", "1-99999999999",
          " 12 - 14 ", "a-b", "1-2-3", "3,2,1,1", "-", "1 - 2, 4 5"]
for i, r in enumerate(ranges):
    put("page_range", "r%02d" % i, struct.pack(">H", 13) + r.encode())
put("page_range", "zero-pages", struct.pack(">H", 1) + b"1")
put("page_range", "no-pages-all", struct.pack(">H", 0) + b"")

# ---- encrypted_load: password length byte, password, file ----
reset("encrypted_load")
passwords = {"rc4-40-emptyuser.pdf": "", "rc4-128-userpw.pdf": "user128", "rc4-40-restricted.pdf": "",
             "real-pdftools-password.pdf": "test", "real-aplus-acroch5.pdf": "", "encrypted-aes128-r4.pdf": ""}
for name, pw in passwords.items():
    p = os.path.join(DATA, name)
    if os.path.exists(p):
        put("encrypted_load", name, bytes([len(pw)]) + pw.encode() + open(p, "rb").read())
put("encrypted_load", "wrong-password-rc4-40-restricted.pdf",
    b"\x05wrong" + open(os.path.join(DATA, "rc4-40-restricted.pdf"), "rb").read())
put("encrypted_load", "plain-minimal.pdf", b"\x00" + handmade_pdfs()["minimal.pdf"].encode("latin-1"))

# Small encrypted files, so that mutations often land in the /Encrypt dictionary and the
# encrypted strings rather than in megabytes of page content.
import shutil, subprocess, tempfile
if shutil.which("qpdf"):
    with tempfile.TemporaryDirectory() as tmp:
        variants = [("r2-40-user-u", "u", ["u", "o", "40"]),
                    ("r3-128-empty-user", "", ["", "o", "128", "--use-aes=n"]),
                    ("r3-128-restricted", "", ["", "o", "128", "--use-aes=n", "--print=none", "--modify=none",
                                               "--extract=n"]),
                    ("r3-128-owner-o", "o", ["u", "o", "128", "--use-aes=n"])]
        for source in ("minimal.pdf", "outlines-dests-names.pdf", "acroform-info.pdf"):
            src = os.path.join(tmp, source)
            with open(src, "w", encoding="latin-1") as f:
                f.write(handmade_pdfs()[source])
            for tag, pw, args in variants:
                out = os.path.join(tmp, "out.pdf")
                subprocess.run(["qpdf", "--allow-weak-crypto", "--static-id", "--object-streams=disable",
                                "--encrypt"] + args + ["--", src, out], check=True)
                data = open(out, "rb").read()
                name = "%s-%s" % (source[:-4], tag)
                put("encrypted_load", name + ".pdf", bytes([len(pw)]) + pw.encode() + data)
                if source == "minimal.pdf":
                    put("load_save", "encrypted-" + name + ".pdf", data)
            # AES-128 with a fixed IV is as repeatable as RC4. (AES-256 salts are random: the
            # fixed-aes256-*.pdf files beside the seeds were made once, and are kept.)
            for tag, pw, args in [("aes128-user-u", "u", ["u", "o", "128", "--use-aes=y"]),
                                  ("aes128-v4-rc4-owner-o", "o", ["u", "o", "128", "--force-V4", "--use-aes=n"])]:
                out = os.path.join(tmp, "out.pdf")
                subprocess.run(["qpdf", "--allow-weak-crypto", "--static-id", "--static-aes-iv",
                                "--object-streams=generate", "--encrypt"] + args + ["--", src, out], check=True)
                put("encrypted_load", "%s-%s.pdf" % (source[:-4], tag), bytes([len(pw)]) + pw.encode() + open(out, "rb").read())

total = 0
for t in TARGETS:
    files = glob.glob(os.path.join(CORPUS, t, "*"))
    size = sum(os.path.getsize(f) for f in files)
    total += size
    print("%-15s %4d files %8d bytes" % (t, len(files), size))
print("total %d bytes" % total)
EOF
