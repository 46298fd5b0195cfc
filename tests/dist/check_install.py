"""Installs the build into a prefix of its own with `cmake --install` and checks
what a user gets there: the files in the GNU layout, programs that run from
their installed place, the help page where the window looks for it, and a
desktop entry, AppStream metadata, icons, man pages and a bash completion that
the desktop's own tools accept. A check whose tool is not installed skips."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from dist_support import convert_sample_site, help_options

BUILD, SOURCE, VERSION, HELP_DIR_FROM_BIN = sys.argv[1:5]
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"


def require(tool):
    if shutil.which(tool) is None:
        raise unittest.SkipTest(tool + " is not installed (scripts/install-deps installs it)")


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-install-")
        cls.prefix = os.path.join(cls.work, "prefix")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], check=True, capture_output=True,
                       timeout=120)
        cls.convert = os.path.join(cls.prefix, "bin", "scrivane-convert")
        cls.window = os.path.join(cls.prefix, "bin", "scrivane-converter")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_files_in_the_gnu_layout(self):
        expected = {
            "bin/scrivane-convert", "bin/scrivane-converter",
            "share/scrivane-converter/scrivane-converter.html",
            "share/applications/scrivane-converter.desktop",
            "share/metainfo/com.example.ScrivaneConverter.metainfo.xml",
            "share/icons/hicolor/scalable/apps/scrivane-converter.svg",
            "share/man/man1/scrivane-convert.1.gz", "share/man/man1/scrivane-converter.1.gz",
            "share/bash-completion/completions/scrivane-convert",
            "share/doc/scrivane-converter/copyright", "share/doc/scrivane-converter/changelog.gz",
        }
        expected |= {"share/icons/hicolor/%dx%d/apps/scrivane-converter.png" % (size, size) for size in ICON_SIZES}
        found = set()
        for folder, _, files in os.walk(self.prefix):
            found |= {os.path.relpath(os.path.join(folder, name), self.prefix) for name in files}
        self.assertEqual(found, expected)

    def test_programs_run_from_their_installed_place(self):
        version = subprocess.run([self.convert, "--version"], capture_output=True, text=True, timeout=30)
        self.assertEqual((version.returncode, version.stdout), (0, "scrivane-convert %s\n" % VERSION))
        convert_sample_site(self.convert, SOURCE, self.work)
        window_help = subprocess.run([self.window, "--help"], capture_output=True, text=True, timeout=30,
                                     env={"PATH": os.environ["PATH"]})
        self.assertEqual(window_help.returncode, 0, window_help.stderr)
        self.assertIn("usage: scrivane-converter [PAGE [ARCHIVE]]", window_help.stdout)

    def test_help_page_where_the_window_looks(self):
        looked_at = os.path.normpath(os.path.join(self.prefix, "bin", HELP_DIR_FROM_BIN, "scrivane-converter.html"))
        with open(looked_at, "rb") as installed, open(os.path.join(BUILD, "bin", "scrivane-converter.html"),
                                                       "rb") as shipped:
            self.assertEqual(installed.read(), shipped.read())

    def test_desktop_entry(self):
        entry = self.path("share", "applications", "scrivane-converter.desktop")
        with open(entry) as text:
            lines = dict(line.rstrip("\n").split("=", 1) for line in text if "=" in line)
        self.assertEqual(lines["Exec"], "scrivane-converter %f")
        self.assertIn("text/html", lines["MimeType"].split(";"))
        self.assertTrue(os.path.exists(self.path("share", "icons", "hicolor", "scalable", "apps",
                                                 lines["Icon"] + ".svg")))
        require("desktop-file-validate")
        validation = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, timeout=30)
        self.assertEqual((validation.returncode, validation.stdout + validation.stderr), (0, ""))

    def test_appstream_metadata(self):
        metainfo = self.path("share", "metainfo", "com.example.ScrivaneConverter.metainfo.xml")
        root = ElementTree.parse(metainfo).getroot()
        self.assertEqual(root.find("id").text, "com.example.ScrivaneConverter")
        self.assertEqual(root.find("releases/release").get("version"), VERSION)
        launchable = root.find("launchable").text
        self.assertTrue(os.path.exists(self.path("share", "applications", launchable)))
        require("appstreamcli")
        validation = subprocess.run(["appstreamcli", "validate", "--no-net", "--no-color", metainfo],
                                    capture_output=True, text=True, timeout=60)
        self.assertEqual(validation.returncode, 0, validation.stdout + validation.stderr)

    def test_icons_have_their_sizes(self):
        for size in ICON_SIZES:
            with open(self.path("share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                "scrivane-converter.png"), "rb") as png:
                header = png.read(24)
            self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
            self.assertEqual(struct.unpack(">II", header[16:24]), (size, size))
        svg = ElementTree.parse(self.path("share", "icons", "hicolor", "scalable", "apps",
                                          "scrivane-converter.svg")).getroot()
        self.assertEqual(svg.get("viewBox"), "0 0 64 64")
        self.assertGreater(len(list(svg.iter("{http://www.w3.org/2000/svg}path"))), 2)

    # The command line's page lists its options from the table they are parsed
    # by, and command_line_tests holds it to that table; the window's page is
    # written by hand, so it is held to the window's --help here.
    def test_man_pages_render_cleanly_and_cover_every_option(self):
        require("man")
        for program in (self.convert, self.window):
            name = os.path.basename(program)
            page = self.path("share", "man", "man1", name + ".1.gz")
            rendered = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page], capture_output=True,
                                      text=True, timeout=60, env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
            self.assertEqual((rendered.returncode, rendered.stderr), (0, ""), name)
            self.assertIn(VERSION, rendered.stdout)
            text = rendered.stdout.replace("\u2010", "-")
            for option in help_options(program) if program == self.window else ():
                self.assertTrue(option in text, "%s: %s is not in the man page" % (name, option))

    def completions(self, line, folder):
        """What bash offers for the last word of `line`, typed in `folder`."""
        script = """
source {library}
source {completion}
cd {folder}
read -r -a COMP_WORDS <<< "$LINE"
[[ $LINE == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$((${{#COMP_WORDS[@]}} - 1))
COMP_LINE=$LINE
COMP_POINT=${{#LINE}}
_scrivane_convert
printf '%s\\n' "${{COMPREPLY[@]}}"
""".format(library=BASH_COMPLETION,
           completion=self.path("share", "bash-completion", "completions", "scrivane-convert"), folder=folder)
        run = subprocess.run(["bash", "-c", script], capture_output=True, text=True, timeout=30,
                             env=dict(os.environ, LINE=line))
        self.assertEqual(run.returncode, 0, run.stderr)
        return sorted(word for word in run.stdout.split("\n") if word)

    def test_bash_completion(self):
        if not os.path.exists(BASH_COMPLETION):
            self.skipTest("bash-completion is not installed (scripts/install-deps installs it)")
        folder = os.path.join(self.work, "completion")
        os.makedirs(os.path.join(folder, "sub"))
        for name in ("page.html", "old.HTM", "archive.mht", "chromium.mhtml", "notes.txt"):
            open(os.path.join(folder, name), "w").close()
        cases = [
            ("scrivane-convert ", ["old.HTM", "page.html", "sub"]),
            ("scrivane-convert page.html ", ["archive.mht", "chromium.mhtml", "sub"]),
            ("scrivane-convert -o ", ["archive.mht", "chromium.mhtml", "sub"]),
            ("scrivane-convert --base ", ["sub"]),
            ("scrivane-convert -q -o out.mht page.html ", []),
            ("scrivane-convert --link cid --log x.log page.html ", ["archive.mht", "chromium.mhtml", "sub"]),
            ("scrivane-convert page.html out.mht ", []),
            ("scrivane-convert -- ", ["old.HTM", "page.html", "sub"]),
            ("scrivane-convert --link ", ["cid", "file"]),
            ("scrivane-convert --log-level e", ["errors", "everything"]),
            ("scrivane-convert --root ", ["sub"]),
            ("scrivane-convert --no-default-", ["--no-default-mime", "--no-default-script-ext",
                                                "--no-default-tags"]),
        ]
        for line, expected in cases:
            self.assertEqual(self.completions(line, folder), expected, line)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
