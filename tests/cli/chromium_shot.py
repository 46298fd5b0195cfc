"""Headless Chromium as the archive's reader: a screenshot of a page and what
Chromium logged while it loaded it. Every host name resolves to nothing, so a
remote reference in a page fails at once without leaving the machine."""
import os
import shutil
import subprocess

from png_pixels import read_png

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"


def screenshot(url, work, width, height):
    """Returns ((width, height, rows), log) for `url` shown in a window of that
    size; `work` is a scratch folder that keeps the profile and the image."""
    shot = os.path.join(work, "shot.png")
    if os.path.exists(shot):
        os.remove(shot)
    run = subprocess.run(
        [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run", "--hide-scrollbars",
         "--host-resolver-rules=MAP * ~NOTFOUND",
         "--user-data-dir=" + os.path.join(work, "profile"), "--enable-logging=stderr", "--v=0",
         "--window-size=%d,%d" % (width, height), "--screenshot=" + shot, url],
        capture_output=True, text=True, timeout=120)
    if not os.path.exists(shot):
        raise AssertionError("Chromium made no screenshot of %s:\n%s" % (url, run.stderr[-2000:]))
    return read_png(shot), run.stderr
