#!/usr/bin/env python3
"""The layer checker itself: it passes a tree that keeps the rule and names
every include that breaks it."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import check_layers  # noqa: E402


class LayerCheck(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = pathlib.Path(self.folder.name)

    def tearDown(self):
        self.folder.cleanup()

    def put(self, path, *includes):
        file = self.root / path
        file.parent.mkdir(parents=True, exist_ok=True)
        file.write_text("".join(f"#include {include}\n" for include in includes) + "int x;\n")

    def test_includes_from_below_pass(self):
        self.put("base/a.cpp", '"base/a.h"', "<string>", "<unistd.h>")
        self.put("log/l.cpp", '"base/a.h"', '"log/l.h"')
        self.put("engine/e.cpp", '"archive/m.h"', '"log/l.h"', "<lexbor/html/html.h>", "<boost/cregex.hpp>")
        self.put("options/o.cpp", '"engine/e.h"')
        self.put("options/sheet/s.cpp", '"options/o.h"', "<QDialog>", '"options/sheet/s.h"')
        self.put("app/w.cpp", '"options/sheet/s.h"', "<QtWidgets/QLabel>", '"cli/c.h"')
        self.put("tests/t.cpp", '"app/w.h"', '"t.moc"')
        self.assertEqual(check_layers.violations(self.root),
                         ["app/w.cpp:3: #include \"cli/c.h\": cli/ is not below app/ (it may include "
                          "app, archive, base, engine, log, net, options, options/sheet)"])

    def test_every_wrong_include_is_named(self):
        cases = {
            "engine/up.cpp": ('"options/convert_options.h"', "options/ is not below engine/"),
            "engine/qt.cpp": ("<QString>", "a Qt header in a layer without Qt"),
            "options/qt.cpp": ("<qglobal.h>", "a Qt header in a layer without Qt"),
            "cli/sheet.cpp": ('"options/sheet/my_sheet.h"', "options/sheet/ is not below cli/"),
            "log/side.cpp": ('"archive/mime_archive.h"', "archive/ is not below log/"),
            "archive/side.h": ("<log/convert_log.h>", "log/ is not below archive/"),
            "base/bare.cpp": ('"file_io.h"', "a project header not named by its folder"),
            "base/tests.cpp": ('"tests/support/temp_folder.h"', "a header outside every library"),
        }
        for path, (include, _) in cases.items():
            self.put(path, include)
        found = check_layers.violations(self.root)
        self.assertEqual(len(found), len(cases), found)
        for line, (path, (include, reason)) in zip(found, sorted(cases.items())):
            self.assertTrue(line.startswith(f"{path}:1: #include {include}: {reason}"), line)

    def test_the_program_fails_on_a_wrong_include(self):
        self.put("engine/fine.cpp", '"base/a.h"')
        self.assertEqual(check_layers.main(["check_layers.py", str(self.root)]), 0)
        self.put("engine/wrong.cpp", '"app/main_dialog.h"')
        self.assertEqual(check_layers.main(["check_layers.py", str(self.root)]), 1)


if __name__ == "__main__":
    unittest.main()
