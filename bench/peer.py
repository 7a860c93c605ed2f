#!/usr/bin/env python3
"""Host-side helpers of bench/run-all.sh.

  peer.py data FILE MIB            writes MIB MiB of fixed pseudo-random bytes (once)
  peer.py time NAME BYTES -- CMD   runs CMD three times, prints 'NAME <MB/s> MB/s' for its best
  peer.py zlib-crc32 FILE          prints 'crc32_python_zlib <MB/s> MB/s', then the CRC in hex
  peer.py text UTF8 UTF16 MIB      writes MIB MiB of mixed UTF-8 text (mostly ASCII, with Latin,
                                   Greek, Cyrillic, CJK and emoji) and the same text as UTF-16LE
"""
import os
import random
import subprocess
import sys
import time
import zlib


def best_of(runs, body):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        result = body()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None or elapsed < best else best
    return best, result


MIXED_WORDS = (["the", "editor", "int", "return", "value", "for", "(i = 0;", "i < n;", "++i)", "{", "}",
                "std::wstring", "// comment", "0x1F", "=", "+", "bundle", "grammar", "scope", "text"] * 6 +
               ["café", "naïve", "Straße", "Œuvre", "λόγος", "Ωμέγα", "привет", "мир", "日本語",
                "テキスト", "编辑器", "한국어", "€100", "😀", "🚀", "→", "…"])


def mixed_text(utf8_path, utf16_path, size):
    rng = random.Random(5)
    lines, total = [], 0
    while total < min(size, 8 << 20):
        line = " ".join(rng.choice(MIXED_WORDS) for _ in range(rng.randint(3, 14))) + "\n"
        lines.append(line)
        total += len(line.encode("utf-8"))
    unit = "".join(lines).encode("utf-8")
    utf8 = (unit * (size // len(unit) + 1))[:size]
    utf8 = utf8[:utf8.rindex(b"\n") + 1]  # whole lines, so both files hold the same characters
    with open(utf8_path, "wb") as f:
        f.write(utf8)
    with open(utf16_path, "wb") as f:
        f.write(utf8.decode("utf-8").encode("utf-16-le"))


def main(argv):
    if argv[0] == 'data':
        path, size = argv[1], int(argv[2]) << 20
        if not (os.path.exists(path) and os.path.getsize(path) == size):
            rng = random.Random(1)
            with open(path, 'wb') as f:
                for _ in range(size >> 24):
                    f.write(rng.randbytes(1 << 24))
                f.write(rng.randbytes(size & ((1 << 24) - 1)))
    elif argv[0] == 'time':
        name, size, command = argv[1], int(argv[2]), argv[argv.index('--') + 1:]
        best, _ = best_of(3, lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL))
        print(f"{name} {size / best / 1e6:.0f} MB/s")
    elif argv[0] == 'zlib-crc32':
        with open(argv[1], 'rb') as f:
            data = f.read()
        best, crc = best_of(5, lambda: zlib.crc32(data))
        print(f"crc32_python_zlib {len(data) / best / 1e6:.0f} MB/s")
        print(f"{crc:08X}")
    elif argv[0] == 'text':
        mixed_text(argv[1], argv[2], int(argv[3]) << 20)
    else:
        sys.exit(f"unknown command {argv[0]}")


main(sys.argv[1:])
