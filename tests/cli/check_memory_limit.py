"""Converts a site of 320 MB, whose archive is about 440 MB, in a process whose
address space is limited to 128 MB: the conversion holds the page and a few
parts at a time, never the archive, so it must succeed with every part whole.

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


if __name__ == "__main__":
    if SANITIZED == "1":
        print("skipped: AddressSanitizer reserves terabytes of shadow memory, so no address-space limit can apply")
        sys.exit(SKIPPED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
