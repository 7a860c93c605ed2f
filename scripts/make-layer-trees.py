#!/usr/bin/env python3
"""Builds, for every layer, the include tree its code is compiled against: a folder holding links
to the source folders of that layer and the layers below it, laid out as under src/, so that an
include of a layer above is not found. Folders are linked whole (a header added later is there
at once); a folder that holds a layer the tree must not see (service/parser holds the lower
service/parser/base) is made as a real folder whose other entries are linked one by one.

  make-layer-trees.py SRC DEST    -> DEST/<layer with '/' as '-'>/...

DEST is replaced whole; the trees are made again at each configure.
"""
import os
import pathlib
import shutil
import sys

from layers import LAYERS, allowed, layer_of, tree_name


def place(src, dest, relative, permitted):
    """Links or mirrors src/relative into dest/relative, leaving out what permitted lacks."""
    layer = layer_of(relative) if relative else None
    barred_below = any(name.startswith(relative + "/") and name not in permitted
                       for name, _ in LAYERS) if relative else True
    source = src / relative
    if layer in permitted and not barred_below:
        target = dest / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        os.symlink(source, target, target_is_directory=source.is_dir())
        return
    holds_permitted = any(name == relative or name.startswith(relative + "/") or not relative
                          for name in permitted)
    if not source.is_dir() or not holds_permitted:
        return
    for entry in sorted(source.iterdir()):
        child = entry.relative_to(src).as_posix()
        if entry.is_dir() or layer_of(child) in permitted:
            place(src, dest, child, permitted)


def main(src, dest):
    src, dest = pathlib.Path(src).resolve(), pathlib.Path(dest)
    if dest.exists():
        shutil.rmtree(dest)
    for name, _ in LAYERS:
        tree = dest / tree_name(name)
        tree.mkdir(parents=True)
        place(src, tree, "", allowed(name))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
