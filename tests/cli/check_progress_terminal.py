#!/usr/bin/env python3
"""The real program's progress bar on a pseudo-terminal: bytes written of the
total, the rate and the time left, drawn and erased on a terminal once the
delay is past, never on a pipe, never with --quiet, never for a conversion
quicker than the default second; a signal ends its line before the program
ends.

usage: check_progress_terminal.py PROGRAM
"""

import os
import pty
import re
import signal
import subprocess
import sys
import tempfile

PARTS = 300
SIZE = rb"\d+(?:\.\d)? (?:B|KiB|MiB|GiB)"
BAR = re.compile(rb"\r\[([#-]{30})\] (" + SIZE + rb") of (" + SIZE + rb"), (?:--|" + SIZE + rb")/s, "
                 rb"(?:--:--|\d+:\d\d) left\x1b\[K")
ERASE = b"\r\x1b[K"


def run(program, arguments, terminal, delay_ms, interrupt=False):
    """Runs the program with its standard error on a new pseudo-terminal (or
    a pipe) and gives its exit status and what it wrote there; with
    `interrupt`, SIGINT ends it once its bar shows."""
    env = dict(os.environ)
    env.pop("SCRIVANE_PROGRESS_DELAY_MS", None)
    if delay_ms is not None:
        env["SCRIVANE_PROGRESS_DELAY_MS"] = str(delay_ms)
    if not terminal:
        done = subprocess.run([program, *arguments], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return done.returncode, done.stderr
    leader, follower = pty.openpty()
    process = subprocess.Popen([program, *arguments], env=env, stdout=subprocess.PIPE, stderr=follower)
    os.close(follower)
    written = b""
    while True:
        try:
            chunk = os.read(leader, 65536)
        except OSError:  # EIO: the program has closed its end
            break
        if not chunk:
            break
        written += chunk
        if interrupt and BAR.search(written):
            process.send_signal(signal.SIGINT)
            interrupt = False
    os.close(leader)
    process.stdout.read()
    return process.wait(), written


def main():
    program = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        images = "".join(f'<img src="p{i}.gif">' for i in range(PARTS))
        with open(os.path.join(folder, "page.html"), "w") as page:
            page.write(f"<p>many parts</p>{images}")
        for i in range(PARTS):
            with open(os.path.join(folder, f"p{i}.gif"), "wb") as image:
                image.write(b"GIF89a" + bytes([i % 256]) * 4096)
        page = os.path.join(folder, "page.html")
        archive = os.path.join(folder, "page.mht")

        # What the terminal shows once the bar is gone (line feeds as a
        # terminal reports them).
        success = f"Web archive created successfully at:\r\n{archive}\r\n".encode()
        status, shown = run(program, [page, archive], terminal=True, delay_ms=0)
        bars = BAR.findall(shown)
        total = f"{PARTS * 4102 / 1024 / 1024:.1f} MiB".encode()
        if status != 0:
            failures.append(f"terminal run ended with {status}: {shown!r}")
        elif not bars:
            failures.append(f"no bar on the terminal: {shown!r}")
        else:
            if any(found != total for _, _, found in bars) or bars[-1][1] != total or bars[0][1] != b"0 B":
                failures.append(f"the bar does not go from 0 B to {total} of {total}: {bars}")
            if bars[-1][0] != b"#" * 30:
                failures.append(f"the last bar is not full: {bars[-1][0]!r}")
            if not shown.endswith(ERASE + success):
                failures.append(f"the bar is not erased before the success lines: {shown[-120:]!r}")
            if len(bars) > 10:
                failures.append(f"drawn {len(bars)} times for a quick conversion; a few a second is enough")

        for name, arguments, terminal, delay_ms, told in [
            ("--quiet on a terminal", ["--quiet", page, archive], True, 0, b""),
            ("a pipe", [page, archive], False, 0, success.replace(b"\r\n", b"\n")),
            ("a conversion under a second", [page, archive], True, None, success),
        ]:
            status, shown = run(program, arguments, terminal, delay_ms)
            if status != 0 or shown != told:
                failures.append(f"{name}: status {status}, wrote {shown!r} on standard error")

        # Files far bigger than a moment's work, made sparse so that making
        # them costs nothing.
        big = os.path.join(folder, "big")
        os.mkdir(big)
        for i in range(64):
            with open(os.path.join(big, f"p{i}.gif"), "wb") as image:
                image.truncate(8 << 20)
        with open(os.path.join(big, "page.html"), "w") as page_file:
            page_file.write("".join(f'<img src="p{i}.gif">' for i in range(64)))
        status, shown = run(program, [os.path.join(big, "page.html"), os.path.join(big, "page.mht")],
                            terminal=True, delay_ms=0, interrupt=True)
        if status != 128 + signal.SIGINT or not BAR.search(shown) or not shown.endswith(b"\x1b[K\r\n"):
            failures.append(f"interrupted: status {status}, the bar's line not ended: {shown[-120:]!r}")
        if sorted(os.listdir(big)) != sorted(["page.html"] + [f"p{i}.gif" for i in range(64)]):
            failures.append(f"interrupted: left {sorted(os.listdir(big))}")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
