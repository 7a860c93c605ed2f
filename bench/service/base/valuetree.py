#!/usr/bin/env python3
"""Writes a JSON document as value-tree text (UTF-8), laid out as the value-tree writer lays it
out: tab-indented, bare keys, " : ", single-quoted strings with doubled quotes, no commas.

  valuetree.py JSON OUT        (does nothing when OUT is newer than JSON)
"""
import json
import os
import sys


def write(value, depth, out):
    if isinstance(value, dict):
        out.append("\n" + "\t" * depth + "{\n")
        for key, item in value.items():
            out.append("\t" * (depth + 1) + key + " : ")
            write(item, depth + 1, out)
        out.append("\t" * depth + "}\n")
    elif isinstance(value, list):
        out.append("\n" + "\t" * depth + "[\n")
        for item in value:
            out.append("\t" * (depth + 1))
            write(item, depth + 1, out)
        out.append("\t" * depth + "]\n")
    elif value is None:
        out.append("null\n")
    elif isinstance(value, bool):
        out.append("true\n" if value else "false\n")
    elif isinstance(value, int):
        out.append("%d\n" % value)
    elif isinstance(value, float):
        out.append(format(value, ".16g") + "\n")
    else:
        out.append("'" + value.replace("'", "''") + "'\n")


def main(source, target):
    if os.path.exists(target) and os.path.getmtime(target) >= os.path.getmtime(source):
        return
    with open(source, encoding="utf-8") as f:
        value = json.load(f)
    out = []
    write(value, 0, out)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
