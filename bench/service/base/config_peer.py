#!/usr/bin/env python3
"""Settings for the Config benchmark, and Python doing the same work on them as JSON files.

  config_peer.py generate DIR    writes DIR/ts/ns00..ns15.tsConfig (value-tree text, UTF-16LE with
                                 a byte-order mark, as Config writes it) and DIR/json/ns00..ns15.json
                                 holding the same 20 000 settings of every type (once)
  config_peer.py time DIR        prints 'config_load_all_python <ms> ms' for json.load of each file
                                 flattened into one dict by dotted identifier, and
                                 'config_save_all_python <ms> ms' for writing every file back after a
                                 change to every value (json.dump to a temporary file, os.fsync,
                                 os.replace); best of three each
"""
import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from valuetree import write as value_tree  # noqa: E402

NAME_SPACES = 16
VALUES = 20000
SECTION_SIZE = 25
VERSION = "1 0 1 12e4b4c8"
WORDS = ["editor", "font", "Consolas", "caf\u00e9", "it's", "tab", "\u65e5\u672c\u8a9e", "wrap", "scope", "theme"]


def value_of(rng, i):
    kind = i % 7
    if kind == 0:
        return rng.randint(-100000, 100000)
    if kind == 1:
        return rng.choice([rng.randint(0, 1 << 20), 0xFFFFFFFF, 0xFF336699])
    if kind == 2:
        return rng.random() < 0.5
    if kind == 3:
        return " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 9)))
    if kind == 4:
        return rng.choice([0.5, 1.25, 12.75, 0.1, 2.0, 1.2])
    if kind == 5:
        return [rng.choice(WORDS) for _ in range(rng.randint(1, 7))]
    return {"left": rng.randint(0, 2000), "top": rng.randint(0, 2000), "right": rng.randint(0, 4000),
            "bottom": rng.randint(0, 4000), "state": rng.randint(0, 3)}


def settings():
    """Per name space: {section: {name: value}}."""
    rng = random.Random(11)
    spaces = [{} for _ in range(NAME_SPACES)]
    for i in range(VALUES):
        space = spaces[i % NAME_SPACES]
        section = "app.s%03d" % (i // NAME_SPACES // SECTION_SIZE)
        space.setdefault(section, {})["option_%05d" % i] = value_of(rng, i)
    return spaces


def generate(folder):
    ts, js = os.path.join(folder, "ts"), os.path.join(folder, "json")
    if os.path.exists(os.path.join(js, "ns%02d.json" % (NAME_SPACES - 1))):
        return
    os.makedirs(ts, exist_ok=True)
    os.makedirs(js, exist_ok=True)
    for n, space in enumerate(settings()):
        document = dict({"version": VERSION}, **space)
        out = []
        value_tree(document, 0, out)
        with open(os.path.join(ts, "ns%02d.tsConfig" % n), "wb") as f:
            f.write(b"\xff\xfe" + "".join(out).encode("utf-16-le"))
        with open(os.path.join(js, "ns%02d.json" % n), "w", encoding="utf-8") as f:
            json.dump(document, f, ensure_ascii=False, indent="\t")


def load_all(paths):
    flat = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for section, entries in document.items():
            if isinstance(entries, dict):
                for name, value in entries.items():
                    flat[section + "." + name] = value
    return flat


def change(value):
    if isinstance(value, bool):
        return not value
    if isinstance(value, int):
        return value ^ 1
    if isinstance(value, float):
        return value + 1
    if isinstance(value, str):
        return value + "x"
    if isinstance(value, list):
        return value + ["x"]
    return dict(value, left=value["left"] + 1)


def save_all(paths, flat):
    for n, path in enumerate(paths):
        document = {"version": VERSION}
        for identifier, value in flat[n].items():
            section, name = identifier.rsplit(".", 1)
            document.setdefault(section, {})[name] = value
        temporary = path + ".tmp"
        with open(temporary, "w", encoding="utf-8") as f:
            json.dump(document, f, ensure_ascii=False, indent="\t")
            f.flush()
            os.fsync(f.fileno())
        os.replace(temporary, path)


def best_ms(runs, body):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        body()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None or elapsed < best else best
    return best * 1000


def timing(folder):
    source = os.path.join(folder, "json")
    work = os.path.join(folder, "json-work")
    os.makedirs(work, exist_ok=True)
    names = ["ns%02d.json" % n for n in range(NAME_SPACES)]
    paths = [os.path.join(work, name) for name in names]
    for name in names:
        with open(os.path.join(source, name), "rb") as f, open(os.path.join(work, name), "wb") as g:
            g.write(f.read())
    load = best_ms(3, lambda: load_all(paths))
    flat = load_all(paths)
    assert len(flat) == VALUES, len(flat)
    # Per file, its values by identifier: what each file's save writes.
    per_file = []
    for path in paths:
        per_file.append(load_all([path]))
    save_runs = []

    def save():
        for values in per_file:
            for identifier in values:
                values[identifier] = change(values[identifier])
        start = time.perf_counter()
        save_all(paths, per_file)
        save_runs.append(time.perf_counter() - start)

    for _ in range(3):
        save()
    print("config_load_all_python %.2f ms" % load)
    print("config_save_all_python %.2f ms" % (min(save_runs) * 1000))


if __name__ == "__main__":
    if sys.argv[1] == "generate":
        generate(sys.argv[2])
    else:
        timing(sys.argv[2])
