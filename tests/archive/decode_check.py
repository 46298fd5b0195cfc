"""Decodes the encoders' output with Python's own decoders.

For every NAME.in in the folder given as the only argument, NAME.b64 and
NAME.qp hold our base64 and quoted-printable encodings. Prints one line per
fault and exits with 1 when there is any.
"""
import base64
import pathlib
import quopri
import sys


def lines_of(name, encoded, faults):
    """The lines of an encoding whose every line ends in CR LF."""
    lines = encoded.split(b"\r\n")
    if any(b"\r" in line or b"\n" in line for line in lines):
        faults.append(f"{name}: a line end other than CR LF")
    return lines


def check_base64(name, raw, encoded):
    faults = []
    lines = lines_of(name, encoded, faults)
    if any(len(line) != 76 for line in lines[:-1]):
        faults.append(f"{name}: base64 line not 76 characters")
    if len(lines[-1]) >= 76:
        faults.append(f"{name}: base64 last line too long or not ended")
    try:
        decoded = base64.b64decode(b"".join(lines), validate=True)
    except ValueError as error:
        return faults + [f"{name}: base64 rejected: {error}"]
    if decoded != raw:
        faults.append(f"{name}: base64 decodes to other bytes")
    return faults


def check_quoted_printable(name, raw, encoded):
    faults = []
    if any(b not in b"\t\r\n" and not 0x20 <= b <= 0x7E for b in encoded):
        faults.append(f"{name}: quoted-printable holds a raw control or 8-bit byte")
    lines = lines_of(name, encoded, faults)
    for number, line in enumerate(lines):
        hard_end = number < len(lines) - 1
        if len(line) + hard_end > 76:
            faults.append(f"{name}: quoted-printable line {number} longer than 76")
        if hard_end and line[-1:] in (b" ", b"\t"):
            faults.append(f"{name}: white space before line break on line {number}")
        if line.startswith(b".") and number > 0 and not lines[number - 1].endswith(b"="):
            faults.append(f"{name}: line {number} starts with a bare dot")
    # In the archive a line end follows every body; the decoder must give
    # back the text and that line end, every line break (a line feed, or CR
    # LF) as CR LF.
    expected = raw.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n") + b"\r\n"
    if quopri.decodestring(encoded + b"\r\n") != expected:
        faults.append(f"{name}: quoted-printable decodes to other bytes")
    return faults


def main():
    folder = pathlib.Path(sys.argv[1])
    faults = []
    inputs = sorted(folder.glob("*.in"))
    for path in inputs:
        raw = path.read_bytes()
        faults += check_base64(path.stem, raw, path.with_suffix(".b64").read_bytes())
        faults += check_quoted_printable(path.stem, raw, path.with_suffix(".qp").read_bytes())
    for fault in faults:
        print(fault)
    print(f"checked {len(inputs)} inputs")
    return 1 if faults or not inputs else 0


if __name__ == "__main__":
    sys.exit(main())
