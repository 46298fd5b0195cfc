"""Headless Chromium as the archive's reader: a screenshot of what it shows.
Every host name resolves to nothing, so a remote reference in a page fails at
once without leaving the machine."""
import json
import os
import shutil
import subprocess

from png_pixels import read_png

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"


def screenshot(url, work, size=(400, 200), scripts=True):
    """((width, height, rows), Chromium's log) for the page at `url`. `work`
    is a folder for the profile and the picture."""
    shot = os.path.join(work, "shot.png")
    if os.path.exists(shot):
        os.remove(shot)
    profile = os.path.join(work, "profile" if scripts else "profile-without-scripts")
    if not scripts:
        # The profile's own content setting: the blink switch for scripts
        # also stops the headless screenshot.
        os.makedirs(os.path.join(profile, "Default"), exist_ok=True)
        with open(os.path.join(profile, "Default", "Preferences"), "w") as preferences:
            json.dump({"profile": {"default_content_setting_values": {"javascript": 2}}}, preferences)
    arguments = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--hide-scrollbars",
                 "--host-resolver-rules=MAP * ~NOTFOUND", "--user-data-dir=" + profile, "--enable-logging=stderr", "--v=0",
                 "--window-size=%d,%d" % size, "--screenshot=" + shot]
    run = subprocess.run(arguments + [url], capture_output=True, text=True, timeout=120)
    if not os.path.exists(shot):
        raise AssertionError("Chromium made no screenshot of %s:\n%s" % (url, run.stderr[-2000:]))
    return read_png(shot), run.stderr
