"""Converts a large page in processes whose address space is limited to ever
more memory, from too little to start the program to enough for the whole
conversion. Whichever allocation fails first (the page's reading, its
parse, a part), the program must end with an exit status and its message,
never with a signal, and leave no half-written archive; an archive it says
it made holds every part.

usage: check_memory_exhaustion.py SCRIVANE_CONVERT SANITIZED
SANITIZED is 1 for an AddressSanitizer build, whose shadow memory alone is far
bigger than any address-space limit: the test is then skipped."""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest

CONVERT, SANITIZED = sys.argv[1:3]
SKIPPED = 77
LIMITS_MB = range(40, 260, 10)
# The page can be read and parsed: whatever step runs out of memory, the
# failure is said to be that. How the last line of standard error starts for
# each failing status.
MESSAGES = {
    1: b"scrivane-convert: Not enough memory to create the web archive",
    3: b"Processing failed due to malformed input HTML",
}


def page_markup():
    """About 2 MB of nested elements, each with attributes, as the parser's
    memory grows with them; every tenth names one of the images."""
    rows = []
    for i in range(20_000):
        image = f' <img src="img/{i % 50}.gif" alt="picture {i}">' if i % 10 == 0 else ""
        rows.append(f'<div class="row r{i}" id="e{i}" title="element number {i}"><span>text {i}</span>{image}</div>\n')
    return "<!DOCTYPE html><html><head><title>big</title></head><body>\n" + "".join(rows) + "</body></html>\n"


class ConversionWhenMemoryRunsOut(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-exhaustion-")
        os.makedirs(os.path.join(cls.work, "img"))
        for i in range(50):
            with open(os.path.join(cls.work, "img", f"{i}.gif"), "wb") as f:
                f.write(b"GIF89a" + os.urandom(20_000))
        cls.page = os.path.join(cls.work, "index.html")
        with open(cls.page, "w", encoding="ascii") as f:
            f.write(page_markup())

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def test_every_limit_ends_in_an_exit_status(self):
        succeeded = False
        for megabytes in LIMITS_MB:
            limit = megabytes << 20
            archive = os.path.join(self.work, f"out-{megabytes}.mht")
            run = subprocess.run([CONVERT, self.page, archive], capture_output=True, timeout=120,
                                 preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
            with self.subTest(limit_mb=megabytes):
                # The dynamic loader itself may fail to map the program (127).
                self.assertIn(run.returncode, (0, 1, 3, 127), run.stderr)
                if run.returncode in MESSAGES:
                    self.assertTrue(run.stderr.splitlines()[-1].startswith(MESSAGES[run.returncode]), run.stderr)
                    self.assertFalse(os.path.exists(archive))
                if run.returncode == 0:
                    # Success is said only with every part (the page's and
                    # those of the five images it names): none was left out
                    # for want of memory.
                    with open(archive, "rb") as f:
                        self.assertEqual(f.read().count(b"\r\nContent-Location: "), 6)
                succeeded = succeeded or run.returncode == 0
        self.assertTrue(succeeded, "the last limit is enough for the whole conversion")


if __name__ == "__main__":
    if SANITIZED == "1":
        print("skipped: AddressSanitizer reserves terabytes of shadow memory, so no address-space limit can apply")
        sys.exit(SKIPPED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
