"""What `make run` does without a display: scripts/run-example converts the
sample site, says so, and the archive it names shows in headless Chromium
exactly as the site itself does, every image included."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from chromium import screenshot

RUN_EXAMPLE, BUILD, SITE = sys.argv[1:4]
WIDTH, HEIGHT = 500, 400


class MakeRunWithoutDisplay(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-make-run-")
        environment = {name: value for name, value in os.environ.items()
                       if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        cls.outcome = subprocess.run([RUN_EXAMPLE, BUILD], env=environment, capture_output=True, text=True,
                                 timeout=120)
        cls.archive = os.path.join(BUILD, "example.mht")
        cls.site_pixels, _ = screenshot("file://" + os.path.join(SITE, "index.html"), cls.work, (WIDTH, HEIGHT))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def shot(self, url):
        return screenshot(url, self.work, (WIDTH, HEIGHT))

    def test_says_what_it_made_and_how(self):
        self.assertEqual(self.outcome.returncode, 0, self.outcome.stderr)
        self.assertIn("--link cid", self.outcome.stdout)
        self.assertIn("open " + self.archive + " in a browser", self.outcome.stdout)

    def test_archive_shows_as_the_site_does(self):
        self.assertEqual(self.outcome.returncode, 0, self.outcome.stderr)
        archive_pixels, log = self.shot("file://" + self.archive)
        self.assertNotIn("Not allowed to load local resource", log)
        self.assertEqual(archive_pixels, self.site_pixels)

    def test_comparison_sees_the_images(self):
        # With file: links Chromium loads none of the parts: the same page
        # without its images and styles must not compare equal.
        convert = os.path.join(BUILD, "bin", "scrivane-convert")
        archive = os.path.join(self.work, "file-links.mht")
        subprocess.run([convert, "--link", "file", os.path.join(SITE, "index.html"), archive], check=True,
                       capture_output=True, timeout=60)
        without_images, log = self.shot("file://" + archive)
        self.assertIn("Not allowed to load local resource", log)
        self.assertNotEqual(without_images, self.site_pixels)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
