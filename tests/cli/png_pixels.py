"""Reads the pixels of an 8-bit, non-interlaced RGB or RGBA PNG (the form a
browser's screenshot takes), with the five row filters of PNG section 9."""
import struct
import zlib


def _paeth(left, up, up_left):
    estimate = left + up - up_left
    distances = (abs(estimate - left), abs(estimate - up), abs(estimate - up_left))
    return (left, up, up_left)[distances.index(min(distances))]


def _unfilter(kind, row, previous, stride):
    out = bytearray(row)
    for i in range(len(out)):
        left = out[i - stride] if i >= stride else 0
        up = previous[i]
        up_left = previous[i - stride] if i >= stride else 0
        predictor = (0, left, up, (left + up) // 2, _paeth(left, up, up_left))[kind]
        out[i] = (out[i] + predictor) & 0xFF
    return out


def read_png(path):
    """(width, height, rows) where rows[y][x] is an (r, g, b) tuple."""
    with open(path, "rb") as image:
        data = image.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    position, idat = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        chunk = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unsupported PNG form"
        elif kind == b"IDAT":
            idat += chunk
        position += 12 + length
    stride = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    rows, previous, row_bytes = [], bytearray(width * stride), width * stride
    for y in range(height):
        start = y * (row_bytes + 1)
        row = _unfilter(raw[start], raw[start + 1:start + 1 + row_bytes], previous, stride)
        rows.append([tuple(row[x * stride:x * stride + 3]) for x in range(width)])
        previous = row
    return width, height, rows
