#!/usr/bin/env python3
"""Checks that every project include under src/, tests/ and bench/ points to its own layer or one
below it, so the subsystem libraries link only downward. Prints each offending include; exits 1
when there is one. The compiler refuses such an include as well (each library is compiled against
its layer's include tree, scripts/make-layer-trees.py); this check names every one at once, and
covers the tests and benchmarks by the layer their folder mirrors.

  check-layers.py ROOT
"""
import pathlib
import re
import sys

from layers import allowed, layer_of

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main(root):
    root = pathlib.Path(root)
    faults = []
    for top in ("src", "tests", "bench"):
        for file in sorted((root / top).rglob("*")):
            if file.suffix not in (".h", ".hpp", ".cpp", ".inl"):
                continue
            relative = file.relative_to(root / top).as_posix()
            # A test or benchmark stands on the layer it mirrors.
            own = layer_of(relative)
            if own is None:
                continue
            permitted = allowed(own)
            text = file.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                target = layer_of(match.group(1))
                if target is not None and target not in permitted:
                    line = text.count("\n", 0, match.start()) + 1
                    faults.append(f"{top}/{relative}:{line}: {own} includes {match.group(1)} ({target} lies above it)")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
