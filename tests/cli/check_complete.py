"""Pages that need more than images, scripts and linked files, converted with
--link cid --complete: a theme that arrives through two levels of @import
with a font and background images, srcset and other media elements, a
frameset of two local pages, and circles of imports and of frames. Headless
Chromium shows each archive as it shows the original page (scripts off for
both), and Python's email module reads the rewritten parts back."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from archive_reader import read_archive
from chromium import screenshot
from test_images import gif, png, svg

CONVERT = sys.argv[1]
SIZE = (640, 360)
# A font the system keeps, copied beside the page as the theme's own.
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"

THEME = {
    "index.html": b"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Overview &#8212; Demo 1.0 documentation</title>
<link rel="stylesheet" type="text/css" href="_static/alabaster.css">
</head>
<body>
<div class="sphinxsidebar"><div class="logo"></div></div>
<div class="body">
<h1>Overview</h1>
<p>Text in the theme's own font.</p>
<div class="admonition note">A note on its picture.</div>
</div>
</body>
</html>
""",
    "_static/alabaster.css": b"""@import url("basic.css");
/* url(never.png) is a comment */
body { margin: 0; background: #fff url(paper.png) repeat-x; }
.sphinxsidebar { position: absolute; left: 0; top: 0; width: 120px; height: 360px;
                 background: url("images/side.gif"); }
.body { margin-left: 140px; }
""",
    "_static/basic.css": b"""@import "fonts/fonts.css";
.logo { width: 100px; height: 50px; margin: 10px;
        background-image: -webkit-image-set("logo.png" 1x, url(logo-2x.png) 2x); background-size: 100px 50px; }
div.admonition { background: url('../_static/images/note.gif'); padding: 10px; width: 300px; }
""",
    "_static/fonts/fonts.css": b"""@font-face { font-family: "Demo Serif"; src: url(demo.ttf) format("truetype"); }
h1, p { font-family: "Demo Serif", monospace; }
""",
    "_static/paper.png": png(8, 40, 250, 240, 200),
    "_static/images/side.gif": gif(60, 90, 140),
    "_static/images/note.gif": gif(230, 200, 120),
    "_static/logo.png": png(100, 50, 200, 60, 40),
    "_static/logo-2x.png": png(200, 100, 40, 60, 200),
}

MEDIA = {
    "index.html": b"""<!DOCTYPE html>
<html><head><style>body { margin: 8px; } img, video, object, embed, svg { vertical-align: top; }
/* The player's overlay shows the state of loading, not what the page holds. */
video::-webkit-media-controls { display: none !important; }</style></head>
<body>
<img srcset="a-1x.png 1x, a-2x.png 2x, https://cdn.example.com/a-3x.png 3x" src="a-fallback.png" width="60" height="60">
<img srcset="s-small.png 100w,
             s-large.png 400w" sizes="80px" src="a-fallback.png" width="80" height="60">
<picture><source srcset="p-wide.png" media="(min-width: 600px)"><img src="a-fallback.png" width="60" height="60"></picture>
<video poster="poster.png" width="80" height="60"></video>
<input type="image" src="go.png" alt="Go">
<object data="diagram.svg" type="image/svg+xml" width="80" height="40"></object>
<embed src="chart.svg" type="image/svg+xml" width="60" height="40">
<svg width="50" height="50"><image href="badge.png" width="50" height="50"/></svg>
<p style="background: url(strip.gif); height: 20px"></p>
</body></html>
""",
    "a-1x.png": png(60, 60, 20, 160, 20),
    "a-2x.png": png(120, 120, 160, 20, 20),
    "a-fallback.png": png(60, 60, 90, 90, 90),
    "s-small.png": png(100, 75, 20, 20, 160),
    "s-large.png": png(400, 300, 160, 160, 20),
    "p-wide.png": png(60, 60, 200, 100, 0),
    "poster.png": png(80, 60, 0, 120, 120),
    "go.png": png(30, 20, 120, 0, 120),
    "diagram.svg": svg(80, 40, "#b0c4de"),
    "chart.svg": svg(60, 40, "#2e8b57"),
    "badge.png": png(50, 50, 250, 128, 0),
    "strip.gif": gif(100, 200, 250),
}

FRAMESET = {
    "index.html": b"""<!DOCTYPE html>
<html><head><title>Manual</title></head>
<frameset cols="200,*" frameborder="0" border="0">
<frame src="frames/toc.html" name="toc">
<frame src="frames/content.html" name="content">
</frameset>
</html>
""",
    "frames/toc.html": b"""<html><body style="margin: 0; background: url(img/toc-bg.gif)">
<img src="img/logo.png" width="120" height="40"><ul><li>Intro</li><li>Usage</li></ul></body></html>
""",
    "frames/content.html": b"""<html><head><link rel="stylesheet" href="content.css"></head>
<body><h2>Usage</h2><div class="box"></div></body></html>
""",
    "frames/content.css": b"body { margin: 10px; } .box { width: 150px; height: 80px; background: url(img/box.png); }\n",
    "frames/img/toc-bg.gif": gif(220, 230, 250),
    "frames/img/logo.png": png(120, 40, 30, 70, 140),
    "frames/img/box.png": png(150, 80, 140, 70, 30),
}

# The stylesheets import each other, and two frames show each other. Chromium
# nests the frames of the original one round deeper than the archive, whose
# innermost frame is cut to show nothing; that frame's square is not compared.
CYCLES = {
    "index.html": b"""<!DOCTYPE html>
<html><head><link rel="stylesheet" href="a.css"></head>
<body><div class="a"></div><div class="b"></div>
<iframe src="one.html" width="400" height="240" style="border: 0; position: absolute; left: 120px; top: 0"></iframe>
</body></html>
""",
    "a.css": b'@import "b.css";\nbody { margin: 0; } .a { width: 100px; height: 100px; background: url(a.gif); }\n',
    "b.css": b'@import url(a.css);\n.b { width: 100px; height: 100px; background: url(b.gif); }\n',
    "a.gif": gif(200, 40, 40),
    "b.gif": gif(40, 200, 40),
    "one.html": b"""<html><body style="margin: 0; background: url(one.gif)">
<iframe src="two.html" width="300" height="160" style="border: 0; position: absolute; left: 60px; top: 40px"></iframe>
</body></html>
""",
    "two.html": b"""<html><body style="margin: 0; background: url(two.gif)">
<iframe src="one.html" width="200" height="80" style="border: 0; position: absolute; left: 40px; top: 40px"></iframe>
</body></html>
""",
    "one.gif": gif(240, 220, 60),
    "two.gif": gif(60, 60, 220),
}
# The innermost frame, where the archive stops: page x, y, width, height.
CUT_FRAME = (120 + 60 + 40, 40 + 40, 200, 80)


class CompleteArchives(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-complete-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def write(self, name, files):
        folder = os.path.join(self.work, name)
        for path, content in files.items():
            os.makedirs(os.path.dirname(os.path.join(folder, path)), exist_ok=True)
            with open(os.path.join(folder, path), "wb") as file:
                file.write(content)
        return os.path.join(folder, "index.html")

    def convert(self, page, name, *options):
        archive = os.path.join(self.work, name + ".mht")
        log = os.path.join(self.work, name + ".log")
        run = subprocess.run([CONVERT, "--link", "cid", "--log", log, *options, page, archive],
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(log, encoding="utf-8") as text:
            self.assertNotIn("[WARNING]", text.read())
        return archive

    def differing(self, page, archive, skip=None):
        """The pixels where Chromium shows the archive otherwise than the page
        (outside the rectangle `skip`), the page's pixels and Chromium's log."""
        original, _ = screenshot("file://" + page, self.work, SIZE, scripts=False)
        archived, log = screenshot("file://" + archive, self.work, SIZE, scripts=False)
        self.assertEqual(original[:2], archived[:2])

        def skipped(x, y):
            return skip is not None and skip[0] <= x < skip[0] + skip[2] and skip[1] <= y < skip[1] + skip[3]
        differing = [(x, y) for y, (a, b) in enumerate(zip(original[2], archived[2]))
                     for x in range(len(a)) if a[x] != b[x] and not skipped(x, y)]
        return differing, original[2], log

    def assert_shown_alike(self, page, archive, skip=None):
        differing, rows, log = self.differing(page, archive, skip)
        self.assertNotIn("Not allowed to load local resource", log)
        self.assertEqual(len(differing), 0, "%d pixels differ, the first at %s" % (len(differing), differing[:1]))
        return rows

    def parts(self, archive):
        """Each resource part's file name (under the page's folder), type and decoded bytes."""
        message, _ = read_archive(archive)
        folder = os.path.dirname(message.get_payload()[0]["Content-Location"][len("file://"):])
        return {part["Content-Location"][len("file://" + folder) + 1:]:
                (part.get_content_type(), part.get_payload(decode=True)) for part in message.get_payload()[1:]}

    def test_theme_through_two_levels_of_imports(self):
        if not os.path.exists(FONT):
            self.skipTest("no font at " + FONT + " to serve as the theme's own")
        with open(FONT, "rb") as font:
            files = dict(THEME, **{"_static/fonts/demo.ttf": font.read()})
        page = self.write("theme", files)
        archive = self.convert(page, "theme", "--complete")
        rows = self.assert_shown_alike(page, archive)
        self.assertEqual(rows[100][60], (60, 90, 140), "the sidebar's background shows")
        self.assertEqual(rows[30][40], (200, 60, 40), "the logo of image-set() shows")
        parts = self.parts(archive)
        self.assertEqual(sorted(parts), sorted(name for name in files if name != "index.html"))
        for name in ("_static/alabaster.css", "_static/basic.css", "_static/fonts/fonts.css"):
            content_type, body = parts[name]
            self.assertEqual(content_type, "text/css", name)
            self.assertIn(b'"cid:', body, name)
        self.assertIn(b"/* url(never.png) is a comment */", parts["_static/alabaster.css"][1])

        # Without complete archiving the theme's imports, font and pictures are lost.
        plain = self.convert(page, "theme-plain", "--no-complete")
        self.assertGreater(len(self.differing(page, plain)[0]), 1000)

    def test_srcset_and_media_elements(self):
        page = self.write("media", MEDIA)
        archive = self.convert(page, "media", "--complete")
        rows = self.assert_shown_alike(page, archive)
        self.assertEqual(rows[30][38], (20, 160, 20), "the 1x candidate of the first srcset shows")
        self.assertEqual(sorted(self.parts(archive)), sorted(name for name in MEDIA if name != "index.html"),
                         "every candidate is archived, not only the one shown")

    def test_frameset_of_two_local_pages(self):
        page = self.write("frameset", FRAMESET)
        archive = self.convert(page, "frameset", "--complete")
        rows = self.assert_shown_alike(page, archive)
        self.assertEqual(rows[20][60], (30, 70, 140), "the table of contents shows its logo")
        parts = self.parts(archive)
        for name in ("frames/toc.html", "frames/content.html"):
            self.assertEqual(parts[name][0], "text/html", name)
            self.assertIn(b"cid:", parts[name][1], name)

    def test_circles_of_imports_and_frames(self):
        page = self.write("cycles", CYCLES)
        archive = self.convert(page, "cycles", "--complete")
        rows = self.assert_shown_alike(page, archive, skip=CUT_FRAME)
        self.assertEqual(rows[150][50], (40, 200, 40), "the stylesheet imported in a circle applies")
        self.assertEqual(rows[90][200], (60, 60, 220), "the second frame shows inside the first")
        self.assertIn(b'src="about:blank"', self.parts(archive)["two.html"][1])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
