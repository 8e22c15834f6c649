#!/usr/bin/python3
"""Build Altavue's application icon, altavue.ico (resource MYICON).

The picture is the "chelsea" photograph shipped by Debian's python3-skimage
(a tabby cat, CC0): cropped square around the cat's face, the cat turned into
high-contrast greyscale and the background tinted warm red, keeping the
photograph's own texture in both.

The .ico holds a single 128x128 image in BMP form (not PNG):
    ICONDIR (6 bytes) + one ICONDIRENTRY (16 bytes) + image (67624 bytes)
    image = BITMAPINFOHEADER (40) + 128*128 BGRA pixels, bottom-up (65536)
            + 1-bit AND mask, 128 rows of 16 bytes, bottom-up (2048)
The visual top row and the left column are transparent (alpha 0, mask bit 1);
every other pixel is opaque (alpha 255, mask bit 0).

Usage:  /usr/bin/python3 make_icon.py [OUTPUT.ico]
Writes only OUTPUT (default: altavue.ico next to this script), then decodes
what it wrote and exits non-zero if the layout or the picture is wrong.
Needs python3-skimage (for the photo file), python3-numpy and python3-pil.
The output is the same byte for byte on every run.
"""

import hashlib
import io
import os
import struct
import sys

import numpy as np
from PIL import Image, ImageDraw

PHOTO = "/usr/lib/python3/dist-packages/skimage/data/chelsea.png"
# Hash scikit-image itself records for this file (skimage/data/_registry.py);
# a different photo would silently give a different icon.
PHOTO_SHA256 = "596aa1e7cb875eb79f437e310381d26b338a81c2da23439704a73c4651e8c4bb"
PHOTO_SIZE = (451, 300)  # width, height

SIZE = 128
# Square crop of the photo: the whole height, shifted right so that both eyes,
# the nose and the right ear are in, with the out-of-focus background beside
# the right cheek.
CROP = (120, 0, 420, 300)

# The cat's right-hand outline in photo pixels, from the tip of the right ear
# (above the frame) down past the cheek and the chin fur to below the frame.
# Everything left of it is cat: in this close-up the head fills the frame on
# the left, top and bottom.
CAT_OUTLINE = [
    (402, -5), (398, 2), (387, 18), (375, 35), (366, 55), (360, 72),
    (357, 95), (362, 118), (365, 140), (360, 165), (350, 190), (336, 215),
    (330, 238), (327, 262), (325, 305),
]

ICONDIR_SIZE = 6
ENTRY_SIZE = 16
HEADER_SIZE = 40
XOR_SIZE = SIZE * SIZE * 4
MASK_STRIDE = ((SIZE + 31) // 32) * 4  # AND-mask rows are DWORD aligned
AND_SIZE = MASK_STRIDE * SIZE
IMAGE_SIZE = HEADER_SIZE + XOR_SIZE + AND_SIZE  # 67624
IMAGE_OFFSET = ICONDIR_SIZE + ENTRY_SIZE  # 22
FILE_SIZE = IMAGE_OFFSET + IMAGE_SIZE


def gaussian_blur(x, sigma):
    """Separable Gaussian blur of a 2-D float array, edges mirrored."""
    r = int(3 * sigma + 0.5)
    t = np.arange(-r, r + 1, dtype=np.float64)
    k = np.exp(-0.5 * (t / sigma) ** 2)
    k /= k.sum()
    h, w = x.shape
    p = np.pad(x, ((r, r), (0, 0)), mode="reflect")
    x = sum(k[i] * p[i:i + h] for i in range(2 * r + 1))
    p = np.pad(x, ((0, 0), (r, r)), mode="reflect")
    return sum(k[i] * p[:, i:i + w] for i in range(2 * r + 1))


def load_photo():
    with open(PHOTO, "rb") as f:
        raw = f.read()
    digest = hashlib.sha256(raw).hexdigest()
    if digest != PHOTO_SHA256:
        sys.exit(f"make_icon: {PHOTO} is not the expected photo "
                 f"(sha256 {digest})")
    im = Image.open(io.BytesIO(raw)).convert("RGB")
    if im.size != PHOTO_SIZE:
        sys.exit(f"make_icon: {PHOTO} is {im.size}, expected {PHOTO_SIZE}")
    return np.asarray(im).astype(np.float64) / 255.0


def cat_mask(rgb, lum):
    """Soft 0..1 mask of the cat over the whole photo.

    The traced outline gives the shape; near it the edge is nudged by what
    tells fur from background in this photo: the fur is in focus (fine
    detail) and tan-coloured (saturated), while the background is blurred
    and pale. The result is feathered by a couple of pixels so the cut does
    not show as a hard line once scaled down.
    """
    h, w = lum.shape
    outline = Image.new("L", (w, h), 0)
    ImageDraw.Draw(outline).polygon(
        [(-5, -5)] + CAT_OUTLINE + [(-5, h + 5)], fill=255)
    inside = np.asarray(outline).astype(np.float64) / 255.0

    detail = gaussian_blur(np.abs(lum - gaussian_blur(lum, 1.0)), 2.5)
    top, bottom = rgb.max(axis=2), rgb.min(axis=2)
    saturation = gaussian_blur((top - bottom) / np.maximum(top, 1e-6), 2.5)
    furry = (0.6 * np.clip((detail - 0.004) / 0.012, 0, 1)
             + 0.4 * np.clip((saturation - 0.2) / 0.25, 0, 1))

    near = gaussian_blur(inside, 5.0)  # 0..1 ramp about 15 px either side
    mask = np.clip((near - 0.5) * 3.0 + (furry - 0.5) * 1.2 + 0.5, 0, 1)
    return gaussian_blur(mask, 1.2), inside


def render():
    """The icon picture as a SIZE x SIZE x 3 uint8 array, top row first."""
    rgb = load_photo()
    lum = rgb @ np.array([0.299, 0.587, 0.114])
    mask, inside = cat_mask(rgb, lum)

    # Cat: greyscale stretched over the fur's own range, then an S-curve so
    # the tabby stripes, pupils and nose go near black and the pale fur near
    # white.
    lo, hi = np.percentile(lum[inside > 0.5], [1, 99])
    g = np.clip((lum - lo) / (hi - lo), 0, 1)
    g = 1 / (1 + np.exp(-(g - 0.55) * 8))
    g = (g - g.min()) / (g.max() - g.min())
    cat = np.stack([g, g, g], axis=2)

    # Background: its own (blurred) luminance mapped onto a warm red ramp.
    b = np.clip((lum - 0.2) / 0.7, 0, 1)
    red = np.stack([0.50 + 0.45 * b, 0.06 + 0.22 * b, 0.05 + 0.16 * b], axis=2)

    m = mask[..., None]
    picture = cat * m + red * (1 - m)
    picture = np.clip(picture * 255 + 0.5, 0, 255).astype(np.uint8)
    im = Image.fromarray(picture).crop(CROP).resize((SIZE, SIZE),
                                                     Image.LANCZOS)
    return np.asarray(im).copy()


def encode_ico(pixels):
    """ICO bytes for a top-down SIZE x SIZE RGB array."""
    rgba = np.zeros((SIZE, SIZE, 4), dtype=np.uint8)
    rgba[..., :3] = pixels
    rgba[..., 3] = 255
    rgba[0, :, :] = 0   # top row: fully transparent (colour zeroed too)
    rgba[:, 0, :] = 0   # left column

    bgra = rgba[..., [2, 1, 0, 3]]
    xor = bgra[::-1].tobytes()  # BMP rows go bottom-up

    bits = np.zeros((SIZE, MASK_STRIDE * 8), dtype=np.uint8)
    bits[:, :SIZE] = (rgba[..., 3] == 0)
    and_mask = np.packbits(bits[::-1], axis=1).tobytes()  # MSB = leftmost

    header = struct.pack("<IiiHHIIiiII", HEADER_SIZE, SIZE, 2 * SIZE, 1, 32,
                         0, XOR_SIZE + AND_SIZE, 0, 0, 0, 0)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, IMAGE_SIZE,
                        IMAGE_OFFSET)
    data = icondir + entry + header + xor + and_mask
    assert len(data) == FILE_SIZE
    return data


def check_ico(data, pixels):
    """Decode an icon file's bytes; return a list of what is wrong with it."""
    problems = []

    def want(what, got, expected):
        if got != expected:
            problems.append(f"{what}: {got!r}, expected {expected!r}")

    want("file size", len(data), FILE_SIZE)
    if len(data) < IMAGE_OFFSET + HEADER_SIZE:
        return problems
    want("ICONDIR (reserved, type, count)",
         struct.unpack_from("<HHH", data, 0), (0, 1, 1))
    w, h, colours, reserved, planes, bpp, nbytes, offset = \
        struct.unpack_from("<BBBBHHII", data, ICONDIR_SIZE)
    want("entry width/height", (w, h), (SIZE, SIZE))
    want("entry colour count/reserved", (colours, reserved), (0, 0))
    want("entry planes/bit count", (planes, bpp), (1, 32))
    want("entry dwBytesInRes", nbytes, IMAGE_SIZE)
    want("entry dwImageOffset", offset, IMAGE_OFFSET)
    if data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n":
        problems.append("image is stored as PNG, not BMP")
        return problems
    (bi_size, bi_w, bi_h, bi_planes, bi_bpp, bi_comp, _, _, _, bi_used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, offset)
    want("biSize", bi_size, HEADER_SIZE)
    want("biWidth/biHeight", (bi_w, bi_h), (SIZE, 2 * SIZE))
    want("biPlanes/biBitCount", (bi_planes, bi_bpp), (1, 32))
    want("biCompression (BI_RGB)", bi_comp, 0)
    want("biClrUsed", bi_used, 0)
    if problems:
        return problems

    xor_at = offset + HEADER_SIZE
    stored = np.frombuffer(data, np.uint8, XOR_SIZE, xor_at)
    decoded = stored.reshape(SIZE, SIZE, 4)[::-1]  # back to top row first
    rgb = decoded[..., [2, 1, 0]]
    alpha = decoded[..., 3]
    mask_rows = np.frombuffer(data, np.uint8, AND_SIZE, xor_at + XOR_SIZE)
    mask = np.unpackbits(mask_rows.reshape(SIZE, MASK_STRIDE),
                         axis=1)[::-1, :SIZE]

    ys, xs = np.mgrid[0:SIZE, 0:SIZE]
    clear = (xs == 0) | (ys == 0)
    for name, plane, see_through, solid in (("alpha", alpha, 0, 255),
                                            ("AND mask bit", mask, 1, 0)):
        bad = np.argwhere(np.where(clear, plane != see_through,
                                   plane != solid))
        if len(bad):
            y, x = bad[0]
            problems.append(f"{name} wrong at {len(bad)} pixels, first at "
                            f"x={x} y={y} (top=0): {plane[y, x]}")
    if (rgb[~clear] != pixels[~clear]).any():
        problems.append("opaque pixels differ from the rendered picture")

    # An independent decoder must see the same picture the same way up.
    try:
        im = Image.open(io.BytesIO(data))
        im.load()
        want("PIL decoded size", im.size, (SIZE, SIZE))
        pil = np.asarray(im.convert("RGBA"))
        if pil.shape == (SIZE, SIZE, 4):
            want("PIL alpha, visual top row", int(pil[0, :, 3].max()), 0)
            want("PIL alpha, left column", int(pil[:, 0, 3].max()), 0)
            want("PIL alpha, other pixels", int(pil[1:, 1:, 3].min()), 255)
            if (pil[1:, 1:, :3] != pixels[1:, 1:]).any():
                problems.append("PIL decodes different colours")
    except Exception as e:  # a file PIL cannot read is itself a fault
        problems.append(f"PIL cannot decode the icon: {e}")

    # The picture itself: a warm red background to the right of the cheek,
    # a neutral grey cat in the middle, and real contrast in the cat.
    bg = rgb[56:100, 116:127].reshape(-1, 3).astype(float).mean(axis=0)
    if not (bg[0] > 150 and bg[0] > 2.2 * bg[1] and bg[0] > 2.2 * bg[2]):
        problems.append(f"background right of the cat is not warm red: {bg}")
    face = rgb[20:110, 10:80].astype(int)
    chroma = (face.max(axis=2) - face.min(axis=2)).mean()
    if chroma > 6:
        problems.append(f"cat is not black and white (mean chroma {chroma})")
    grey = face.mean(axis=2)
    if (grey < 40).mean() < 0.03 or (grey > 215).mean() < 0.10:
        problems.append("cat lacks strong contrast (too few darks/lights)")
    return problems


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        sys.exit("usage: make_icon.py [OUTPUT.ico]")
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) == 2 else os.path.join(here, "altavue.ico")

    pixels = render()
    with open(out, "wb") as f:
        f.write(encode_ico(pixels))
    with open(out, "rb") as f:
        written = f.read()

    problems = check_ico(written, pixels)
    if problems:
        for p in problems:
            print(f"make_icon: {out}: {p}", file=sys.stderr)
        return 1
    print(f"wrote {out} ({len(written)} bytes, one {SIZE}x{SIZE} 32-bit "
          f"BMP image; sha256 {hashlib.sha256(written).hexdigest()})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
