#!/usr/bin/env python3
"""Checks the generated artwork in resources/ against what the client expects.

Run from anywhere (needs Pillow, see make_artwork.py):

    /usr/bin/python3 resources/generate/check_artwork.py

The containers (BMP, ICO, PNG, GIF) are parsed from their raw bytes, so a
wrong header is caught even where Pillow would be lenient.  The generator is
also run twice into temporary folders: both runs and the files in resources/
must be byte-identical.
"""

import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

from PIL import Image

HERE = Path(__file__).resolve().parent
RESOURCES = HERE.parent
GENERATOR = HERE / "make_artwork.py"

EXPECTED = [
    "bmp/101_min.bmp", "bmp/102_minmax.bmp", "bmp/103_close.bmp", "bmp/104_tool.bmp",
    "bmp/105_logo.bmp", "bmp/106_tab0.bmp", "bmp/107_tab1.bmp", "bmp/108_frame.bmp",
    "bmp/updater_101_progress.bmp", "gif/login_close.gif", "gif/login_min.gif",
    "icon/qorv.ico", "png/login_bg.png", "png/splash.png",
]
# The 2x set: every picture but the icon (which carries its own sizes), the bitmaps as PNG.
TWICE = {
    "2x/" + (f.replace("bmp/", "png/")[:-4] + ".png" if f.endswith(".bmp") else f): f
    for f in EXPECTED if not f.startswith("icon/")
}
# The 1.5x set: the pictures decoded before the splash shows.
THREE_HALVES = {"1.5x/" + f: f for f in ("gif/login_close.gif", "gif/login_min.gif",
                                         "png/splash.png")}
EXPECTED = EXPECTED + sorted(TWICE) + sorted(THREE_HALVES)
MAGENTA = (255, 0, 255)

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


# --- colour helpers ---------------------------------------------------------------

def lum(c):
    def lin(v):
        v /= 255.0
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = c[:3]
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b)


def contrast(a, b):
    la, lb = sorted((lum(a), lum(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def near_white(c):
    return min(c[:3]) >= 235


def reddish(c):
    return c[0] > c[1] + 60 and c[0] > c[2] + 60


# --- raw BMP ----------------------------------------------------------------------

class Bmp:
    """Minimal reader for the bitmaps LoadBitmap gets: BI_RGB, bottom-up."""

    def __init__(self, path):
        data = path.read_bytes()
        self.name = path.name
        magic, size, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
        (hsize, w, h, planes, bits, comp, img_size, _, _, clr_used, _) = \
            struct.unpack_from("<IiiHHIIiiII", data, 14)
        ok = check(magic == b"BM", f"{self.name}: not a BMP")
        ok &= check(size == len(data), f"{self.name}: file size field {size} != {len(data)}")
        ok &= check(hsize == 40, f"{self.name}: info header size {hsize}")
        ok &= check(h > 0, f"{self.name}: not bottom-up (height {h})")
        ok &= check(planes == 1, f"{self.name}: planes {planes}")
        ok &= check(comp == 0, f"{self.name}: compression {comp}, want BI_RGB")
        ok &= check(clr_used == 0 and off == 54, f"{self.name}: unexpected palette/offset")
        self.w, self.h, self.bits = w, abs(h), bits
        bpp = bits // 8
        stride = (w * bpp + 3) & ~3
        ok &= check(len(data) - off == stride * self.h,
                    f"{self.name}: pixel data {len(data) - off} bytes, want {stride * self.h}")
        self.px = {}
        self.alpha = set()
        if not ok:
            raise ValueError(self.name)
        for row in range(self.h):
            y = self.h - 1 - row
            base = off + row * stride
            for x in range(w):
                p = data[base + x * bpp: base + x * bpp + bpp]
                self.px[x, y] = (p[2], p[1], p[0])
                if bpp == 4:
                    self.alpha.add(p[3])

    def __getitem__(self, xy):
        return self.px[xy]


def glyph_box(bmp, x0, w, h):
    xs = [x for x in range(w) for y in range(h) if near_white(bmp[x0 + x, y])]
    ys = [y for x in range(w) for y in range(h) if near_white(bmp[x0 + x, y])]
    if not xs:
        return None
    return min(xs), min(ys), max(xs), max(ys)


# --- individual files -------------------------------------------------------------

def check_png(path, w, h):
    data = path.read_bytes()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{path.name}: bad signature")
    length, ctype = struct.unpack_from(">I4s", data, 8)
    pw, ph, depth, colour = struct.unpack_from(">IIBB", data, 16)
    check(ctype == b"IHDR", f"{path.name}: first chunk {ctype}")
    check((pw, ph) == (w, h), f"{path.name}: size {pw}x{ph}, want {w}x{h}")
    check(depth == 8 and colour == 6, f"{path.name}: depth {depth} colour type {colour}, want 8/6")
    check(b"tIME" not in data, f"{path.name}: carries a timestamp")
    pos, crc_ok = 8, True
    while pos < len(data):
        n, t = struct.unpack_from(">I4s", data, pos)
        crc = struct.unpack_from(">I", data, pos + 8 + n)[0]
        crc_ok &= zlib.crc32(data[pos + 4:pos + 8 + n]) == crc
        pos += 12 + n
    check(crc_ok, f"{path.name}: chunk CRC mismatch")
    img = Image.open(path)
    check(img.mode == "RGBA", f"{path.name}: Pillow mode {img.mode}")
    return img


def fade_width(alpha, coords):
    """Index along `coords` of the first fully opaque pixel; also whether the
    ramp up to it starts at 0 and never goes down."""
    vals = [alpha[c] for c in coords]
    first = next((i for i, v in enumerate(vals) if v == 255), None)
    if first is None:
        return None, False
    ramp = vals[:first + 1]
    return first, ramp[0] == 0 and all(a <= b for a, b in zip(ramp, ramp[1:]))


def check_soft_edge(img, name, lo, hi):
    w, h = img.size
    a = img.getchannel("A").load()
    for corner in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        check(a[corner] == 0, f"{name}: corner {corner} alpha {a[corner]}, want 0")
    check(a[w // 2, h // 2] == 255, f"{name}: centre not opaque")
    sides = {
        "left": [(x, h // 2) for x in range(w // 2)],
        "right": [(w - 1 - x, h // 2) for x in range(w // 2)],
        "top": [(w // 2, y) for y in range(h // 2)],
        "bottom": [(w // 2, h - 1 - y) for y in range(h // 2)],
    }
    for side, coords in sides.items():
        width, smooth = fade_width(a, coords)
        check(width is not None and lo <= width <= hi,
              f"{name}: {side} edge becomes opaque after {width} px, want {lo}..{hi}")
        check(smooth, f"{name}: {side} edge fade does not rise steadily from 0")
    # Opaque everywhere inside the fade band.
    inner = all(a[x, y] == 255 for y in range(hi + 8, h - hi - 8, 7)
                for x in range(hi + 8, w - hi - 8, 7))
    check(inner, f"{name}: transparent pixels inside the panel")


def check_login_bg():
    img = check_png(RESOURCES / "png/login_bg.png", 1237, 696)
    check_soft_edge(img, "login_bg.png", 12, 20)
    # The login page goes over the centre right: that area should be calm,
    # i.e. free of hard edges (castle, text).
    gray = img.convert("L").crop((717, 183, 1137, 513))
    edges = 0
    gp = gray.load()
    for y in range(0, gray.height - 1):
        for x in range(0, gray.width - 1):
            if abs(gp[x, y] - gp[x + 1, y]) > 40 or abs(gp[x, y] - gp[x, y + 1]) > 40:
                edges += 1
    check(edges < gray.width * gray.height * 0.002,
          f"login_bg.png: {edges} hard edges where the login page goes")
    # Brand lettering in the top left: warm, bright pixels.
    rgb = img.convert("RGB").crop((100, 20, 520, 80)).load()
    gold = sum(1 for y in range(60) for x in range(420)
               if rgb[x, y][0] > 200 and rgb[x, y][1] > 140 and rgb[x, y][2] < 140)
    check(gold > 1500, f"login_bg.png: brand lettering missing ({gold} gold pixels)")


def check_splash():
    img = check_png(RESOURCES / "png/splash.png", 356, 122)
    check_soft_edge(img, "splash.png", 2, 6)
    rgb = img.convert("RGB").load()
    gold = sum(1 for y in range(122) for x in range(100, 356)
               if rgb[x, y][0] > 200 and rgb[x, y][1] > 140 and rgb[x, y][2] < 140)
    check(gold > 800, f"splash.png: product name missing ({gold} gold pixels)")

    def light(x0, y0, x1, y1, floor):
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if min(rgb[x, y]) > floor)
    n = light(100, 55, 220, 95, 180)
    check(n > 60, f"splash.png: caption under the name missing ({n} light pixels)")
    n = light(240, 88, 350, 112, 150)
    check(n > 30, f"splash.png: loading hint missing ({n} light pixels)")


def check_icon():
    path = RESOURCES / "icon/qorv.ico"
    data = path.read_bytes()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check(reserved == 0 and kind == 1, "qorv.ico: not an icon directory")
    if not check(count == 6, f"qorv.ico: {count} images, want 6"):
        return
    want = [(16, 8), (128, 32), (64, 32), (48, 32), (32, 32), (16, 32)]
    spans = []
    decoded = []
    for i, (size, bits) in enumerate(want):
        w, h, colours, res, planes, bitcount, nbytes, off = \
            struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        tag = f"qorv.ico image {i}"
        check((w, h) == (size, size), f"{tag}: {w}x{h}, want {size}x{size}")
        check(bitcount == bits and planes == 1, f"{tag}: {bitcount} bpp / {planes} planes")
        check(colours == 0 and res == 0, f"{tag}: colour count {colours}, reserved {res}")
        check(off + nbytes <= len(data), f"{tag}: data runs past end of file")
        spans.append((off, off + nbytes))
        hs, bw, bh, bp, bb, comp = struct.unpack_from("<IiiHHI", data, off)
        check(hs == 40 and bw == size and bh == 2 * size and bp == 1 and bb == bits
              and comp == 0, f"{tag}: BITMAPINFOHEADER {hs},{bw},{bh},{bp},{bb},{comp}")
        pal = 1024 if bits == 8 else 0
        xor_stride = (size * bits // 8 + 3) & ~3
        and_stride = ((size + 31) // 32) * 4
        check(nbytes == 40 + pal + xor_stride * size + and_stride * size,
              f"{tag}: {nbytes} bytes, want {40 + pal + xor_stride * size + and_stride * size}")
        xor = off + 40 + pal
        msk = xor + xor_stride * size
        pixels, masked = {}, {}
        for row in range(size):
            y = size - 1 - row
            for x in range(size):
                masked[x, y] = bool(data[msk + row * and_stride + x // 8] & (0x80 >> (x % 8)))
                if bits == 32:
                    pixels[x, y] = data[xor + row * xor_stride + 4 * x + 3]
                else:
                    idx = data[xor + row * xor_stride + x]
                    pixels[x, y] = idx
                    if masked[x, y]:
                        check(idx == 0, f"{tag}: masked pixel {x},{y} has colour {idx}")
        if bits == 32:
            check(all(masked[p] == (pixels[p] == 0) for p in pixels),
                  f"{tag}: AND mask disagrees with alpha")
            check(pixels[size // 2, size // 2] == 255, f"{tag}: centre not opaque")
            check(pixels[0, size - 1] == 0, f"{tag}: bottom-left corner not transparent")
        else:
            check(not masked[size // 2, size // 2], f"{tag}: centre masked out")
            check(masked[0, size - 1], f"{tag}: bottom-left corner not masked")
            used = {v for p, v in pixels.items() if not masked[p]}
            check(len(used) > 4, f"{tag}: only {len(used)} colours")
        decoded.append((masked, pixels))
    spans.sort()
    check(spans[0][0] == 6 + 16 * count, "qorv.ico: gap after the directory")
    check(all(a[1] == b[0] for a, b in zip(spans, spans[1:])) and spans[-1][1] == len(data),
          "qorv.ico: images overlap or leave gaps")
    # The 256-colour image must cover the same pixels as the 32-bit 16 px one.
    m8, _ = decoded[0]
    _, a32 = decoded[5]
    check(all(m8[p] == (a32[p] < 128) for p in m8),
          "qorv.ico: 8-bit mask does not match the 16 px alpha")
    img = Image.open(path)
    check(set(img.info.get("sizes", ())) >= {(16, 16), (32, 32), (48, 48), (64, 64), (128, 128)},
          f"qorv.ico: Pillow sees sizes {img.info.get('sizes')}")


def check_buttons(frame):
    title_col = [frame[50, y + 1] for y in range(18)]
    layouts = [("101_min.bmp", 24, 3, False), ("102_minmax.bmp", 25, 6, False),
             ("103_close.bmp", 43, 3, True), ("104_tool.bmp", 24, 3, False)]
    for name, fw, n, is_close in layouts:
        b = Bmp(RESOURCES / "bmp" / name)
        if not check((b.w, b.h, b.bits) == (fw * n, 18, 24),
                     f"{name}: {b.w}x{b.h} {b.bits} bpp, want {fw * n}x18 24 bpp"):
            continue
        boxes = []
        for f in range(n):
            x0 = f * fw
            state = f % 3
            box = glyph_box(b, x0, fw, 18)
            check(box is not None, f"{name} frame {f}: no white glyph")
            boxes.append(box)
            mid = b[x0 + 3, 9]
            if state == 0:
                for edge in (0, fw - 1):
                    check([b[x0 + edge, y] for y in range(18)] == title_col,
                          f"{name} frame {f}: normal face does not match the title bar")
            elif state == 1:
                normal = b[x0 - fw + 3, 9]
                if is_close:
                    check(reddish(mid), f"{name} frame {f}: hover not red ({mid})")
                else:
                    check(lum(mid) > lum(normal) and mid[2] > mid[0],
                          f"{name} frame {f}: hover not a lighter blue ({mid} vs {normal})")
            else:
                hover = b[x0 - fw + 3, 9]
                check(lum(mid) < lum(hover), f"{name} frame {f}: pressed not darker than hover")
                if is_close:
                    check(reddish(mid), f"{name} frame {f}: pressed not red ({mid})")
                nb = boxes[f - 2]
                if box and nb:
                    check(box == (nb[0] + 1, nb[1] + 1, nb[2] + 1, nb[3] + 1),
                          f"{name} frame {f}: pressed glyph {box} not normal {nb} moved 1,1")
        if n == 6 and boxes[0] and boxes[3]:
            a = {(x, y) for x in range(25) for y in range(18) if near_white(b[x, y])}
            c = {(x, y) for x in range(25) for y in range(18) if near_white(b[75 + x, y])}
            check(a != c, f"{name}: maximise and restore glyphs are the same")


def check_logo(frame):
    b = Bmp(RESOURCES / "bmp/105_logo.bmp")
    check((b.w, b.h, b.bits) == (29, 29, 32), f"105_logo.bmp: {b.w}x{b.h} {b.bits} bpp")
    check(b.alpha == {255}, f"105_logo.bmp: alpha bytes {sorted(b.alpha)[:5]}, want all 255")
    # Flattened onto the bar: its top corners are the bar's colour at that height.
    check(b[0, 0] == frame[50, 2] and b[28, 0] == frame[50, 2],
          f"105_logo.bmp: corner {b[0, 0]} is not the title bar colour {frame[50, 2]}")
    check(b[14, 14] != frame[50, 16], "105_logo.bmp: nothing drawn in the middle")


def check_tabs(frame):
    layouts = [
        ("106_tab0.bmp", (415, 25), (122, 25), (1, 123, 245), (367, 379, 391, 403)),
        ("107_tab1.bmp", (421, 28), (124, 26), (1, 125, 249), (373, 385, 397, 409)),
    ]
    title_bottom = frame[50, 32]
    for name, (w, h), (fw, fh), frames, closes in layouts:
        b = Bmp(RESOURCES / "bmp" / name)
        if not check((b.w, b.h, b.bits) == (w, h, 24), f"{name}: {b.w}x{b.h} {b.bits} bpp"):
            continue
        col = [b[0, y] for y in range(h)]
        check(all(c != MAGENTA and c[2] > c[0] + 60 for c in col),
              f"{name}: background column is not blue")
        check(max(abs(p - q) for p, q in zip(col[0], title_bottom)) <= 16,
              f"{name}: strip top {col[0]} does not follow the title bar bottom {title_bottom}")
        fills = []
        for i, x0 in enumerate(frames):
            for y in range(fh):
                row = [b[x, y] for x in range(x0 + 14, x0 + fw - 14)]
                if not check(len(set(row)) == 1,
                             f"{name} frame {i}: middle of row {y} not uniform"):
                    break
            check(b[x0, 0] == MAGENTA and b[x0 + fw - 1, 0] == MAGENTA,
                  f"{name} frame {i}: top corners are not transparent")
            check(b[x0 + 14, 0] == MAGENTA or i == 2,
                  f"{name} frame {i}: unselected tab as tall as the selected one")
            check(b[x0 + fw // 2, fh - 1] != MAGENTA, f"{name} frame {i}: open at the bottom")
            for y in range(fh, h):
                check(all(b[x, y] == MAGENTA for x in range(x0, x0 + fw)),
                      f"{name} frame {i}: row {y} below the frame not magenta")
            fills.append(b[x0 + fw // 2, fh // 2])
        normal, hover, selected = fills
        check(lum(hover) > lum(normal), f"{name}: hovered tab not brighter than normal")
        check(min(selected) >= 245, f"{name}: selected tab {selected} not white")
        check(contrast(selected, (4, 96, 163)) >= 4.5, f"{name}: selected text contrast too low")
        for f in (normal, hover):
            check(contrast(f, (0, 0, 0)) >= 7, f"{name}: black text contrast too low on {f}")
        for i, x0 in enumerate(closes):
            for y in range(12, h):
                check(all(b[x, y] == MAGENTA for x in range(x0, x0 + 12)),
                      f"{name} close image {i}: row {y} not magenta")
            check(b[x0, 0] == MAGENTA, f"{name} close image {i}: square corner")
            check(b[x0 + 6, 6] != MAGENTA, f"{name} close image {i}: empty")
        check(reddish(b[closes[2] + 2, 2]), f"{name}: hovered close image not red")
        check(lum(b[closes[3] + 2, 2]) < lum(b[closes[2] + 2, 2]),
              f"{name}: pressed close image not darker than hovered")


def check_frame():
    b = Bmp(RESOURCES / "bmp/108_frame.bmp")
    check((b.w, b.h, b.bits) == (94, 85, 24), f"108_frame.bmp: {b.w}x{b.h} {b.bits} bpp")
    # Title bar pieces: left end 0..36, middle tile 20..39, right end 27..93 and
    # the minimise cover 14..40 must all agree outside the two corners.
    for y in range(37):
        row = {b[x, y] for x in range(14, 87)}
        check(len(row) == 1, f"108_frame.bmp: title row {y} not uniform across x 14..86")
    check(b[50, 16][2] > b[50, 16][0] + 80, "108_frame.bmp: title bar is not blue")
    check(lum(b[50, 1]) > lum(b[50, 2]), "108_frame.bmp: no highlight under the top edge")
    lums = [lum(b[50, y]) for y in range(2, 33)]
    check(all(p >= q for p, q in zip(lums, lums[1:])), "108_frame.bmp: title gradient not top-lit")
    check(b[1, 1] != b[20, 1], "108_frame.bmp: top-left corner is square")
    check(b[92, 1] != b[20, 1], "108_frame.bmp: top-right corner is square")
    # Side borders tile vertically from y 53, the bottom border horizontally.
    for x in list(range(4)) + list(range(90, 94)):
        check(len({b[x, y] for y in range(37, 81)}) == 1,
              f"108_frame.bmp: border column {x} not uniform")
    for k in range(4):
        check(b[k, 60] == b[93 - k, 60], f"108_frame.bmp: side borders differ at depth {k}")
        check(b[k, 60] == b[50, 84 - k], f"108_frame.bmp: bottom border differs at depth {k}")
    for y in range(81, 85):
        check(len({b[x, y] for x in range(4, 90)}) == 1,
              f"108_frame.bmp: bottom row {y} not uniform")
    check(lum(b[1, 60]) < lum(b[50, 16]), "108_frame.bmp: border lighter than the title bar")
    return b


def check_progress():
    b = Bmp(RESOURCES / "bmp/updater_101_progress.bmp")
    if not check((b.w, b.h, b.bits) == (10, 10, 24), f"updater_101_progress.bmp: {b.w}x{b.h}"):
        return
    col = lambda x: [b[x, y] for y in range(10)]
    check(col(3) == col(4), "progress: filled middle columns differ")
    check(col(8) == col(9), "progress: empty middle columns differ")
    check(col(2)[1:9] == col(3)[1:9], "progress: left cap does not join the filled middle")
    check(col(5)[1:9] == col(8)[1:9], "progress: right cap does not join the empty track")
    check(all(max(c[2], c[1]) - c[0] >= 60 for c in col(3)[1:9]),
          "progress: filled middle not a bright colour")
    check(len(set(col(3)[1:9])) >= 4, "progress: filled middle has no vertical gradient")
    check(all(max(c) - min(c) <= 20 and min(c) >= 180 for c in col(8)[1:9]),
          "progress: empty track not light grey")
    check(len(set(col(8)[1:9])) >= 4, "progress: empty track has no vertical gradient")


def check_gif(name, size):
    path = RESOURCES / "gif" / name
    data = path.read_bytes()
    check(data[:6] == b"GIF89a", f"{name}: not GIF89a")
    w, h = struct.unpack_from("<HH", data, 6)
    check((w, h) == (size, size), f"{name}: {w}x{h}")
    img = Image.open(path)
    t = img.info.get("transparency")
    if not check(t is not None, f"{name}: no transparent index"):
        return
    p = img.load()
    check(all(p[c] == t for c in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1))),
          f"{name}: corners not transparent")
    check(p[w // 2, h // 2] != t and p[w // 2, 3] != t, f"{name}: button body transparent")
    rgb = img.convert("RGB").load()
    check(any(near_white(rgb[x, y]) for x in range(w) for y in range(h)), f"{name}: no glyph")


def check_reproducible():
    outs = []
    with tempfile.TemporaryDirectory() as tmp:
        for run in ("a", "b"):
            out = Path(tmp) / run
            subprocess.run([sys.executable, str(GENERATOR), "--out", str(out)], check=True,
                           stdout=subprocess.DEVNULL)
            files = sorted(str(p.relative_to(out)) for p in out.rglob("*") if p.is_file())
            check(files == sorted(EXPECTED), f"generator wrote {files}")
            outs.append({f: (out / f).read_bytes() for f in files})
    a, b = outs
    for f in sorted(EXPECTED):
        check(a.get(f) == b.get(f), f"{f}: two generator runs differ")
        here = RESOURCES / f
        check(here.exists() and here.read_bytes() == a.get(f),
              f"{f}: resources/ copy is not what the generator makes now")


def check_scaled(copies, factor):
    """Each copy is its 1x picture's design at `factor` times the pixels: exactly that size, the
    same kind of transparency, and boxed down to 1x it is close to the 1x one."""
    for big_name, small_name in sorted(copies.items()):
        big = Image.open(RESOURCES / big_name)
        small = Image.open(RESOURCES / small_name)
        want = (round(small.size[0] * factor), round(small.size[1] * factor))
        if not check(big.size == want, f"{big_name}: {big.size}, want {want}"):
            continue
        check(("A" in big.getbands() or "transparency" in big.info) ==
              ("A" in small.getbands() or "transparency" in small.info),
              f"{big_name}: transparency differs from {small_name}")
        mode = "RGBA" if "A" in small.getbands() else "RGB"
        down = big.convert(mode).resize(small.size, Image.BOX)
        ref = small.convert(mode)
        diff = sum(abs(a - b) for p, q in zip(down.getdata(), ref.getdata()) for a, b in zip(p, q))
        mean = diff / float(small.size[0] * small.size[1] * len(mode))
        # Not equal: the emblem rounds its strokes to whole pixels at each size (29 px logo).
        check(mean < 16.0, f"{big_name}: boxed down differs from {small_name} by {mean:.1f} a channel")


def main():
    missing = [f for f in EXPECTED if not (RESOURCES / f).is_file()]
    if missing:
        print("missing:", ", ".join(missing))
        return 1

    def guarded(fn, *args):
        # A file too broken to parse is already recorded as a failure.
        try:
            return fn(*args)
        except (ValueError, KeyError, struct.error) as e:
            check(False, f"{fn.__name__}: stopped early ({e!r})")
            return None

    frame = guarded(check_frame)
    if frame is not None:
        guarded(check_buttons, frame)
        guarded(check_logo, frame)
        guarded(check_tabs, frame)
    guarded(check_progress)
    guarded(check_icon)
    guarded(check_login_bg)
    guarded(check_splash)
    guarded(check_gif, "login_min.gif", 32)
    guarded(check_gif, "login_close.gif", 40)
    guarded(check_scaled, TWICE, 2)
    guarded(check_scaled, THREE_HALVES, 1.5)
    guarded(check_reproducible)
    for f in failures:
        print("FAIL:", f)
    print("%d problem(s)" % len(failures) if failures else "artwork OK")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
