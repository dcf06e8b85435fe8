#!/usr/bin/env python3
"""Draws Flickbox's artwork: the two dialog backgrounds and the icon.

    artwork.py OUT_DIR

ImageMagick draws the labels, frames and boxes on a woven texture made here;
this script then maps every pixel to a fixed palette and writes the palette
bitmaps and the icon container itself, so the files come out the same, byte
for byte, on every run (no timestamps, fixed random seeds). Text comes from
fonts-dejavu-core; another ImageMagick or FreeType release may place its
anti-aliasing differently, so regenerate and commit together.
"""

import math
import os
import random
import struct
import subprocess
import sys
import tempfile

CONVERT = os.environ.get("FLICKBOX_CONVERT", "/usr/bin/convert")
FONTS = "/usr/share/fonts/truetype/dejavu"
SANS = FONTS + "/DejaVuSans.ttf"
SANS_BOLD = FONTS + "/DejaVuSans-Bold.ttf"

TEXT = (209, 202, 187)      # the controls' text colour
BRUSH = (93, 86, 71)        # the controls' background brush
SHADOW = (14, 12, 10)
BOX_LINE = (20, 18, 14)
BOX_FILL = (52, 48, 39)
BEVEL_LIGHT = (132, 123, 104)
BEVEL_DARK = (24, 22, 17)
WELL = (31, 28, 23)
WELL_GRID = (44, 40, 33)
ACCENT = (226, 138, 44)     # the icon's play mark

# The dialogs use "MS Sans Serif" 8 pt: 1 dialog unit is 6/4 px across and
# 13/8 px down, rounded the way MapDialogRect rounds.


def dialog_px(value, base, units):
    return (value * base + units // 2) // units


RESOURCE_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui", "flickbox.rc")


def dialog_units():
    """The (x, y, width, height) of every control in the resource script, by
    its id's name: the boxes drawn here follow the controls wherever they move."""
    units = {}
    with open(RESOURCE_SCRIPT) as script:
        for line in script:
            fields = [field.strip() for field in line.strip().split(",")]
            if fields[0].startswith("CONTROL") and len(fields) >= 7:
                units[fields[1]] = tuple(int(value) for value in fields[-4:])
    return units


def control_rect(name):
    """Pixel rectangle (left, top, right, bottom; right and bottom exclusive)."""
    x, y, w, h = dialog_units()[name]
    left, top = dialog_px(x, 6, 4), dialog_px(y, 13, 8)
    return left, top, left + dialog_px(w, 6, 4), top + dialog_px(h, 13, 8)


def colour(rgb):
    return "rgb(%d,%d,%d)" % rgb


# ---------------------------------------------------------------- palettes

def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# The texture, the text and the frames all lie on one brown line from near
# black through the brush colour to the text colour and a little beyond.
RAMP = [(0.0, (8, 7, 5)), (0.45, BRUSH), (0.9, TEXT), (1.0, (246, 242, 232))]


def ramp(t):
    for (t0, c0), (t1, c1) in zip(RAMP, RAMP[1:]):
        if t <= t1:
            return lerp(c0, c1, (t - t0) / (t1 - t0))
    return RAMP[-1][1]


def unique(colours):
    seen, out = set(), []
    for c in colours:
        if c not in seen:
            seen.add(c)
            out.append(c)
    return out


def palette_256():
    keys = [TEXT, BRUSH, SHADOW, BOX_LINE, BOX_FILL, BEVEL_LIGHT, BEVEL_DARK, WELL, WELL_GRID]
    ramp_part = [ramp(i / 199) for i in range(200)]
    accent_part = [lerp((40, 22, 6), ACCENT, i / 15) for i in range(16)]
    accent_part += [lerp(ACCENT, (255, 226, 170), i / 8) for i in range(1, 9)]
    colours = unique([(0, 0, 0)] + keys + ramp_part + accent_part)
    assert len(colours) <= 256, len(colours)
    return colours


def palette_16():
    points = [i * 0.45 / 7 for i in range(8)] + [0.45 + i * 0.45 / 7 for i in range(1, 8)] + [1.0]
    colours = unique([ramp(t) for t in points])
    assert len(colours) == 16 and BRUSH in colours and TEXT in colours
    return colours


def icon_palette_16():
    colours = [(0, 0, 0)] + [ramp(t) for t in (0.12, 0.2, 0.28, 0.36, 0.45, 0.6, 0.75, 0.9, 1.0)]
    colours += [lerp((60, 30, 8), ACCENT, t) for t in (0.0, 0.35, 0.7, 1.0)]
    colours += [(255, 214, 150), (255, 255, 255)]
    colours = unique(colours)
    assert len(colours) == 16
    return colours


# ---------------------------------------------------------------- texture

def weave(width, height, seed):
    """A 2/2 twill of 4 px threads: dark gaps, rounded threads, a little fibre."""
    rng = random.Random(seed)
    thread = 4
    columns = width // thread + 2
    rows = height // thread + 2
    warp = [0.82 + 0.18 * rng.random() for _ in range(columns)]
    weft = [0.78 + 0.18 * rng.random() for _ in range(rows)]
    across = [math.sin(math.pi * (i + 0.5) / thread) ** 0.8 for i in range(thread)]
    along = [math.sin(math.pi * (i + 0.5) / (2 * thread)) ** 0.5 for i in range(2 * thread)]
    out = bytearray()
    for y in range(height):
        cy, v = divmod(y, thread)
        for x in range(width):
            cx, u = divmod(x, thread)
            step = (cx + cy) % 4
            if step < 2:    # the vertical thread lies on top
                level = warp[cx] * across[u] * along[step * thread + v]
            else:
                level = weft[cy] * across[v] * along[(step - 2) * thread + u]
            level = 0.06 + 0.43 * level + 0.035 * (rng.random() - 0.5)
            out += bytes(ramp(min(max(level, 0.0), 1.0)))
    return bytes(out)


def write_ppm(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rgb)


# ---------------------------------------------------------------- ImageMagick

def text_width(font, size, text):
    out = subprocess.run([CONVERT, "-font", font, "-pointsize", str(size), "label:" + text,
                          "-format", "%w", "info:"], check=True, capture_output=True)
    return int(out.stdout)


def render(base_args, draw, width, height, palette_path, dither):
    """Runs ImageMagick on the drawing and returns its pixels mapped to the palette."""
    args = [CONVERT] + base_args + draw
    args += ["-alpha", "off", "-dither", dither, "-remap", palette_path,
             "-depth", "8", "rgb:-"]
    out = subprocess.run(args, check=True, capture_output=True).stdout
    assert len(out) == width * height * 3, (len(out), width, height)
    return out


def label(x, y, text, size=11, font=SANS, fill=TEXT):
    """Light text with a dark shadow; (x, y) is the top left of its cell."""
    baseline = y + size
    return ["-font", font, "-pointsize", str(size),
            "-fill", colour(SHADOW), "-annotate", "+%d+%d" % (x + 1, baseline + 1), text,
            "-fill", colour(fill), "-annotate", "+%d+%d" % (x, baseline), text]


def rect(fill, left, top, right, bottom):
    """A filled rectangle over [left, right) x [top, bottom)."""
    return ["-fill", colour(fill), "-stroke", "none",
            "-draw", "rectangle %d,%d %d,%d" % (left, top, right - 1, bottom - 1)]


def field_box(r):
    """The darker framed box behind an edit field or a list."""
    left, top, right, bottom = r
    return (rect(BEVEL_LIGHT, left - 4, top - 4, right + 4, bottom + 4)
            + rect(BOX_LINE, left - 4, top - 4, right + 3, bottom + 3)
            + rect(BOX_FILL, left - 3, top - 3, right + 3, bottom + 3)
            + rect(BRUSH, left, top, right, bottom))


def group_frame(left, top, right, bottom, title):
    """An etched frame with its title set into the top edge."""
    size = 11
    title_left = left + 8
    title_right = title_left + text_width(SANS_BOLD, size, title) + 6
    draw = []
    for line, dx in ((BEVEL_DARK, 0), (BEVEL_LIGHT, 1)):
        l, t, r, b = left + dx, top + dx, right + dx, bottom + dx
        draw += rect(line, l, t, title_left, t + 1) + rect(line, title_right, t, r, t + 1)
        draw += rect(line, l, t, l + 1, b) + rect(line, r - 1, t, r, b)
        draw += rect(line, l, b - 1, r, b)
    return draw + label(title_left + 3, top - 7, title, size, SANS_BOLD)


def bevel_panel(left, top, right, bottom, fill):
    return (rect(BEVEL_LIGHT, left, top, right, bottom)
            + rect(BEVEL_DARK, left + 1, top + 1, right, bottom)
            + rect(fill, left + 1, top + 1, right - 1, bottom - 1))


# ---------------------------------------------------------------- the icon

def icon_draw(size):
    """The program's mark: a film frame with a play sign, on a dark tile."""
    if size == 16:
        perforations = [("rectangle %d,%d %d,%d" % (x, y, x, y)) for x in (3, 6, 9, 12) for y in (2, 13)]
        return (["-size", "16x16", "xc:none", "+antialias",
                 "-fill", colour(ramp(0.2)), "-stroke", colour(ramp(0.75)),
                 "-draw", "roundrectangle 0,0 15,15 2,2",
                 "-stroke", "none", "-fill", colour(TEXT)]
                + sum((["-draw", p] for p in perforations), [])
                + ["-fill", colour(ramp(0.36)), "-draw", "rectangle 2,4 13,11",
                   "-fill", colour(ACCENT)]
                + sum((["-draw", "rectangle 6,%d %d,%d" % (y, x, y)] for y, x in
                       ((5, 7), (6, 8), (7, 9), (8, 9), (9, 8), (10, 7))), []))
    perforations = [("rectangle %d,%d %d,%d" % (x, y, x + 1, y + 1))
                    for x in (5, 9, 13, 17, 21, 25) for y in (5, 25)]
    return (["-size", "32x32", "xc:none",
             "-fill", colour(ramp(0.2)), "-stroke", colour(ramp(0.75)), "-strokewidth", "1",
             "-draw", "roundrectangle 1.5,1.5 30.5,30.5 4,4",
             "-stroke", "none", "-fill", colour(TEXT)]
            + sum((["-draw", p] for p in perforations), [])
            + ["-fill", colour(ramp(0.36)), "-stroke", colour(ramp(0.12)),
               "-draw", "rectangle 4.5,9.5 27.5,22.5",
               "-stroke", "none", "-fill", colour(ACCENT),
               "-draw", "polygon 12,11.5 12,20.5 20.5,16"])


def render_icon(size, palette, palette_path, tmp):
    png = os.path.join(tmp, "icon%d.png" % size)
    subprocess.run([CONVERT] + icon_draw(size) + ["-depth", "8", "PNG32:" + png], check=True)
    rgb = render([png, "-background", colour(ramp(0.2)), "-flatten"], [], size, size,
                 palette_path, "None")
    alpha = subprocess.run([CONVERT, png, "-alpha", "extract", "-depth", "8", "gray:-"],
                           check=True, capture_output=True).stdout
    indices = to_indices(rgb, palette)
    transparent = [a < 128 for a in alpha]
    # Transparent pixels must be black in the colour bits, so the AND mask
    # shows the screen through them unchanged.
    indices = [0 if t else i for i, t in zip(indices, transparent)]
    return indices, transparent, png


# ---------------------------------------------------------------- file formats

def to_indices(rgb, palette):
    lookup = {c: i for i, c in enumerate(palette)}
    return [lookup[(rgb[i], rgb[i + 1], rgb[i + 2])] for i in range(0, len(rgb), 3)]


def pack_rows(width, height, bits, values):
    """Bottom-up rows of `bits`-bit values, each padded to 4 bytes."""
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = values[y * width:(y + 1) * width]
        packed = bytearray()
        if bits == 8:
            packed = bytearray(row)
        else:
            per_byte = 8 // bits
            for x in range(0, width, per_byte):
                byte = 0
                for k in range(per_byte):
                    value = row[x + k] if x + k < width else 0
                    byte |= value << (8 - bits * (k + 1))
                packed.append(byte)
        out += packed + bytes(stride - len(packed))
    return bytes(out)


def palette_bytes(palette, count):
    full = list(palette) + [(0, 0, 0)] * (count - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in full)


def write_bmp(path, width, height, bits, palette, indices):
    """An uncompressed palette BMP with a BITMAPINFOHEADER (BMP version 3)."""
    count = 1 << bits
    pixels = pack_rows(width, height, bits, indices)
    offset = 14 + 40 + 4 * count
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels),
                            2835, 2835, count, 0))
        f.write(palette_bytes(palette, count))
        f.write(pixels)


def icon_image(size, bits, palette, indices, transparent):
    """One icon image: a BITMAPINFOHEADER of double height, palette, colour bits, AND mask."""
    count = 1 << bits
    xor = pack_rows(size, size, bits, indices)
    mask = pack_rows(size, size, 1, [1 if t else 0 for t in transparent])
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + palette_bytes(palette, count) + xor + mask


def write_ico(path, images):
    """An ICO file of (size, bits, image bytes) entries."""
    offset = 6 + 16 * len(images)
    directory, data = bytearray(struct.pack("<HHH", 0, 1, len(images))), bytearray()
    for size, bits, image in images:
        colours = 1 << bits if bits < 8 else 0
        directory += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image),
                                 offset + len(data))
        data += image
    with open(path, "wb") as f:
        f.write(directory + data)


# ---------------------------------------------------------------- the pictures

def main_background(tmp, palette_path, icon_png):
    width, height = 855, 500
    texture = os.path.join(tmp, "main_texture.ppm")
    write_ppm(texture, width, height, weave(width, height, 117))

    demo_path = control_rect("IDC_MAIN_DEMO_PATH")
    summary = control_rect("IDC_MAIN_SUMMARY")
    exe_path = control_rect("IDC_MAIN_EXE_PATH")
    command_line = control_rect("IDC_MAIN_COMMAND_LINE")
    demo_speed = control_rect("IDC_MAIN_DEMO_SPEED")
    browser = control_rect("IDC_MAIN_BROWSER")
    folder = control_rect("IDC_MAIN_FOLDER")
    players = control_rect("IDC_MAIN_PLAYERS")
    # The map preview is drawn at (37, 125); previews are 160 x 120.
    preview = (37, 125, 37 + 160, 125 + 120)

    draw = []
    # Title: the icon and the name.
    draw += ["(", icon_png, ")", "-geometry", "+14+10", "-composite"]
    draw += label(54, 10, "Flickbox", 24, SANS_BOLD)

    draw += label(demo_path[0], demo_path[1] - 19, "Demofile:")
    draw += field_box(demo_path)
    draw += label(folder[0], folder[1] - 19, "Demofile:")
    draw += field_box(folder)
    draw += field_box(browser)

    draw += group_frame(preview[0] - 11, 104, preview[2] + 11, 258, "Map")
    draw += rect(BEVEL_LIGHT, preview[0] - 1, preview[1] - 1, preview[2] + 1, preview[3] + 1)
    draw += rect(BOX_LINE, preview[0] - 1, preview[1] - 1, preview[2], preview[3])
    draw += rect(WELL, preview[0], preview[1], preview[2], preview[3])
    for x in range(preview[0] + 20, preview[2], 20):
        draw += rect(WELL_GRID, x, preview[1], x + 1, preview[3])
    for y in range(preview[1] + 20, preview[3], 20):
        draw += rect(WELL_GRID, preview[0], y, preview[2], y + 1)

    info_left, info_right = summary[0] - 10, summary[2] + 10
    # The summary paints itself with the brush: the panel matches it.
    draw += rect(BRUSH, info_left + 2, 106, info_right - 1, 257)
    draw += group_frame(info_left, 104, info_right, 258, "Demo Information")

    draw += label(exe_path[0], exe_path[1] - 19, "Path to Executable (hl.exe/cstrike.exe):")
    draw += field_box(exe_path)
    draw += label(demo_speed[0], demo_speed[1] - 19, "Demospeed:")
    draw += field_box(demo_speed)
    draw += label(command_line[0], command_line[1] - 19, "Command Line Options:")
    draw += field_box(command_line)

    draw += label(players[0], players[1] - 19, "Player Information:")
    draw += field_box(players)

    # The panel in the bottom left corner.
    panel = (exe_path[0] - 4, 428, command_line[2] + 4, 488)
    draw += bevel_panel(*panel, BOX_FILL)
    for x in range(panel[0] + 8, panel[2] - 8, 12):
        draw += rect(BOX_LINE, x, panel[1] + 6, x + 6, panel[1] + 10)
        draw += rect(BOX_LINE, x, panel[3] - 10, x + 6, panel[3] - 6)
    draw += label(panel[0] + 14, panel[1] + 14, "Flickbox", 26, SANS_BOLD)
    draw += label(panel[0] + 160, panel[1] + 26, "Half-Life and Counter-Strike demos", 11)

    rgb = render([texture], draw, width, height, palette_path, "None")
    return width, height, rgb


def convert_background(tmp, palette_path):
    width, height = 280, 154
    texture = os.path.join(tmp, "convert_texture.ppm")
    write_ppm(texture, width, height, weave(width, height, 140))

    old_width = control_rect("IDC_CONVERT_OLD_WIDTH")
    old_height = control_rect("IDC_CONVERT_OLD_HEIGHT")
    new_width = control_rect("IDC_CONVERT_NEW_WIDTH")
    new_height = control_rect("IDC_CONVERT_NEW_HEIGHT")

    draw = []
    draw += label(old_width[0] - 2, old_width[1] - 21, "Current Resolution:")
    draw += label(new_width[0] - 2, new_width[1] - 21, "Convert to:")
    for r in (old_width, old_height, new_width, new_height):
        draw += field_box(r)
    for left, right in ((old_width, old_height), (new_width, new_height)):
        middle = (left[2] + right[0]) // 2
        draw += label(middle - 3, left[1] - 1, "x")
    # A down arrow from the current size to the new one.
    middle = (old_width[2] + old_height[0]) // 2
    draw += ["-fill", colour(TEXT), "-stroke", "none",
             "-draw", "polygon %d,%d %d,%d %d,%d" % (middle - 5, 72, middle + 5, 72, middle, 78)]
    draw += rect(TEXT, middle - 1, 64, middle + 1, 72)

    # Only the texture is dithered into the 16 colours: error spread from it
    # must not speckle the flat boxes drawn over it.
    dithered = os.path.join(tmp, "convert_texture_16.ppm")
    subprocess.run([CONVERT, texture, "-dither", "FloydSteinberg", "-remap", palette_path,
                    "-depth", "8", "ppm:" + dithered], check=True)
    rgb = render([dithered], draw, width, height, palette_path, "None")
    return width, height, rgb


def check_outputs(out_dir):
    """Reads the files back: sizes, depths and the icon directory as resources need them."""
    for name, width, height, bits in (("main_background.bmp", 855, 500, 8),
                                      ("convert_background.bmp", 280, 154, 4)):
        with open(os.path.join(out_dir, name), "rb") as f:
            data = f.read()
        magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
        header = struct.unpack_from("<IiiHHIIiiII", data, 14)
        stride = (width * bits + 31) // 32 * 4
        assert magic == b"BM" and size == len(data), name
        assert header[:6] == (40, width, height, 1, bits, 0), (name, header)
        assert offset + stride * height == len(data), name
    with open(os.path.join(out_dir, "flickbox.ico"), "rb") as f:
        data = f.read()
    assert struct.unpack_from("<HHH", data, 0) == (0, 1, 2)
    for i, (size, bits) in enumerate(((16, 4), (32, 8))):
        w, h, colours, _, planes, bit_count, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert (w, h, planes, bit_count) == (size, size, 1, bits), (w, h, planes, bit_count)
        header = struct.unpack_from("<IiiHHI", data, offset)
        assert header == (40, size, 2 * size, 1, bits, 0), header
        stride, mask_stride = (size * bits + 31) // 32 * 4, (size + 31) // 32 * 4
        assert length == 40 + 4 * (1 << bits) + (stride + mask_stride) * size


def write_palette(path, palette):
    write_ppm(path, len(palette), 1, b"".join(bytes(c) for c in palette))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: artwork.py OUT_DIR")
    out_dir = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        big, small, icon16 = palette_256(), palette_16(), icon_palette_16()
        paths = {}
        for name, palette in (("big", big), ("small", small), ("icon16", icon16)):
            paths[name] = os.path.join(tmp, name + ".ppm")
            write_palette(paths[name], palette)

        indices32, mask32, icon_png = render_icon(32, big, paths["big"], tmp)
        indices16, mask16, _ = render_icon(16, icon16, paths["icon16"], tmp)
        write_ico(os.path.join(out_dir, "flickbox.ico"),
                  [(16, 4, icon_image(16, 4, icon16, indices16, mask16)),
                   (32, 8, icon_image(32, 8, big, indices32, mask32))])

        width, height, rgb = main_background(tmp, paths["big"], icon_png)
        write_bmp(os.path.join(out_dir, "main_background.bmp"), width, height, 8, big,
                  to_indices(rgb, big))

        width, height, rgb = convert_background(tmp, paths["small"])
        write_bmp(os.path.join(out_dir, "convert_background.bmp"), width, height, 4, small,
                  to_indices(rgb, small))

    check_outputs(out_dir)


if __name__ == "__main__":
    main()
