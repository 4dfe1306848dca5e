#!/usr/bin/env python3
"""Writes the picture files the fixture document was made from: formula.wmf and formula.emf
(hand-assembled metafiles: a framed box, a red rule and the text "x2+y2=r2"), photo.png and
stamp.jpg (made with ImageMagick), then pictures.fodt, the LibreOffice document that embeds them.
See README.txt for the conversion to RTF."""
import base64, os, struct, subprocess, sys

here = os.path.dirname(os.path.abspath(__file__))
out = sys.argv[1] if len(sys.argv) > 1 else here


def wmf():
    recs = []
    def rec(function, *words, raw=b""):
        body = struct.pack("<%dh" % len(words), *words) + raw
        if len(body) % 2:
            body += b"\0"
        recs.append(struct.pack("<IH", 3 + len(body) // 2, function) + body)
    rec(0x0103, 8)                      # SETMAPMODE anisotropic
    rec(0x020B, 0, 0)                   # SETWINDOWORG y x
    rec(0x020C, 600, 1600)              # SETWINDOWEXT y x
    # CREATEBRUSHINDIRECT solid, pale yellow
    recs.append(struct.pack("<IHHIH", 7, 0x02FC, 0, 0x00CCFFFF, 0))
    # CREATEPENINDIRECT solid, width 8, dark blue
    recs.append(struct.pack("<IHHhhI", 8, 0x02FA, 0, 8, 0, 0x00800000))
    rec(0x012D, 0)                      # SELECTOBJECT brush
    rec(0x012D, 1)                      # SELECTOBJECT pen
    rec(0x041B, 580, 1580, 20, 20)      # RECTANGLE bottom right top left
    # CREATEPENINDIRECT red, width 20
    recs.append(struct.pack("<IHHhhI", 8, 0x02FA, 0, 20, 0, 0x000000C0))
    rec(0x012D, 2)
    rec(0x0325, 2, 100, 480, 1500, 480)  # POLYLINE
    face = b"Times New Roman".ljust(32, b"\0")
    lf = struct.pack("<hhhhhBBBBBBBB", -300, 0, 0, 0, 400, 1, 0, 0, 0, 0, 0, 0, 0) + face
    recs.append(struct.pack("<IH", 3 + len(lf) // 2, 0x02FB) + lf)  # CREATEFONTINDIRECT
    rec(0x012D, 3)
    recs.append(struct.pack("<IHI", 5, 0x0209, 0x00000000))  # SETTEXTCOLOR black
    rec(0x0102, 1)                      # SETBKMODE transparent
    text = b"x2+y2=r2"
    rec(0x0521, len(text), raw=text + struct.pack("<hh", 110, 160))  # TEXTOUT len str y x (top left)
    recs.append(struct.pack("<IH", 3, 0))  # EOF
    body = b"".join(recs)
    size_words = (18 + len(body)) // 2
    largest = max(struct.unpack_from("<I", r)[0] for r in recs)
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, 4, largest, 0)
    # Placeable header: 1600 x 600 units at 1440 per inch.
    ph = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1600, 600, 1440, 0)
    checksum = 0
    for (w,) in struct.iter_unpack("<H", ph):
        checksum ^= w
    return ph + struct.pack("<H", checksum) + header + body


def emf():
    recs = []
    def rec(kind, payload):
        recs.append(struct.pack("<II", kind, 8 + len(payload)) + payload)
    rec(17, struct.pack("<I", 1))                                # SETMAPMODE text
    rec(39, struct.pack("<IIII", 1, 0, 0x00FFE0C0, 0))           # CREATEBRUSHINDIRECT light blue
    rec(38, struct.pack("<IIiiI", 2, 0, 3, 0, 0x00006000))       # CREATEPEN green, 3 px
    rec(37, struct.pack("<I", 1))
    rec(37, struct.pack("<I", 2))
    rec(42, struct.pack("<iiii", 4, 4, 156, 56))                 # ELLIPSE
    rec(43, struct.pack("<iiii", 60, 20, 100, 40))               # RECTANGLE
    rec(87, struct.pack("<iiiiI", 10, 30, 150, 30, 2) + struct.pack("<hhhh", 10, 30, 150, 30))  # POLYLINE16
    rec(14, struct.pack("<III", 0, 16, 20))                      # EOF
    body = b"".join(recs)
    total = 88 + len(body)
    header = struct.pack("<II", 1, 88) + struct.pack("<iiii", 0, 0, 159, 59) + \
        struct.pack("<iiii", 0, 0, 4233, 1587) + struct.pack("<IIIIHHIIISIIII".replace("S", ""),
        0x464D4520, 0x10000, total, len(recs) + 1, 3, 0, 0, 0, 0, 1024, 768, 271, 203)
    return header + body


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


write("formula.wmf", wmf())
write("formula.emf", emf())
subprocess.run(["convert", "-size", "24x16", "gradient:#2060c0-#f0f0ff", "-strip", os.path.join(out, "photo.png")], check=True)
subprocess.run(["convert", "-size", "16x12", "plasma:fractal", "-seed", "7", "-strip", "-quality", "80", os.path.join(out, "stamp.jpg")], check=True)


def b64(name):
    with open(os.path.join(out, name), "rb") as f:
        return base64.b64encode(f.read()).decode()


def frame(name, mime, width, height, anchor):
    return ('<draw:frame draw:name="%s" text:anchor-type="%s" svg:width="%s" svg:height="%s">'
            '<draw:image draw:mime-type="%s"><office:binary-data>%s</office:binary-data></draw:image></draw:frame>'
            % (name, anchor, width, height, mime, b64(name)))


fodt = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
<text:p>Formula (WMF): %s end.</text:p>
<text:p>Drawing (EMF): %s end.</text:p>
<text:p>Photo (PNG): %s and stamp (JPEG): %s.</text:p>
<text:p>Floating photo: %sthe text beside it.</text:p>
</office:text></office:body></office:document>
""" % (frame("formula.wmf", "image/x-wmf", "2.82cm", "1.06cm", "as-char"),
       frame("formula.emf", "image/x-emf", "4.23cm", "1.59cm", "as-char"),
       frame("photo.png", "image/png", "1.27cm", "0.85cm", "as-char"),
       frame("stamp.jpg", "image/jpeg", "0.85cm", "0.64cm", "as-char"),
       frame("photo.png", "image/png", "2.54cm", "1.69cm", "paragraph"))
with open(os.path.join(out, "pictures.fodt"), "w") as f:
    f.write(fodt)
