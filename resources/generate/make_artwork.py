#!/usr/bin/env python3
"""Draws every bitmap, icon and picture the BrindleQorvane client ships.

How to run (from the repository root):

    apt-get install -y python3-pil fonts-dejavu-core fonts-wqy-zenhei
    /usr/bin/python3 resources/generate/make_artwork.py            # rewrites resources/
    /usr/bin/python3 resources/generate/make_artwork.py --out DIR  # writes the same tree under DIR

The output is byte-for-byte reproducible on one machine: every random choice
comes from a fixed seed, nothing reads the clock, and the PNG/GIF writers are
given fixed settings.  The BMP and ICO containers are written by hand so their
headers are exactly what LoadImage/LoadBitmap expect, independent of Pillow's
own writers.  `check_artwork.py` beside this file verifies the result.

The palette is shared by everything: a deep blue title bar, white glyphs and
warm gold for the brand.
"""

import argparse
import io
import math
import random
import struct
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
RESOURCES = HERE.parent

FONT_SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
FONT_CJK = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

PRODUCT = "BrindleQorvane"
CLIENT_CN = "客户端"
LOADING_CN = "正在加载…"

# --- palette -----------------------------------------------------------------
TB_TOP = (22, 94, 170)        # title bar, just under the highlight
TB_BOT = (12, 64, 128)        # title bar, bottom row
TB_HI = (86, 150, 216)        # 1 px highlight under the outer line
EDGE_OUT = (7, 34, 74)        # outermost line of the window
EDGE_MID = (15, 62, 122)
EDGE_IN = (26, 86, 152)       # inner bevel of the border, next to the client area
UNUSED = (226, 230, 236)      # parts of the frame skin nobody paints from

GOLD_LIGHT = (255, 228, 150)
GOLD = (236, 186, 82)
GOLD_DARK = (170, 110, 34)
WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)       # the skins' transparent colour

# Title bar geometry the window code uses.
TITLE_DRAWN_H = 33            # 500 twips
BUTTON_TOP = 1                # caption buttons sit one row below the top edge
LOGO_TOP = 2                  # the 29 px logo is centred in the 33 px bar
CORNER_R = 6                  # radius of the rounded top corners of the frame


# --- small helpers -------------------------------------------------------------

def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def mix(a, b, t):
    t = clamp01(t)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def ramp(stops, y):
    """Colour at position y on a list of (position, colour) stops."""
    if y <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if y <= p1:
            return mix(c0, c1, (y - p0) / float(p1 - p0))
    return stops[-1][1]


def smoothstep(t):
    t = clamp01(t)
    return t * t * (3.0 - 2.0 * t)


def vgrad(w, h, stops, scale=1.0):
    """RGB image whose rows follow `stops` (positions in unscaled rows)."""
    col = Image.new("RGB", (1, h))
    col.putdata([ramp(stops, (y + 0.5) / scale) for y in range(h)])
    return col.resize((w, h), Image.NEAREST)


def solid(size, colour, mode="RGB"):
    return Image.new(mode, size, colour)


def ss_mask(w, h, draw_fn, s=8):
    """Coverage mask drawn `s` times larger and box-filtered down: smooth
    diagonals while edges on whole pixels stay perfectly sharp."""
    big = Image.new("L", (w * s, h * s), 0)
    draw_fn(ImageDraw.Draw(big), s)
    return big.resize((w, h), Image.BOX)


def font(path, size, index=0):
    # The basic layout engine keeps glyph placement independent of whether
    # libraqm happens to be installed.
    return ImageFont.truetype(path, size, index=index,
                              layout_engine=ImageFont.Layout.BASIC)


def quad_bezier(p0, p1, p2, n):
    pts = []
    for i in range(n + 1):
        t = i / float(n)
        u = 1.0 - t
        pts.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                    u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))
    return pts


def scaled(points, s, dx=0.0, dy=0.0):
    return [((x + dx) * s, (y + dy) * s) for x, y in points]


def rounded_rect_alpha(w, h, radius, fade):
    """Alpha of a rounded rectangle whose outermost ring is 0 and which becomes
    fully opaque `fade` pixels in."""
    hw, hh = w / 2.0, h / 2.0
    data = bytearray(w * h)
    for y in range(h):
        qy = abs(y + 0.5 - hh) - (hh - radius)
        row = y * w
        for x in range(w):
            qx = abs(x + 0.5 - hw) - (hw - radius)
            if qx > 0.0 and qy > 0.0:
                d = math.sqrt(qx * qx + qy * qy) - radius
            else:
                d = (qx if qx > qy else qy) - radius
            inside = -d - 0.5
            if inside >= fade:
                data[row + x] = 255
            elif inside > 0.0:
                data[row + x] = int(round(255 * smoothstep(inside / fade)))
    return Image.frombytes("L", (w, h), bytes(data))


def text_mask(size, pos, text, fnt, tracking=0, stroke=0):
    """Mask of `text`; `tracking` adds pixels between characters."""
    m = Image.new("L", size, 0)
    d = ImageDraw.Draw(m)
    if tracking == 0:
        d.text(pos, text, font=fnt, fill=255, stroke_width=stroke, stroke_fill=255)
    else:
        x, y = pos
        for ch in text:
            d.text((x, y), ch, font=fnt, fill=255, stroke_width=stroke, stroke_fill=255)
            x += fnt.getlength(ch) + tracking
    return m


def tracked_width(text, fnt, tracking):
    return sum(fnt.getlength(ch) for ch in text) + tracking * (len(text) - 1)


def paint(base, colour_img, mask):
    """Composite colour_img onto base (both RGB or both RGBA) through mask."""
    base.paste(colour_img, (0, 0), mask)


def gold_text(base, pos, text, fnt, outline_px, shadow_blur, tracking=0,
              shadow_colour=(10, 8, 24), k=1):
    """Gold display lettering with a dark rim and a soft drop shadow (offsets in
    design pixels, drawn at scale k)."""
    w, h = base.size
    fill = text_mask((w, h), pos, text, fnt, tracking)
    box = fill.getbbox()
    if shadow_blur:
        sh = text_mask((w, h), (pos[0] + 2 * k, pos[1] + 3 * k), text, fnt, tracking,
                       stroke=outline_px)
        sh = sh.filter(ImageFilter.GaussianBlur(shadow_blur))
        sh = sh.point(lambda v: v * 200 // 255)
        paint(base, solid((w, h), shadow_colour, base.mode), sh)
    if outline_px:
        rim = text_mask((w, h), pos, text, fnt, tracking, stroke=outline_px)
        paint(base, solid((w, h), (40, 22, 8) if base.mode == "RGB" else (40, 22, 8, 255),
                          base.mode), rim)
    top, bottom = box[1], box[3]
    grad = vgrad(w, h, [(top, GOLD_LIGHT), (top + (bottom - top) * 0.45, GOLD),
                        (bottom, GOLD_DARK)])
    if base.mode == "RGBA":
        grad = grad.convert("RGBA")
    paint(base, grad, fill)
    return box


# --- the emblem: a heater shield carrying a "Q" monogram ------------------------

def shield_outline(s, inset):
    """Shield polygon in pixel units of an s x s box, shrunk by `inset` px.
    The straight top and sides sit on whole pixels so they stay sharp."""
    top = round(0.07 * s) + inset
    left = round(0.11 * s) + inset
    right = s - round(0.11 * s) - inset
    dip = 0.035 * s if s >= 64 else 0.0
    shoulder = 0.50 * s
    tip = 0.965 * s - 1.45 * inset
    ctrl_y = 0.80 * s - 0.3 * inset
    pts = [(left, top), (s / 2.0, top + dip), (right, top), (right, shoulder)]
    pts += quad_bezier((right, shoulder), (right - 0.02 * s, ctrl_y), (s / 2.0, tip), 14)[1:]
    pts += quad_bezier((s / 2.0, tip), (left + 0.02 * s, ctrl_y), (left, shoulder), 14)[1:]
    return pts


def emblem(size):
    """RGBA emblem of `size` px (24 px and up; see emblem16 for the smallest)."""
    s = size
    ss = 8 if size <= 64 else 4
    outline_w = max(1, round(s * 0.025))
    rim_w = max(1, round(s * 0.075))
    ring_r = round(s * 0.245 * 2) / 2.0
    ring_w = max(1.5, round(s * 0.10 * 2) / 2.0)
    cx, cy = s * 0.5, round(s * 0.455)

    def shape(inset):
        return ss_mask(s, s, lambda d, k: d.polygon(scaled(shield_outline(s, inset), k),
                                                    fill=255), ss)

    out = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    outer = shape(0.0)
    if outline_w:
        out.paste(solid((s, s), (18, 26, 52, 255), "RGBA"), (0, 0), outer)
        rim_shape = shape(outline_w)
    else:
        rim_shape = outer
    gold = vgrad(s, s, [(0, GOLD_LIGHT), (s * 0.5, GOLD), (s, GOLD_DARK)]).convert("RGBA")
    out.paste(gold, (0, 0), rim_shape)
    field = shape(outline_w + rim_w)
    blue = vgrad(s, s, [(0, (52, 132, 212)), (s * 0.55, (20, 84, 160)), (s, (10, 44, 98))])
    out.paste(blue.convert("RGBA"), (0, 0), field)
    if s >= 32:
        # A soft sheen across the upper left of the field.
        sheen = ss_mask(s, s, lambda d, k: d.polygon(
            scaled([(0, 0), (s * 0.62, 0), (0, s * 0.62)], k), fill=60), ss)
        sheen = ImageChops.multiply(sheen, field)
        out.paste(solid((s, s), (255, 255, 255, 255), "RGBA"), (0, 0), sheen)

    def q_draw(d, k):
        r_out, r_in = ring_r, ring_r - ring_w
        d.ellipse([(cx - r_out) * k, (cy - r_out) * k, (cx + r_out) * k, (cy + r_out) * k],
                  fill=255)
        d.ellipse([(cx - r_in) * k, (cy - r_in) * k, (cx + r_in) * k, (cy + r_in) * k],
                  fill=0)
        # The tail: a blade leaving the ring towards the lower right.
        a = math.radians(45)
        ux, uy = math.cos(a), math.sin(a)
        px, py = -uy, ux
        x0, y0 = cx + ux * (ring_r * 0.35), cy + uy * (ring_r * 0.35)
        x1, y1 = cx + ux * (ring_r * 1.85), cy + uy * (ring_r * 1.85)
        hw0 = ring_w * 0.5
        hw1 = ring_w * 0.36
        d.polygon(scaled([(x0 + px * hw0, y0 + py * hw0), (x1 + px * hw1, y1 + py * hw1),
                          (x1 - px * hw1, y1 - py * hw1), (x0 - px * hw0, y0 - py * hw0)], k),
                  fill=255)

    q = ss_mask(s, s, q_draw, ss)
    q = ImageChops.multiply(q, field)
    if s >= 32:
        shadow = Image.new("L", (s, s), 0)
        off = max(1, int(round(s * 0.02)))
        shadow.paste(q, (off, off))
        shadow = ImageChops.multiply(shadow.point(lambda v: v * 150 // 255), field)
        out.paste(solid((s, s), (6, 24, 56, 255), "RGBA"), (0, 0), shadow)
    qgold = vgrad(s, s, [(cy - ring_r, GOLD_LIGHT), (cy + ring_r * 1.6, GOLD)]).convert("RGBA")
    out.paste(qgold, (0, 0), q)
    # Alpha comes from the outer silhouette only.
    out.putalpha(outer)
    return out


# At 16 px a drawn shield smears, so the smallest icon is placed pixel by
# pixel: R = rim, B = field, Q = monogram, s = half-covered rim pixel that
# softens the stair steps of the point (dropped in the 256-colour entry).
EMBLEM_16 = [
    "................",
    ".RRRRRRRRRRRRRR.",
    ".RBBBBBBBBBBBBR.",
    ".RBBBBQQQQBBBBR.",
    ".RBBBQQQQQQBBBR.",
    ".RBBQQBBBBQQBBR.",
    ".RBBQQBBBBQQBBR.",
    ".RBBQQBBBBQQBBR.",
    ".RBBQQBBQQQQBBR.",
    ".RBBBQQQQQQQBBR.",
    ".RBBBBQQQQQQBBR.",
    "..RBBBBBBBBQQR..",
    "..RRBBBBBBBBRR..",
    "..sRRBBBBBBRRs..",
    "....sRRBBRRs....",
    "......sRRs......",
]


def emblem16():
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    p = img.load()
    for y, row in enumerate(EMBLEM_16):
        t = y / 15.0
        rim = mix(GOLD_LIGHT, GOLD_DARK, t)
        field = ramp([(0, (52, 132, 212)), (0.55, (20, 84, 160)), (1.0, (10, 44, 98))], t)
        mono = mix(GOLD_LIGHT, GOLD, t * 1.4)
        for x, ch in enumerate(row):
            if ch == "R":
                p[x, y] = rim + (255,)
            elif ch == "B":
                p[x, y] = field + (255,)
            elif ch == "Q":
                p[x, y] = mono + (255,)
            elif ch == "s":
                p[x, y] = GOLD_DARK + (96,)
    return img


# --- file writers ----------------------------------------------------------------

def bmp_bytes(img, bits):
    """Uncompressed bottom-up BI_RGB bitmap, 24 or 32 bits per pixel."""
    w, h = img.size
    rgb = img.convert("RGB")
    bpp = bits // 8
    stride = (w * bpp + 3) & ~3
    pix = rgb.load()
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = pix[x, y]
            row += bytes((b, g, r)) if bits == 24 else bytes((b, g, r, 255))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + data


def and_mask(alpha_rows, w):
    """1 bpp mask, bottom-up, rows padded to 4 bytes; 1 = transparent."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in reversed(alpha_rows):
        bits = bytearray(stride)
        for x, transparent in enumerate(row):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def ico_entry_32(img):
    w, h = img.size
    pix = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = pix[x, y]
            xor += bytes((b, g, r, a))
    mask = and_mask([[pix[x, y][3] == 0 for x in range(w)] for y in range(h)], w)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + mask


def ico_entry_8(img):
    """256-colour entry.  Partly transparent pixels become opaque or clear at
    half coverage; clear pixels use index 0 (black) under a set mask bit."""
    w, h = img.size
    pix = img.load()
    palette = [(0, 0, 0)]
    index = {}
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            r, g, b, a = pix[x, y]
            if a < 128:
                row.append(None)
                continue
            c = (r, g, b)
            if c not in index:
                index[c] = len(palette)
                palette.append(c)
            row.append(index[c])
        rows.append(row)
    if len(palette) > 256:
        raise ValueError("16 px emblem needs more than 255 colours")
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    pal += b"\0" * (256 * 4 - len(pal))
    stride = (w + 3) & ~3
    xor = bytearray()
    for row in reversed(rows):
        line = bytearray(0 if i is None else i for i in row)
        xor += line + b"\0" * (stride - w)
    mask = and_mask([[i is None for i in row] for row in rows], w)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + pal + bytes(xor) + mask


def ico_bytes(entries):
    """entries: list of (width, height, bit_count, colour_count, payload)."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    dirs, blobs = [], []
    for w, h, bits, colours, payload in entries:
        dirs.append(struct.pack("<BBBBHHII", w % 256, h % 256, colours, 0, 1, bits,
                                len(payload), offset))
        blobs.append(payload)
        offset += len(payload)
    return head + b"".join(dirs) + b"".join(blobs)


def png_bytes(img):
    import io
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def gif_bytes(rgba, matte):
    """GIF with index 0 transparent.  Edge pixels are flattened onto `matte`,
    the colour they are expected to sit on."""
    import io
    w, h = rgba.size
    flat = Image.new("RGB", (w, h), matte)
    flat.paste(rgba.convert("RGB"), (0, 0), rgba.getchannel("A"))
    q = flat.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    qpal = q.getpalette()[:255 * 3]
    qpal += [0] * (255 * 3 - len(qpal))
    alpha = rgba.getchannel("A").load()
    qp = q.load()
    out = Image.new("P", (w, h), 0)
    op = out.load()
    for y in range(h):
        for x in range(w):
            op[x, y] = 0 if alpha[x, y] < 96 else qp[x, y] + 1
    out.putpalette(list(matte) + qpal)
    buf = io.BytesIO()
    out.save(buf, "GIF", transparency=0, optimize=False)
    return buf.getvalue()


# --- title bar colours shared by the frame, caption buttons and logo -----------------

def title_row(y):
    """Colour of row y of the title bar (0 = top edge of the window); y falls
    between the design's rows where the bar is drawn at a larger scale."""
    if y < 1:
        return EDGE_OUT
    if y < 2:
        return TB_HI
    if y < TITLE_DRAWN_H:
        return mix(TB_TOP, TB_BOT, (y - 2) / float(TITLE_DRAWN_H - 3))
    return mix(TB_BOT, EDGE_OUT, 0.25)


def strip_row(y, h):
    """Tab strip background: continues the title bar downwards, a touch darker
    at the bottom where the light tabs stand."""
    return mix((14, 68, 134), (9, 50, 104), y / float(h - 1))


# --- frame skin --------------------------------------------------------------------

FRAME_W, FRAME_H = 94, 85
BORDER = [EDGE_OUT, EDGE_MID, EDGE_MID, EDGE_IN]   # outermost first


def corner_cover(px, py, cx, cy, r, n=6):
    """Fraction of pixel (px,py) inside the circle (cx,cy,r)."""
    hit = 0
    for j in range(n):
        for i in range(n):
            dx = px + (i + 0.5) / n - cx
            dy = py + (j + 0.5) / n - cy
            if dx * dx + dy * dy <= r * r:
                hit += 1
    return hit / float(n * n)


def make_frame(k=1):
    """The frame skin at scale k: every band of the design k pixels wide."""
    W, H = FRAME_W * k, FRAME_H * k
    img = Image.new("RGB", (W, H), UNUSED)
    px = img.load()
    title_rows = 37 * k        # 545 twips
    for y in range(title_rows):
        c = title_row(y / k)
        for x in range(W):
            px[x, y] = c
    # Outer line down both sides of the title bar, a faint light bevel inside
    # the left one and a faint shade inside the right one.
    for y in range(k, title_rows):
        for i in range(k):
            px[i, y] = EDGE_OUT
            px[W - 1 - i, y] = EDGE_OUT
            if y >= 2 * k:
                px[k + i, y] = mix(title_row(y / k), TB_HI, 0.45)
                px[W - 1 - k - i, y] = mix(title_row(y / k), EDGE_OUT, 0.35)
    # Rounded top corners: outside the arc the outer line colour, then the
    # highlight following the arc, then the bar itself.
    r = CORNER_R * k
    for y in range(r + 1):
        for x in range(r + 1):
            ring = corner_cover(x, y, r, r, r - 1.0 * k)
            inner = corner_cover(x, y, r, r, r - 2.0 * k)
            base = px[x, y]
            c = mix(EDGE_OUT, TB_HI, ring)
            c = mix(c, base, inner / ring if ring else 0.0)
            px[x, y] = c
            px[W - 1 - x, y] = c
    # Side borders, bottom border and the mitred bottom corners.
    for y in range(title_rows, H):
        for x in range(4 * k):
            px[x, y] = BORDER[x // k]
            px[W - 1 - x, y] = BORDER[x // k]
    for yy in range(4 * k):
        d = yy // k
        y = H - 1 - yy
        for x in range(4 * k, W - 4 * k):
            px[x, y] = BORDER[d]
        for xx in range(4 * k):
            depth = min(xx // k, d)
            px[xx, y] = BORDER[depth]
            px[W - 1 - xx, y] = BORDER[depth]
    return img


# --- caption buttons --------------------------------------------------------------

BTN_H = 18


def button_background(w, state, close=False, k=1):
    """One caption button face in `state` ('normal', 'hover', 'pressed'), w
    design pixels wide, at scale k."""
    W, H = w * k, BTN_H * k
    bg = Image.new("RGB", (W, H))
    bp = bg.load()
    for y in range(H):
        c = title_row(y / k + BUTTON_TOP)
        for x in range(W):
            bp[x, y] = c
    if state == "normal":
        return bg
    if close:
        fills = {"hover": ((238, 92, 74), (200, 42, 34)),
                 "pressed": ((150, 24, 20), (176, 36, 28))}
        rims = {"hover": (250, 150, 132), "pressed": (104, 14, 12)}
    else:
        fills = {"hover": ((74, 148, 220), (40, 110, 186)),
                 "pressed": ((7, 42, 92), (12, 58, 118))}
        rims = {"hover": (132, 188, 240), "pressed": (5, 30, 68)}
    top, bot = fills[state]
    face = vgrad(W, H, [(0, top), (BTN_H, bot)], k)
    q = k  # design pixels to supersampled ones below: q * ss
    shape = ss_mask(W, H, lambda d, ss: d.rounded_rectangle(
        [1 * q * ss, 0, (w - 1) * q * ss - 1, BTN_H * q * ss - 1], radius=3 * q * ss, fill=255))
    inner = ss_mask(W, H, lambda d, ss: d.rounded_rectangle(
        [2 * q * ss, 1 * q * ss, (w - 2) * q * ss - 1, (BTN_H - 1) * q * ss - 1],
        radius=2 * q * ss, fill=255))
    rim = solid((W, H), rims[state])
    bg.paste(rim, (0, 0), shape)
    bg.paste(face, (0, 0), inner)
    return bg


def _box(d, x0, y0, x1, y1, k):
    """Design pixels x0..x1, y0..y1 (inclusive) filled at scale k."""
    d.rectangle([x0 * k, y0 * k, (x1 + 1) * k - 1, (y1 + 1) * k - 1], fill=255)


def glyph_min(w, k=1):
    m = Image.new("L", (w * k, BTN_H * k), 0)
    left = (w - 10 + 1) // 2
    _box(ImageDraw.Draw(m), left, 11, left + 9, 12, k)
    return m


def _window_box(d, x0, y0, size, k):
    x1, y1 = x0 + size - 1, y0 + size - 1
    _box(d, x0, y0, x1, y0 + 1, k)
    _box(d, x0, y0, x0, y1, k)
    _box(d, x1, y0, x1, y1, k)
    _box(d, x0, y1, x1, y1, k)


def glyph_max(w, k=1):
    m = Image.new("L", (w * k, BTN_H * k), 0)
    left = (w - 10 + 1) // 2
    _window_box(ImageDraw.Draw(m), left, 4, 10, k)
    return m


def glyph_restore(w, k=1):
    m = Image.new("L", (w * k, BTN_H * k), 0)
    d = ImageDraw.Draw(m)
    left = (w - 11 + 1) // 2
    _window_box(d, left + 3, 3, 8, k)
    d.rectangle([left * k, 6 * k, (left + 8) * k - 1, 14 * k - 1], fill=0)
    _window_box(d, left, 6, 8, k)
    return m


def glyph_close(w, k=1):
    cx = w / 2.0
    x0, x1, y0, y1 = cx - 4.5, cx + 4.5, 4.0, 13.0

    def draw(d, ss):
        q = k * ss
        d.line([(x0 * q, y0 * q), (x1 * q, y1 * q)], fill=255, width=int(1.55 * q))
        d.line([(x1 * q, y0 * q), (x0 * q, y1 * q)], fill=255, width=int(1.55 * q))
    return ss_mask(w * k, BTN_H * k, draw)


def glyph_menu(w, k=1):
    """Two bars over a small caret: a menu that drops down."""
    m = Image.new("L", (w * k, BTN_H * k), 0)
    d = ImageDraw.Draw(m)
    left = (w - 10 + 1) // 2
    for y in (4, 8):
        _box(d, left, y, left + 9, y + 1, k)
    for i, y in enumerate((12, 13, 14)):
        _box(d, left + 2 + i, y, left + 7 - i, y, k)
    return m


def button_strip(w, glyphs, close=False, k=1):
    """Frames for each glyph, in normal / hover / pressed order, at scale k."""
    frames = []
    for g in glyphs:
        for state in ("normal", "hover", "pressed"):
            face = button_background(w, state, close, k)
            mask = g(w, k)
            shift = k if state == "pressed" else 0
            if shift:
                moved = Image.new("L", mask.size, 0)
                moved.paste(mask, (shift, shift))
                mask = moved
            else:
                shadow = Image.new("L", mask.size, 0)
                shadow.paste(mask, (k, k))
                shadow = ImageChops.subtract(shadow, mask).point(lambda v: v * 90 // 255)
                face.paste(solid(face.size, (4, 24, 56)), (0, 0), shadow)
            face.paste(solid(face.size, WHITE), (0, 0), mask)
            frames.append(face)
    out = Image.new("RGB", (w * k * len(frames), BTN_H * k))
    for i, f in enumerate(frames):
        out.paste(f, (i * w * k, 0))
    return out


# --- main window logo -----------------------------------------------------------

def make_logo(k=1):
    size = 29 * k
    bg = Image.new("RGB", (size, size))
    bp = bg.load()
    for y in range(size):
        for x in range(size):
            bp[x, y] = title_row(y / k + LOGO_TOP)
    e = emblem(size)
    bg.paste(e.convert("RGB"), (0, 0), e.getchannel("A"))
    return bg


# --- tab strips -----------------------------------------------------------------

TAB_STYLES = {
    0: dict(size=(415, 25), frame=(122, 25), frames_x=(1, 123, 245),
            close_x=(367, 379, 391, 403), shape="trapezoid"),
    1: dict(size=(421, 28), frame=(124, 26), frames_x=(1, 125, 249),
            close_x=(373, 385, 397, 409), shape="rounded"),
}
TAB_CAP = 14

TAB_LOOKS = {
    # Unselected tabs stand 2 px lower and keep a rim along their foot; the
    # selected one reaches the top and opens into the page below it.
    "normal": dict(fill=((226, 236, 248), (198, 216, 238)), rim=(58, 108, 166),
                   top=2, bottom_line=True, hi=(246, 250, 255)),
    "hover": dict(fill=((246, 251, 255), (214, 231, 250)), rim=(96, 158, 222),
                  top=2, bottom_line=True, hi=(255, 255, 255)),
    "selected": dict(fill=((255, 255, 255), (250, 252, 255)), rim=(8, 62, 126),
                     top=0, bottom_line=False, hi=None),
}


def tab_shape_points(kind, fw, fh, top):
    """Outline of a tab in a fw x fh cell (pixel units); extends below the
    cell so the rim is open at the bottom."""
    bottom = fh + 3
    if kind == "trapezoid":
        slant = 10.5                   # horizontal run of each side
        r = 2.5
        dx, dy = slant, fh - top
        ln = math.hypot(dx, dy)
        ux, uy = dx / ln, dy / ln      # along the side, pointing down and out
        c_left = (slant, top)
        c_right = (fw - slant, top)
        pts = [(0.0 - 3 * ux / uy, bottom)]
        pts += quad_bezier((c_left[0] - ux * r, c_left[1] + uy * r), c_left,
                           (c_left[0] + r, top), 6)
        pts += quad_bezier((c_right[0] - r, top), c_right,
                           (c_right[0] + ux * r, c_right[1] + uy * r), 6)
        pts += [(fw + 3 * ux / uy, bottom)]
        return pts
    r = 5.0
    left, right = 1.0, fw - 1.0
    pts = [(left, bottom)]
    pts += quad_bezier((left, top + r), (left, top), (left + r, top), 8)
    pts += quad_bezier((right - r, top), (right, top), (right, top + r), 8)
    pts += [(right, bottom)]
    return pts


def tab_frame(kind, fw, fh, look_name, strip_h, q=1):
    """One tab of fw x fh design pixels at scale q."""
    look = TAB_LOOKS[look_name]
    top = look["top"]
    pts = scaled(tab_shape_points(kind, fw, fh, top), q)
    fw, fh, top = fw * q, fh * q, top * q
    k = 8
    big = Image.new("L", (fw * k, (fh + 4 * q) * k), 0)
    ImageDraw.Draw(big).polygon(scaled(pts, k), fill=255)
    # A one design pixel rim = shape minus the shape eroded by q pixels.
    eroded = big.filter(ImageFilter.MinFilter(2 * k * q + 1))
    cover = big.crop((0, 0, fw * k, fh * k)).resize((fw, fh), Image.BOX)
    inner = eroded.crop((0, 0, fw * k, fh * k)).resize((fw, fh), Image.BOX)
    cp, ip = cover.load(), inner.load()
    out = Image.new("RGB", (fw, fh), MAGENTA)
    op = out.load()
    ftop, fbot = look["fill"]
    for y in range(fh):
        fill = mix(ftop, fbot, (y - top) / float(max(1, fh - 1 - top)))
        if look["hi"] and top + q <= y < top + 2 * q:
            fill = look["hi"]
        back = strip_row(y / q, strip_h)
        for x in range(fw):
            c = cp[x, y] / 255.0
            if c < 0.3:
                continue
            i = ip[x, y] / 255.0
            face = mix(look["rim"], fill, i / c if c else 0)
            op[x, y] = mix(back, face, c)
    if look_name == "selected":
        # A gold accent just under the top rim of the active tab.
        for x in range(fw):
            for j in range(q):
                y1, y2 = top + q + j, top + 2 * q + j
                if ip[x, y1] == 255:
                    op[x, y1] = mix(op[x, y1], GOLD, 0.85)
                    if ip[x, y2] == 255:
                        op[x, y2] = mix(op[x, y2], GOLD_LIGHT, 0.45)
    if look["bottom_line"]:
        for x in range(fw):
            for y in range(fh - q, fh):
                if cp[x, y] >= 77:
                    op[x, y] = mix(strip_row(y / q, strip_h), look["rim"], cp[x, y] / 255.0)
    # The window stretches the middle, so every middle column must be the same.
    ref = [op[TAB_CAP * q, y] for y in range(fh)]
    for x in range(TAB_CAP * q, fw - TAB_CAP * q):
        if [op[x, y] for y in range(fh)] != ref:
            raise AssertionError("tab middle not uniform at x=%d" % x)
    return out


def close_badge(state):
    """12 x 12 close image on a magenta background."""
    looks = {
        "active": ((206, 222, 242), (150, 178, 214), (20, 82, 150)),
        "normal": ((168, 190, 220), (110, 140, 184), (255, 255, 255)),
        "hover": ((238, 96, 78), (176, 40, 30), (255, 255, 255)),
        "pressed": ((150, 28, 22), (96, 14, 10), (255, 226, 220)),
    }
    fill_c, rim_c, glyph_c = looks[state]
    out = Image.new("RGB", (12, 12), MAGENTA)
    op = out.load()
    cut = {(0, 0), (1, 0), (0, 1)}
    for y in range(12):
        for x in range(12):
            mx, my = min(x, 11 - x), min(y, 11 - y)
            if (mx, my) in cut:
                continue
            edge = mx == 0 or my == 0 or (mx, my) == (1, 1)
            op[x, y] = rim_c if edge else mix(fill_c, mix(fill_c, rim_c, 0.3), y / 11.0)
    # One-pixel diagonals of odd length, so they cross in a single pixel, with
    # softened shoulders away from the crossing: at this size a filtered
    # stroke turns into a blot.
    cover = {}
    for i in range(7):
        cover[3 + i, 2 + i] = 1.0
        cover[9 - i, 2 + i] = 1.0
    for i in range(6):
        for x, y in ((4 + i, 2 + i), (3 + i, 3 + i), (8 - i, 2 + i), (9 - i, 3 + i)):
            if max(abs(x - 6), abs(y - 5)) > 1:
                cover.setdefault((x, y), 0.35)
    for (x, y), c in sorted(cover.items()):
        op[x, y] = mix(op[x, y], glyph_c, c)
    return out


def make_tabs(style, k=1):
    cfg = TAB_STYLES[style]
    w, h = cfg["size"]
    fw, fh = cfg["frame"]
    img = Image.new("RGB", (w * k, h * k), MAGENTA)
    for y in range(h * k):
        for x in range(k):
            img.putpixel((x, y), strip_row(y / k, h))
    for x0, look in zip(cfg["frames_x"], ("normal", "hover", "selected")):
        img.paste(tab_frame(cfg["shape"], fw, fh, look, h, k), (x0 * k, 0))
    for x0, state in zip(cfg["close_x"], ("active", "normal", "hover", "pressed")):
        # Placed pixel by pixel at 12 x 12 (a filtered cross blots): doubled as it stands.
        img.paste(close_badge(state).resize((12 * k, 12 * k), Image.NEAREST), (x0 * k, 0))
    return img


# --- updater progress bar -------------------------------------------------------

def make_progress(k=1):
    """Columns 0-2 left cap (filled), 3-4 filled middle, 5-7 right cap (empty
    track), 8-9 empty middle."""
    back = (236, 239, 243)              # the updater dialog behind the caps
    rim = (92, 112, 136)
    filled = [(150, 206, 255), (108, 184, 250), (70, 160, 240), (40, 136, 226),
              (24, 116, 208), (18, 100, 190), (20, 92, 176), (30, 104, 186)]
    empty = [(250, 251, 252), (242, 244, 247), (234, 237, 241), (226, 230, 235),
             (220, 224, 230), (214, 219, 226), (210, 215, 222), (216, 220, 227)]
    img = Image.new("RGB", (10, 10), back)
    p = img.load()

    def column(x, fills):
        p[x, 0] = rim
        p[x, 9] = rim
        for y in range(8):
            p[x, y + 1] = fills[y]

    for x in (3, 4):
        column(x, filled)
    for x in (8, 9):
        column(x, empty)
    # Caps, outermost column first; the right cap is the mirror image on the
    # empty track.  b = rim blended into the dialog, r = rim, F = fill.
    cap = ["brr"] + ["rFF"] * 8 + ["brr"]
    for y, row in enumerate(cap):
        for i, code in enumerate(row):
            for x, fills in ((i, filled), (7 - i, empty)):
                if code == "b":
                    p[x, y] = mix(back, rim, 0.35)
                elif code == "r":
                    p[x, y] = rim
                else:
                    p[x, y] = fills[y - 1]
    # Flat bands: the same design at k is each pixel k x k.
    return img.resize((10 * k, 10 * k), Image.NEAREST)


# --- login background -----------------------------------------------------------

LOGIN_W, LOGIN_H = 1237, 696
LOGIN_FADE = 16
LOGIN_RADIUS = 30


def ridge(rng, x0, x1, base, amp, rough, calm=None, levels=8):
    n = 2 ** levels
    ys = [0.0] * (n + 1)
    ys[0], ys[n] = rng.uniform(-1, 1), rng.uniform(-1, 1)
    step, scale = n, 1.0
    while step > 1:
        half = step // 2
        for i in range(half, n, step):
            ys[i] = (ys[i - half] + ys[i + half]) / 2.0 + rng.uniform(-1, 1) * scale
        step, scale = half, scale * rough
    lo, hi = min(ys), max(ys)
    pts = []
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i / float(n)
        v = (ys[i] - lo) / (hi - lo)
        a = amp * (calm(x) if calm else 1.0)
        pts.append((x, base - a * v ** 1.35))
    return pts


def calm_right(x):
    """Lower, smoother ridges behind where the login page goes."""
    if x < 600:
        return 1.0
    if x < 760:
        return 1.0 - 0.6 * (x - 600) / 160.0
    if x < 1150:
        return 0.4
    return 0.4 + 0.6 * min(1.0, (x - 1150) / 87.0)


def glow(size, centre, radii, colour, strength, S):
    """Soft elliptical glow added (screen blend) on a canvas of `size`."""
    w, h = size
    small = Image.new("L", (w // 8, h // 8), 0)
    cx, cy = centre
    rx, ry = radii
    ImageDraw.Draw(small).ellipse([(cx - rx) * S / 8, (cy - ry) * S / 8,
                                   (cx + rx) * S / 8, (cy + ry) * S / 8], fill=255)
    small = small.filter(ImageFilter.GaussianBlur(max(rx, ry) * S / 8 / 2.2))
    mask = small.resize((w, h), Image.BICUBIC).point(lambda v: int(v * strength))
    layer = ImageChops.multiply(solid((w, h), colour), Image.merge("RGB", (mask, mask, mask)))
    return layer


def castle(d, S, ground):
    """Silhouette of a hill-top keep with towers, at the left of the scene."""
    g = ground
    dark = (20, 18, 42)

    def rect(x0, y0, x1, y1, c=dark):
        d.rectangle([x0 * S, y0 * S, x1 * S - 1, y1 * S - 1], fill=c)

    def battlements(x0, x1, y, merlon=6, gap=5, hgt=6, c=dark):
        x = x0
        while x < x1:
            rect(x, y - hgt, min(x + merlon, x1), y, c)
            x += merlon + gap

    def roof(x0, x1, y, apex, c=(28, 22, 50)):
        d.polygon(scaled([(x0 - 3, y), (x1 + 3, y), ((x0 + x1) / 2.0, apex)], S), fill=c)

    # curtain wall
    rect(118, g - 52, 384, g)
    battlements(118, 384, g - 52)
    # outer towers
    for x0, x1, top, apex in ((104, 142, g - 104, g - 150), (356, 392, g - 92, g - 134)):
        rect(x0, top, x1, g)
        roof(x0, x1, top, apex)
    # keep
    rect(196, g - 140, 262, g)
    battlements(196, 262, g - 140, merlon=7, gap=5, hgt=7)
    # slender spire tower beside the keep
    rect(272, g - 176, 300, g)
    roof(272, 300, g - 176, g - 236)
    # turret on the keep
    rect(214, g - 176, 240, g - 140)
    roof(214, 240, g - 176, g - 214)
    # small tower left of the keep
    rect(160, g - 110, 186, g)
    roof(160, 186, g - 110, g - 146)
    return [(123, g - 150), (374, g - 134), (286, g - 236), (227, g - 214), (173, g - 146)]


def banner(d, S, x, y, colour, length=20, wave=0.0):
    d.line([(x * S, y * S), (x * S, (y - 18) * S)], fill=(24, 20, 44), width=max(1, int(1.4 * S)))
    top = y - 18
    pts = [(x, top), (x + length * 0.5, top + 1.5 + wave), (x + length, top + 3.5),
           (x + length * 0.5, top + 6.0 + wave), (x, top + 7.5)]
    d.polygon(scaled(pts, S), fill=colour)


def make_login_bg(k=1):
    """The login background at scale k: the scene drawn at 2k and boxed down."""
    S = 2 * k
    W, H = LOGIN_W * S, LOGIN_H * S
    rng = random.Random(0x51C0DE)
    sky_stops = [(0, (10, 14, 42)), (140, (26, 32, 80)), (260, (62, 52, 112)),
                 (340, (128, 74, 118)), (400, (204, 112, 100)), (450, (244, 162, 98)),
                 (500, (255, 204, 136)), (696, (255, 214, 150))]
    img = vgrad(W, H, sky_stops, S)

    # Sunset glow low behind the mountains, and a cooler moon halo.
    img = ImageChops.screen(img, glow((W, H), (440, 470), (420, 170), (255, 150, 70), 0.85, S))
    img = ImageChops.screen(img, glow((W, H), (440, 470), (150, 80), (255, 220, 150), 0.9, S))
    img = ImageChops.screen(img, glow((W, H), (1116, 92), (90, 90), (120, 130, 200), 0.55, S))

    d = ImageDraw.Draw(img)
    # Stars, thinning out towards the horizon.
    for _ in range(260):
        x = rng.uniform(0, LOGIN_W)
        y = rng.uniform(0, 300) ** 1.15 / 300 ** 0.15
        b = rng.uniform(0.35, 1.0) * (1.0 - y / 330.0)
        c = mix(ramp(sky_stops, y), (255, 250, 232), b)
        r = 0.55 if rng.random() < 0.85 else 0.9
        d.ellipse([(x - r) * S, (y - r) * S, (x + r) * S, (y + r) * S], fill=c)
    for _ in range(6):
        x, y = rng.uniform(480, 1200), rng.uniform(20, 180)
        c = (255, 250, 236)
        d.line([((x - 3) * S, y * S), ((x + 3) * S, y * S)], fill=mix(ramp(sky_stops, y), c, 0.6))
        d.line([(x * S, (y - 3) * S), (x * S, (y + 3) * S)], fill=mix(ramp(sky_stops, y), c, 0.6))
        d.ellipse([(x - 0.9) * S, (y - 0.9) * S, (x + 0.9) * S, (y + 0.9) * S], fill=c)

    # Crescent moon.
    moon = Image.new("L", (W, H), 0)
    md = ImageDraw.Draw(moon)
    mx, my, mr = 1116, 92, 24
    md.ellipse([(mx - mr) * S, (my - mr) * S, (mx + mr) * S, (my + mr) * S], fill=255)
    md.ellipse([(mx - mr + 11) * S, (my - mr - 6) * S, (mx + mr + 11) * S, (my + mr - 6) * S],
               fill=0)
    img.paste(solid((W, H), (255, 242, 214)), (0, 0), moon)

    # Long thin clouds catching the last light.
    clouds = Image.new("L", (W, H), 0)
    cd = ImageDraw.Draw(clouds)
    for cx, cy, cw, ch, a in ((150, 300, 260, 7, 150), (330, 318, 220, 5, 120),
                              (560, 288, 300, 6, 110), (250, 262, 180, 4, 90),
                              (640, 336, 200, 4, 120), (980, 330, 260, 5, 70),
                              (1100, 300, 160, 4, 60), (40, 350, 150, 5, 110)):
        cd.ellipse([(cx - cw / 2) * S, (cy - ch / 2) * S, (cx + cw / 2) * S, (cy + ch / 2) * S],
                   fill=a)
    clouds = clouds.filter(ImageFilter.GaussianBlur(3 * S))
    img.paste(vgrad(W, H, [(250, (255, 196, 170)), (350, (255, 170, 120))], S), (0, 0), clouds)

    # Mountain ranges, far to near, each fading into haze at its foot.
    ranges = [
        dict(base=390, amp=120, rough=0.52, top=(122, 92, 142), bot=(170, 112, 128), seed=11),
        dict(base=440, amp=105, rough=0.55, top=(78, 62, 112), bot=(112, 78, 116), seed=23),
        dict(base=500, amp=95, rough=0.58, top=(44, 38, 80), bot=(60, 46, 88), seed=37),
    ]
    for i, rg in enumerate(ranges):
        r = random.Random(rg["seed"])
        pts = ridge(r, -10, LOGIN_W + 10, rg["base"], rg["amp"], rg["rough"], calm_right)
        mask = Image.new("L", (W, H), 0)
        ImageDraw.Draw(mask).polygon(scaled(pts + [(LOGIN_W + 10, LOGIN_H), (-10, LOGIN_H)], S),
                                     fill=255)
        top_y = min(p[1] for p in pts)
        body = vgrad(W, H, [(top_y, rg["top"]), (rg["base"] + 60, rg["bot"])], S)
        # Sun-facing rim along the crest.
        rim = ImageChops.subtract(mask, ImageChops.offset(mask, 0, 2 * S))
        img.paste(body, (0, 0), mask)
        img.paste(solid((W, H), mix(rg["top"], (255, 190, 140), 0.45)), (0, 0),
                  rim.point(lambda v: v * 140 // 255))
        haze_top, haze_bot = rg["base"] - 40, rg["base"] + 30
        haze = vgrad(W, H, [(haze_top, (0, 0, 0)), (haze_bot, (150, 150, 150)),
                            (haze_bot + 40, (0, 0, 0))], S).convert("L")
        img.paste(solid((W, H), mix(ramp(sky_stops, rg["base"] - 20), (255, 255, 255), 0.05)),
                  (0, 0), ImageChops.multiply(haze, mask) if i < 2 else haze.point(lambda v: v // 2))

    # Promontory and castle at the left.
    rock = [(-10, 700), (-10, 462), (30, 456), (70, 446), (96, 428), (140, 420), (250, 418), (380, 420),
            (420, 432), (446, 452), (470, 480), (520, 540), (560, 700)]
    d = ImageDraw.Draw(img)
    d.polygon(scaled(rock, S), fill=(30, 26, 58))
    rock_rim = Image.new("L", (W, H), 0)
    ImageDraw.Draw(rock_rim).line(scaled(rock[2:-1], S), fill=170, width=2 * S)
    img.paste(solid((W, H), (150, 96, 110)), (0, 0),
              ImageChops.multiply(rock_rim, ImageChops.offset(rock_rim, -S, 0)))
    d = ImageDraw.Draw(img)
    tops = castle(d, S, 422)
    colours = [(236, 186, 82), (200, 54, 48), (236, 186, 82), (200, 54, 48), (236, 186, 82)]
    for (x, y), c, wv in zip(tops, colours, (0.8, -0.6, 1.0, -0.8, 0.5)):
        banner(d, S, x, y, c, length=18 if y > 200 else 22, wave=wv)
    # Lit windows and the gate.
    lit = (255, 198, 104)
    for x, y, ww, hh in ((120, 330, 3, 7), (126, 344, 3, 7), (372, 348, 3, 6), (206, 316, 3, 8),
                         (220, 300, 3, 8), (250, 316, 3, 8), (282, 270, 3, 7), (284, 300, 3, 7),
                         (224, 268, 3, 6), (170, 338, 3, 6), (238, 350, 3, 8), (150, 398, 3, 5),
                         (330, 396, 3, 5)):
        d.rectangle([x * S, y * S, (x + ww) * S - 1, (y + hh) * S - 1], fill=lit)
    d.rectangle([222 * S, 400 * S, 236 * S - 1, 422 * S - 1], fill=(236, 150, 70))
    d.ellipse([222 * S, 393 * S, 236 * S - 1, 407 * S - 1], fill=(236, 150, 70))
    img = ImageChops.screen(img, glow((W, H), (229, 410), (40, 22), (255, 150, 60), 0.35, S))
    d = ImageDraw.Draw(img)

    # Birds heading home.
    for x, y, s in ((590, 236, 7), (612, 226, 5), (628, 244, 6), (650, 232, 4), (566, 250, 4)):
        d.line(scaled([(x - s, y - s * 0.5), (x, y), (x + s, y - s * 0.6)], S),
               fill=(36, 30, 60), width=max(1, int(1.2 * S)))

    # Foreground hills with pines framing both lower corners.
    r = random.Random(53)
    fg = ridge(r, -10, LOGIN_W + 10, 640, 90, 0.5,
               lambda x: 0.35 + 0.65 * max(smoothstep((380 - x) / 120.0),
                                           smoothstep((x - 1000) / 120.0)), levels=7)
    d.polygon(scaled(fg + [(LOGIN_W + 10, LOGIN_H + 10), (-10, LOGIN_H + 10)], S),
              fill=(16, 16, 36))

    def pine(x, base, hgt, c=(12, 12, 28)):
        w = hgt * 0.36
        tiers = 4
        for t in range(tiers):
            tb = base - hgt * (t / float(tiers)) * 0.8
            tw = w * (1.0 - t / float(tiers + 1))
            tt = tb - hgt * 0.38
            d.polygon(scaled([(x - tw, tb), (x + tw, tb), (x, tt)], S), fill=c)
        d.rectangle([(x - 1.2) * S, base * S, (x + 1.2) * S, (base + 8) * S], fill=c)

    def ground_at(x):
        for (x0, y0), (x1, y1) in zip(fg, fg[1:]):
            if x0 <= x <= x1:
                return y0 + (y1 - y0) * (x - x0) / (x1 - x0)
        return fg[-1][1]

    for x, hgt in ((24, 120), (58, 92), (86, 132), (120, 84), (150, 70), (190, 58), (232, 44)):
        pine(x, ground_at(x) + 6, hgt)
    for x, hgt in ((1220, 128), (1188, 100), (1160, 138), (1126, 86), (1096, 66), (1064, 52)):
        pine(x, ground_at(x) + 6, hgt)

    img = img.resize((LOGIN_W * k, LOGIN_H * k), Image.BOX)

    # Gentle vignette so the bright horizon does not reach the edges.
    vs = Image.new("L", (LOGIN_W // 8 + 1, LOGIN_H // 8 + 1), 0)
    vp = vs.load()
    for y in range(vs.size[1]):
        for x in range(vs.size[0]):
            nx = (x * 8.0 / LOGIN_W) * 2 - 1
            ny = (y * 8.0 / LOGIN_H) * 2 - 1
            vp[x, y] = int(255 * smoothstep((nx * nx * 0.8 + ny * ny * 0.9 - 0.55) / 0.9) * 0.55)
    vig = vs.resize((LOGIN_W * k, LOGIN_H * k), Image.BICUBIC)
    img.paste(solid(img.size, (8, 8, 24)), (0, 0), vig)

    # Brand, top left.
    img = img.convert("RGBA")
    em = emblem(72 * k)
    shadow = Image.new("L", img.size, 0)
    shadow.paste(em.getchannel("A"), (30 * k, 26 * k))
    shadow = shadow.filter(ImageFilter.GaussianBlur(4 * k)).point(lambda v: v * 170 // 255)
    img.paste(solid(img.size, (6, 6, 20, 255), "RGBA"), (0, 0), shadow)
    img.alpha_composite(em, (28 * k, 22 * k))
    name_font = font(FONT_SERIF_BOLD, 44 * k)
    box = gold_text(img, (112 * k, 24 * k), PRODUCT, name_font, outline_px=2 * k,
                    shadow_blur=4 * k, k=k)
    cn_font = font(FONT_CJK, 20 * k)
    cn_w = tracked_width(CLIENT_CN, cn_font, 8 * k)
    cn_x, cn_y = 114 * k, box[3] + 10 * k
    rule_y = cn_y + 12 * k
    d = ImageDraw.Draw(img)
    cn_shadow = text_mask(img.size, (cn_x + k, cn_y + 2 * k), CLIENT_CN, cn_font, 8 * k,
                          stroke=k)
    img.paste(solid(img.size, (10, 8, 28, 255), "RGBA"), (0, 0),
              cn_shadow.filter(ImageFilter.GaussianBlur(2 * k)))
    img.paste(solid(img.size, (250, 238, 214, 255), "RGBA"), (0, 0),
              text_mask(img.size, (cn_x, cn_y), CLIENT_CN, cn_font, 8 * k))
    rx0 = int(cn_x + cn_w + 14 * k)
    rx1 = box[2]
    if rx1 - rx0 > 30 * k:
        for j in range(k):
            d.line([(rx0, rule_y + j), (rx1 - 10 * k, rule_y + j)], fill=GOLD + (255,), width=1)
            d.line([(rx0, rule_y + k + j), (rx1 - 10 * k, rule_y + k + j)],
                   fill=GOLD_DARK + (200,), width=1)
        d.polygon([(rx1 - 7 * k, rule_y - 3 * k), (rx1 - 3 * k, rule_y + 0.5 * k),
                   (rx1 - 7 * k, rule_y + 4 * k), (rx1 - 11 * k, rule_y + 0.5 * k)],
                  fill=GOLD + (255,))

    img.putalpha(rounded_rect_alpha(LOGIN_W * k, LOGIN_H * k, LOGIN_RADIUS * k, LOGIN_FADE * k))
    return img


# --- splash ---------------------------------------------------------------------

SPLASH_W, SPLASH_H = 356, 122


def make_splash(k=1):
    """The splash at scale k (positions below are design pixels)."""
    W, H = SPLASH_W * k, SPLASH_H * k
    img = vgrad(W, H, [(0, (30, 58, 118)), (70, (16, 36, 84)), (122, (10, 20, 52))], k)
    img = ImageChops.screen(img, glow((W * 2, H * 2), (250, 150), (180, 60),
                                      (200, 100, 60), 0.45, 2 * k).resize((W, H), Image.BOX))
    rng = random.Random(7)
    d = ImageDraw.Draw(img)
    for _ in range(40):
        x, y = rng.uniform(100, SPLASH_W - 8), rng.uniform(6, 60)
        c = mix((30, 58, 118), (255, 248, 230), rng.uniform(0.25, 0.7))
        d.rectangle([int(x) * k, int(y) * k, (int(x) + 1) * k - 1, (int(y) + 1) * k - 1], fill=c)
    # Low ridge line along the bottom.
    S = 4
    pts = ridge(random.Random(19), -4, SPLASH_W + 4, SPLASH_H - 6, 26, 0.55, levels=6)
    ridge_mask = ss_mask(W, H, lambda dr, q: dr.polygon(
        scaled(pts + [(SPLASH_W + 4, SPLASH_H + 4), (-4, SPLASH_H + 4)], q * k), fill=255), S)
    img.paste(solid((W, H), (12, 16, 40)), (0, 0), ridge_mask)
    img = img.convert("RGBA")

    # Thin gold inner frame.
    frame = ss_mask(W, H, lambda dr, q: dr.rounded_rectangle(
        [5.5 * k * q, 5.5 * k * q, (SPLASH_W - 5.5) * k * q, (SPLASH_H - 5.5) * k * q],
        radius=9 * k * q, outline=255, width=int(1.0 * k * q)), 4)
    img.paste(solid((W, H), GOLD + (255,), "RGBA"), (0, 0), frame.point(lambda v: v * 170 // 255))

    em = emblem(84 * k)
    sh = Image.new("L", (W, H), 0)
    sh.paste(em.getchannel("A"), (18 * k, 22 * k))
    img.paste(solid((W, H), (4, 6, 20, 255), "RGBA"), (0, 0),
              sh.filter(ImageFilter.GaussianBlur(3 * k)).point(lambda v: v * 160 // 255))
    img.alpha_composite(em, (16 * k, 19 * k))

    name_font = font(FONT_SERIF_BOLD, 26 * k)
    box = gold_text(img, (108 * k, 25 * k), PRODUCT, name_font, outline_px=k, shadow_blur=2 * k,
                    k=k)
    assert box[2] <= W - 14 * k, "product name runs into the splash frame"
    cn_font = font(FONT_CJK, 18 * k)
    cn_y = box[3] + 8 * k
    img.paste(solid((W, H), (246, 236, 216, 255), "RGBA"), (0, 0),
              text_mask((W, H), (112 * k, cn_y), CLIENT_CN, cn_font, 6 * k))
    cn_w = tracked_width(CLIENT_CN, cn_font, 6 * k)
    d = ImageDraw.Draw(img)
    lx0, ly = int(112 * k + cn_w + 10 * k), cn_y + 10 * k
    for j in range(k):
        d.line([(lx0, ly + j), (box[2], ly + j)], fill=GOLD + (200,), width=1)

    hint_font = font(FONT_CJK, 12 * k)
    hw = hint_font.getlength(LOADING_CN)
    hx, hy = W - 18 * k - hw, H - 26 * k
    img.paste(solid((W, H), (196, 210, 236, 255), "RGBA"), (0, 0),
              text_mask((W, H), (hx, hy), LOADING_CN, hint_font))

    img.putalpha(rounded_rect_alpha(W, H, 12 * k, 3 * k))
    return img


# --- login page buttons ---------------------------------------------------------

LOGIN_BUTTON_MATTE = (46, 44, 98)     # the dusk sky behind the login page's top edge


def login_button(size, glyph):
    s = size
    k = 8
    r = s / 2.0 - 1.0
    c = s / 2.0
    disc = ss_mask(s, s, lambda d, kk: d.ellipse([(c - r) * kk, (c - r) * kk, (c + r) * kk,
                                                 (c + r) * kk], fill=255), k)
    inner_r = r - max(1.5, s * 0.05)
    face_m = ss_mask(s, s, lambda d, kk: d.ellipse(
        [(c - inner_r) * kk, (c - inner_r) * kk, (c + inner_r) * kk, (c + inner_r) * kk],
        fill=255), k)
    out = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    out.paste(vgrad(s, s, [(0, GOLD_LIGHT), (s, GOLD_DARK)]).convert("RGBA"), (0, 0), disc)
    out.paste(vgrad(s, s, [(0, (58, 66, 130)), (s, (20, 22, 58))]).convert("RGBA"), (0, 0),
              face_m)
    g = s / 32.0

    def draw(d, kk):
        if glyph == "min":
            y0 = round(c + 1 * g)
            d.rectangle([round(c - 6 * g) * kk, y0 * kk, round(c + 6 * g) * kk - 1,
                         (y0 + max(2, round(2.4 * g))) * kk - 1], fill=255)
        else:
            a = 5.6 * g
            wdt = int(2.6 * g * kk)
            d.line([((c - a) * kk, (c - a) * kk), ((c + a) * kk, (c + a) * kk)], fill=255,
                   width=wdt)
            d.line([((c + a) * kk, (c - a) * kk), ((c - a) * kk, (c + a) * kk)], fill=255,
                   width=wdt)
    gm = ImageChops.multiply(ss_mask(s, s, draw, k), face_m)
    out.paste(solid((s, s), (255, 255, 255, 255), "RGBA"), (0, 0), gm)
    out.putalpha(disc)
    return out


# --- output ---------------------------------------------------------------------

def pictures(k):
    """Every picture the programs draw, at scale k, as {relative path: bytes}."""
    return {
        "png/login_bg.png": png_bytes(make_login_bg(k)),
        "png/splash.png": png_bytes(make_splash(k)),
        "bmp/101_min.bmp": bmp_bytes(button_strip(24, [glyph_min], k=k), 24),
        "bmp/102_minmax.bmp": bmp_bytes(button_strip(25, [glyph_max, glyph_restore], k=k), 24),
        "bmp/103_close.bmp": bmp_bytes(button_strip(43, [glyph_close], close=True, k=k), 24),
        "bmp/104_tool.bmp": bmp_bytes(button_strip(24, [glyph_menu], k=k), 24),
        "bmp/105_logo.bmp": bmp_bytes(make_logo(k), 32),
        "bmp/106_tab0.bmp": bmp_bytes(make_tabs(0, k), 24),
        "bmp/107_tab1.bmp": bmp_bytes(make_tabs(1, k), 24),
        "bmp/108_frame.bmp": bmp_bytes(make_frame(k), 24),
        "bmp/updater_101_progress.bmp": bmp_bytes(make_progress(k), 24),
        "gif/login_min.gif": gif_bytes(login_button(32 * k, "min"), LOGIN_BUTTON_MATTE),
        "gif/login_close.gif": gif_bytes(login_button(40 * k, "close"), LOGIN_BUTTON_MATTE),
    }


# The scales every picture is drawn at; the programs pick the nearest one at least as fine as
# the display's DPI and scale it down.
SCALES = (1, 2)


def three_halves():
    """The pictures decoded before the splash shows, at 1.5x as well, the most common laptop
    setting: there the programs take them as they stand instead of decoding the larger 2x copy
    and scaling it (the login background, at 1237 design pixels, has no whole 1.5x size)."""
    splash = make_splash(2)
    return {
        "png/splash.png": png_bytes(splash.resize((SPLASH_W * 3 // 2, SPLASH_H * 3 // 2),
                                                  Image.BOX)),
        "gif/login_min.gif": gif_bytes(login_button(48, "min"), LOGIN_BUTTON_MATTE),
        "gif/login_close.gif": gif_bytes(login_button(60, "close"), LOGIN_BUTTON_MATTE),
    }


def build():
    """All artwork as {relative path: bytes}: 1x at the top, other scales under "<k>x/"."""
    files = dict(pictures(1))
    for k in SCALES[1:]:
        for rel, data in pictures(k).items():
            if rel.endswith(".bmp"):
                # Only the programs' own decoder reads the larger scales: PNG is a fifth of the
                # size of the bitmap LoadBitmap needs at 1x.
                rel = "png/" + rel[len("bmp/"):-len(".bmp")] + ".png"
                data = png_bytes(Image.open(io.BytesIO(data)))
            files["%dx/%s" % (k, rel)] = data
    for rel, data in three_halves().items():
        files["1.5x/" + rel] = data

    ico = [(16, 16, 8, 0, ico_entry_8(emblem16()))]
    for size in (128, 64, 48, 32):
        ico.append((size, size, 32, 0, ico_entry_32(emblem(size))))
    ico.append((16, 16, 32, 0, ico_entry_32(emblem16())))
    files["icon/qorv.ico"] = ico_bytes(ico)
    return files


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", type=Path, default=RESOURCES,
                    help="root to write png/, icon/, bmp/, gif/, 1.5x/ and 2x/ under "
                         "(default: resources/)")
    args = ap.parse_args(argv)
    for rel, data in sorted(build().items()):
        path = args.out / rel
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
