"""Saves pages as web archives the way Chromium does (DevTools
Page.captureSnapshot), to make the Chromium-saved archives the reader's tests
read. Usage: chromium_snapshot.py URL ARCHIVE [URL ARCHIVE ...]

Chromium runs headless with its DevTools on a pipe (file descriptors 3 and 4,
one JSON message per NUL-terminated record), every host name resolving to
nothing, so nothing leaves the machine."""
import json
import os
import subprocess
import sys
import tempfile

from chromium import CHROMIUM


class DevTools:
    def __init__(self, profile):
        to_chromium_read, self.to_chromium = os.pipe()
        self.from_chromium, from_chromium_write = os.pipe()
        arguments = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--host-resolver-rules=MAP * ~NOTFOUND", "--user-data-dir=" + profile,
                     "--remote-debugging-pipe", "about:blank"]

        def give_pipes():
            os.dup2(to_chromium_read, 3)
            os.dup2(from_chromium_write, 4)

        self.process = subprocess.Popen(arguments, pass_fds=(3, 4), preexec_fn=give_pipes,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chromium_read)
        os.close(from_chromium_write)
        self.pending = b""
        self.next_id = 0

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_chromium, json.dumps(message).encode() + b"\0")
        while True:
            reply = self.read()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError("%s: %s" % (method, reply["error"]))
                return reply["result"]

    def wait_for(self, event):
        while self.read().get("method") != event:
            pass

    def read(self):
        while b"\0" not in self.pending:
            chunk = os.read(self.from_chromium, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its DevTools pipe")
            self.pending += chunk
        record, self.pending = self.pending.split(b"\0", 1)
        return json.loads(record)

    def close(self):
        try:
            self.call("Browser.close")
        finally:
            self.process.wait(timeout=30)


def save(devtools, url, archive):
    target = devtools.call("Target.createTarget", url="about:blank")["targetId"]
    session = devtools.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    devtools.call("Page.enable", session)
    devtools.call("Page.navigate", session, url=url)
    devtools.wait_for("Page.loadEventFired")
    snapshot = devtools.call("Page.captureSnapshot", session, format="mhtml")["data"]
    # The snapshot comes as a JSON string of the archive's characters; its
    # bytes are all ASCII, line ends CR LF.
    with open(archive, "wb") as out:
        out.write(snapshot.encode("latin-1"))
    devtools.call("Target.closeTarget", targetId=target)


def main(arguments):
    with tempfile.TemporaryDirectory() as profile:
        devtools = DevTools(profile)
        try:
            for url, archive in zip(arguments[0::2], arguments[1::2]):
                save(devtools, url, archive)
        finally:
            devtools.close()


if __name__ == "__main__":
    main(sys.argv[1:])
