"""A small corpus of pages in the styles of generated documentation, each
converted with cid: links: headless Chromium shows the archive exactly as it
shows the original page (scripts off for both, so that only the archive's
content counts), and Python's email module reads every part back as the
bytes of its file."""
import os
import re
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


# Each page: its file, then every file beside it, by path under the page's
# folder. Bytes are written as they stand.
SPHINX = {
    "index.html": """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Overview &#8212; Demo 1.0 documentation</title>
<link rel="canonical" href="index.html">
<link rel="stylesheet" type="text/css" href="_static/pygments.css">
<link rel="stylesheet" type="text/css" href="_static/basic.css">
<link rel="stylesheet" type="text/css" href="_static/alabaster.css">
<script src="_static/documentation_options.js"></script>
<script src="_static/doctools.js"></script>
</head>
<body>
<div class="sphinxsidebar"><img class="logo" src="_static/logo.svg" alt="Logo"></div>
<div class="body">
<h1>Overview<a class="headerlink" href="#overview">\u00b6</a></h1>
<p>The <code class="docutils literal">convert()</code> call turns a page into one file.</p>
<div class="highlight"><pre><span class="k">def</span> <span class="nf">convert</span>(page):</pre></div>
</div>
</body>
</html>
""".encode("utf-8"),
    "_static/pygments.css": b".highlight { background: #f8f8f8; }\n.highlight .k { color: #007020; font-weight: bold }\n"
                            b".highlight .nf { color: #06287e }\n",
    "_static/basic.css": b"",  # generators leave empty stylesheets behind
    # Written on Windows: CR LF line ends, and a blank ends the file.
    "_static/alabaster.css": b"body { margin: 0; font-family: sans-serif; }\r\n"
                             b".sphinxsidebar { position: absolute; left: 10px; top: 10px; }\r\n"
                             b".body { margin-left: 140px; }\r\n"
                             b"h1 { color: #3e4349; } \t",
    "_static/logo.svg": svg(120, 60, "#2980b9"),
    "_static/documentation_options.js": b"var DOCUMENTATION_OPTIONS={VERSION:'1.0',LANGUAGE:'en'};\n",
    # Minified: side-by-side assignments on one line.
    "_static/doctools.js": b'var u=new Image,d=new Image;u.src="_static/up.gif";d.src=\'_static/down.gif\';',
    "_static/up.gif": gif(10, 120, 10),
    "_static/down.gif": gif(120, 10, 10),
}

DOXYGEN = {
    "classFoo.html": b"""<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" \
"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/xhtml;charset=UTF-8"/>
<title>Demo: Foo Class Reference</title>
<link href="tabs.css" rel="stylesheet" type="text/css"/>
<link href="doxygen.css" rel="stylesheet" type="text/css"/>
<script type="text/javascript" src="dynsections.js"></script>
</head>
<body>
<div id="top"><table cellspacing="0" cellpadding="0"><tr>
<td id="projectlogo"><img alt="Logo" src="project_logo.png"/></td>
<td><div id="projectname">Demo</div></td></tr></table></div>
<div class="header"><div class="title">Foo Class Reference</div></div>
<div class="dynheader"><img id="dynsection-0-trigger" src=" closed.png
" alt="+"/> Inheritance diagram for Foo:</div>
<div class="center"><img src="class_foo__inherit__graph.svg" width="160" height="80" alt="Inheritance graph"/></div>
</body>
</html>
""",
    "tabs.css": b".tabs { width: 100%; }\n",
    "doxygen.css": b"body { background-color: white; color: black; margin: 8px; font: 14px sans-serif; }\n"
                   b".title { font-size: 150%; font-weight: bold; margin: 10px 2px; }\n"
                   b"div.center { text-align: center; }\n",
    "dynsections.js": b"function toggleVisibility(linkObj){var base=$(linkObj).attr('id');}\n",
    "project_logo.png": png(48, 24, 200, 120, 40),
    "closed.png": png(9, 9, 90, 90, 90),
    "class_foo__inherit__graph.svg": svg(160, 80, "#b0c4de"),
}

LEGACY = {
    "index.htm": """<HTML>
<HEAD>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=ISO-8859-1">
<TITLE>Autoren</TITLE>
<LINK REL="stylesheet" HREF="style.css">
</HEAD>
<BODY BGCOLOR="#FFFFFF" BACKGROUND="images/paper.gif">
<H1>Jan Pokorn\u00fd</H1>
<P>\u00c7a va tr\u00e8s bien &mdash; Gr\u00f6\u00dfe \u00bd, \u00a9 1999</P>
<IMG SRC="images/photo.gif" WIDTH=64 HEIGHT=64 ALT="Foto">
</BODY>
</HTML>
""".encode("iso-8859-1"),
    "style.css": b"H1 { font-family: serif; color: #800000; }\r\nIMG { border: 2px solid black; }\r\n",
    "images/paper.gif": gif(250, 245, 225),
    "images/photo.gif": gif(40, 90, 160),
}

CORPUS = {"sphinx": ("index.html", SPHINX), "doxygen": ("classFoo.html", DOXYGEN), "legacy": ("index.htm", LEGACY)}


class Corpus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-corpus-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def convert(self, name):
        """The page's path and its archive's path, the page written and converted."""
        page, files = CORPUS[name]
        folder = os.path.join(self.work, name)
        for path, content in files.items():
            os.makedirs(os.path.dirname(os.path.join(folder, path)), exist_ok=True)
            with open(os.path.join(folder, path), "wb") as file:
                file.write(content)
        archive = os.path.join(self.work, name + ".mht")
        run = subprocess.run([CONVERT, "--link", "cid", os.path.join(folder, page), archive],
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr)
        return os.path.join(folder, page), archive

    def assert_shown_alike(self, page, archive):
        original, _ = screenshot("file://" + page, self.work, SIZE, scripts=False)
        archived, log = screenshot("file://" + archive, self.work, SIZE, scripts=False)
        self.assertNotIn("Not allowed to load local resource", log)
        differing = [(x, y) for y, (a, b) in enumerate(zip(original[2], archived[2]))
                     for x in range(len(a)) if a[x] != b[x]]
        self.assertEqual(original[:2], archived[:2])
        self.assertEqual(len(differing), 0, "pixels differ, the first at %s" % (differing[:1],))
        return original[2]

    def assert_parts_hold_their_files(self, archive, files, folder):
        message, _ = read_archive(archive)
        parts = message.get_payload()
        by_location = {}
        for part in parts[1:]:
            location = part["Content-Location"]
            self.assertTrue(location.startswith("file:///"), location)
            self.assertTrue(part["Content-Type"].strip(), location + " has no type")
            body = part.get_payload(decode=True)
            if part["Content-Transfer-Encoding"] == "quoted-printable":
                # The line end the writer puts after every body.
                self.assertTrue(body.endswith(b"\r\n"), location)
                body = body[:-2]
            by_location[location[len("file://"):]] = (body, part["Content-Transfer-Encoding"])
        expected = {}
        for path, content in files.items():
            if path.endswith((".html", ".htm")):
                continue
            full = os.path.join(folder, path)
            expected[full] = content
        self.assertEqual(sorted(by_location), sorted(expected))
        for path, (body, encoding) in by_location.items():
            content = expected[path]
            if encoding == "quoted-printable":
                # Text in its canonical form: every line break CR LF (RFC 2045 section 6.7).
                content = re.sub(rb"\r?\n", b"\r\n", content)
            self.assertEqual(body, content, path)
        return message

    def test_sphinx_page(self):
        page, archive = self.convert("sphinx")
        rows = self.assert_shown_alike(page, archive)
        self.assertEqual(rows[20][40], (0x29, 0x80, 0xB9), "the SVG logo shows")
        message = self.assert_parts_hold_their_files(archive, SPHINX, os.path.dirname(page))
        types = {part["Content-Location"].rsplit("/", 1)[-1]: part.get_content_type()
                 for part in message.get_payload()[1:]}
        self.assertEqual(types["logo.svg"], "image/svg+xml")
        self.assertEqual(types["basic.css"], "text/css")

    def test_doxygen_page(self):
        page, archive = self.convert("doxygen")
        self.assert_shown_alike(page, archive)
        self.assert_parts_hold_their_files(archive, DOXYGEN, os.path.dirname(page))

    def test_legacy_latin1_page(self):
        page, archive = self.convert("legacy")
        self.assert_shown_alike(page, archive)
        message = self.assert_parts_hold_their_files(archive, LEGACY, os.path.dirname(page))
        markup = message.get_payload()[0].get_payload(decode=True).decode("utf-8")
        self.assertIn("Jan Pokorn\u00fd", markup)
        self.assertRegex(markup, re.compile(r'content="text/html; charset=utf-8"', re.IGNORECASE))
        with open(page, "rb") as source:
            self.assertEqual(source.read(), LEGACY["index.htm"], "the page itself is never touched")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
