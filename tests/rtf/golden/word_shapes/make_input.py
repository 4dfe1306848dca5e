#!/usr/bin/env python3
"""Writes input.rtf of word_shapes and broken_pictures (see their README.txt). The pictures are
those of ../libreoffice_pictures, a BMP made with ImageMagick and a hand-made mono bitmap."""
import os, struct, subprocess, tempfile

here = os.path.dirname(os.path.abspath(__file__))
golden = os.path.dirname(here)


def read(name):
    with open(os.path.join(golden, name), "rb") as f:
        return f.read()


def hexlines(data):
    h = data.hex()
    return "\r\n".join(h[i:i + 128] for i in range(0, len(h), 128))


def pict(words, data):
    return "{\\pict%s\r\n%s}" % (words, hexlines(data))


wmf = read("libreoffice_pictures/picture-1.wmf")
emf = read("libreoffice_pictures/picture-2.emf")
png = read("libreoffice_pictures/picture-3.png")
with tempfile.TemporaryDirectory() as tmp:
    bmp_path = os.path.join(tmp, "x.bmp")
    subprocess.run(["convert", "-size", "8x6", "gradient:red-blue", "bmp3:" + bmp_path], check=True)
    with open(bmp_path, "rb") as f:
        dib = f.read()[14:]  # the DIB: a BMP file without its 14-byte file header
mono = bytes([0xF0, 0x0F, 0x0F, 0xF0, 0xAA, 0x55, 0xFF, 0x00])  # 16 x 4, one bit a pixel

head = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}\r\n\\pard\\plain\\f0\\fs24 "

shapes = head + (
    "Formula in a SHAPE field: {\\field\\fldpriv{\\*\\fldinst {SHAPE  \\\\* MERGEFORMAT }"
    "{\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright1600\\shpbottom600\\shpfhdr0\\shpbxcolumn\\shpbypara"
    "\\shpwr3\\shpz0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv "
    + pict("\\wmetafile8\\picw2822\\pich1058\\picwgoal1600\\pichgoal600", wmf)
    + "}}}}}{\\fldrslt {" + pict("\\wmetafile8\\picw2822\\pich1058\\picwgoal1600\\pichgoal600", wmf)
    + "}}} end.\\par\r\n"
    "Floating drawing: {\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright2400\\shpbottom900"
    "{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fFlipH}{\\sv 0}}{\\sp{\\sn pib}{\\sv "
    + pict("\\emfblip\\picwgoal2400\\pichgoal900", emf)
    + "}}}{\\shprslt\\par\\pard\\ql {\\*\\do\\dobxcolumn\\dobypara}" + pict("\\wmetafile8\\picwgoal2400\\pichgoal900", wmf)
    + "\\par}} after.\\par\r\n"
    "A text box keeps its text: {\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\*\\shptxt boxed}}"
    "{\\shprslt boxed}}.\\par\r\n"
    "Bitmaps: " + pict("\\dibitmap0\\picw8\\pich6\\picwgoal1200\\pichgoal900", dib) + " and "
    + pict("\\wbitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\\picw16\\pich4\\picwgoal480\\pichgoal120", mono)
    + ".\\par\r\n}")

broken_png = png[:-20]
bad_emf = bytearray(emf)
struct.pack_into("<I", bad_emf, 40, 0x12345678)  # not the EMF signature
bad_dib = struct.pack("<IiiHHIIiiII", 40, 100, 100, 1, 24, 0, 0, 0, 0, 0, 0) + b"\x00" * 10
broken = head + (
    "Truncated WMF: " + pict("\\wmetafile8\\picwgoal1600\\pichgoal600", wmf[:200]) + ".\\par\r\n"
    "Malformed EMF: " + pict("\\emfblip\\picwgoal2400\\pichgoal900", bytes(bad_emf)) + ".\\par\r\n"
    "Truncated PNG at goal size 32767: " + pict("\\pngblip\\picwgoal32767\\pichgoal32767", broken_png) + ".\\par\r\n"
    "PNG at goal size 0: " + pict("\\pngblip\\picwgoal0\\pichgoal0", png) + ".\\par\r\n"
    "DIB without its pixels: " + pict("\\dibitmap0\\picw100\\pich100", bad_dib) + ".\\par\r\n"
    "Macintosh picture: " + pict("\\macpict\\picw50\\pich50", bytes(range(64))) + ".\\par\r\n"
    "An odd hex digit and no type: {\\pict\\picwgoal300\\pichgoal300 0102030}.\\par\r\n}")

with open(os.path.join(golden, "word_shapes", "input.rtf"), "w", newline="") as f:
    f.write(shapes)
with open(os.path.join(golden, "broken_pictures", "input.rtf"), "w", newline="") as f:
    f.write(broken)
