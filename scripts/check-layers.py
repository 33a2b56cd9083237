#!/usr/bin/env python3
"""Fails when a file includes a header of a layer it may not use.

The rules come from the build (cmake/FolioLayers.cmake writes them to folio-layers.txt in the
build folder), one layer a line:

    kvparser: pdf/parser/ -> kvobjects kvfilters
    folioworks: pdf/document/kvPDFDoc.h -> kvfeatures

Left of the arrow are the folders (ending in "/") and single files the layer owns; a file
named on its own belongs to that layer even inside another layer's folder. Right of it are
the layers it builds on; what they build on is allowed as well. Every quoted include of a
file a layer owns is checked; includes of files outside the tree (system headers) are not.

Usage: check-layers.py RULES [SOURCE_ROOT]
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def parse_rules(text):
    """Returns ({layer: [owned paths]}, {layer: [needed layers]})."""
    owns, needs = {}, {}
    for number, line in enumerate(text.splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        name, sep, rest = line.partition(":")
        owned, arrow, needed = rest.partition("->")
        if not sep or not arrow or not name.strip():
            raise ValueError(f"rules line {number}: expected 'layer: paths -> layers': {line}")
        owns[name.strip()] = owned.split()
        needs[name.strip()] = needed.split()
    for layer, wanted in needs.items():
        for other in wanted:
            if other not in needs:
                raise ValueError(f"layer {layer} needs unknown layer {other}")
    return owns, needs


def allowed_layers(needs):
    """Each layer with every layer below it, itself included."""
    allowed = {}
    for layer in needs:
        seen, stack = {layer}, [layer]
        while stack:
            for other in needs[stack.pop()]:
                if other not in seen:
                    seen.add(other)
                    stack.append(other)
        allowed[layer] = seen
    return allowed


class Owners:
    """Which layer owns a path: a file named alone, else the longest folder holding it."""

    def __init__(self, owns):
        self.files, self.folders = {}, []
        for layer, paths in owns.items():
            for path in paths:
                if path.endswith("/"):
                    self.folders.append((path, layer))
                else:
                    self.files[path] = layer
        self.folders.sort(key=lambda item: len(item[0]), reverse=True)

    def of(self, path):
        if path in self.files:
            return self.files[path]
        for folder, layer in self.folders:
            if path.startswith(folder):
                return layer
        return None


def resolve(root, including, target):
    """The tree-relative path an include names, or None for a file outside the tree."""
    for base in ("", os.path.dirname(including)):
        candidate = os.path.normpath(os.path.join(base, target))
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def layer_files(root, owns):
    for paths in owns.values():
        for path in paths:
            if not path.endswith("/"):
                if os.path.isfile(os.path.join(root, path)):
                    yield path
                continue
            folder = os.path.join(root, path)
            if not os.path.isdir(folder):
                continue
            for dirpath, _, names in os.walk(folder):
                for name in sorted(names):
                    if name.endswith(SOURCE_SUFFIXES):
                        yield os.path.relpath(os.path.join(dirpath, name), root)


def check(root, rules_text):
    """Returns the list of violations, one readable line each."""
    owns, needs = parse_rules(rules_text)
    allowed = allowed_layers(needs)
    owners = Owners(owns)
    problems = []
    for path in sorted(set(layer_files(root, owns))):
        layer = owners.of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, path, match.group(1))
                if target is None:
                    continue
                other = owners.of(target)
                if other is None:
                    problems.append(f"{path}:{number}: {layer} includes {target}, which belongs to no layer")
                elif other not in allowed[layer]:
                    problems.append(f"{path}:{number}: {layer} includes {target} of {other}, "
                                    f"a layer it does not build on")
    return problems


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = argv[2] if len(argv) == 3 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    with open(argv[1], encoding="utf-8") as rules:
        problems = check(root, rules.read())
    for problem in problems:
        print(problem)
    if problems:
        print(f"layering: {len(problems)} include(s) against the layers", file=sys.stderr)
        return 1
    print("layering: every include goes to the same layer or one below")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
