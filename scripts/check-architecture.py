#!/usr/bin/env python3
"""Checks that the architecture page names only what exists: every file path and every function,
class or constant it writes in backticks (outside fenced blocks) must be in the tree. Prints each
name that is not; exits 1 when there is one.

  check-architecture.py ROOT [PAGE]      (PAGE: ARCHITECTURE.md by default)

A path (with a '/' or a file suffix) exists relative to ROOT or to its src/ (layers are named by
their folders there); a path with a <placeholder> is
checked up to it, one with '*' must match a file. A name A::b exists where the sources write
"A::b", or where the file declaring class, struct or namespace A mentions b; a plain name is a
whole word of some source, build file or script. Spans holding spaces or quotes (commands, texts)
are not names and are left alone.
"""
import pathlib
import re
import sys

SEARCHED = ["src", "tests", "bench", "cmake", "scripts"]
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".inl", ".rc", ".cmake", ".py", ".sh", ".txt", ".def"}
FILE_SUFFIX = re.compile(r"\.(h|hpp|cpp|md|py|sh|txt|cmake|rc|json)$")
NAME = re.compile(r"^[A-Za-z_]\w*(::~?[A-Za-z_]\w*)*$")
SPAN = re.compile(r"`([^`\n]+)`")


def spans(text):
    inside = False
    for number, line in enumerate(text.splitlines(), 1):
        if line.lstrip().startswith("```"):
            inside = not inside
            continue
        if not inside:
            for match in SPAN.finditer(line):
                yield number, match.group(1)


class Tree:
    def __init__(self, root):
        self.root = root
        self.texts = {}
        for top in SEARCHED:
            for path in (root / top).rglob("*"):
                if path.is_file() and (path.suffix in SOURCE_SUFFIXES or path.name == "CMakeLists.txt"):
                    self.texts[path] = path.read_text(encoding="utf-8", errors="replace")
        self.texts[root / "CMakeLists.txt"] = (root / "CMakeLists.txt").read_text(encoding="utf-8")
        self.words, self.qualified, self.declared = set(), set(), {}
        for text in self.texts.values():
            self.words.update(re.findall(r"[A-Za-z_]\w*", text))
            self.qualified.update(re.findall(r"(?=\b([A-Za-z_]\w*::~?[A-Za-z_]\w*))", text))
            for found in re.finditer(r"\b(?:class|struct|namespace)\s+([A-Za-z_]\w*)", text):
                self.declared.setdefault(found.group(1), []).append((text, found.end()))

    def has_path(self, span):
        if "<" in span:
            span = span[: span.index("<")]
            return (self.root / span).exists()
        if "*" in span:
            folder, _, pattern = span.rpartition("/")
            return any((self.root / folder).rglob(pattern)) if folder else any(self.root.rglob(pattern))
        return any((base / span.rstrip("/")).exists() for base in (self.root, self.root / "src"))

    def has_name(self, span):
        parts = span.split("::")
        if len(parts) == 1:
            return span in self.words
        owner, member = parts[-2], parts[-1]
        if owner + "::" + member in self.qualified:
            return True
        word = re.compile(r"\b" + re.escape(member.lstrip("~")) + r"\b")
        return any(word.search(text, start) for text, start in self.declared.get(owner, []))


def main(root, page):
    root = pathlib.Path(root)
    tree = Tree(root)
    faults = []
    for number, span in spans((root / page).read_text(encoding="utf-8")):
        if " " in span or '"' in span:
            continue
        if span.startswith("."):
            continue  # a file suffix, not a file
        if "/" in span or FILE_SUFFIX.search(span):
            if not tree.has_path(span):
                faults.append(f"{page}:{number}: no file or folder {span}")
        elif NAME.match(span):
            if not tree.has_name(span):
                faults.append(f"{page}:{number}: nothing named {span} in the sources")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else ".", sys.argv[2] if len(sys.argv) > 2 else "ARCHITECTURE.md"))
