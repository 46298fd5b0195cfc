"""Converts a page with cid: links and opens the archive in headless Chromium:
the screenshot shows every image in its colour, and Chromium refuses no
resource."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from chromium import screenshot
from test_images import gif

CONVERT = sys.argv[1]

IMAGES = {"red.gif": (220, 30, 30), "pics/green.gif": (30, 180, 30), "pics/deep/Blue.gif": (30, 30, 220)}
BACKGROUND = (240, 220, 60)
PAGE = """<!DOCTYPE html>
<html><head><link rel="stylesheet" href="layout.css"></head>
<body background="tile.gif">
<img id="a" src="red.gif"><img id="b" src="pics/green.gif"><img id="c" src="pics/deep/Blue.gif">
</body></html>
"""
STYLESHEET = """body { margin: 0; }
img { position: absolute; top: 40px; width: 80px; height: 80px; }
#a { left: 20px; } #b { left: 140px; } #c { left: 260px; }
"""


class ChromiumOpensArchive(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="scrivane-chromium-")
        self.site = os.path.join(self.work, "my site")
        for name, colour in list(IMAGES.items()) + [("tile.gif", BACKGROUND)]:
            path = os.path.join(self.site, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as image:
                image.write(gif(*colour))
        with open(os.path.join(self.site, "layout.css"), "w") as css:
            css.write(STYLESHEET)
        with open(os.path.join(self.site, "index.html"), "w") as page:
            page.write(PAGE)

    def tearDown(self):
        shutil.rmtree(self.work)

    def test_every_image_shows(self):
        archive = os.path.join(self.work, "page.mht")
        convert = subprocess.run([CONVERT, "--link", "cid", os.path.join(self.site, "index.html"), archive],
                                 capture_output=True, text=True, timeout=60)
        self.assertEqual(convert.returncode, 0, convert.stderr)
        (width, height, rows), log = screenshot("file://" + archive, self.work)
        self.assertNotIn("Not allowed to load local resource", log)
        for name, x in (("red.gif", 60), ("pics/green.gif", 180), ("pics/deep/Blue.gif", 300)):
            self.assertEqual(rows[80][x], IMAGES[name], name)
        self.assertEqual(rows[160][200], BACKGROUND)
        self.assertEqual(rows[80][130], BACKGROUND)  # the stylesheet placed the images apart


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
