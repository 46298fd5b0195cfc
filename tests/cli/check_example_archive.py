"""Converts the sample site with the command line and reads the archive back
independently: with file: links and without complete archiving, every part
holds exactly its file's bytes, every rewritten reference has its part, line
ends are CR LF, and the log is the golden one. Converted with no options at
all, the archive also holds what only the stylesheets name, and Chromium
shows it as the site. The page also comes from the standard input and the
archive goes to the standard output."""
import email
import email.policy
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from archive_reader import decoded_body, has_only_crlf_line_ends, read_archive, referenced_urls
from chromium import screenshot

CONVERT, SITE, GOLDEN_LOG = sys.argv[1:4]


class ExampleArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-e2e-")
        cls.site = os.path.join(cls.work, "site")
        shutil.copytree(SITE, cls.site)
        cls.archive = os.path.join(cls.work, "out", "example.mht")
        os.mkdir(os.path.dirname(cls.archive))
        cls.log = os.path.join(cls.work, "convert.log")
        cls.conversion = subprocess.run(
            [CONVERT, "--link", "file", "--no-complete", "--log", cls.log, os.path.join(cls.site, "index.html"),
             cls.archive],
            capture_output=True, text=True, timeout=60)
        cls.message, cls.raw = read_archive(cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def test_reports_success(self):
        self.assertEqual(self.conversion.returncode, 0, self.conversion.stderr)
        self.assertEqual(self.conversion.stdout, "")
        self.assertEqual(self.conversion.stderr, "Web archive created successfully at:\n" + self.archive + "\n")

    def test_line_ends_are_crlf(self):
        self.assertTrue(has_only_crlf_line_ends(self.raw))

    def test_parts_hold_their_files(self):
        self.assertEqual(self.message.get_content_type(), "multipart/related")
        parts = self.message.get_payload()
        main, resources = parts[0], parts[1:]
        self.assertEqual(main["Content-Location"], "file://" + os.path.join(self.site, "index.html"))
        locations = []
        for part in resources:
            location = part["Content-Location"]
            self.assertTrue(location.startswith("file:///"), location)
            with open(location[len("file://"):], "rb") as original:
                self.assertEqual(decoded_body(part), original.read(), location)
            locations.append(location)
        expected = ["css/style.css", "images/bg.gif", "images/inline.gif", "images/logo.gif",
                    "images/off.gif", "images/on.gif", "js/menu.js"]
        self.assertEqual(sorted(locations), ["file://" + os.path.join(self.site, name) for name in expected])

    def test_references_point_at_parts(self):
        parts = self.message.get_payload()
        markup = decoded_body(parts[0]).decode("utf-8")
        locations = {part["Content-Location"] for part in parts[1:]}
        rewritten = referenced_urls(markup, "file://")
        self.assertEqual(len(rewritten), 4)
        for url in rewritten:
            self.assertIn(url, locations)
        self.assertIn('src="https://www.example.com/remote.png"', markup)
        self.assertIn('src="data:image/gif;base64,R0lGODlhAQABAIAAAAAA/wAAACwAAAAAAQABAAACAkQBADs="', markup)
        self.assertTrue(markup.startswith("<!DOCTYPE html><html lang=\"en\">"))
        self.assertIn("Café &amp; gallery", markup)

    def test_without_options_the_archive_shows_every_image(self):
        """Named after the page, in the current folder, with cid links and
        what only the stylesheets name."""
        folder = os.path.join(self.work, "plain")
        os.mkdir(folder)
        run = subprocess.run([CONVERT, os.path.join(self.site, "index.html")], capture_output=True, text=True,
                             timeout=60, cwd=folder)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(os.listdir(folder), ["index.mht"])
        archive = os.path.join(folder, "index.mht")
        message, _ = read_archive(archive)
        parts = {part["Content-Location"][len("file://" + self.site) + 1:]: part for part in message.get_payload()[1:]}
        for name in ("css/theme.css", "images/band.gif", "images/rule.gif"):
            self.assertIn(name, parts)
        style = decoded_body(parts["css/style.css"]).decode()
        self.assertTrue(style.startswith('@import url("cid:'), style)
        self.assertIn('background: url("cid:', style)
        page = screenshot("file://" + os.path.join(self.site, "index.html"), self.work, scripts=False)[0]
        shown, log = screenshot("file://" + archive, self.work, scripts=False)
        self.assertNotIn("Not allowed to load local resource", log)
        self.assertEqual(shown, page)

    def test_page_from_standard_input_archive_to_standard_output(self):
        """`-` as the page reads it from the standard input, its references
        meaning files in --base; `-o -` streams the archive."""
        with open(os.path.join(self.site, "index.html"), "rb") as page:
            markup = page.read()
        run = subprocess.run([CONVERT, "--base", self.site, "-o", "-", "-"], input=markup, capture_output=True,
                             timeout=60, cwd=self.work)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, b"Web archive created successfully at:\nthe standard output\n")
        self.assertTrue(has_only_crlf_line_ends(run.stdout), "the same line ends as in a file")
        message = email.message_from_bytes(run.stdout, policy=email.policy.compat32)
        parts = message.get_payload()
        self.assertEqual(parts[0]["Content-Location"], "file://" + os.path.join(self.site, "-"))
        locations = sorted(part["Content-Location"][len("file://" + self.site) + 1:] for part in parts[1:])
        self.assertEqual(locations, ["css/style.css", "css/theme.css", "images/band.gif", "images/bg.gif",
                                     "images/inline.gif", "images/logo.gif", "images/off.gif", "images/on.gif",
                                     "images/rule.gif", "js/menu.js"])
        for part in parts[1:]:
            if not part["Content-Location"].endswith(".css"):
                with open(part["Content-Location"][len("file://"):], "rb") as original:
                    self.assertEqual(decoded_body(part), original.read())

        mhtml = os.path.join(self.work, "out", "chromium-name.mhtml")
        run = subprocess.run([CONVERT, "-q", "--base", self.site, "-", mhtml], input=markup, capture_output=True,
                             timeout=60)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"", b""))
        self.assertEqual(len(read_archive(mhtml)[0].get_payload()), len(parts))

    def test_log_is_the_golden_one(self):
        with open(GOLDEN_LOG, encoding="utf-8") as golden:
            expected = golden.read().replace("{SITE}", self.site).replace("\n", "\r\n")
        with open(self.log, encoding="utf-8", newline="") as log:
            self.assertEqual(log.read(), expected)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
