#!/usr/bin/env python3
"""Host side of the format replace-all benchmark.

  format_peer.py text FILE CHARS   writes CHARS characters of English-like ASCII text (once)
  format_peer.py sed FILE OUT      runs GNU sed -E 's/\\b(\\w)(\\w*)/\\u\\1\\L\\2/g' on FILE three
                                   times, keeps its output in OUT and prints
                                   'sed_format_replace_all <MB/s> MB/s' for the best run, counted
                                   in bytes of the text as UTF-16 (2 per character), as the
                                   editor holds it
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
         "come since against go came right used take three window morning evening question distance "
         "traveller nation beginning autumn column").split()


def english_text(path, chars):
    if os.path.exists(path) and os.path.getsize(path) == chars:
        return
    rng = random.Random(26)
    pieces, size, sentence = [], 0, 0
    while size < chars:
        word = rng.choice(WORDS)
        roll = rng.random()
        if sentence == 0 or roll < 0.03:
            word = word.capitalize()
        elif roll < 0.04:
            word = word.upper()
        sentence += 1
        if sentence > rng.randint(6, 18):
            word += "." if rng.random() < 0.8 else ".\n"
            sentence = 0
        elif rng.random() < 0.06:
            word += ","
        pieces.append(word)
        size += len(word) + 1
    text = " ".join(pieces)[:chars]
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write(text)


def sed(path, out):
    command = ["sed", "-E", r"s/\b(\w)(\w*)/\u\1\L\2/g", path]
    env = dict(os.environ, LC_ALL="C")
    best = None
    for _ in range(3):
        start = time.perf_counter()
        with open(out, "wb") as f:
            subprocess.run(command, check=True, stdout=f, env=env)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None or elapsed < best else best
    print(f"sed_format_replace_all {2 * os.path.getsize(path) / best / 1e6:.0f} MB/s")


def main(argv):
    if argv[0] == "text":
        english_text(argv[1], int(argv[2]))
    elif argv[0] == "sed":
        sed(argv[1], argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
