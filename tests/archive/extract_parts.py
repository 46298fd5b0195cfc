"""Splits an archive file into its parts with Python's email package.

Usage: extract_parts.py ARCHIVE FOLDER. For part N it writes N.body (the
decoded payload), N.location, N.type and N.charset into FOLDER.
"""
import email
import pathlib
import sys


def main():
    message = email.message_from_bytes(pathlib.Path(sys.argv[1]).read_bytes())
    folder = pathlib.Path(sys.argv[2])
    if message.get_content_type() != "multipart/related" or not message.is_multipart():
        print(f"not a multipart/related message: {message.get_content_type()}")
        return 1
    if message.defects:
        print(f"defects: {message.defects}")
        return 1
    for number, part in enumerate(message.get_payload()):
        if part.defects:
            print(f"part {number} defects: {part.defects}")
            return 1
        (folder / f"{number}.body").write_bytes(part.get_payload(decode=True))
        (folder / f"{number}.location").write_text(part.get("Content-Location", ""))
        (folder / f"{number}.type").write_text(part.get_content_type())
        (folder / f"{number}.charset").write_text(part.get_content_charset() or "")
    return 0


if __name__ == "__main__":
    sys.exit(main())
