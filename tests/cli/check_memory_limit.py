"""Converts a site of 320 MB, whose archive is about 440 MB, in a process whose
address space is limited to 128 MB: the conversion holds the page and a few
parts at a time, never the archive, so it must succeed with every part whole.
Under the same limit: one file bigger than the limit, and stylesheets that
together are, under complete archiving, are archived whole; a page that
cannot be held fails as running out of memory, and the earlier archive stays.

usage: check_memory_limit.py SCRIVANE_CONVERT SANITIZED
SANITIZED is 1 for an AddressSanitizer build, whose shadow memory alone is far
bigger than any address-space limit: the test is then skipped."""
import base64
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest

CONVERT, SANITIZED = sys.argv[1:3]
SKIPPED = 77

LIMIT = 128 << 20
FILE_BYTES = 1_000_000
FILE_COUNT = 320


def work_folder():
    """A folder on tmpfs when there is room, so that writing the archive does
    not wait for a disk; the system's temporary folder otherwise."""
    shm = "/dev/shm"
    if os.path.isdir(shm):
        status = os.statvfs(shm)
        if status.f_bavail * status.f_frsize > 2 * FILE_COUNT * FILE_BYTES:
            return tempfile.mkdtemp(prefix="scrivane-limit-", dir=shm)
    return tempfile.mkdtemp(prefix="scrivane-limit-")


def limit_address_space():
    resource.setrlimit(resource.RLIMIT_AS, (LIMIT, LIMIT))


class ConversionUnderAnAddressSpaceLimit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = work_folder()
        site = os.path.join(cls.work, "site")
        os.makedirs(os.path.join(site, "img"))
        # Every image is a path of its own to one file's bytes: the
        # conversion reads and encodes each as a separate part.
        cls.content = b"\xff\xd8\xff\xe0" + os.urandom(FILE_BYTES - 4)
        first = os.path.join(site, "img", "f0000.jpg")
        with open(first, "wb") as f:
            f.write(cls.content)
        for i in range(1, FILE_COUNT):
            os.link(first, os.path.join(site, "img", f"f{i:04d}.jpg"))
        page = os.path.join(site, "index.html")
        with open(page, "w", encoding="ascii") as f:
            f.write("<!DOCTYPE html><html><body>\n")
            f.writelines(f'<img src="img/f{i:04d}.jpg">\n' for i in range(FILE_COUNT))
            f.write("</body></html>\n")
        cls.archive = os.path.join(cls.work, "site.mht")
        cls.log = os.path.join(cls.work, "convert.log")
        cls.conversion = subprocess.run([CONVERT, "--log", cls.log, page, cls.archive], capture_output=True,
                                        text=True, timeout=120, preexec_fn=limit_address_space)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def test_site_and_archive_are_far_bigger_than_the_limit(self):
        self.assertGreaterEqual(FILE_COUNT * FILE_BYTES, 2.5 * LIMIT / 1.05)
        self.assertGreater(os.path.getsize(self.archive), 3 * LIMIT)

    def test_succeeds_with_every_part(self):
        self.assertEqual(self.conversion.returncode, 0, self.conversion.stderr)
        with open(self.log, encoding="utf-8") as log:
            lines = log.read().splitlines()
        self.assertEqual(sum(line.startswith("[INFO]\t\tAdd resource body part: ") for line in lines), FILE_COUNT)
        self.assertIn("[INFO]\t\tFinished - 0 warning(s), 0 error(s).", lines)

    def test_every_part_holds_the_whole_file(self):
        # Each body sits between the blank line that ends its header and the
        # blank line before the next delimiter; its lines end in CR LF.
        body = base64.encodebytes(self.content).rstrip(b"\n").replace(b"\n", b"\r\n")
        framed = b"\r\n\r\n" + body + b"\r\n\r\n--"
        with open(self.archive, "rb") as f:
            self.assertEqual(f.read().count(framed), FILE_COUNT)


def run_limited(*arguments):
    """The program under `prlimit --as`, as a user would limit it."""
    return subprocess.run(["prlimit", f"--as={LIMIT}", CONVERT, *arguments], capture_output=True, text=True,
                          timeout=120)


def log_lines(path):
    with open(path, encoding="utf-8") as log:
        return log.read().splitlines()


class PartsBiggerThanTheLimit(unittest.TestCase):
    def setUp(self):
        self.work = work_folder()
        self.log = os.path.join(self.work, "convert.log")
        self.archive = os.path.join(self.work, "out.mht")

    def tearDown(self):
        shutil.rmtree(self.work)

    def page(self, body):
        page = os.path.join(self.work, "index.html")
        with open(page, "w", encoding="ascii") as f:
            f.write(f"<!DOCTYPE html><html><head></head><body>{body}</body></html>\n")
        return page

    def test_a_file_bigger_than_the_limit_is_streamed_whole(self):
        size = 160 << 20
        with open(os.path.join(self.work, "big.bin"), "wb") as f:
            f.truncate(size)  # sparse: it costs no disk, only reading
        run = run_limited("--log", self.log, self.page('<img src="big.bin">'), self.archive)
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = log_lines(self.log)
        self.assertIn("[INFO]\t\tAdd resource body part: " + os.path.join(self.work, "big.bin"), lines)
        self.assertIn("[INFO]\t\tFinished - 0 warning(s), 0 error(s).", lines)
        # Zeros are "AAAA": 76 of them and CR LF on every line of 57 bytes.
        self.assertGreater(os.path.getsize(self.archive), size // 57 * 78)

    def test_stylesheets_bigger_together_than_the_limit_are_kept_whole(self):
        count, size = 8, 12 << 20
        links = []
        for i in range(count):
            with open(os.path.join(self.work, f"s{i}.css"), "w", encoding="ascii") as f:
                f.write(f"body {{ background: url(a{i}.gif) }}\n" + "p { color: red }\n" * (size // 17))
            with open(os.path.join(self.work, f"a{i}.gif"), "wb") as f:
                f.write(b"GIF89a")
            links.append(f'<link rel="stylesheet" href="s{i}.css">')
        run = run_limited("--complete", "--link", "cid", "--log", self.log, self.page("".join(links)), self.archive)
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = log_lines(self.log)
        added = [line for line in lines if line.startswith("[INFO]\t\tAdd stylesheet body part: ")]
        self.assertEqual(len(added), count, lines[-20:])
        self.assertIn("[INFO]\t\tFinished - 0 warning(s), 0 error(s).", lines)
        with open(self.archive, "rb") as f:
            self.assertEqual(f.read().count(b"url(\"cid:"), count, "each stylesheet points at its picture's part")

    def test_a_page_too_big_to_hold_fails_as_out_of_memory(self):
        with open(self.archive, "w", encoding="ascii") as f:
            f.write("earlier archive")
        page = self.page("<p>text</p>\n" * ((100 << 20) // 12))
        run = run_limited("--log", self.log, page, self.archive)
        self.assertEqual(run.returncode, 1, run.stderr)
        self.assertTrue(run.stderr.endswith("Not enough memory to create the web archive\n"), run.stderr)
        self.assertIn("[ERROR]\t\tOut of memory", log_lines(self.log))
        with open(self.archive, encoding="ascii") as f:
            self.assertEqual(f.read(), "earlier archive")
        self.assertEqual(sorted(os.listdir(self.work)), ["convert.log", "index.html", "out.mht"])


if __name__ == "__main__":
    if SANITIZED == "1":
        print("skipped: AddressSanitizer reserves terabytes of shadow memory, so no address-space limit can apply")
        sys.exit(SKIPPED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
