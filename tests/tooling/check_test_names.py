#!/usr/bin/env python3
"""Fails when a parameterised test has a name or a parameter that does not read.

Runs every GoogleTest program test_* in the given folder and below it with --gtest_list_tests. A case
named by its index ("Suite.Test/3") needs a name generator; a parameter shown as
"N-byte object <..>" (its raw bytes) needs a PrintTo.

Usage: check_test_names.py TEST_PROGRAM_FOLDER
"""

import os
import re
import subprocess
import sys

INDEX_NAME = re.compile(r"/\d+$")
RAW_BYTES = re.compile(r"GetParam\(\) = \d+-byte object <")


def unreadable(listing):
    """The lines of a --gtest_list_tests listing that name or show a case unreadably."""
    problems, suite = [], ""
    for line in listing.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.split("#", 1)[0].strip()
            continue
        name, _, comment = line.strip().partition("#")
        name = name.strip()
        if INDEX_NAME.search(name):
            problems.append(f"{suite}{name}: named by its index")
        if RAW_BYTES.search(comment):
            problems.append(f"{suite}{name}: parameter shown as raw bytes")
    return problems


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    folder = argv[1]
    programs = sorted(os.path.relpath(os.path.join(d, p), folder) for d, _, names in os.walk(folder) for p in names
                      if p.startswith("test_") and os.access(os.path.join(d, p), os.X_OK))
    if not programs:
        print(f"test names: no test programs in {folder}", file=sys.stderr)
        return 1
    problems = []
    # Programs with windows list their tests without a display too.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for program in programs:
        listing = subprocess.run([os.path.join(folder, program), "--gtest_list_tests"], check=True, env=env,
                                 capture_output=True, text=True, errors="replace").stdout
        problems += [f"{program}: {p}" for p in unreadable(listing)]
    for problem in problems:
        print(problem)
    if problems:
        print(f"test names: {len(problems)} unreadable case(s)", file=sys.stderr)
        return 1
    print(f"test names: every case of {len(programs)} program(s) reads")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
