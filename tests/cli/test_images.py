"""Small images made in code, so that tests need no image files."""
import struct
import zlib


def gif(red, green, blue):
    """A one-pixel GIF whose single palette entry is the given colour."""
    return bytes([0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 1, 0, 1, 0, 0x80, 0, 0, red, green, blue, 0, 0, 0,
                  0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B])


def png(width, height, red, green, blue):
    """A PNG of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes([red, green, blue]) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def svg(width, height, colour):
    """A rectangle of one colour with a white circle in it."""
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">'
            '<rect width="100%%" height="100%%" fill="%s"/><circle cx="%d" cy="%d" r="%d" fill="white"/></svg>\n'
            % (width, height, colour, width // 2, height // 2, height // 3)).encode()
