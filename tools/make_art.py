#!/usr/bin/python3
"""Draws every icon and bitmap of Vantrel into res/.

The results are checked in so the build needs no image tools. Run again after
changing the artwork:

    /usr/bin/python3 tools/make_art.py [--preview /tmp/art.png]

Needs Pillow (Debian python3-pil) and fonts-dejavu-core. Output is
deterministic: no timestamps, no randomness, containers written by hand.
"""

import argparse
import io
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageEnhance, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES_DIR = os.path.join(ROOT, "res")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

SS = 4  # supersampling factor for vector drawing

# Theme
BLUE = (8, 113, 230)
BLUE_HI = (56, 150, 255)
BLUE_LO = (4, 80, 188)
BLUE_EDGE = (2, 52, 132)
NAVY = (2, 34, 88)
ORANGE_HI = (255, 184, 74)
ORANGE_LO = (244, 112, 24)
RED_HI = (252, 112, 92)
RED_LO = (200, 36, 28)
RED_EDGE = (150, 22, 18)
WHITE = (255, 255, 255)
ABOUT_BG = (200, 210, 225)


# ---------------------------------------------------------------- drawing kit

def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def with_alpha(rgb, a=255):
    return tuple(rgb[:3]) + (a,)


def stops_at(stops, t):
    """Colour at t of a gradient given as [(pos, rgba), ...] sorted by pos."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return lerp(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def gradient(size, stops, y0=0.0, y1=None, horizontal=False):
    """RGBA gradient image; the ramp runs from y0 to y1 (pixels) along its axis."""
    w, h = size
    n = w if horizontal else h
    if y1 is None:
        y1 = n
    stops = [(p, with_alpha(c) if len(c) == 3 else tuple(c)) for p, c in stops]
    line = Image.new("RGBA", (n, 1))
    for i in range(n):
        t = (i + 0.5 - y0) / max(1e-6, (y1 - y0))
        line.putpixel((i, 0), stops_at(stops, min(1.0, max(0.0, t))))
    if horizontal:
        return line.resize((w, h), Image.NEAREST)
    return line.transpose(Image.TRANSPOSE).resize((w, h), Image.NEAREST)


def new_mask(size):
    m = Image.new("L", size, 0)
    return m, ImageDraw.Draw(m)


def scale_mask(mask, factor):
    return mask.point(lambda v: int(round(v * factor)))


def paint(base, mask, fill):
    """Composite a colour or an RGBA image through an L mask over base."""
    if isinstance(fill, Image.Image):
        src = fill.copy()
        alpha = ImageChops.multiply(src.getchannel("A"), mask)
    else:
        src = Image.new("RGBA", base.size, with_alpha(fill))
        alpha = mask if len(fill) == 3 else scale_mask(mask, fill[3] / 255.0)
    src.putalpha(alpha)
    base.alpha_composite(src)


def shadow(base, mask, dx, dy, blur, colour, opacity):
    moved = Image.new("L", mask.size, 0)
    moved.paste(mask, (int(round(dx)), int(round(dy))))
    if blur > 0:
        moved = moved.filter(ImageFilter.GaussianBlur(blur))
    paint(base, scale_mask(moved, opacity), colour)


def box(x0, y0, x1, y1, k):
    return [int(round(x0 * k)), int(round(y0 * k)), int(round(x1 * k)) - 1, int(round(y1 * k)) - 1]


def circle(d, cx, cy, r, k, **kw):
    d.ellipse(box(cx - r, cy - r, cx + r, cy + r, k), **kw)


def round_rect(d, x0, y0, x1, y1, r, k, **kw):
    d.rounded_rectangle(box(x0, y0, x1, y1, k), radius=int(round(r * k)), **kw)


def stroke_line(d, x0, y0, x1, y1, w, k, caps=True):
    d.line([(x0 * k, y0 * k), (x1 * k, y1 * k)], fill=255, width=max(1, int(round(w * k))))
    if caps:
        for x, y in ((x0, y0), (x1, y1)):
            circle(d, x, y, w / 2.0, k, fill=255)


def stroke_arc(d, cx, cy, r, a0, a1, w, k, caps=True):
    """Arc of centre-line radius r and width w (angles in degrees, clockwise from east)."""
    ro = r + w / 2.0
    d.arc(box(cx - ro, cy - ro, cx + ro, cy + ro, k), a0, a1, fill=255,
          width=max(1, int(round(w * k))))
    if caps:
        for a in (a0, a1):
            x = cx + r * math.cos(math.radians(a))
            y = cy + r * math.sin(math.radians(a))
            circle(d, x, y, w / 2.0, k, fill=255)


def downsample(img, size):
    return img.resize(size, Image.LANCZOS)


def greyed(img):
    """Disabled look: desaturated and lifted toward white, shape unchanged."""
    r, g, b, a = img.split()
    luma = Image.merge("RGB", (r, g, b)).convert("L")
    luma = luma.point(lambda v: int(round(112 + v * 0.56)))
    out = Image.merge("RGBA", (luma, luma, luma, a))
    return clear_transparent(out)


def vivid(img, colour=1.25, bright=1.07):
    r, g, b, a = img.split()
    rgb = Image.merge("RGB", (r, g, b))
    rgb = ImageEnhance.Color(rgb).enhance(colour)
    rgb = ImageEnhance.Brightness(rgb).enhance(bright)
    out = rgb.convert("RGBA")
    out.putalpha(a)
    return clear_transparent(out)


def clear_transparent(img):
    """Fully transparent pixels become (0,0,0,0) so the AND-mask path is clean."""
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            if px[x, y][3] == 0:
                px[x, y] = (0, 0, 0, 0)
    return img


# ---------------------------------------------------------------- containers

def dib_icon_entry(img):
    """32-bit BGRA DIB with AND mask, as stored inside an ICO."""
    w, h = img.size
    px = img.load()
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = px[x, y]
            if a == 0:
                r = g = b = 0
                row_mask[x // 8] |= 0x80 >> (x % 8)
            xor += bytes((b, g, r, a))
        mask += row_mask
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, format="PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def ico_bytes(images):
    """ICO holding the given RGBA images; 256 px entries are PNG-compressed."""
    blobs = []
    for img in images:
        img = clear_transparent(img.copy())
        blobs.append(png_bytes(img) if img.size[0] >= 256 else dib_icon_entry(img))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def bmp_bytes(width, height, bpp, rows, palette=None):
    """BI_RGB bottom-up BMP. rows: top-to-bottom list of packed, unpadded rows."""
    stride = ((width * bpp + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        assert len(row) <= stride
        data += row + bytes(stride - len(row))
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in (palette or []))
    offset = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(data),
                       3780, 3780, len(palette or []), 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + pal + bytes(data)


def bmp24_from(img):
    img = img.convert("RGB")
    w, h = img.size
    px = img.load()
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            row += bytes((b, g, r))
        rows.append(bytes(row))
    return bmp_bytes(w, h, 24, rows)


def bmp32_from(img):
    # Alpha is not used by the banner; 255 keeps alpha-aware renderers opaque.
    img = img.convert("RGB")
    w, h = img.size
    px = img.load()
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            row += bytes((b, g, r, 255))
        rows.append(bytes(row))
    return bmp_bytes(w, h, 32, rows)


# ---------------------------------------------------------------- app icon

# Fan geometry in pixels for the small entries, chosen so the flat tops of the
# arcs fill whole pixel rows; 3 arcs only where there is room for clear gaps.
SMALL_FANS = {
    # size: (origin y, arc width, arc radii, hub radius, hub centre y, device ring, device radius)
    20: (16.0, 2.0, (5.0, 9.0), 1.5, 16.0, 13.2, 1.55),
    24: (19.0, 2.0, (6.0, 10.0), 1.5, 19.0, 14.2, 1.65),
    32: (25.0, 2.0, (6.0, 10.0, 14.0), 2.0, 25.0, 18.6, 2.05),
    40: (31.0, 3.0, (7.5, 12.5, 17.5), 2.7, 31.0, 23.2, 2.6),
}


def fan_geometry(size, tx, ty, ts):
    if size in SMALL_FANS:
        oy, w, arcs, hub_r, hub_y, ring, dot_r = SMALL_FANS[size]
        return {"ox": size / 2.0, "oy": oy, "w": w, "arcs": arcs, "hub_r": hub_r, "hub_y": hub_y,
                "ring": ring, "dot_r": dot_r}
    oy = ty + 0.79 * ts
    return {"ox": tx + ts / 2.0, "oy": oy, "w": ts * 0.088, "arcs": [ts * r for r in (0.185, 0.325, 0.465)],
            "hub_r": ts * 0.068, "hub_y": oy, "ring": ts * 0.61, "dot_r": ts * 0.066}


def app_icon_vector(size):
    """Blue tile, white wi-fi fan and three orange devices it reaches."""
    k = SS
    S = size * k
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    if size >= 48:
        margin = size * 0.055
    elif size >= 24:
        margin = 1.0
    else:
        margin = 0.0
    lift = margin * 0.3 if size >= 48 else 0.0
    tx, ty, ts = margin, margin - lift, size - 2 * margin
    g = fan_geometry(size, tx, ty, ts)

    def P(u, v):
        return tx + u * ts, ty + v * ts

    tile, td = new_mask((S, S))
    round_rect(td, tx, ty, tx + ts, ty + ts, ts * 0.21, k, fill=255)
    if size >= 48:
        shadow(img, tile, 0, size * 0.02 * k, size * 0.025 * k, NAVY, 0.45)
    elif size >= 24:
        shadow(img, tile, 0, 0.5 * k, 0.5 * k, NAVY, 0.30)

    y_top, y_bot = ty * k, (ty + ts) * k
    paint(img, tile, gradient((S, S), [(0.0, BLUE_HI), (0.55, BLUE), (1.0, BLUE_LO)], y_top, y_bot))

    # Soft sheen across the upper half.
    sheen, sd = new_mask((S, S))
    cx, cy = P(0.5, -0.35)
    sd.ellipse(box(cx - ts * 0.95, cy - ts * 0.85, cx + ts * 0.95, cy + ts * 0.85, k), fill=255)
    sheen = ImageChops.multiply(sheen, tile)
    paint(img, sheen, gradient((S, S), [(0.0, (255, 255, 255, 60)), (1.0, (255, 255, 255, 8))],
                               y_top, y_top + ts * 0.5 * k))

    # Thin darker rim gives the tile an edge on white backgrounds.
    if size >= 32:
        inner, idr = new_mask((S, S))
        rim = max(0.5, size / 96.0)
        round_rect(idr, tx + rim, ty + rim, tx + ts - rim, ty + ts - rim, ts * 0.21 - rim, k, fill=255)
        paint(img, ImageChops.subtract(tile, inner), with_alpha(BLUE_EDGE, 110))

    # Wi-fi fan.
    ox, oy, w = g["ox"], g["oy"], g["w"]
    fan, fd = new_mask((S, S))
    circle(fd, ox, g["hub_y"], g["hub_r"], k, fill=255)
    for r in g["arcs"]:
        stroke_arc(fd, ox, oy, r, 225, 315, w, k)
    if size >= 32:
        shadow(img, fan, 0, ts * 0.022 * k, ts * 0.018 * k, NAVY, 0.40)
    paint(img, fan, gradient((S, S), [(0.0, WHITE), (1.0, (214, 234, 255))], oy * k - ts * 0.5 * k, oy * k))

    # Devices: orange dots on a wider ring, with a faint halo at large sizes.
    dots, dd = new_mask((S, S))
    halo, hd = new_mask((S, S))
    rr, dr = g["ring"], g["dot_r"]
    for a in (238, 270, 302):
        x = ox + rr * math.cos(math.radians(a))
        y = oy + rr * math.sin(math.radians(a))
        circle(dd, x, y, dr, k, fill=255)
        circle(hd, x, y, dr * 1.9, k, fill=255)
    if size >= 48:
        paint(img, ImageChops.subtract(halo, dots), (255, 255, 255, 46))
        shadow(img, dots, 0, ts * 0.015 * k, ts * 0.012 * k, NAVY, 0.45)
    paint(img, dots, gradient((S, S), [(0.0, ORANGE_HI), (1.0, ORANGE_LO)],
                              (oy - rr - dr) * k, (oy - rr * 0.85 + dr) * k))
    return downsample(img, (size, size))


# 16 x 16 drawn by hand so every stroke lands on whole pixels.
APP16 = [
    "0bbbbbbbbbbbbbb0",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbboObbbbbbb",
    "bbbbbbbOObbbbbbb",
    "bboObbbbbbbboObb",
    "bbOObbbbbbbbOObb",
    "bbbbwWWWWWWwbbbb",
    "bbbWWwbbbbwWWbbb",
    "bbbWbbbbbbbbWbbb",
    "bbbbbwWWWWwbbbbb",
    "bbbbbWwbbwWbbbbb",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbbWWbbbbbbb",
    "bbbbbbbWWbbbbbbb",
    "bbbbbbbbbbbbbbbb",
    "0bbbbbbbbbbbbbb0",
]
# Alpha of the rounded corner, top-left quadrant; mirrored to the others.
CORNER16 = [[0, 150, 245], [150, 255, 255], [245, 255, 255]]


def app_icon_16():
    img = Image.new("RGBA", (16, 16))
    px = img.load()
    for y, row in enumerate(APP16):
        tile = stops_at([(0.0, with_alpha(BLUE_HI)), (0.55, with_alpha(BLUE)), (1.0, with_alpha(BLUE_LO))],
                        (y + 0.5) / 16)
        for x, ch in enumerate(row):
            cx = min(x, 15 - x)
            cy = min(y, 15 - y)
            a = CORNER16[cy][cx] if cx < 3 and cy < 3 else 255
            if ch == "W":
                c = WHITE
            elif ch == "w":
                c = lerp(tile, WHITE, 0.55)
            elif ch == "O":
                c = (255, 140, 36)
            elif ch == "o":
                c = (255, 178, 80)
            else:
                c = tile
            px[x, y] = with_alpha(c[:3], a)
    return img


APP_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def app_icon(size):
    return app_icon_16() if size == 16 else app_icon_vector(size)


# ---------------------------------------------------------------- small icons

def host_icon():
    """24 x 24 monitor; edges sit on whole pixels."""
    n, k = 24, SS
    img = Image.new("RGBA", (n * k, n * k), (0, 0, 0, 0))
    S = img.size

    base, bd = new_mask(S)
    round_rect(bd, 6, 20, 18, 22.5, 1.2, k, fill=255)
    neck, nd = new_mask(S)
    nd.polygon([(10.5 * k, 18 * k), (13.5 * k, 18 * k), (14 * k, 20.5 * k), (10 * k, 20.5 * k)], fill=255)
    paint(img, neck, gradient(S, [(0.0, (92, 102, 118)), (1.0, (130, 140, 156))], 18 * k, 20.5 * k))
    paint(img, base, gradient(S, [(0.0, (196, 204, 216)), (1.0, (128, 138, 154))], 20 * k, 22.5 * k))

    frame, fd = new_mask(S)
    round_rect(fd, 1, 2, 23, 18.5, 2, k, fill=255)
    shadow(img, frame, 0, 0.6 * k, 0.5 * k, NAVY, 0.25)
    paint(img, frame, gradient(S, [(0.0, (74, 86, 104)), (1.0, (34, 40, 52))], 2 * k, 18.5 * k))

    screen, sd = new_mask(S)
    sd.rectangle(box(3, 4, 21, 16, k), fill=255)
    paint(img, screen, gradient(S, [(0.0, (92, 178, 255)), (0.6, (24, 124, 236)), (1.0, (10, 90, 205))],
                                4 * k, 16 * k))
    # Diagonal glare.
    glare, gd = new_mask(S)
    gd.polygon([(3 * k, 4 * k), (15 * k, 4 * k), (7 * k, 16 * k), (3 * k, 16 * k)], fill=255)
    paint(img, ImageChops.multiply(glare, screen), (255, 255, 255, 40))
    # Top edge highlight on the frame.
    hl, hd = new_mask(S)
    hd.rectangle(box(3, 2.25, 21, 3.0, k), fill=255)
    paint(img, hl, (255, 255, 255, 60))
    return downsample(img, (n, n))


def scan_icon(n):
    """Radar: blue disc, range rings, a sweep and one orange contact."""
    k = SS
    S = (n * k, n * k)
    img = Image.new("RGBA", S, (0, 0, 0, 0))
    c = n / 2.0
    R = n / 2.0 - 1.0
    unit = n / 26.0

    disc, dd = new_mask(S)
    circle(dd, c, c, R, k, fill=255)
    shadow(img, disc, 0, 0.7 * unit * k, 0.6 * unit * k, NAVY, 0.35)
    paint(img, disc, gradient(S, [(0.0, BLUE_HI), (0.5, BLUE), (1.0, BLUE_LO)], (c - R) * k, (c + R) * k))

    # Sweep: a fan that brightens toward its leading edge.
    lead = -42.0
    span = 84.0
    steps = 21
    for i in range(steps):
        a0 = lead - span + span * i / steps
        a1 = lead - span + span * (i + 1) / steps + 0.6
        m, md = new_mask(S)
        md.pieslice(box(c - R, c - R, c + R, c + R, k), a0, a1, fill=255)
        paint(img, m, (200, 232, 255, int(8 + 120 * ((i + 1) / steps) ** 1.6)))

    rings, rd = new_mask(S)
    lw = max(0.85, 0.95 * unit)
    for rr in (R * 0.36, R * 0.70):
        ro = rr + lw / 2
        rd.ellipse(box(c - ro, c - ro, c + ro, c + ro, k), outline=255, width=int(round(lw * k)))
    stroke_line(rd, c - R + 1.5 * unit, c, c + R - 1.5 * unit, c, lw * 0.8, k, caps=False)
    stroke_line(rd, c, c - R + 1.5 * unit, c, c + R - 1.5 * unit, lw * 0.8, k, caps=False)
    paint(img, ImageChops.multiply(rings, disc), (255, 255, 255, 90))

    beam, bd = new_mask(S)
    ex = c + (R - 0.6) * math.cos(math.radians(lead))
    ey = c + (R - 0.6) * math.sin(math.radians(lead))
    stroke_line(bd, c, c, ex, ey, 1.25 * unit, k)
    paint(img, ImageChops.multiply(beam, disc), (255, 255, 255, 235))

    # Contact just behind the beam.
    ba = lead - 34
    bx = c + R * 0.62 * math.cos(math.radians(ba))
    by = c + R * 0.62 * math.sin(math.radians(ba))
    glow, gd = new_mask(S)
    circle(gd, bx, by, 3.3 * unit, k, fill=255)
    paint(img, glow.filter(ImageFilter.GaussianBlur(1.0 * unit * k)), (255, 190, 90, 170))
    blip, bld = new_mask(S)
    circle(bld, bx, by, 2.05 * unit, k, fill=255)
    paint(img, blip, gradient(S, [(0.0, ORANGE_HI), (1.0, ORANGE_LO)], (by - 2) * k, (by + 2) * k))

    hub, hd = new_mask(S)
    circle(hd, c, c, 1.6 * unit, k, fill=255)
    paint(img, hub, WHITE)

    ring, rgd = new_mask(S)
    rgd.ellipse(box(c - R, c - R, c + R, c + R, k), outline=255, width=int(round(0.9 * unit * k)))
    paint(img, ring, with_alpha(BLUE_EDGE, 170))
    return downsample(img, (n, n))


def export_icon(n):
    """A page with text lines and an arrow leaving it to the right."""
    k = SS
    S = (n * k, n * k)
    img = Image.new("RGBA", S, (0, 0, 0, 0))
    big = n >= 20
    x0, y0, x1, y1 = (2, 1, 14, 19) if big else (2, 1, 13, 17)
    fold = 5 if big else 4

    page, pd = new_mask(S)
    pd.polygon([(x0 * k, y0 * k), ((x1 - fold) * k, y0 * k), (x1 * k, (y0 + fold) * k),
                (x1 * k, y1 * k), (x0 * k, y1 * k)], fill=255)
    shadow(img, page, 0.5 * k, 0.6 * k, 0.5 * k, NAVY, 0.28)
    inner, idr = new_mask(S)
    idr.polygon([((x0 + 1) * k, (y0 + 1) * k), ((x1 - fold - 0.4) * k, (y0 + 1) * k),
                 ((x1 - 1) * k, (y0 + fold + 0.4) * k), ((x1 - 1) * k, (y1 - 1) * k),
                 ((x0 + 1) * k, (y1 - 1) * k)], fill=255)
    paint(img, page, (96, 116, 146))
    paint(img, inner, gradient(S, [(0.0, WHITE), (1.0, (226, 236, 248))], y0 * k, y1 * k))
    # Dog-ear.
    ear, ed = new_mask(S)
    ed.polygon([((x1 - fold) * k, y0 * k), ((x1 - fold) * k, (y0 + fold) * k), (x1 * k, (y0 + fold) * k)],
               fill=255)
    paint(img, ear, (96, 116, 146))
    ear_in, eid = new_mask(S)
    eid.polygon([((x1 - fold + 1) * k, (y0 + 1.9) * k), ((x1 - fold + 1) * k, (y0 + fold) * k),
                 ((x1 - 1.9) * k, (y0 + fold) * k)], fill=255)
    paint(img, ear_in, (200, 214, 232))

    lines, ld = new_mask(S)
    for i, y in enumerate(range(y0 + 4, y1 - 4, 2)):
        right = x1 - 3 if i > 0 else x1 - fold - 1
        ld.rectangle(box(x0 + 2.5, y, right, y + 1, k), fill=255)
    paint(img, lines, (150, 176, 210))

    # Arrow, with a white keyline so it reads over the page.
    ay = y1 - (5.5 if big else 5.0)
    half = 4.5 if big else 4.0
    tip = n - 0.6
    hx = tip - (4.6 if big else 4.2)
    sx = x0 + (5 if big else 4.5)
    sw = 1.6 if big else 1.4
    arrow = [(sx, ay - sw), (hx, ay - sw), (hx, ay - half), (tip, ay), (hx, ay + half),
             (hx, ay + sw), (sx, ay + sw)]
    am, ad = new_mask(S)
    ad.polygon([(x * k, y * k) for x, y in arrow], fill=255, outline=255)
    keyline = am.filter(ImageFilter.MaxFilter(2 * int(0.9 * k) + 1))
    paint(img, keyline, (255, 255, 255, 235))
    paint(img, am, gradient(S, [(0.0, ORANGE_HI), (1.0, ORANGE_LO)], (ay - half) * k, (ay + half) * k))
    return downsample(img, (n, n))


def close_icon(n):
    """Red disc with a white cross."""
    k = SS
    S = (n * k, n * k)
    img = Image.new("RGBA", S, (0, 0, 0, 0))
    c = n / 2.0
    R = n / 2.0 - 0.75
    unit = n / 18.0

    disc, dd = new_mask(S)
    circle(dd, c, c, R, k, fill=255)
    shadow(img, disc, 0, 0.5 * unit * k, 0.5 * unit * k, (60, 10, 10), 0.30)
    paint(img, disc, gradient(S, [(0.0, RED_HI), (1.0, RED_LO)], (c - R) * k, (c + R) * k))
    sheen, sd = new_mask(S)
    sd.ellipse(box(c - R * 0.78, c - R * 0.96, c + R * 0.78, c + R * 0.1, k), fill=255)
    paint(img, sheen, gradient(S, [(0.0, (255, 255, 255, 90)), (1.0, (255, 255, 255, 0))],
                               (c - R) * k, (c + R * 0.1) * k))
    ring, rd = new_mask(S)
    rd.ellipse(box(c - R, c - R, c + R, c + R, k), outline=255, width=int(round(0.85 * unit * k)))
    paint(img, ring, with_alpha(RED_EDGE, 190))

    cross, cd = new_mask(S)
    d = 3.1 * unit
    w = 2.1 * unit
    stroke_line(cd, c - d, c - d, c + d, c + d, w, k)
    stroke_line(cd, c - d, c + d, c + d, c - d, w, k)
    shadow(img, cross, 0, 0.5 * unit * k, 0.4 * unit * k, (110, 10, 10), 0.45)
    paint(img, cross, WHITE)
    return downsample(img, (n, n))


# ---------------------------------------------------------------- bitmaps

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
SORT_INDEX = {"L": 7, "D": 8, "W": 15}
SORT_DOWN = [
    "LLLDDDDDDDDLLL",
    "LLLDDLLLLWWLLL",
    "LLLLDLLLLWLLLL",
    "LLLLDDLLWWLLLL",
    "LLLLLDLLWLLLLL",
    "LLLLLDDWWLLLLL",
    "LLLLLLDWLLLLLL",
]
SORT_UP = [
    "LLLLLLDWLLLLLL",
    "LLLLLDDWWLLLLL",
    "LLLLLDLLWLLLLL",
    "LLLLDDLLWWLLLL",
    "LLLLDLLLLWLLLL",
    "LLLDDLLLLWWLLL",
    "LLLWWWWWWWWLLL",
]


def sort_rows(middle):
    return ["L" * 14] * 4 + middle + ["L" * 14] * 3


def sort_bmp(rows):
    packed = []
    for row in rows:
        idx = [SORT_INDEX[ch] for ch in row]
        if len(idx) % 2:
            idx.append(0)
        packed.append(bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2)))
    return bmp_bytes(14, 14, 4, packed, VGA16)


def copy_bitmap():
    """13 x 13 menu picture: two overlapping pages on white."""
    img = Image.new("RGB", (13, 13), WHITE)
    d = ImageDraw.Draw(img)
    back_edge, back_line = (118, 132, 156), (178, 190, 208)
    front_edge, front_fill, front_line = (8, 100, 215), (238, 245, 255), (110, 160, 228)
    d.rectangle([0, 0, 7, 9], fill=WHITE, outline=back_edge)
    for y in (2, 4, 6):
        d.line([(2, y), (5, y)], fill=back_line)
    d.rectangle([4, 3, 12, 12], fill=front_fill, outline=front_edge)
    for y, right in ((5, 10), (7, 10), (9, 9)):
        d.line([(6, y), (right, y)], fill=front_line)
    return img


def about_logo():
    logo = app_icon_vector(64)
    bg = Image.new("RGBA", (64, 64), with_alpha(ABOUT_BG))
    bg.alpha_composite(logo)
    return bg.convert("RGB")


# ---------------------------------------------------------------- banner

BANNER_W, BANNER_H = 705, 100
BAND_TOP = 70  # from here down black link text is drawn; keep it light

# Network drawn at the right of the banner: (x, y, kind) with kind o = found device.
NET_NODES = [
    (318, 20, "n"), (352, 46, "n"), (384, 14, "n"), (410, 56, "o"), (436, 32, "n"),
    (470, 12, "n"), (494, 48, "n"), (522, 26, "o"), (556, 56, "n"), (566, 10, "n"),
    (598, 36, "n"), (628, 16, "n"), (648, 54, "o"), (676, 34, "n"), (700, 12, "n"),
]
NET_LINKS = [
    (0, 1), (0, 2), (1, 3), (1, 4), (2, 4), (2, 5), (3, 6), (4, 6), (4, 7), (5, 7),
    (5, 9), (6, 8), (7, 8), (7, 10), (9, 10), (9, 11), (8, 12), (10, 12), (10, 11),
    (11, 13), (12, 13), (13, 14), (11, 14),
]


def banner():
    k = SS
    W, H = BANNER_W * k, BANNER_H * k
    S = (W, H)
    img = gradient(S, [(0.0, (3, 44, 112)), (0.38, (5, 78, 178)), (0.75, (8, 108, 222)), (1.0, (20, 126, 238))],
                   horizontal=True)
    # Gentle top-to-bottom shading.
    paint(img, Image.new("L", S, 255), gradient(S, [(0.0, (255, 255, 255, 26)), (0.5, (255, 255, 255, 0)),
                                                    (1.0, (0, 20, 60, 40))], 0, BAND_TOP * k))
    # Soft glow behind the network.
    glow, gd = new_mask(S)
    gd.ellipse(box(430, -70, 760, 120, k), fill=255)
    paint(img, glow.filter(ImageFilter.GaussianBlur(40 * k)), (120, 200, 255, 90))

    # Wi-fi arcs rising from the band, right of centre.
    for i, r in enumerate((26, 50, 74, 98, 122)):
        m, md = new_mask(S)
        stroke_arc(md, 470, BAND_TOP + 6, r, 200, 340, 3.0, k)
        paint(img, m, (255, 255, 255, 44 - i * 6))

    # Nodes and links, fading in from the left so the name stays clean.
    net = Image.new("RGBA", S, (0, 0, 0, 0))
    links, ld = new_mask(S)
    for a, b in NET_LINKS:
        xa, ya, _ = NET_NODES[a]
        xb, yb, _ = NET_NODES[b]
        stroke_line(ld, xa, ya, xb, yb, 1.1, k, caps=False)
    paint(net, links, (210, 235, 255, 95))
    halos, hd = new_mask(S)
    nodes, nd = new_mask(S)
    found, fd = new_mask(S)
    for x, y, kind in NET_NODES:
        if kind == "o":
            circle(hd, x, y, 8.5, k, fill=255)
            circle(fd, x, y, 4.2, k, fill=255)
        else:
            circle(hd, x, y, 6.0, k, fill=255)
            circle(nd, x, y, 3.0, k, fill=255)
    paint(net, ImageChops.subtract(halos, ImageChops.add(nodes, found)), (200, 230, 255, 40))
    paint(net, nodes, (236, 246, 255, 225))
    paint(net, found, gradient(S, [(0.0, ORANGE_HI), (1.0, ORANGE_LO)], 0, BAND_TOP * k))
    fade = gradient(S, [(0.0, (0, 0, 0, 0)), (0.42, (0, 0, 0, 0)), (0.6, (0, 0, 0, 255)), (1.0, (0, 0, 0, 255))],
                    horizontal=True).getchannel("A")
    net.putalpha(ImageChops.multiply(net.getchannel("A"), fade))
    img.alpha_composite(net)

    # Light band for the links.
    band, bd = new_mask(S)
    bd.rectangle(box(0, BAND_TOP, BANNER_W, BANNER_H, k), fill=255)
    shadow(img, band, 0, -1.5 * k, 2.5 * k, NAVY, 0.55)
    paint(img, band, gradient(S, [(0.0, (240, 246, 254)), (1.0, (218, 231, 248))], BAND_TOP * k, H))
    edge, ed = new_mask(S)
    ed.rectangle(box(0, BAND_TOP, BANNER_W, BAND_TOP + 1, k), fill=255)
    paint(img, edge, (255, 255, 255))
    accent, acd = new_mask(S)
    acd.rectangle(box(0, BAND_TOP - 2, BANNER_W, BAND_TOP, k), fill=255)
    paint(img, accent, gradient(S, [(0.0, (255, 150, 50, 0)), (0.25, (255, 150, 50, 0)), (0.6, (255, 140, 40, 230)),
                                    (1.0, (250, 110, 30, 255))], horizontal=True))

    # Product name and tagline.
    name_font = ImageFont.truetype(FONT_BOLD, 40 * k)
    tag_font = ImageFont.truetype(FONT_BOLD, 14 * k)
    text_x = 80
    words, wd = new_mask(S)
    wd.text((text_x * k, 43 * k), "Vantrel", font=name_font, fill=255, anchor="ls")
    tag, tgd = new_mask(S)
    tgd.text(((text_x + 2) * k, 61 * k), "Wireless Network Scanner", font=tag_font, fill=255, anchor="ls")
    shadow(img, ImageChops.add(words, tag), 0, 1.5 * k, 1.5 * k, NAVY, 0.6)
    paint(img, words, gradient(S, [(0.0, WHITE), (1.0, (214, 234, 255))], 12 * k, 43 * k))
    paint(img, tag, (170, 212, 255))

    out = downsample(img, (BANNER_W, BANNER_H))
    # The logo goes on at its own pixel size so it stays sharp.
    out.alpha_composite(app_icon_vector(56), (14, 7))
    return out.convert("RGB")


# ---------------------------------------------------------------- output

def build():
    """Returns {file name: bytes} for every file in res/."""
    files = {}
    files["app.ico"] = ico_bytes([app_icon(s) for s in APP_SIZES])
    files["host.ico"] = ico_bytes([host_icon()])
    files["scan.ico"] = ico_bytes([scan_icon(26)])
    files["scan_disabled.ico"] = ico_bytes([greyed(scan_icon(26))])
    files["scan_hover.ico"] = ico_bytes([vivid(scan_icon(28))])
    files["export.ico"] = ico_bytes([export_icon(18)])
    files["export_disabled.ico"] = ico_bytes([greyed(export_icon(18))])
    files["export_hover.ico"] = ico_bytes([vivid(export_icon(20))])
    files["close.ico"] = ico_bytes([close_icon(18)])
    files["close_disabled.ico"] = ico_bytes([greyed(close_icon(18))])
    files["close_hover.ico"] = ico_bytes([vivid(close_icon(20), colour=1.08, bright=1.08)])
    files["banner.bmp"] = bmp32_from(banner())
    files["about_logo.bmp"] = bmp24_from(about_logo())
    files["sort_down.bmp"] = sort_bmp(sort_rows(SORT_DOWN))
    files["sort_up.bmp"] = sort_bmp(sort_rows(SORT_UP))
    files["copy.bmp"] = bmp24_from(copy_bitmap())
    return files


def load_ico(path):
    """All entries of an ICO as RGBA images, largest last."""
    ico = Image.open(path)
    out = []
    for size in sorted(ico.info["sizes"]):
        out.append(ico.ico.getimage(size).convert("RGBA"))
    return out


def zoom(img, f):
    return img.resize((img.size[0] * f, img.size[1] * f), Image.NEAREST)


def preview(res_dir, out_path):
    """One sheet with every file, read back from res/, at 1x and enlarged."""
    sheet = Image.new("RGBA", (1460, 1400), (246, 247, 250, 255))
    d = ImageDraw.Draw(sheet)
    label = ImageFont.truetype(FONT_BOLD, 12)

    def put(img, x, y, bg=None):
        if bg is not None:
            sheet.paste(Image.new("RGBA", img.size, bg), (x, y))
        sheet.alpha_composite(img.convert("RGBA"), (x, y))

    y = 10
    d.text((10, y), "banner.bmp 1x and 2x", font=label, fill=(40, 40, 40))
    ban = Image.open(os.path.join(res_dir, "banner.bmp")).convert("RGBA")
    put(ban, 10, y + 18)
    # Where the window draws its black links, for judging contrast.
    d.text((10 + 20, y + 18 + 78), "Show Help   Get New Version", font=label, fill=(0, 0, 0))
    d.text((10 + 600, y + 18 + 74), "About", font=label, fill=(0, 0, 0))
    put(zoom(ban, 2).crop((0, 0, 1440, 200)), 10, y + 126)
    y += 340

    d.text((10, y), "app.ico: all entries on white, on button grey, on dark; 16-40 enlarged", font=label,
           fill=(40, 40, 40))
    y += 18
    icons = load_ico(os.path.join(res_dir, "app.ico"))
    x = 10
    for bg in ((255, 255, 255, 255), (236, 236, 236, 255), (32, 36, 44, 255)):
        for im in icons:
            if bg[0] == 255 or im.size[0] < 256:
                put(im, x, y + (256 - im.size[1]), bg)
                x += im.size[0] + 8
        x += 16
    y += 264
    xx = 10
    for im in icons:
        if im.size[0] <= 40:
            f = 8 if im.size[0] <= 24 else 5
            put(zoom(im, f), xx, y, (255, 255, 255, 255))
            xx += im.size[0] * f + 10
    y += 210

    about = Image.open(os.path.join(res_dir, "about_logo.bmp"))
    put(about, xx, y - 210)
    put(zoom(about, 3), xx + 70, y - 210)

    d.text((10, y), "buttons (normal, disabled, hover) 1x on button grey and x6; host, copy, sort", font=label,
           fill=(40, 40, 40))
    y += 18
    x = 10
    for name in ("scan", "scan_disabled", "scan_hover", "export", "export_disabled", "export_hover",
                 "close", "close_disabled", "close_hover", "host"):
        im = load_ico(os.path.join(res_dir, name + ".ico"))[0]
        put(im, x, y, (236, 236, 236, 255))
        put(zoom(im, 6), x, y + 32, (236, 236, 236, 255))
        x += im.size[0] * 6 + 8
    y += 32 + 28 * 6 + 10
    x = 10
    for name in ("copy", "sort_down", "sort_up"):
        im = Image.open(os.path.join(res_dir, name + ".bmp")).convert("RGBA")
        put(im, x, y)
        put(zoom(im, 8), x + 20, y)
        x += 20 + im.size[0] * 8 + 20
    sheet = sheet.crop((0, 0, 1460, y + 120))
    sheet.convert("RGB").save(out_path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=RES_DIR, help="output folder (default: res/)")
    ap.add_argument("--preview", metavar="PNG", help="also write a contact sheet of all artwork")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for name, data in build().items():
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    if args.preview:
        preview(args.out, args.preview)
    return 0


if __name__ == "__main__":
    sys.exit(main())
