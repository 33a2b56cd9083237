#!/usr/bin/env python3
"""The checks the build runs on itself: the layering checker, the clang-format check and the
test-name check. Each must fail on the fault it exists for."""

import argparse
import importlib.machinery
import os
import shutil
import subprocess
import sys
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ARGS = None


def load(path, name):
    module = types.ModuleType(name)
    module.__file__ = path
    importlib.machinery.SourceFileLoader(name, path).exec_module(module)
    return module


def write_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as out:
            out.write(text)


def checkers_required():
    return any(os.environ.get(v, "") not in ("", "0", "false") for v in ("CI", "FOLIO_REQUIRE_CHECKERS"))


RULES = """
low: low/ -> 
mid: mid/ -> low
side: side/ -> low
high: high/ mid/top.h -> mid side
app: app/ -> high
"""

# name, files of the tree, expected problems (file:line and the layer it reached, or "")
LAYER_CASES = [
    ("downward and same-layer includes", {
        "low/a.h": "#pragma once\n",
        "mid/b.h": '#include "low/a.h"\n#include "mid/c.h"\n',
        "mid/c.h": "",
    }, []),
    ("upward include", {
        "low/a.h": '#include <vector>\n#include "mid/b.h"\n',
        "mid/b.h": "",
    }, ["low/a.h:2: low includes mid/b.h of mid"]),
    ("a layer's layers are allowed too", {
        "low/a.h": "",
        "app/main.cpp": '#include "low/a.h"\n',
    }, []),
    ("sibling layers do not see each other", {
        "mid/b.h": '#include "side/s.h"\n',
        "side/s.h": "",
    }, ["mid/b.h:1: mid includes side/s.h of side"]),
    ("a file owned above its folder's layer", {
        "mid/top.h": '#include "side/s.h"\n#include "mid/b.h"\n',
        "mid/b.h": '#include "top.h"\n',
        "side/s.h": "",
    }, ["mid/b.h:1: mid includes mid/top.h of high"]),
    ("includes relative to the including file", {
        "mid/b.h": '#include "c.h"\n',
        "mid/c.h": "",
        "low/a.cpp": '  #  include "../mid/c.h"\n',
    }, ["low/a.cpp:1: low includes mid/c.h of mid"]),
    ("project files outside every layer", {
        "low/a.h": '#include "tests/util.h"\n#include "missing/elsewhere.h"\n',
        "tests/util.h": '#include "app/x.h"\n',
        "app/x.h": "",
    }, ["low/a.h:1: low includes tests/util.h, which belongs to no layer"]),
]


class LayerChecker(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.layers = load(os.path.join(ARGS.source, "scripts", "check-layers.py"), "check_layers")

    def test_cases(self):
        for name, files, expected in LAYER_CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                write_tree(root, files)
                problems = self.layers.check(root, RULES)
                self.assertEqual(len(expected), len(problems), problems)
                for want, got in zip(expected, problems):
                    self.assertTrue(got.startswith(want), got)

    def test_rules_that_do_not_read_are_refused(self):
        for rules in ("low low/", "low: low/ -> nowhere", ": x/ -> "):
            with self.subTest(rules), self.assertRaises(ValueError):
                self.layers.check(".", rules)

    def test_upward_include_in_the_real_tree_fails(self):
        # The real rules on a copy of the real library with one header of the object model
        # reaching up into the document layer.
        with tempfile.TemporaryDirectory() as root:
            for folder in ("core", "pdf", "cli"):
                shutil.copytree(os.path.join(ARGS.source, folder), os.path.join(root, folder))
            header = os.path.join(root, "pdf", "objects", "kvPDFObjects.h")
            with open(header, "a", encoding="utf-8") as out:
                out.write('#include "pdf/document/kvCstPDFDoc.h"\n')
            run = subprocess.run([sys.executable, os.path.join(ARGS.source, "scripts", "check-layers.py"),
                                  ARGS.rules, root], capture_output=True, text=True)
            self.assertEqual(1, run.returncode, run.stdout + run.stderr)
            self.assertRegex(run.stdout, r"pdf/objects/kvPDFObjects\.h:\d+: kvobjects includes "
                                         r"pdf/document/kvCstPDFDoc\.h of kvdocument")


class FormatCheck(unittest.TestCase):
    def setUp(self):
        missing = [t for t in ("git", os.environ.get("CLANG_FORMAT", "clang-format")) if not shutil.which(t)]
        if missing:
            if checkers_required():
                self.fail(f"{missing} not installed")
            self.skipTest(f"{missing} not installed")
        self.repo = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.repo)
        shutil.copy(os.path.join(ARGS.source, ".clang-format"), self.repo)
        write_tree(self.repo, {"good.cpp": "int Good() { return 1; }\n"})
        self.git("init", "-q")
        self.git("add", ".")
        self.git("-c", "user.name=t", "-c", "user.email=t@t", "commit", "-q", "-m", "start")

    def git(self, *args):
        subprocess.run(["git", "-C", self.repo, *args], check=True, capture_output=True)

    def check(self, *args):
        return subprocess.run(["bash", os.path.join(ARGS.source, "scripts", "check-format.sh"), "-C", self.repo,
                               *args], capture_output=True, text=True)

    def test_unformatted_file_fails_until_fixed(self):
        self.assertEqual(0, self.check().returncode)
        write_tree(self.repo, {"bad.cpp": "int   Bad( ){return 2;}\n", "ignored.txt": "int   x;\n"})
        self.git("add", "bad.cpp")
        for args in ((), ("--since", "HEAD")):
            with self.subTest(args):
                run = self.check(*args)
                self.assertEqual(1, run.returncode, run.stderr)
                self.assertIn("needs clang-format: bad.cpp", run.stderr)
                self.assertNotIn("good.cpp", run.stderr)
        self.assertEqual(0, self.check("--fix").returncode)
        self.assertEqual(0, self.check().returncode)
        with open(os.path.join(self.repo, "bad.cpp"), encoding="utf-8") as fixed:
            self.assertEqual("int Bad() { return 2; }\n", fixed.read())

    def test_since_looks_only_at_changed_files(self):
        write_tree(self.repo, {"good.cpp": "int   Good( ){return 1;}\n"})
        self.git("-c", "user.name=t", "-c", "user.email=t@t", "commit", "-qam", "unformatted")
        self.assertEqual(1, self.check().returncode)
        self.assertEqual(0, self.check("--since", "HEAD").returncode)


class TestNames(unittest.TestCase):
    def test_index_names_and_raw_bytes_are_found(self):
        names = load(os.path.join(HERE, "check_test_names.py"), "check_test_names")
        listing = ("Plain.\n  Works\n"
                   "Levels/RoundTrip.  # TypeParam = int\n"
                   "  Opens/All40  # GetParam() = All40\n"
                   "  Opens/1  # GetParam() = 7\n"
                   "  Saves/Copy  # GetParam() = 24-byte object <01-00 00-00>\n")
        self.assertEqual(["Levels/RoundTrip.Opens/1: named by its index",
                          "Levels/RoundTrip.Saves/Copy: parameter shown as raw bytes"], names.unreadable(listing))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--rules", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest])
