"""Reads a written web archive back with Python's own MIME parser."""
import email
import email.policy
import re


def read_archive(path):
    """The parsed message and the raw bytes of the archive at `path`."""
    with open(path, "rb") as archive:
        raw = archive.read()
    return email.message_from_bytes(raw, policy=email.policy.compat32), raw


def has_only_crlf_line_ends(raw):
    return raw.count(b"\n") == raw.count(b"\r\n") and raw.count(b"\r") == raw.count(b"\r\n")


def decoded_body(part):
    """The part's bytes. Text parts get their line ends (CR LF in MIME) made LF
    again, and lose the one line end the writer puts between a body and the
    blank line before the next delimiter."""
    body = part.get_payload(decode=True)
    if part.get("Content-Transfer-Encoding") == "quoted-printable":
        body = body.replace(b"\r\n", b"\n")
        body = body[:-1] if body.endswith(b"\n") else body
    return body


def referenced_urls(markup, scheme):
    """Every attribute value of the markup that begins with `scheme`."""
    return re.findall(r'="(' + re.escape(scheme) + r'[^"]*)"', markup)
