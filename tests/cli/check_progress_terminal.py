#!/usr/bin/env python3
"""The real program's progress bar on a pseudo-terminal: drawn and erased on
a terminal once the delay is past, never on a pipe, never with --quiet, never
for a conversion quicker than the default second.

usage: check_progress_terminal.py PROGRAM
"""

import os
import pty
import re
import subprocess
import sys
import tempfile

PARTS = 300
BAR = re.compile(rb"\r\[([#-]{30})\] (\d+)/(\d+) parts")
ERASE = b"\r\x1b[K"


def run(program, arguments, terminal, delay_ms):
    """Runs the program with its standard error on a new pseudo-terminal (or
    a pipe) and gives its exit status and what it wrote there."""
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

        status, shown = run(program, [page, archive], terminal=True, delay_ms=0)
        bars = BAR.findall(shown)
        if status != 0:
            failures.append(f"terminal run ended with {status}: {shown!r}")
        elif not bars:
            failures.append(f"no bar on the terminal: {shown!r}")
        else:
            counts = [(int(written), int(found)) for _, written, found in bars]
            if any(found != PARTS for _, found in counts) or counts[-1][0] != PARTS:
                failures.append(f"the bar does not end at {PARTS} of {PARTS}: {counts}")
            if counts != sorted(counts):
                failures.append(f"the bar went back: {counts}")
            if bars[-1][0] != b"#" * 30:
                failures.append(f"the last bar is not full: {bars[-1][0]!r}")
            if not shown.endswith(ERASE):
                failures.append(f"the bar is not erased at the end: {shown[-60:]!r}")
            if len(bars) > 10:
                failures.append(f"drawn {len(bars)} times for a quick conversion; a few a second is enough")

        for name, arguments, terminal, delay_ms in [
            ("--quiet on a terminal", ["--quiet", page, archive], True, 0),
            ("a pipe", [page, archive], False, 0),
            ("a conversion under a second", [page, archive], True, None),
        ]:
            status, shown = run(program, arguments, terminal, delay_ms)
            if status != 0 or shown != b"":
                failures.append(f"{name}: status {status}, wrote {shown!r} on standard error")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
