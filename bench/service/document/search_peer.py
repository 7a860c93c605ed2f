#!/usr/bin/env python3
"""Host side of the search benchmark.

  search_peer.py text FILE MB      writes MB million characters of English-like ASCII text (once):
                                   the rare word "hippopotami" about 100 times, the common word
                                   "window" about 125,000 times as a whole word, words such as
                                   "selection" and tokens such as "w12347"
  search_peer.py time NAME FILE -- CMD...
                                   runs CMD three times with its output into a pipe, prints
                                   'NAME <MB/s> MB/s' for the best run (bytes of FILE per second)
                                   and then the last line CMD printed
  search_peer.py sed FILE OUT      replaces every whole word "window" by "other" with GNU sed,
                                   three times, keeps the result in OUT and prints
                                   'sed_replace_all_whole_word <seconds> s' for the best run
"""
import os
import random
import subprocess
import sys
import time

WORDS = ("the of and to in is was that for with as his on be at by had not are but from or have an "
         "they which one were her all there been their said would when who will more no if out so "
         "what up its about into than them can only other new some could time these two may then do "
         "first any my now such like our over man me even most made after also did many before must "
         "through back years where much your way well down should because each just those people "
         "how too little state good very make world still own see men work long get here between "
         "both life being under never day same another know while last might us great old year off "
         "come since against go came right used take three morning evening question distance "
         "traveller nation beginning autumn column windows widow selection selfish election "
         "session collection selective").split()
RARE = "hippopotami"
COMMON = "window"
CHUNK = 8 << 20


def chunk_text(rng):
    pieces, size, sentence = [], 0, 0
    while size < CHUNK:
        roll = rng.random()
        if roll < 0.0075:
            word = COMMON
        elif roll < 0.0085:
            word = "w" + str(rng.randint(10, 99999))
        else:
            word = rng.choice(WORDS)
        if sentence == 0:
            word = word.capitalize()
        sentence += 1
        if sentence > rng.randint(6, 18):
            word += "." if rng.random() < 0.7 else ".\n"
            sentence = 0
        elif rng.random() < 0.06:
            word += ","
        pieces.append(word)
        size += len(word) + 1
    words = " ".join(pieces).split(" ")
    for _ in range(8):  # the rare word, a few times per chunk
        words[rng.randrange(len(words))] = RARE
    return (" ".join(words)[:CHUNK - 1] + "\n").encode("ascii")


def text(path, chars):
    if os.path.exists(path) and os.path.getsize(path) == chars:
        return
    rng = random.Random(28)
    out = bytearray()
    while len(out) < chars:
        out += chunk_text(rng)
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
    command = ["sed", "-e", r"s/\bwindow\b/other/g", path]
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
