"""Many pages in one run: pages and a folder's tree into one output folder,
a page that fails among good ones, the same bytes from every run under
SOURCE_DATE_EPOCH whatever the number of jobs, and shards that together
convert the whole tree once."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from archive_reader import decoded_body, read_archive

CONVERT = sys.argv[1]

TREE = ["index.html", "guide/intro.htm", "guide/deep/steps.xhtml", "api/a.html", "api/b.html",
        "api/c.HTML", "api/d.html", "api/e.html", "api/f.html", "api/g.html"]


def page_text(name):
    depth = name.count("/")
    up = "../" * depth
    return ("<html><head><link rel=stylesheet href='%sstatic/site.css'></head>"
            "<body><img src='%sstatic/logo.gif'><script src='%sstatic/menu.js'></script><p>%s</p></body></html>"
            % (up, up, up, name))


class Batch(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="scrivane-batch-")
        self.tree = os.path.join(self.work, "tree")
        for name in TREE:
            path = os.path.join(self.tree, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as page:
                page.write(page_text(name))
        os.makedirs(os.path.join(self.tree, "static"))
        with open(os.path.join(self.tree, "static", "site.css"), "w") as css:
            css.write("body { background: url(logo.gif) }\n")
        with open(os.path.join(self.tree, "static", "logo.gif"), "wb") as gif:
            gif.write(b"GIF89a\x01\x00\x01\x00\x00\x00\x00;")
        with open(os.path.join(self.tree, "static", "menu.js"), "w") as script:
            script.write("var menu = [];\n")
        with open(os.path.join(self.tree, "static", "notes.txt"), "w") as other:
            other.write("not a page\n")

    def tearDown(self):
        shutil.rmtree(self.work)

    def run_convert(self, *arguments, env=None):
        return subprocess.run([CONVERT, *arguments], capture_output=True, text=True, timeout=120,
                              env=env)

    def read_report(self, path):
        with open(path) as report:
            return [json.loads(line) for line in report]

    def archives(self, folder):
        found = {}
        for root, _, files in os.walk(folder):
            for name in files:
                path = os.path.join(root, name)
                with open(path, "rb") as archive:
                    found[os.path.relpath(path, folder)] = archive.read()
        return found

    def test_pages_and_a_folder_tree(self):
        out = os.path.join(self.work, "out")
        single = os.path.join(self.work, "single.html")
        with open(single, "w") as page:
            page.write(page_text("single.html").replace("static/", "tree/static/"))
        run = self.run_convert(single, "-r", self.tree, "-o", out, "-j", "2", "--quiet")
        self.assertEqual(run.returncode, 0, run.stderr)
        expected = {"single.mht"} | {os.path.splitext(name)[0] + ".mht" for name in TREE}
        self.assertEqual(set(self.archives(out)), expected)
        message, _ = read_archive(os.path.join(out, "guide", "deep", "steps.mht"))
        parts = message.get_payload()
        self.assertIn(b"guide/deep/steps.xhtml", decoded_body(parts[0]))
        self.assertEqual(sorted(part["Content-Location"].rsplit("/", 1)[1] for part in parts[1:]),
                         ["logo.gif", "menu.js", "site.css"])

    def test_a_failing_page_stops_no_other(self):
        out = os.path.join(self.work, "out")
        report = os.path.join(self.work, "report.jsonl")
        good = [os.path.join(self.tree, "api", name) for name in ("a.html", "b.html")]
        with open(good[1], "a") as page:
            page.write("<img src='gone.gif'><img src='../static/logo.gif?again'>")
        missing = os.path.join(self.tree, "api", "missing.html")
        run = self.run_convert(good[0], missing, good[1], "-o", out, "--report", report)
        self.assertEqual(run.returncode, 1)
        self.assertIn(missing, run.stderr)
        self.assertIn("2 of 3 pages converted, 1 failed", run.stderr)
        self.assertEqual(set(self.archives(out)), {"a.mht", "b.mht"})
        lines = {line["input"]: line for line in self.read_report(report)}
        self.assertEqual(set(lines), set(good) | {missing})
        self.assertEqual(lines[missing]["status"], "failed")
        self.assertTrue(lines[missing]["message"])
        for page, left_out in zip(good, (0, 1)):
            self.assertEqual(lines[page]["status"], "converted")
            self.assertEqual(lines[page]["parts"], 4)
            self.assertEqual(lines[page]["files_left_out"], left_out)
            self.assertEqual(lines[page]["bytes"], os.path.getsize(lines[page]["output"]))
        # An archive that would replace its own page is refused, as for one page.
        own = os.path.join(out, "own.mht")
        with open(own, "w") as page:
            page.write("<p>own</p>")
        run = self.run_convert(own, good[0], "-o", out)
        self.assertEqual(run.returncode, 1)
        self.assertIn(own + ": ", run.stderr)
        with open(own) as page:
            self.assertEqual(page.read(), "<p>own</p>")

    def test_shared_files_are_made_once(self):
        log = os.path.join(self.work, "run.log")
        run = self.run_convert("-r", self.tree, "-o", os.path.join(self.work, "out"), "-j", "2", "--log", log)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(log) as lines:
            last = lines.read().splitlines()[-1]
        # Three files (logo, stylesheet, script) for each of ten pages; the
        # script and the stylesheet scanned for each page.
        self.assertEqual(last, "[INFO]\t\tRun cache: 3 parts made, 27 taken from it; 2 scans made, 18 taken from it")

    def test_same_bytes_every_run_and_job_count(self):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        runs = []
        for jobs in ("1", "2", "1", "2"):
            out = os.path.join(self.work, "out-%d" % len(runs))
            run = self.run_convert("-r", self.tree, "-o", out, "-j", jobs, "--link", "cid", env=env)
            self.assertEqual(run.returncode, 0, run.stderr)
            runs.append(self.archives(out))
        self.assertEqual(len(runs[0]), len(TREE))
        for other in runs[1:]:
            self.assertEqual(other, runs[0])
        # Parts taken from the run's cache are the parts one page alone gets.
        alone = os.path.join(self.work, "alone.mht")
        run = self.run_convert(os.path.join(self.tree, "api", "b.html"), alone, "--link", "cid", env=env)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(alone, "rb") as archive:
            self.assertEqual(archive.read(), runs[0][os.path.join("api", "b.mht")])
        boundaries = {read_archive(os.path.join(self.work, "out-0", name))[0].get_boundary() for name in runs[0]}
        self.assertEqual(len(boundaries), len(TREE), "each page's content gives its own boundary")
        self.assertTrue(all(b.startswith("----=KORVATH_SCRIVANEBUILDER_1700000000000_") for b in boundaries))

    def test_three_shards_make_the_whole_tree(self):
        converted = []
        for shard in ("1/3", "2/3", "3/3"):
            report = os.path.join(self.work, "shard-%s.jsonl" % shard[0])
            run = self.run_convert("-r", self.tree, "-o", os.path.join(self.work, "out"), "--shard", shard,
                                   "--report", report, "--quiet")
            self.assertEqual(run.returncode, 0, run.stderr)
            lines = self.read_report(report)
            self.assertTrue(lines, "ten pages leave no shard of three empty with this hash")
            converted += [os.path.relpath(line["input"], self.tree) for line in lines]
        self.assertEqual(sorted(converted), sorted(TREE))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
