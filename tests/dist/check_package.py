"""Builds the Debian package with CPack from the build folder, unpacks it into
a temporary root (dpkg -x) and runs the programs from their installed paths
there; lintian must report no error on it (its warnings are printed)."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from dist_support import convert_sample_site

BUILD, SOURCE, VERSION = sys.argv[1:4]


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps", "file"):
            if shutil.which(tool) is None:
                raise unittest.SkipTest(tool + " is not installed (scripts/install-deps installs it)")
        cls.work = tempfile.mkdtemp(prefix="scrivane-package-")
        packaging = subprocess.run(["cpack", "-B", cls.work], cwd=BUILD, capture_output=True, text=True, timeout=240)
        packages = glob.glob(os.path.join(cls.work, "*.deb"))
        if packaging.returncode != 0 or len(packages) != 1:
            shutil.rmtree(cls.work)
            raise AssertionError("cpack made no package:\n" + packaging.stdout + packaging.stderr)
        cls.package = packages[0]
        cls.root = os.path.join(cls.work, "root")
        subprocess.run(["dpkg", "-x", cls.package, cls.root], check=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", self.package, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    def test_control_fields(self):
        self.assertEqual(os.path.basename(self.package), "scrivane-converter_%s_%s.deb" % (VERSION, self.field(
            "Architecture")))
        self.assertEqual(self.field("Package"), "scrivane-converter")
        self.assertEqual(self.field("Version"), VERSION)
        depends = [entry.split()[0] for entry in self.field("Depends").split(", ")]
        for library in ("libc6", "libstdc++6", "liburiparser1", "libqt6widgets6", "qt6-qpa-plugins"):
            self.assertIn(library, depends)

    def test_changelog_names_this_version(self):
        with open(os.path.join(SOURCE, "dist", "debian", "changelog")) as changelog:
            self.assertTrue(changelog.readline().startswith("scrivane-converter (%s) " % VERSION))

    def test_installed_programs_run(self):
        convert = os.path.join(self.root, "usr", "bin", "scrivane-convert")
        version = subprocess.run([convert, "--version"], capture_output=True, text=True, timeout=30)
        self.assertEqual((version.returncode, version.stdout), (0, "scrivane-convert %s\n" % VERSION))
        convert_sample_site(convert, SOURCE, self.work)
        window = subprocess.run([os.path.join(self.root, "usr", "bin", "scrivane-converter"), "--help"],
                                capture_output=True, text=True, timeout=30, env={"PATH": os.environ["PATH"]})
        self.assertEqual(window.returncode, 0, window.stderr)
        self.assertTrue(os.path.exists(os.path.join(self.root, "usr", "share", "scrivane-converter",
                                                    "scrivane-converter.html")))

    def test_lintian_finds_no_error(self):
        if shutil.which("lintian") is None:
            self.skipTest("lintian is not installed (scripts/install-deps installs it)")
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", self.package], capture_output=True,
                                 text=True, timeout=240)
        report = [line for line in lintian.stdout.splitlines() if line[:2] in ("E:", "W:")]
        print("\nlintian:\n  " + "\n  ".join(report or ["nothing to report"]))
        self.assertEqual([line for line in report if line.startswith("E:")], [])
        self.assertIn(lintian.returncode, (0, 1), lintian.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
