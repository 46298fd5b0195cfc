"""Finds the URLs of stylesheets with FindCssReferences and with Chromium's own
CSS parser (read back through the CSS object model), and compares them. The
cases are those where tokenizing decides: escapes, comments, strings, bad
URLs, where an @import rule may stand, image-set() and @font-face."""
import html
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

DUMP = sys.argv[1]
CHROMIUM = shutil.which("chromium")

# Chromium drops a declaration whose value is invalid, and with it the URLs
# in it; FindCssReferences reads no property grammar and keeps them, which
# archives a file the page does not use and loses nothing.
KEPT_FROM_INVALID_VALUES = {"a{background-image:url('a.png'}"}

CASES = [
    r"a{background-image:url(a\)b.png)}",
    r"a{background-image:\75 rl(x.png)}",
    "a{background-image:URL(  spaced.png  )}",
    "/* url(c.png) */a{background-image:url(y.png)}",
    "a{background-image:url(a b.png)}",
    "@import \"i.css\"; @import url(j.css) screen; @import url( 'k.css' );",
    "a; @import \"eaten.css\"; b{}",
    "<!-- @import \"cdo.css\"; -->",
    "@IMPORT \"upper.css\";",
    '@\\69mport "esc.css";',
    '\\40 import "escaped-at.css";',
    "@import \"\";",
    "@import url(\"q.css\") layer(x) supports(display:grid) screen;",
    "@import \"imp.css\" print; @namespace url(ns); a{background-image:url(after-ns.png)}",
    "@media print{a{background-image:url(m.png)}}",
    "a{background-image:image-set(\"s1.png\" 1x, url(s2.png) 2x)}",
    "a{background-image:-webkit-image-set(\"w1.png\" 1x, \"w2.png\" 2x)}",
    "a{background-image:image-set(\"t.png\" type(\"image/png\") 1x)}",
    "@font-face{font-family:F;src:url(f.woff2) format(\"woff2\"), local(\"F\"), url('f.ttf')}",
    'a{background-image:url("q\\"uo.png")}',
    r"a{background-image:url(e\ sc.png)}",
    "a{background-image:url(open.png",
    "a{background-image:url(\"bad\n\")} b{background-image:url(after.png)}",
    "a{background-image:url(\\\nx.png)} b{background-image:url(ok.png)}",
    "a{background-image:url(a\x01b.png)} b{background-image:url(ok2.png)}",
    "a{background-image:url('uu\\\nvv.png')}",
    "a{background-image:url(x.png) ; content:\"url(no.png)\"}",
    "a{background-image:10url(n.png)}",
    "a{cursor:url(cur.png),auto}",
    "a{background-image:url('a.png'}",
]

# Lists, per style element, what @import rules and declarations name.
COLLECT = r"""<script>
function unescape(s) {
  return s.replace(/\\([0-9a-fA-F]{1,6}) ?|\\(.)/g, (m, hex, c) => hex ? String.fromCodePoint(parseInt(hex, 16)) : c);
}
function collect(rules, found) {
  for (const rule of rules) {
    if (rule instanceof CSSImportRule && rule.href) found.push("import:" + rule.href);
    if (rule.style) {
      for (const m of rule.style.cssText.matchAll(/url\("((?:[^"\\]|\\.)*)"\)/g)) found.push("other:" + unescape(m[1]));
    }
    if (rule.cssRules) collect(rule.cssRules, found);
  }
}
const sheets = [];
for (const sheet of document.styleSheets) { const found = []; collect(sheet.cssRules, found); sheets.push(found); }
document.body.textContent = "RESULT" + JSON.stringify(sheets) + "END";
</script>"""


@unittest.skipIf(CHROMIUM is None, "chromium is not installed")
class SameUrlsAsChromium(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="scrivane-css-")

    def tearDown(self):
        shutil.rmtree(self.work)

    def ours(self):
        files = []
        for index, case in enumerate(CASES):
            files.append(os.path.join(self.work, "case%d.css" % index))
            with open(files[-1], "w", encoding="utf-8", newline="") as sheet:
                sheet.write(case)
        lines = subprocess.run([DUMP] + files, capture_output=True, text=True, check=True).stdout.split("\n")
        return [[kind + ":" + bytes.fromhex(url).decode("utf-8") for kind, url in (r.split(":") for r in line.split())]
                for line in lines[:len(CASES)]]

    def chromiums(self):
        page = os.path.join(self.work, "page.html")
        with open(page, "w", encoding="utf-8", newline="") as out:
            out.write("<!DOCTYPE html><html><head><meta charset=utf-8>")
            out.write("".join("<style>" + case + "</style>" for case in CASES))
            out.write("</head><body>" + COLLECT + "</body></html>")
        run = subprocess.run(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--no-first-run",
             "--user-data-dir=" + os.path.join(self.work, "profile"), "--dump-dom", "file://" + page],
            capture_output=True, text=True, timeout=120)
        dom = html.unescape(run.stdout)
        start, end = dom.find("RESULT"), dom.rfind("END")
        self.assertGreaterEqual(start, 0, run.stderr[-2000:])
        return json.loads(dom[start + len("RESULT"):end])

    def test_same_urls(self):
        ours, chromiums = self.ours(), self.chromiums()
        self.assertEqual(len(chromiums), len(CASES))
        for case, mine, theirs in zip(CASES, ours, chromiums):
            with self.subTest(case=case):
                if case in KEPT_FROM_INVALID_VALUES:
                    self.assertTrue(set(theirs) <= set(mine), (mine, theirs))
                    self.assertNotEqual(sorted(mine), sorted(theirs), "no longer an example of an invalid value")
                else:
                    self.assertEqual(sorted(mine), sorted(theirs))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
