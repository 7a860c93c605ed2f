#!/usr/bin/env python3
"""Host side of the search benchmark.

  search_peer.py text FILE MB      writes MB million characters of English-like ASCII text (once):
                                   the rare word "hippopotami" about 100 times, the common word
                                   "doorway" about 125,000 times as a whole word, words such as
                                   "selection" and tokens such as "w12347"
  search_peer.py time NAME FILE -- CMD...
                                   runs CMD three times with its output into a pipe, prints
                                   'NAME <MB/s> MB/s' for the best run (bytes of FILE per second)
                                   and then the last line CMD printed
  search_peer.py sed FILE OUT      replaces every whole word "doorway" by "other" with GNU sed,
                                   three times, keeps the result in OUT and prints
                                   'sed_replace_all_whole_word <seconds> s' for the best run
"""
import os
import random
import subprocess
import sys
import time

RARE = "hippopotami"
COMMON = "doorway"
# Words for the regular expressions, beside the English-like words of the format benchmark.
EXTRA = "selection selfish election session collection selective doorways door".split()
CHUNK = 8 << 20


def english_chunk(path):
    """CHUNK characters of the format benchmark's English-like text."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "parser"))
    from format_peer import english_text
    english_text(path, CHUNK)
    with open(path, "r", encoding="ascii") as f:
        return f.read()


def sprinkled(base, rng):
    """The chunk with some of its words replaced by the words the searches look for."""
    words = base.split(" ")
    for i in range(len(words)):
        roll = rng.random()
        if roll < 0.0065:
            words[i] = COMMON
        elif roll < 0.0075:
            words[i] = "w" + str(rng.randint(10, 99999))
        elif roll < 0.0125:
            words[i] = rng.choice(EXTRA)
    for _ in range(8):  # the rare word, a few times per chunk
        words[rng.randrange(len(words))] = RARE
    return " ".join(words).encode("ascii")


def text(path, chars):
    if os.path.exists(path) and os.path.getsize(path) == chars:
        return
    rng = random.Random(28)
    base = english_chunk(path + ".base")
    os.remove(path + ".base")
    out = bytearray()
    while len(out) < chars:
        out += sprinkled(base, rng) + b"\n"
    del out[chars:]
    out[-1:] = b"\n"
    with open(path, "wb") as f:
        f.write(out)


def timed(name, path, command):
    best, last = None, ""
    for _ in range(3):
        start = time.perf_counter()
        result = subprocess.run(command, stdout=subprocess.PIPE, env=dict(os.environ, LC_ALL="C"))
        elapsed = time.perf_counter() - start
        if result.returncode not in (0, 1):
            sys.exit(f"{command[0]} failed with {result.returncode}")
        best = elapsed if best is None or elapsed < best else best
        lines = result.stdout.decode("ascii", "replace").splitlines()
        last = lines[-1] if lines else ""
    print(f"{name} {os.path.getsize(path) / best / 1e6:.0f} MB/s")
    print(last)


def sed(path, out):
    command = ["sed", "-e", r"s/\bdoorway\b/other/g", path]
    best = None
    for _ in range(3):
        start = time.perf_counter()
        with open(out, "wb") as f:
            subprocess.run(command, check=True, stdout=f, env=dict(os.environ, LC_ALL="C"))
        elapsed = time.perf_counter() - start
        best = elapsed if best is None or elapsed < best else best
    print(f"sed_replace_all_whole_word {best:.3f} s")


def main(argv):
    if argv[0] == "text":
        text(argv[1], int(argv[2]) * 1000000)
    elif argv[0] == "sed":
        sed(argv[1], argv[2])
    elif argv[0] == "time" and argv[3] == "--":
        timed(argv[1], argv[2], argv[4:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
