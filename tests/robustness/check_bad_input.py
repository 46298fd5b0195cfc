"""Feeds the command line bad input end to end. Every case checks the exit
status, the exact message and the files afterwards: nothing crashes, nothing
hangs (each run has a time limit), no earlier archive is lost and no
half-written file is left behind."""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cli"))
from archive_reader import decoded_body, read_archive  # noqa: E402

CONVERT = sys.argv[1]
# Far above what any case needs, even under the sanitizers; a run that is still
# going then has hung.
TIME_LIMIT = 60
CANNOT_OPEN_INPUT = b"The input document cannot be opened\n"
CANNOT_CREATE_OUTPUT = b"The output document cannot be created\n"
OUTPUT_IS_INPUT = b"Output file is the input file itself. Please choose\nanother place for the web archive.\n"
OUTPUT_IS_LOG = b"Output file is the log file. Please choose\nanother place for the web archive.\n"
LOG_IS_INPUT = b"Log file is the input file itself. Please choose\nanother place for the log.\n"
MALFORMED_INPUT = b"Malformed input HTML document\n"
CANNOT_WRITE_OUTPUT = b"Failed to write the output file\n"
GIF = b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x01D\x00;"
EARLIER_ARCHIVE = b"an archive written by an earlier conversion\r\n"


class ConversionCase(unittest.TestCase):
    """A fresh folder per case: the page and its files in site/, the archive
    beside it."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="scrivane-bad-input-")
        self.addCleanup(shutil.rmtree, self.work)
        self.site = os.path.join(self.work, "site")
        os.mkdir(self.site)
        self.output = os.path.join(self.work, "out.mht")
        self.log = os.path.join(self.work, "convert.log")

    def site_file(self, name, content=b""):
        path = os.path.join(self.site, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(content)
        return path

    def page(self, markup):
        return self.site_file("page.html", markup.encode("utf-8") if isinstance(markup, str) else markup)

    def convert(self, *arguments, cwd=None):
        """The command line with file: links and no complete archiving, whose
        parts these cases read back by their files' paths."""
        return subprocess.run([CONVERT, "--link", "file", "--no-complete", *arguments], capture_output=True,
                              timeout=TIME_LIMIT, stdin=subprocess.DEVNULL, cwd=cwd)

    def assert_converted(self, run, output=None):
        """Converted, whatever files were left out (each a warning before the
        success lines, and their count after)."""
        output = output or self.output
        told = [line for line in run.stderr.split(b"\n")
                if not line.startswith(b"scrivane-convert: warning: ") and not line.endswith(b" left out.")]
        self.assertEqual(b"\n".join(told), b"Web archive created successfully at:\n" + output.encode() + b"\n")
        self.assertEqual(run.stdout, b"")
        self.assertEqual(run.returncode, 0)

    def assert_failed(self, run, message, detail):
        """Failed with the sentence `message`, then the path and the system's
        reason `detail`."""
        self.assertEqual(run.stdout, b"")
        self.assertEqual(run.stderr, b"scrivane-convert: " + message.rstrip(b"\n") + b": " + detail.encode() + b"\n")
        self.assertEqual(run.returncode, 1)

    def archive(self):
        """The main part's markup and every resource part's bytes by file path."""
        message, _ = read_archive(self.output)
        parts = message.get_payload()
        resources = {part["Content-Location"][len("file://"):]: decoded_body(part) for part in parts[1:]}
        return decoded_body(parts[0]).decode("utf-8"), resources

    def log_lines(self):
        with open(self.log, "rb") as log:
            return log.read().decode("utf-8").split("\r\n")

    def folder_listing(self):
        return sorted(os.listdir(self.work))

    def tree(self):
        """Every file and folder under the work folder, relative to it."""
        found = []
        for folder, folders, files in os.walk(self.work):
            found += [os.path.relpath(os.path.join(folder, name), self.work) for name in folders + files]
        return sorted(found)

    def assert_fails_keeping_archive(self, input_path, message, reason=None):
        """Fails with `message` about the page and the system's `reason`,
        writes no archive where there was none, and leaves one that was there
        byte for byte as it was."""
        detail = input_path + (": " + reason if reason else "")
        before = self.folder_listing()
        self.assert_failed(self.convert(input_path, self.output), message, detail)
        self.assertEqual(self.folder_listing(), before)

        with open(self.output, "wb") as archive:
            archive.write(EARLIER_ARCHIVE)
        self.assert_failed(self.convert(input_path, self.output), message, detail)
        with open(self.output, "rb") as archive:
            self.assertEqual(archive.read(), EARLIER_ARCHIVE)
        self.assertEqual(self.folder_listing(), sorted(before + ["out.mht"]))


class UnusableInput(ConversionCase):
    def test_missing_input(self):
        self.assert_fails_keeping_archive(os.path.join(self.site, "missing.html"), CANNOT_OPEN_INPUT,
                                          "No such file or directory")

    def test_empty_input(self):
        self.assert_fails_keeping_archive(self.page(b""), CANNOT_OPEN_INPUT, "The file is empty")

    def test_directory_as_input(self):
        folder = os.path.join(self.site, "folder.html")
        os.mkdir(folder)
        self.assert_fails_keeping_archive(folder, CANNOT_OPEN_INPUT, "Is a directory")
        self.assertTrue(os.path.isdir(folder))

    def test_fifo_as_input_is_refused_without_waiting_for_a_writer(self):
        fifo = os.path.join(self.site, "pipe.html")
        os.mkfifo(fifo)
        self.assert_fails_keeping_archive(fifo, CANNOT_OPEN_INPUT, "Not a regular file")


class HostilePages(ConversionCase):
    """Pages that must convert whole, however odd their bytes."""

    def setUp(self):
        super().setUp()
        self.image = self.site_file("a.gif", GIF)

    def convert_page(self, markup):
        run = self.convert(self.page(markup), self.output)
        self.assert_converted(run)
        return self.archive()

    def test_page_ends_at_its_first_zero_byte(self):
        self.site_file("b.gif", GIF)
        markup, resources = self.convert_page(b"<p>before<img src=a.gif>\0<img src=b.gif>after")
        self.assertEqual(resources, {self.image: GIF})
        self.assertIn("before", markup)
        self.assertNotIn("after", markup)

    def test_invalid_utf8_is_read_as_windows_1252(self):
        markup, resources = self.convert_page(b"<p>caf\xe9 \xc3( \x80</p><img src=a.gif>")
        self.assertEqual(resources, {self.image: GIF})
        self.assertIn("<p>caf\u00e9 \u00c3( \u20ac</p>", markup)

    def test_500_nested_elements(self):
        depth = 500
        markup, resources = self.convert_page("<span>" * depth + "<img src=a.gif>")
        self.assertEqual(resources, {self.image: GIF})
        self.assertEqual(markup.count("<span>"), depth)
        self.assertEqual(markup.count("</span>"), depth)
        self.assertIn('<span><img src="file://' + self.image + '"></span>', markup)

    def test_10_megabyte_attribute_value(self):
        value = "v" * (10 << 20)
        markup, resources = self.convert_page(f'<img title="{value}&amp;&quot;" src=a.gif>')
        self.assertEqual(resources, {self.image: GIF})
        self.assertIn(f'<img title="{value}&amp;&quot;" src="file://{self.image}">', markup)

    def test_megabyte_script_without_white_space_after_src(self):
        self.site_file("early.gif", GIF)
        script = 'a.src="early.gif";\nx.src="' + "x" * (1 << 20)
        markup, resources = self.convert_page(f"<script>{script}</script><img src=a.gif>")
        self.assertEqual(resources, {self.image: GIF, os.path.join(self.site, "early.gif"): GIF})
        self.assertIn(script, markup)

    def test_100000_image_references(self):
        count = 100_000
        present = {self.site_file(f"i/{n}.gif", GIF): GIF for n in range(10)}
        markup, resources = self.convert_page("".join(f"<img src=i/{n}.gif>" for n in range(count)))
        self.assertEqual(resources, present)
        self.assertEqual(markup.count('<img src="file://' + self.site + "/i/"), count)


def distinct_attributes(count):
    return "<p" + "".join(f" a{n}" for n in range(count)) + ">"


class CostlyMarkup(ConversionCase):
    """Pages whose parse would take the parser minutes fail at once as
    malformed input, with an ERROR line that says why; an earlier archive
    stays and nothing is left behind."""

    CASES = {
        "100,000 nested spans": ("<span>" * 100_000, "nested "),
        "200,000 nested divs": ("<div>" * 200_000, "nested "),
        "1,000,000 unclosed fonts": ("<font>" * 1_000_000, "nested "),
        "elements kept open past a block": ("<x><div></x>" * 100_000, "nested "),
        "elements kept open inside a table": ("<table>" + "<x>" * 100_000, "nested "),
        "150,000 attributes on one element": (distinct_attributes(150_000), "with 150000 attributes on one element"),
        "40,000 options in one select": ("<select>" + "<option>x" * 40_000, "with "),
        "formatting reopened in every paragraph":
            ("<div>" + "".join(f"<b x={n}>" for n in range(500)) + "</div>" + "<p>x</p>" * 100_000,
             "reopening formatting elements "),
    }

    def test_each_costly_page_fails_as_malformed_input_at_once(self):
        input_path = self.page("<p>")
        for name, (markup, why) in self.CASES.items():
            with self.subTest(name):
                self.page(markup)
                if os.path.exists(self.log):
                    os.remove(self.log)
                self.assert_fails_keeping_archive(input_path, MALFORMED_INPUT)
                os.remove(self.output)
                self.assert_failed(self.convert("--log", self.log, input_path, self.output), MALFORMED_INPUT,
                                   input_path)
                lines = self.log_lines()
                self.assertEqual(lines[-3], "[INFO]\t\tProcessing: " + input_path + "...")
                self.assertTrue(lines[-2].startswith("[ERROR]\t\tProcessing failed due to input HTML " + why),
                                lines[-2])
                self.assertEqual(lines[-1], "")
                self.assertEqual(self.folder_listing(), ["convert.log", "site"])


class HostileNames(ConversionCase):
    """Nothing of a file name reaches a header raw: every part's
    Content-Location is the percent-encoded file URL that the page's
    rewritten reference holds too, and nothing more."""

    def parts(self):
        message, _ = read_archive(self.output)
        return message.get_payload()

    def convert_with_log(self, markup):
        run = self.convert("--log", self.log, self.page(markup), self.output)
        self.assert_converted(run)
        parts = self.parts()
        return decoded_body(parts[0]).decode("utf-8"), parts[1:]

    def test_forged_header_lines_stay_inside_one_location(self):
        # The boundary comes from the process clock, so a second run very
        # likely has the same one: the forged part would then be well formed.
        self.convert(self.page("<p>"), self.output)
        boundary = read_archive(self.output)[0].get_boundary()
        name = f"c\n\n--{boundary}\nContent-Type: text/html\nContent-Location: forged\n\n<script>alert(1)</script>"
        self.site_file(name, GIF)
        markup, parts = self.convert_with_log(f'<img src="{urllib.parse.quote(name)}">')
        self.assertEqual(len(parts), 1)
        url = parts[0]["Content-Location"]
        self.assertEqual(url, "file://" + urllib.parse.quote(os.path.join(self.site, name), safe="/:@!$&'()*+,;=~"))
        self.assertEqual(decoded_body(parts[0]), GIF)
        self.assertEqual(parts[0]["Content-Type"], "application/octet-stream")
        self.assertIn(f'<img src="{url}">', markup)
        self.assertNotIn(b"\nContent-Location: forged", read_archive(self.output)[1])
        self.assertIn("[INFO]\t\tAdd resource body part: " + os.path.join(self.site, name).replace("\n", "\\x0A"),
                      self.log_lines())

    def test_backslashes_in_the_page_and_archive_paths_are_bytes_of_names(self):
        """On this system a backslash separates nothing: the page x\\y.html
        in the folder we\\ird is that file, its images are beside it, and
        the archive out\\put.mht is a file of that name. In the page, a
        reference is a URL, where a backslash still reads as a slash."""
        page = self.site_file("we\\ird/x\\y.html", b"<img src=a.gif><img src=img\\b.gif>")
        self.site_file("we\\ird/a.gif", GIF)
        self.site_file("we\\ird/img/b.gif", GIF + b"b")
        self.output = os.path.join(self.work, "out\\put.mht")
        self.assert_converted(self.convert(page, self.output))
        self.assertEqual(self.folder_listing(), ["out\\put.mht", "site"])
        message, _ = read_archive(self.output)
        folder = urllib.parse.quote(os.path.join(self.site, "we\\ird"))
        self.assertEqual([part["Content-Location"] for part in message.get_payload()],
                         [f"file://{folder}/x%5Cy.html", f"file://{folder}/a.gif", f"file://{folder}/img/b.gif"])

    def test_zero_byte_names_no_file_and_the_reference_stays(self):
        self.site_file("c", b"not an image")
        image = self.site_file("a.gif", GIF)
        markup, parts = self.convert_with_log('<img src="c%00.gif"><img src="a.gif">')
        self.assertEqual([(part["Content-Location"], decoded_body(part)) for part in parts], [("file://" + image, GIF)])
        self.assertIn('<img src="c%00.gif">', markup)

    def test_names_with_space_hash_query_percent_and_utf8_round_trip(self):
        names = ["a b.gif", "x#y.gif", "q?.gif", "100%.gif", "caf\u00e9.gif", "tab\there.gif"]
        for number, name in enumerate(names):
            self.site_file(name, GIF + bytes([number]))
        markup, parts = self.convert_with_log("".join(f'<img src="{urllib.parse.quote(name)}">' for name in names))
        self.assertEqual(len(parts), len(names))
        for part in parts:
            url = part["Content-Location"]
            self.assertRegex(url, r"^file:///[!$&'()*+,;=:@/%0-9A-Za-z._~-]+$")
            self.assertIn(f'<img src="{url}">', markup)
            name = urllib.parse.unquote(url[len("file://"):], errors="strict")[len(self.site) + 1:]
            self.assertEqual(decoded_body(part), GIF + bytes([names.index(name)]))
        self.assertIn("[INFO]\t\tAdd resource body part: " + os.path.join(self.site, "tab\\x09here.gif"),
                      self.log_lines())

    def test_file_url_of_another_host_is_left_as_written(self):
        markup, parts = self.convert_with_log('<img src="file://server/share/a.gif">')
        self.assertEqual(parts, [])
        self.assertIn('<img src="file://server/share/a.gif">', markup)


class RepeatedReferences(ConversionCase):
    def test_one_script_named_many_ways_converts_with_every_line(self):
        self.site_file("pics/on.gif", GIF)
        self.site_file("menu.js", b'img.src = "pics/on.gif";\n' + b"var x = 1;\n" * 100_000)
        references = [f"menu.js?{n}" for n in range(1, 201)] + ["menu.js"] * 200
        self.page("".join(f'<script src="{reference}"></script>' for reference in references))
        self.assert_converted(self.convert("--log", self.log, os.path.join(self.site, "page.html"), self.output))
        lines = self.log_lines()
        self.assertEqual(lines.count("[INFO]\t\tChecking for preloaded images..."), 1 + len(references))
        self.assertEqual(lines.count("[INFO]\t\t1 preloaded images found"), len(references))
        self.assertEqual(lines.count("[INFO]\t\tAdd resource body part: " + os.path.join(self.site, "menu.js")), 201)
        self.assertEqual(sorted(self.archive()[1]), [os.path.join(self.site, "menu.js"),
                                                     os.path.join(self.site, "pics/on.gif")])


class UnreadableResources(ConversionCase):
    """Resources that cannot be read are each named in a WARNING line and
    left out; the rest of the page still converts."""

    def test_each_unreadable_resource_is_warned_and_skipped(self):
        image = self.site_file("a.gif", GIF)
        empty = self.site_file("empty.gif")  # readable: an empty part, not a warning
        os.mkdir(os.path.join(self.site, "folder.gif"))
        os.symlink("/dev/zero", os.path.join(self.site, "zero.gif"))
        os.symlink("/dev/zero", os.path.join(self.site, "zero.js"))
        os.symlink("gone.gif", os.path.join(self.site, "dangling.gif"))
        os.symlink("loop.gif", os.path.join(self.site, "loop.gif"))
        os.mkfifo(os.path.join(self.site, "pipe.gif"))
        os.mkfifo(os.path.join(self.site, "pipe.js"))
        unreadable = ["missing.gif", "folder.gif", "zero.gif", "zero.js", "dangling.gif",
                      "loop.gif", "pipe.gif", "pipe.js"]
        images = "".join(f"<img src={name}>" for name in unreadable if name.endswith(".gif"))
        scripts = "<script src=zero.js></script><script src=pipe.js></script>"
        self.page(images + scripts + '<img src="/dev/zero"><img src=a.gif><img src=empty.gif>')

        run = self.convert("--log", self.log, os.path.join(self.site, "page.html"), self.output)

        self.assert_converted(run)
        _, resources = self.archive()
        self.assertEqual(resources, {image: GIF, empty: b""})
        failed = sorted(["/dev/zero"] + [os.path.join(self.site, name) for name in unreadable])
        lines = self.log_lines()
        warnings = [line for line in lines if line.startswith("[WARNING]")]
        self.assertEqual(warnings, ["[WARNING]\tFailed to add resource body part: " + path for path in failed])
        self.assertEqual(lines[-3:], [f"[INFO]\t\tFinished - {len(failed)} warning(s), 0 error(s).", "", ""])


class UnusableOutput(ConversionCase):
    def setUp(self):
        super().setUp()
        self.site_file("a.gif", GIF)
        self.page("<img src=a.gif>")
        self.input = os.path.join(self.site, "page.html")

    def test_output_folder_that_does_not_exist(self):
        output = os.path.join(self.work, "missing", "out.mht")
        before = self.folder_listing()
        self.assert_failed(self.convert(self.input, output), CANNOT_CREATE_OUTPUT,
                           output + ": No such file or directory")
        self.assertEqual(self.folder_listing(), before)

    def test_output_path_that_is_a_directory(self):
        output = os.path.join(self.work, "folder.mht")
        os.mkdir(output)
        with open(os.path.join(output, "kept.txt"), "wb") as kept:
            kept.write(b"kept")
        before = self.folder_listing()
        self.assert_failed(self.convert(self.input, output), CANNOT_CREATE_OUTPUT, output + ": Is a directory")
        self.assertEqual(self.folder_listing(), before)
        self.assertEqual(os.listdir(output), ["kept.txt"])

    def test_file_size_limit_fails_the_write_and_the_summary_counts_it(self):
        """A full disk fails the same way: the write is an error, logged, and
        the summary after it counts it."""
        self.site_file("big.gif", os.urandom(3 << 20))
        self.page("<img src=big.gif>")
        with open(self.output, "wb") as archive:
            archive.write(EARLIER_ARCHIVE)
        before = self.folder_listing()
        run = subprocess.run([CONVERT, "--log", self.log, self.input, self.output], capture_output=True,
                             timeout=TIME_LIMIT, stdin=subprocess.DEVNULL,
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20)))
        self.assert_failed(run, CANNOT_WRITE_OUTPUT, self.output + ": File too large")
        self.assertEqual(self.log_lines()[-4:], ["[ERROR]\t\tFailed to write the output file",
                                                  "[INFO]\t\tFinished - 0 warning(s), 1 error(s).", "", ""])
        self.assertEqual(self.folder_listing(), sorted(before + ["convert.log"]))
        with open(self.output, "rb") as archive:
            self.assertEqual(archive.read(), EARLIER_ARCHIVE)

    def assert_log_refused(self, log, reason):
        """Refused before anything is converted, with the path and the reason."""
        before = self.tree()
        run = self.convert("--log", log, "--log-level", "everything", self.input, self.output)
        self.assertEqual((run.returncode, run.stdout), (2, b""))
        self.assertEqual(run.stderr, b"scrivane-convert: --log " + log.encode() + b": " + reason + b"\n")
        self.assertEqual(self.tree(), before)

    def test_log_in_a_folder_that_does_not_exist(self):
        self.assert_log_refused(os.path.join(self.work, "missing", "convert.log"), b"No such file or directory")

    def test_fifo_as_log_does_not_wait_for_a_reader(self):
        log = os.path.join(self.work, "log.fifo")
        os.mkfifo(log)
        self.assert_log_refused(log, b"No such device or address")


class AllowedRoot(ConversionCase):
    """--root keeps files outside the page's folder out of the archive, however
    they are named."""

    def setUp(self):
        super().setUp()
        self.secret = os.path.join(self.work, "secret.txt")
        with open(self.secret, "wb") as secret:
            secret.write(b"not for the archive")
        self.image = self.site_file("a.gif", GIF)
        os.symlink(self.secret, os.path.join(self.site, "inside.txt"))
        self.page('<img src="../secret.txt"><img src=inside.txt><script>p.src="../secret.txt"</script>'
                  '<img src=a.gif>')
        self.input = os.path.join(self.site, "page.html")

    def test_root_keeps_outside_files_out_and_warns(self):
        run = self.convert("--root", self.site, "--log", self.log, self.input, self.output)
        self.assert_converted(run)
        markup, resources = self.archive()
        self.assertEqual(resources, {self.image: GIF})
        self.assertIn('<img src="../secret.txt"><img src="inside.txt">', markup)
        outside = [line for line in self.log_lines() if line.startswith("[WARNING]")]
        self.assertEqual(outside, ["[WARNING]\tOutside the allowed folder: " + path
                                   for path in [self.secret, self.secret, os.path.join(self.site, "inside.txt")]])

    def test_link_chain_resolving_past_path_max_brings_nothing_in(self):
        # site/l1 -> 4000 bytes of folders, holding l2 -> 400 more, holding
        # out -> the secret: the resolved path is longer than PATH_MAX.
        def folders_with_link(start_fd, name, depth, link):
            """Makes `depth` nested folders `name` and the link `link` to the
            innermost, both in `start_fd`; gives the innermost, open."""
            os.symlink("/".join([name] * depth), link, dir_fd=start_fd)
            fd = os.dup(start_fd)
            for _ in range(depth):
                os.mkdir(name, dir_fd=fd)
                inner = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
                os.close(fd)
                fd = inner
            return fd

        site_fd = os.open(self.site, os.O_RDONLY | os.O_DIRECTORY)
        deep = folders_with_link(site_fd, "d" * 200, 20, "l1")
        deeper = folders_with_link(deep, "e" * 200, 2, "l2")
        os.symlink(self.secret, "out", dir_fd=deeper)
        for fd in (site_fd, deep, deeper):
            os.close(fd)
        self.page('<img src="l1/l2/out"><img src=a.gif>')
        run = self.convert("--root", self.site, "--log", self.log, self.input, self.output)
        self.assert_converted(run)
        markup, resources = self.archive()
        self.assertEqual(resources, {self.image: GIF})
        self.assertIn('<img src="l1/l2/out">', markup)
        self.assertIn("[WARNING]\tOutside the allowed folder: " + os.path.join(self.site, "l1/l2/out"),
                      self.log_lines())

    def test_root_that_is_empty_or_no_folder_is_refused(self):
        missing = os.path.join(self.work, "missing")
        for root, message in [
                ("", b"scrivane-convert: --root needs a folder"),
                (missing, b"scrivane-convert: --root " + missing.encode() + b" is not a folder\n"),
                (self.input, b"scrivane-convert: --root " + self.input.encode() + b" is not a folder\n")]:
            before = self.tree()
            run = self.convert("--root", root, self.input, self.output)
            self.assertEqual((run.returncode, run.stdout), (2, b""))
            self.assertTrue(run.stderr.startswith(message), run.stderr)
            self.assertEqual(self.tree(), before)

    def test_without_root_the_same_files_are_archived(self):
        self.assert_converted(self.convert(self.input, self.output))
        self.assertEqual(self.archive()[1], {self.image: GIF, self.secret: b"not for the archive",
                                             os.path.join(self.site, "inside.txt"): b"not for the archive"})


class RelativePaths(ConversionCase):
    """Relative paths mean the folder the program was started in, whatever
    folder the page or its base names; nothing is written anywhere else."""

    def setUp(self):
        super().setUp()
        self.image = self.site_file("a.gif", GIF)
        self.elsewhere = os.path.join(self.work, "elsewhere")
        os.mkdir(self.elsewhere)

    def test_relative_input_and_output_from_the_parent_folder(self):
        self.page("<img src=a.gif>")
        before = self.tree()
        run = self.convert("site/page.html", "out.mht", cwd=self.work)
        self.assert_converted(run, output="out.mht")
        self.assertEqual(self.archive()[1], {self.image: GIF})
        self.assertEqual(self.tree(), sorted(before + ["out.mht"]))

    def test_relative_input_output_and_log_from_a_folder_deeper_down(self):
        self.page("<img src=a.gif>")
        inner = os.path.join(self.elsewhere, "inner")
        os.mkdir(inner)
        before = self.tree()
        run = self.convert("--log", "../../convert.log", "../../site/page.html", "../../out.mht", cwd=inner)
        self.assert_converted(run, output="../../out.mht")
        self.assertEqual(self.archive()[1], {self.image: GIF})
        page = os.path.join(self.site, "page.html")
        self.assertIn(f"[INFO]\t\tProcessing: {page}...", self.log_lines())
        self.assertEqual(self.tree(), sorted(before + ["out.mht", "convert.log"]))

    def test_link_named_like_the_output_in_the_page_folder_is_not_written_through(self):
        notes = os.path.join(self.work, "notes.txt")
        with open(notes, "wb") as file:
            file.write(b"my notes")
        os.symlink(notes, os.path.join(self.site, "out.mht"))
        self.page("<img src=a.gif>")
        for root in ([], ["--root", "site"]):
            os.unlink(self.output) if os.path.exists(self.output) else None
            run = self.convert(*root, "site/page.html", "out.mht", cwd=self.work)
            self.assert_converted(run, output="out.mht")
            self.assertEqual(self.archive()[1], {self.image: GIF})
            with open(notes, "rb") as file:
                self.assertEqual(file.read(), b"my notes")
            self.assertTrue(os.path.islink(os.path.join(self.site, "out.mht")))

    def test_base_elsewhere_receives_nothing(self):
        other = os.path.join(self.elsewhere, "a.gif")
        with open(other, "wb") as file:
            file.write(GIF + b"elsewhere")
        self.page(f'<base href="{self.elsewhere}/"><img src=a.gif>')
        before = self.tree()
        run = self.convert("site/page.html", "out.mht", cwd=self.work)
        self.assert_converted(run, output="out.mht")
        self.assertEqual(self.archive()[1], {other: GIF + b"elsewhere"})
        self.assertEqual(self.tree(), sorted(before + ["out.mht"]))


class OutputThatWouldDestroyInput(ConversionCase):
    """An output that is the page or the log is refused before anything is
    read or written."""

    def setUp(self):
        super().setUp()
        self.input = self.page("<p>the only copy</p>")

    def assert_refused(self, arguments, message, cwd=None):
        before = self.tree()
        contents = {path: open(os.path.join(self.work, path), "rb").read() for path in before
                    if os.path.isfile(os.path.join(self.work, path))}
        run = self.convert(*arguments, cwd=cwd)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (2, b"", b"scrivane-convert: " + message))
        self.assertEqual(self.tree(), before)
        for path, content in contents.items():
            with open(os.path.join(self.work, path), "rb") as file:
                self.assertEqual(file.read(), content, path)

    def test_output_that_is_the_page(self):
        page_mht = self.site_file("page.mht", b"<p>a page named like an archive</p>")
        os.symlink(self.input, os.path.join(self.work, "link.mht"))
        os.link(self.input, os.path.join(self.work, "hard.mht"))
        self.assert_refused([page_mht, page_mht], OUTPUT_IS_INPUT)
        self.assert_refused(["page.mht", "../site/page.mht"], OUTPUT_IS_INPUT, cwd=self.site)
        self.assert_refused([self.input, os.path.join(self.work, "link.mht")], OUTPUT_IS_INPUT)
        self.assert_refused([self.input, os.path.join(self.work, "hard.mht")], OUTPUT_IS_INPUT)

    def test_output_that_is_the_log(self):
        self.assert_refused(["--log", self.output, self.input, self.output], OUTPUT_IS_LOG)
        with open(self.log, "wb") as log:
            log.write(b"[INFO]\t\tan earlier conversion\r\n")
        os.symlink(self.log, os.path.join(self.work, "log.mht"))
        self.assert_refused(["--log", self.log, self.input, os.path.join(self.work, "log.mht")], OUTPUT_IS_LOG)

    def test_log_that_is_the_page(self):
        self.assert_refused(["--log", self.input, self.input, self.output], LOG_IS_INPUT)

    def test_log_that_is_never_written_may_share_the_name(self):
        run = self.convert("--log", self.output, "--log-level", "none", self.input, self.output)
        self.assert_converted(run)
        self.assertIn("the only copy", self.archive()[0])


# Every signal whose default action ends the program.
SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGPIPE, signal.SIGALRM,
           signal.SIGUSR1, signal.SIGUSR2)


class InterruptedConversion(ConversionCase):
    """An interrupting signal in the middle of writing the archive removes the
    temporary file and ends with 128 + the signal; the earlier archive
    stays."""

    def setUp(self):
        super().setUp()
        block = os.urandom(2 << 20)
        self.page("".join(f"<img src=i{n}.gif>" for n in range(30)))
        for n in range(30):
            self.site_file(f"i{n}.gif", block)
        with open(self.output, "wb") as archive:
            archive.write(EARLIER_ARCHIVE)

    def temporary_files(self):
        return [name for name in os.listdir(self.work) if name.endswith(".tmp")]

    def interrupt_while_writing(self, number):
        """Stops the program as soon as its temporary file exists, so that
        the signal surely arrives in the middle of the conversion."""
        def default_dispositions():
            for each in SIGNALS:
                signal.signal(each, signal.SIG_DFL)

        process = subprocess.Popen([CONVERT, os.path.join(self.site, "page.html"), self.output],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   preexec_fn=default_dispositions)
        deadline = time.monotonic() + TIME_LIMIT
        while not self.temporary_files() and process.poll() is None and time.monotonic() < deadline:
            time.sleep(0.001)
        process.send_signal(signal.SIGSTOP)
        self.assertEqual(len(self.temporary_files()), 1, "the conversion ended before it could be stopped")
        process.send_signal(number)
        process.send_signal(signal.SIGCONT)
        return process.wait(timeout=TIME_LIMIT)

    def test_each_interrupting_signal(self):
        for number in SIGNALS:
            with self.subTest(signal=number):
                self.assertEqual(self.interrupt_while_writing(number), 128 + number)
                self.assertEqual(self.temporary_files(), [])
                with open(self.output, "rb") as archive:
                    self.assertEqual(archive.read(), EARLIER_ARCHIVE)
                self.assertEqual(self.folder_listing(), ["out.mht", "site"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
