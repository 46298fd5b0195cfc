"""--list, --verify and --extract through the real program: on the project's
golden archives and the sample site's, on archives Chromium saved, on archives
Python's own MIME encoder wrote, broken on purpose, hostile, and too big.

usage: check_archive_reading.py SCRIVANE_CONVERT SOURCE_DIR SANITIZED
SANITIZED is 1 for an AddressSanitizer build, whose shadow memory is far
bigger than the address-space limit the memory checks run under: those
checks are then skipped."""
import email
import email.charset
import email.mime.application
import email.mime.multipart
import email.mime.text
import email.policy
import glob
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest

from archive_reader import read_archive

CONVERT, SOURCE, SANITIZED = sys.argv[1:4]
SITE = os.path.join(SOURCE, "examples", "site")
CHROMIUM_SAVED = sorted(glob.glob(os.path.join(SOURCE, "tests", "cli", "chromium_saved", "*.mht")))
GOLDEN = sorted(glob.glob(os.path.join(SOURCE, "tests", "engine", "golden", "*.mht")))
LIMIT = 128 << 20


def run(*arguments, limit=False, timeout=60):
    def limit_address_space():
        resource.setrlimit(resource.RLIMIT_AS, (LIMIT, LIMIT))

    done = subprocess.run([CONVERT, *arguments], capture_output=True, timeout=timeout,
                          preexec_fn=limit_address_space if limit else None)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def python_parts(path):
    """(location, decoded bytes) of every part, as Python's parser reads it;
    text parts in quoted-printable with their line breaks made line feeds."""
    message, _ = read_archive(path)
    parts = []
    for part in message.get_payload():
        body = part.get_payload(decode=True)
        if part.get("Content-Transfer-Encoding", "").lower() == "quoted-printable":
            body = body.replace(b"\r\n", b"\n")
        parts.append((part.get("Content-Location", "").replace("\r\n", "").replace("\n", ""), body))
    return parts


def extracted_files(out):
    """Name to location, from the lines --extract writes."""
    return dict(line.split("\t") for line in out.splitlines())


def files_under(folder):
    found = set()
    for root, folders, files in os.walk(folder):
        for name in files + [f for f in folders if os.path.islink(os.path.join(root, f))]:
            found.add(os.path.relpath(os.path.join(root, name), folder))
    return found


def unprintable(name):
    return name.replace("%20", " ")


class ArchiveReading(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-reading-")
        cls.site_archives = []
        for name, options in [("default.mht", []), ("complete.mht", ["--complete", "--link", "cid"])]:
            archive = os.path.join(cls.work, name)
            code, _, err = run(*options, os.path.join(SITE, "index.html"), archive)
            assert code == 0, err
            cls.site_archives.append(archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def folder(self, name):
        path = os.path.join(self.work, name)
        shutil.rmtree(path, ignore_errors=True)
        return path

    def test_every_archive_lists_verifies_and_extracts_as_python_reads_it(self):
        self.assertGreaterEqual(len(CHROMIUM_SAVED), 2)
        for archive in GOLDEN + self.site_archives + CHROMIUM_SAVED:
            with self.subTest(archive=os.path.basename(archive)):
                parts = python_parts(archive)
                code, out, err = run("--list", archive)
                self.assertEqual((code, err), (0, ""))
                lines = [line.split("\t") for line in out.splitlines()]
                self.assertEqual([line[3] for line in lines], [location for location, _ in parts])
                self.assertEqual([int(line[2]) for line in lines], [len(body) for _, body in parts])
                self.assertTrue(lines[0][0].startswith("text/html"))

                self.assertEqual(run("--verify", archive)[:2], (0, f"{archive}: whole, {len(parts)} parts\n"))

                folder = self.folder("extracted")
                code, out, err = run("--extract", archive, "-o", folder)
                self.assertEqual((code, err), (0, ""))
                names = extracted_files(out)
                self.assertEqual(set(map(unprintable, names)), files_under(folder))
                by_location = {location: unprintable(name) for name, location in names.items()}
                for location, body in parts:
                    with open(os.path.join(folder, by_location[location]), "rb") as extracted:
                        content = extracted.read()
                    if not location.endswith((".html", ".css")) and "css-" not in location:
                        self.assertEqual(content, body, location)
                # Pages and style sheets point at the files, not at the archive's locations.
                for name in names:
                    if name.endswith((".html", ".css")):
                        with open(os.path.join(folder, unprintable(name)), encoding="utf-8", errors="replace") as text:
                            content = text.read()
                        self.assertNotIn("file:///", content, name)
                        self.assertNotIn("cid:", content, name)

    def test_the_extracted_page_shows_in_chromium_as_the_original(self):
        sys.path.insert(0, os.path.dirname(__file__))
        from chromium import screenshot

        folder = self.folder("shown")
        self.assertEqual(run("--extract", self.site_archives[1], "-o", folder)[0], 0)
        shots = os.path.join(self.work, "shots")
        os.makedirs(shots, exist_ok=True)
        original, _ = screenshot("file://" + os.path.join(SITE, "index.html"), shots)
        extracted, _ = screenshot("file://" + os.path.join(folder, "index.html"), shots)
        self.assertEqual(original, extracted)

    def test_python_encoded_parts_decode_to_their_bytes(self):
        generator = random.Random(25)
        quoted = email.charset.Charset("utf-8")
        quoted.body_encoding = email.charset.QP
        texts = ["", "x", "a=b\n", "trailing space \nand tab\t\n", "é" * 300 + "\n", "." + "long line " * 40,
                 "".join(chr(generator.choice([9, 10, 32, 61, 46, 0xe9, 0x2603] + list(range(33, 127))))
                         for _ in range(5000))]
        blobs = [b"", bytes(range(256)), bytes(generator.getrandbits(8) for _ in range(100_000))]
        for policy in (email.policy.SMTP, email.policy.default):
            with self.subTest(line_ends=repr(policy.linesep)):
                message = email.mime.multipart.MIMEMultipart("related")
                expected = {}
                for number, text in enumerate(texts):
                    part = email.mime.text.MIMEText(text, "plain", quoted)
                    part["Content-Location"] = f"http://python.example/text{number}.txt"
                    message.attach(part)
                    expected[part["Content-Location"]] = text.encode("utf-8")
                for number, blob in enumerate(blobs):
                    part = email.mime.application.MIMEApplication(blob)
                    part["Content-Location"] = f"http://python.example/blob{number}.bin"
                    message.attach(part)
                    expected[part["Content-Location"]] = blob
                archive = os.path.join(self.work, "python.mht")
                with open(archive, "wb") as out:
                    out.write(message.as_bytes(policy=policy))
                folder = self.folder("python")
                code, out, err = run("--extract", archive, "-o", folder)
                self.assertEqual((code, err), (0, ""))
                for name, location in extracted_files(out).items():
                    with open(os.path.join(folder, name), "rb") as extracted:
                        self.assertEqual(extracted.read(), expected[location], location)

    def test_a_page_keeps_the_charset_only_the_header_told(self):
        message = email.mime.multipart.MIMEMultipart("related")
        for name, markup in [("told.html", "<!DOCTYPE html><p>Caf\u00e9</p>"),
                             ("declared.html", "<meta charset=utf-8><p>Caf\u00e9</p>")]:
            page = email.mime.text.MIMEText(markup, "html", "utf-8")
            page["Content-Location"] = "file:///site/" + name
            message.attach(page)
        archive = os.path.join(self.work, "charset.mht")
        with open(archive, "wb") as out:
            out.write(message.as_bytes(policy=email.policy.SMTP))
        folder = self.folder("charset")
        self.assertEqual(run("--extract", archive, "-o", folder)[0], 0)
        with open(os.path.join(folder, "told.html"), "rb") as page:
            self.assertEqual(page.read(), '<!DOCTYPE html><meta charset="utf-8"><p>Caf\u00e9</p>'.encode())
        with open(os.path.join(folder, "declared.html"), "rb") as page:
            self.assertEqual(page.read(), "<meta charset=utf-8><p>Caf\u00e9</p>".encode())

    def broken(self, name, change):
        with open(self.site_archives[1], "rb") as archive:
            raw = archive.read()
        path = os.path.join(self.work, name)
        with open(path, "wb") as out:
            out.write(change(raw))
        return path

    def test_archives_broken_on_purpose_are_found(self):
        def drop_style_sheet(raw):
            start = raw.index(b"Content-Type: text/css")
            start = raw.rindex(b"------=", 0, start)
            return raw[:start] + raw[raw.index(b"------=", start + 7):]

        def spoil_base64(raw):
            body = raw.index(b"R0lGOD", raw.index(b"Content-Transfer-Encoding: base64"))
            return raw[:body] + b"R0l!" + raw[body + 4:]

        def repeat_location(raw):
            return raw.replace(b"images/on.gif", b"images/off.gif", 1)

        cases = [
            ("no-sheet.mht", drop_style_sheet, 1, "embeds cid:"),
            ("bad-base64.mht", spoil_base64, 1, ": invalid base64 character 0x21 at character 4"),
            ("same-location.mht", repeat_location, 1, "parts 8 and 9 share the location file:///"),
            # What the missing half held is missing too.
            ("cut.mht", lambda raw: raw[:len(raw) // 2], None, ": the archive ends inside "),
        ]
        for name, change, count, problem in cases:
            with self.subTest(name):
                path = self.broken(name, change)
                code, out, err = run("--verify", path)
                self.assertEqual(code, 1)
                self.assertEqual(err, "")
                lines = out.splitlines()
                if count is not None:
                    self.assertEqual(len(lines), count, lines)
                self.assertTrue(any(problem in line for line in lines), (problem, lines))
                self.assertTrue(all(line.startswith(path + ": ") for line in lines))

    def test_hostile_names_stay_inside_the_folder(self):
        locations = [
            "file:///site/../../escape-up.txt", "file:///etc/passwd", "http://evil/%2e%2e/%2e%2e/up.txt",
            "file:///site/a%2Fb%5Cc.txt", "file:///site/bell%07line%0Afeed%1B.txt", "cid:/tmp/from-cid",
            "file:///site/", "file:///site/" + "n" * 400 + ".txt", "file:///site/images/link.gif",
            "file:///site/index.html", "file:///site/index.html", "/abs/path.txt", "file:///site/..",
        ]
        message = email.mime.multipart.MIMEMultipart("related")
        page = email.mime.text.MIMEText("<p>hostile</p>", "html")
        page["Content-Location"] = "file:///site/index.html"
        message.attach(page)
        for number, location in enumerate(locations):
            part = email.mime.application.MIMEApplication(f"part {number}".encode())
            part["Content-Location"] = location
            message.attach(part)
        archive = os.path.join(self.work, "hostile.mht")
        with open(archive, "wb") as out:
            out.write(message.as_bytes(policy=email.policy.SMTP))
        # The folder already holds links out, where parts would land.
        outside = os.path.join(self.work, "outside")
        shutil.rmtree(outside, ignore_errors=True)
        os.makedirs(outside)
        folder = self.folder("hostile")
        os.makedirs(folder)
        os.symlink(outside, os.path.join(folder, "images"))
        os.symlink(os.path.join(outside, "index.html"), os.path.join(folder, "index.html"))
        before = set(os.listdir(self.work))
        code, out, err = run("--extract", archive, "-o", folder)
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(os.listdir(outside), [])
        self.assertEqual(set(os.listdir(self.work)), before)
        names = [unprintable(name) for name in extracted_files(out)]
        self.assertEqual(len(names), len(locations) + 1)
        self.assertEqual(set(names), files_under(folder) - {"images", "index.html"})
        for name in names:
            self.assertFalse(os.path.islink(os.path.join(folder, name)), name)
            self.assertTrue(os.path.realpath(os.path.join(folder, name)).startswith(os.path.realpath(folder) + "/"))
            self.assertFalse(any(ord(c) < 32 for c in name), name)
            self.assertTrue(all(len(component.encode()) <= 255 for component in name.split("/")), name)

    def test_bad_input_fails_clearly_in_bounded_time_and_memory(self):
        header = b"MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n"
        part = b"--b\r\nContent-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        limited = SANITIZED != "1"
        cases = [
            ("truncated", header + part + b"R0lGOD", "the archive ends inside part 1, before its closing boundary"),
            ("no boundary", b"Content-Type: multipart/related\r\n\r\n--b\r\n", "names no boundary"),
            ("wrong boundary", header.replace(b'"b"', b'"c"') + part + b"R0lG\r\n--b--\r\n", "is nowhere in it"),
            ("endless header", b"X-A: b\r\n" * 2_000_000, "the archive's header goes on past 262144 bytes"),
            ("megabyte line", b"X-Long: " + b"x" * (1 << 20) + b"\r\n\r\n", "is longer than 65536 bytes"),
            ("nested", header + b"--b\r\nContent-Type: multipart/mixed; boundary=c\r\n\r\n--c\r\n\r\nx\r\n--c--\r\n"
             b"--b--\r\n", "part 1: it is itself a multipart/mixed"),
            ("bad base64", header + part + b"R0l*\r\n--b--\r\n", "part 1: invalid base64 character 0x2A"),
            ("bad quoted-printable", header + b"--b\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n=ZZ\r\n"
             b"--b--\r\n", "part 1: invalid quoted-printable escape"),
        ]
        for name, raw, message in cases:
            path = os.path.join(self.work, "bad.mht")
            with open(path, "wb") as out:
                out.write(raw)
            for command in (["--list", path], ["--verify", path], ["--extract", path, "-o", self.folder("bad")]):
                with self.subTest(name=name, command=command[0]):
                    before = set(os.listdir(self.work))
                    code, out, err = run(*command, limit=limited, timeout=30)
                    self.assertEqual(code, 1)
                    self.assertIn(message, out + err)
                    self.assertEqual(set(os.listdir(self.work)) - before, {"bad"} if command[0] == "--extract" else set())
                    if command[0] == "--extract":
                        self.assertEqual(files_under(os.path.join(self.work, "bad")), set())

        # A part of several gigabytes, in a sparse file: listed, in an
        # address space a fraction of its size, as fast as it can be read.
        huge = os.path.join(self.work, "huge.mht")
        size = 2 << 30
        with open(huge, "wb") as out:
            out.write(header + b"--b\r\nContent-Type: application/octet-stream\r\n"
                      b"Content-Transfer-Encoding: binary\r\n\r\n")
            body_start = out.tell()
            out.seek(body_start + size)
            out.write(b"\r\n--b--\r\n")
        code, out, err = run("--list", huge, limit=limited, timeout=120)
        os.remove(huge)
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out, f"application/octet-stream\tbinary\t{size}\t-\n")

    def test_arguments(self):
        cases = [
            (["--list"], "--list needs a value"),
            (["--list", "a", "--verify", "b"], "--list, --verify and --extract go one at a time"),
            (["--extract", "a"], "--extract needs -o FOLDER"),
            (["--verify", "a", "-o", "f"], "-o goes with --extract only"),
            (["--list", "a", "--complete"], "--list, --verify and --extract take no --complete"),
        ]
        for arguments, message in cases:
            with self.subTest(arguments):
                self.assertEqual(run(*arguments), (2, "", f"scrivane-convert: {message}\n"))
        code, _, err = run("--list", os.path.join(self.work, "missing.mht"))
        self.assertEqual((code, err), (1, "scrivane-convert: cannot open " + os.path.join(self.work, "missing.mht") +
                                       ": No such file or directory\n"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
