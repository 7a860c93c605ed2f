#!/usr/bin/env python3
"""The peer of utf_bench: writes 64 MiB of mixed UTF-8 text (mostly ASCII, with Latin, Greek,
Cyrillic, CJK and emoji) and the same text as UTF-16LE, then times the host's iconv command
converting each into the other (best of three runs, output to /dev/null). Prints
'utf8_to_utf16_iconv <MB/s> MB/s' and 'utf16_to_utf8_iconv <MB/s> MB/s', counted in input bytes.
  utf_reference.py UTF8_FILE UTF16_FILE"""
import random
import subprocess
import sys
import time

utf8_path, utf16_path = sys.argv[1], sys.argv[2]
SIZE = 64 << 20

WORDS = (["the", "editor", "int", "return", "value", "for", "(i = 0;", "i < n;", "++i)", "{", "}",
          "std::wstring", "// comment", "0x1F", "=", "+", "bundle", "grammar", "scope", "text"] * 6 +
         ["café", "naïve", "Straße", "Œuvre", "λόγος", "Ωμέγα", "привет", "мир", "日本語",
          "テキスト", "编辑器", "한국어", "€100", "😀", "🚀", "→", "…"])


def block(size):
    rnd = random.Random(5)
    parts, total = [], 0
    while total < size:
        line = " ".join(rnd.choice(WORDS) for _ in range(rnd.randint(3, 14))) + "\n"
        parts.append(line)
        total += len(line.encode("utf-8"))
    return "".join(parts)


unit = block(8 << 20)
text = unit * (SIZE // len(unit.encode("utf-8")) + 1)
utf8 = text.encode("utf-8")[:SIZE]
# Cut at a line end so both files hold the same whole characters.
utf8 = utf8[:utf8.rindex(b"\n") + 1]
with open(utf8_path, "wb") as f:
    f.write(utf8)
with open(utf16_path, "wb") as f:
    f.write(utf8.decode("utf-8").encode("utf-16-le"))


def best_mbps(source, to_code, from_code, path):
    size = len(source)
    best = 1e30
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run(["iconv", "-f", from_code, "-t", to_code, path], stdout=subprocess.DEVNULL, check=True)
        best = min(best, time.perf_counter() - start)
    return size / best / 1e6


with open(utf16_path, "rb") as f:
    utf16 = f.read()
print(f"utf8_to_utf16_iconv {best_mbps(utf8, 'UTF-16LE', 'UTF-8', utf8_path):.0f} MB/s")
print(f"utf16_to_utf8_iconv {best_mbps(utf16, 'UTF-8', 'UTF-16LE', utf16_path):.0f} MB/s")
