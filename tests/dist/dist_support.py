"""What the install and package checks share: the options a program's --help
names, and a conversion of the sample site by an installed program."""
import os
import re
import shutil
import subprocess


def help_options(program):
    """Every option that `program --help` names, such as --log or -h."""
    run = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=30,
                         env={"PATH": os.environ["PATH"]})
    if run.returncode != 0:
        raise AssertionError("%s --help failed: %s" % (program, run.stderr))
    return sorted(set(re.findall(r"(?:^|[\s,\[])(--?[a-z][a-z-]*)", run.stdout)))


def convert_sample_site(convert, source, work):
    """Converts a copy of examples/site with `convert` and no options, into
    index.mht in `work`; returns the archive's text after checking that it
    has the page and its ten files (three of them named only by the
    stylesheets)."""
    site = os.path.join(work, "site")
    shutil.copytree(os.path.join(source, "examples", "site"), site)
    archive = os.path.join(work, "index.mht")
    run = subprocess.run([convert, os.path.join(site, "index.html")], capture_output=True, text=True, timeout=60,
                         cwd=work)
    if run.returncode != 0:
        raise AssertionError("the conversion failed: " + run.stderr)
    with open(archive, "rb") as text:
        content = text.read()
    locations = re.findall(rb"^Content-Location: (.*?)\r$", content, re.MULTILINE)
    if len(locations) != 11 or not locations[0].endswith(b"/site/index.html"):
        raise AssertionError("the archive does not hold the page and its ten files: %r" % locations)
    return content
