"""Remote files through --remote, served by the test's own HTTP and HTTPS
servers on 127.0.0.1: a page whose images, stylesheet (sent gzipped) and web
font are remote shows whole in headless Chromium once the server is stopped;
a redirect is followed, and a 404, a time-out, an oversized file and a
redirect out of http are left out with their warnings; without
--remote-allow-private no loopback address is connected to; a page is given
by its URL; HTTPS is verified against the test's own certificate."""
import gzip
import http.server
import os
import re
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from archive_reader import decoded_body, read_archive
from chromium import screenshot
from test_images import png

CONVERT = sys.argv[1]
SIZE = (400, 200)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
STYLESHEET = ("/* caf\xe9 */\n@font-face { font-family: \"Remote Serif\"; src: url(../fonts/serif.ttf); }\n"
              "body { margin: 0; background: url(paper.png) repeat-x; }\n"
              "p { font: 24px \"Remote Serif\", monospace; }\n").encode("latin-1")


class Handler(http.server.BaseHTTPRequestHandler):
    """Serves the server's `files` (path -> (type, bytes)) and a few paths
    that misbehave."""

    def do_GET(self):
        self.server.requests.append(self.path)
        if self.path == "/slow.png":
            time.sleep(3)
        if self.path.startswith("/redirect/"):
            return self.answer(302, b"", location=self.path[len("/redirect"):])
        if self.path == "/to-file":
            return self.answer(302, b"", location="file:///etc/hostname")
        found = self.server.files.get(self.path)
        if found is None:
            return self.answer(404, b"no such file")
        kind, body = found
        if self.path.endswith(".css") and "gzip" in self.headers.get("Accept-Encoding", ""):
            return self.answer(200, gzip.compress(body), kind, encoding="gzip")
        self.answer(200, body, kind)

    def answer(self, status, body, kind=None, location=None, encoding=None):
        self.send_response(status)
        for name, value in (("Content-Type", kind), ("Location", location), ("Content-Encoding", encoding)):
            if value is not None:
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the program gave up on this file, as it was meant to

    def log_message(self, *arguments):
        pass


def start_server(files, context=None):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.files, server.requests = files, []
    if context is not None:
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class RemoteFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="scrivane-remote-")
        with open(FONT, "rb") as font:
            cls.files = {
                "/img/red.png": ("image/png", png(60, 40, 220, 30, 30)),
                "/img/blue": ("image/png", png(60, 40, 30, 30, 220)),  # no extension: the server's type labels it
                "/css/site.css": ("text/css; charset=iso-8859-1", STYLESHEET),
                "/css/paper.png": ("image/png", png(4, 200, 240, 230, 160)),
                "/fonts/serif.ttf": ("font/ttf", font.read()),
                "/big.png": ("image/png", png(300, 300, 1, 2, 3) + b"\0" * 200000),
                "/site/page.html": ("text/html; charset=utf-8",
                                    b'<html><body><img src="../img/red.png"><img src="file:///etc/hostname"></body></html>'),
                "/site/frame.html": ("text/html", b'<base href="file:///etc/"><img src="/img/red.png">'
                                                  b'<img src="file:///etc/hostname"><script>i.src = "hostname";'
                                                  b' j.src = "file:///etc/hostname"</script>'),
            }
        cls.server = start_server(cls.files)
        cls.origin = "http://127.0.0.1:%d" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.work)

    def page(self, name, body, origin=None):
        path = os.path.join(self.work, name + ".html")
        with open(path, "w") as page:
            page.write("<!DOCTYPE html><html><head><style>img { vertical-align: top; }</style>%s</html>"
                       % body.replace("ORIGIN", origin or self.origin))
        return path

    def convert(self, page, name, *options, env=None):
        """The archive's path, the run and the log's text. The test's servers
        are reached directly, whatever proxy the environment names."""
        env = dict(env or os.environ, no_proxy="127.0.0.1,localhost,::1", NO_PROXY="127.0.0.1,localhost,::1")
        archive = os.path.join(self.work, name + ".mht")
        log = os.path.join(self.work, name + ".log")
        run = subprocess.run([CONVERT, "--remote", "--link", "cid", "--complete", "--log", log, *options, page, archive],
                             capture_output=True, text=True, timeout=60, env=env)
        with open(log, encoding="utf-8") as text:
            return archive, run, text.read()

    def parts(self, archive):
        """Each part's Content-Location -> (its Content-Type header, its bytes)."""
        message, _ = read_archive(archive)
        return {part["Content-Location"]: (part["Content-Type"], decoded_body(part)) for part in message.get_payload()}

    def test_page_with_remote_files_shows_whole_with_the_server_stopped(self):
        if not os.path.exists(FONT):
            self.skipTest("no font at " + FONT + " to serve")
        body = ('<link rel="stylesheet" href="ORIGIN/css/site.css"></head><body><img src="ORIGIN/img/red.png">'
                '<img src="ORIGIN/img/blue"><p>Served text</p><img src="ORIGIN/img/red.png#again"></body>')
        # Chromium reaches no server here: what it shows of the archive is
        # compared with the served files copied to disk.
        for path, (_, content) in self.files.items():
            os.makedirs(os.path.dirname(os.path.join(self.work, "copy" + path)), exist_ok=True)
            with open(os.path.join(self.work, "copy" + path), "wb") as copy:
                copy.write(content)
        original, _ = screenshot("file://" + self.page("copy/whole", body, "."), self.work, SIZE, scripts=False)
        # A server of its own, so that the requests counted are this page's.
        server = start_server(self.files)
        base = "http://127.0.0.1:%d" % server.server_address[1]
        try:
            archive, run, log = self.convert(self.page("whole", body, base), "whole", "--remote-allow-private")
        finally:
            server.shutdown()
            server.server_close()
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertNotIn("[WARNING]", log)
        self.assertEqual(sorted(server.requests), ["/css/paper.png", "/css/site.css", "/fonts/serif.ttf", "/img/blue",
                                           "/img/red.png"], "each URL is fetched once")
        parts = self.parts(archive)
        self.assertEqual(parts[base + "/img/blue"][0], "image/png")
        self.assertEqual(parts[base + "/fonts/serif.ttf"][0], "font/ttf")
        css_type, css = parts[base + "/css/site.css"]
        self.assertIn('charset="iso-8859-1"', css_type)
        self.assertIn("caf\xe9".encode("latin-1"), css, "the gzipped stylesheet is decoded, its bytes kept")
        self.assertNotIn(b"url(paper.png)", css)

        archived, chromium_log = screenshot("file://" + archive, self.work, SIZE, scripts=False)
        self.assertEqual(original[:2], archived[:2])
        differing = sum(a != b for row_a, row_b in zip(original[2], archived[2]) for a, b in zip(row_a, row_b))
        self.assertEqual(differing, 0, "pixels differ from the served page")

    def test_files_over_a_limit_or_failing_are_left_out_with_a_warning(self):
        page = self.page("failing", '</head><body><img src="ORIGIN/redirect/img/red.png"><img src="ORIGIN/missing.png">'
                                    '<img src="ORIGIN/slow.png"><img src="ORIGIN/big.png"><img src="ORIGIN/to-file">'
                                    '<img src="ORIGIN/redirect/redirect/redirect/img/red.png"></body>')
        archive, run, log = self.convert(page, "failing", "--remote-allow-private", "--remote-timeout", "0.5",
                                         "--remote-max-file-size", "0.1", "--remote-max-redirects", "2", "--link", "file")
        self.assertEqual(run.returncode, 0, run.stderr)
        for url, why in (("/missing.png", "the server answered 404"), ("/slow.png", "timed out"),
                         ("/big.png", "larger than the limit of 104858 bytes per file"),
                         ("/redirect/redirect/redirect/img/red.png", "more than 2 redirects"),
                         ("/to-file", "redirected to neither http nor https")):
            self.assertIn("[WARNING]\tFailed to fetch remote file: %s%s\n" % (self.origin, url), log)
            self.assertIn("warning: Failed to fetch remote file: %s%s: %s\n" % (self.origin, url, why), run.stderr)
        parts = self.parts(archive)
        self.assertEqual(sorted(parts)[1:], [self.origin + "/redirect/img/red.png"])
        self.assertEqual(parts[self.origin + "/redirect/img/red.png"][1], self.files["/img/red.png"][1])

    def test_private_addresses_are_refused_without_the_flag(self):
        port = self.server.server_address[1]
        page = self.page("private", '</head><body><img src="http://localhost:%d/img/red.png">'
                                    '<img src="http://[::ffff:127.0.0.1]:%d/img/blue"></body>' % (port, port))
        before = len(self.server.requests)
        archive, run, log = self.convert(page, "private")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertRegex(run.stderr, r"Failed to fetch remote file: http://localhost:\d+/img/red.png: refused to "
                                     r"connect to (127\.0\.0\.1|::1), a private address\n")
        self.assertIn(": refused to connect to ::ffff:127.0.0.1, a private address\n", run.stderr)
        self.assertEqual(len(self.server.requests), before, "nothing reached the server")
        self.assertEqual(len(self.parts(archive)), 1)
        archive, run, log = self.convert(page, "private-strict", "--strict")
        self.assertEqual(run.returncode, 1, "a file left out fails the conversion under --strict")
        self.assertFalse(os.path.exists(archive))

    def test_a_page_given_by_url_takes_nothing_from_the_disk(self):
        archive, run, log = self.convert(self.origin + "/site/page.html", "by-url", "--remote-allow-private")
        self.assertEqual(run.returncode, 0, run.stderr)
        message, _ = read_archive(archive)
        main = message.get_payload()[0]
        self.assertEqual(main["Content-Location"], self.origin + "/site/page.html")
        self.assertIn(b'src="file:///etc/hostname"', decoded_body(main))
        self.assertEqual(sorted(self.parts(archive)), [self.origin + "/img/red.png", self.origin + "/site/page.html"])

        # A fetched frame page, in a local page, names no file on the disk either.
        page = self.page("remote-frame", '</head><body><iframe src="ORIGIN/site/frame.html"></iframe></body>')
        archive, run, log = self.convert(page, "remote-frame", "--remote-allow-private")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(sorted(self.parts(archive))[1:], [self.origin + "/img/red.png", self.origin + "/site/frame.html"])

    def test_https_is_verified(self):
        certificate, key = os.path.join(self.work, "cert.pem"), os.path.join(self.work, "key.pem")
        made = subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                               "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                               "-keyout", key, "-out", certificate], capture_output=True)
        if made.returncode != 0:
            self.skipTest("openssl could not make a certificate")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(certificate, key)
        server = start_server(self.files, context)
        try:
            url = "https://127.0.0.1:%d/site/page.html" % server.server_address[1]
            trusted = dict(os.environ, SSL_CERT_FILE=certificate)
            archive, run, log = self.convert(url, "https", "--remote-allow-private", env=trusted)
            self.assertEqual(run.returncode, 0, run.stderr + log)
            self.assertIn(url.replace("site/page.html", "img/red.png"), self.parts(archive))
            untrusted = {name: value for name, value in os.environ.items() if name != "SSL_CERT_FILE"}
            archive, run, log = self.convert(url, "https-untrusted", "--remote-allow-private", env=untrusted)
            self.assertNotEqual(run.returncode, 0)
            self.assertRegex(log + run.stderr, r"Failed to fetch remote file: %s: .*certificate" % re.escape(url))
        finally:
            server.shutdown()
            server.server_close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
