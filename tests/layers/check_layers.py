#!/usr/bin/env python3
"""The layer rule, checked over the sources: each library folder includes
only its own headers and those of the layers below it, names every project
header by its folder, and only the window's folders include Qt.

    check_layers.py SOURCE_DIR

Prints one line per wrong include and exits 1 when there is any.
"""
import pathlib
import re
import sys

# Each library folder and the folders it may include, its own among them.
# base < archive, log, net < engine < options < options/sheet, app, cli.
BELOW = {
    "base": [],
    "archive": ["base"],
    "log": ["base"],
    "net": ["base"],
    "engine": ["base", "archive", "log", "net"],
    "options": ["base", "archive", "log", "net", "engine"],
    "options/sheet": ["base", "archive", "log", "net", "engine", "options"],
    "app": ["base", "archive", "log", "net", "engine", "options", "options/sheet"],
    "cli": ["base", "archive", "log", "net", "engine", "options"],
}
ALLOWED = {layer: set(below) | {layer} for layer, below in BELOW.items()}
QT_LAYERS = {"options/sheet", "app"}
TOP_FOLDERS = {layer.split("/")[0] for layer in BELOW}
SOURCE_SUFFIXES = {".h", ".cpp", ".in"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Za-z]|qt|q[a-z]+\.h$)")


def layer_of(folder):
    """The library folder that `folder` (relative, with slashes) belongs to,
    the deepest one that contains it; None outside every library."""
    parts = folder.split("/")
    for depth in range(len(parts), 0, -1):
        candidate = "/".join(parts[:depth])
        if candidate in BELOW:
            return candidate
    return None


def check_include(layer, delimiter, header):
    """Why `layer` may not include `header`, or None when it may."""
    if delimiter == "<":
        if QT_HEADER.match(header) and layer not in QT_LAYERS:
            return "a Qt header in a layer without Qt"
        if header.split("/")[0] not in TOP_FOLDERS:
            return None
    folder = header.rpartition("/")[0]
    if not folder:
        return "a project header not named by its folder"
    target = layer_of(folder)
    if target is None:
        return "a header outside every library"
    if target not in ALLOWED[layer]:
        return f"{target}/ is not below {layer}/ (it may include {', '.join(sorted(ALLOWED[layer]))})"
    return None


def violations(root):
    """Every wrong include under `root`, as "path:line: text: reason"."""
    root = pathlib.Path(root)
    found = []
    paths = sorted(path for top in TOP_FOLDERS for path in (root / top).rglob("*"))
    for path in paths:
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        layer = layer_of(path.parent.relative_to(root).as_posix())
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            reason = check_include(layer, match.group(1), match.group(2))
            if reason:
                found.append(f"{path.relative_to(root).as_posix()}:{number}: {line.strip()}: {reason}")
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = violations(argv[1])
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the layer rule", file=sys.stderr)
        return 1
    print(f"every include keeps to its layer ({', '.join(BELOW)})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
