#!/usr/bin/env python3
"""Host-side helpers of bench/run-all.sh.

  peer.py data FILE MIB            writes MIB MiB of fixed pseudo-random bytes (once)
  peer.py time NAME BYTES -- CMD   runs CMD three times, prints 'NAME <MB/s> MB/s' for its best
  peer.py zlib-crc32 FILE          prints 'crc32_python_zlib <MB/s> MB/s', then the CRC in hex
  peer.py text UTF8 UTF16 MIB      writes MIB MiB of mixed UTF-8 text (mostly ASCII, with Latin,
                                   Greek, Cyrillic, CJK and emoji) and the same text as UTF-16LE
  peer.py json JSON JASMINE MIB    writes MIB MiB of JSON records (once), and the same records as
                                   Jasmine (bare keys, comments, single quotes, no commas)
  peer.py json-loads FILE          prints 'json_python_loads <MB/s> MB/s' for json.loads of the
                                   file's text (decoded before timing), in bytes of the file
  peer.py json-dumps FILE          prints 'json_python_dumps <MB/s> MB/s' for compact json.dumps
                                   of the file's value, in UTF-8 bytes of the text written
"""
import gc
import json
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


WORDS = ["alpha", "beta", "gamma", "scope", "source.c", "meta.block", "keyword", "editor", "caf\u00e9",
         "na\u00efve", "\u65e5\u672c\u8a9e", "quote \"inside\"", "tab\there", "line\nbreak", "back\\slash"]


def json_record(rng, i):
    """One record as (json text, jasmine text) holding the same values."""
    words = [rng.choice(WORDS) for _ in range(rng.randint(1, 4))]
    scores = [rng.randint(-1000, 100000) for _ in range(rng.randint(0, 6))]
    ratios = [round(rng.uniform(-500, 500), rng.randint(1, 6)) for _ in range(rng.randint(0, 3))]
    record = {
        "id": i,
        "name": f"Item {i}",
        "tags": words,
        "price": round(rng.uniform(0, 1000), 2),
        "active": rng.random() < 0.5,
        "parent": None,
        "scores": scores + ratios,
        "meta": {"created": f"2024-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d}",
                 "ratio": rng.random(), "note": " ".join(words)},
    }
    text = json.dumps(record, ensure_ascii=False)

    def jasmine(value, depth):
        if isinstance(value, dict):
            pad = "\t" * (depth + 1)
            members = "".join(f"\n{pad}{k}: {jasmine(v, depth + 1)}" for k, v in value.items())
            return "{" + members + "\n" + "\t" * depth + "}"
        if isinstance(value, list):
            return "[" + " ".join(jasmine(v, depth) for v in value) + "]"
        if isinstance(value, str) and "\\" not in value and "\n" not in value and "\t" not in value:
            return "'" + value.replace("'", "''") + "'"
        return json.dumps(value, ensure_ascii=False)

    return text, f"\t// record {i}\n\t" + jasmine(record, 1)


def json_documents(json_path, jasmine_path, size):
    if os.path.exists(json_path) and os.path.exists(jasmine_path):
        return
    rng = random.Random(7)
    texts, jasmines, total, i = [], [], 0, 0
    while total < size:
        text, jas = json_record(rng, i)
        texts.append(text)
        jasmines.append(jas)
        total += len(text.encode("utf-8")) + 2
        i += 1
    with open(json_path, "w", encoding="utf-8", newline="\n") as f:
        f.write('{"count": %d, "items": [\n' % i + ",\n".join(texts) + "\n]}\n")
    with open(jasmine_path, "w", encoding="utf-8", newline="\n") as f:
        f.write("/* The same records as the JSON file. */\n{\n\tcount: %d\n\titems: [\n" % i +
                "\n".join(jasmines) + "\n\t]\n}\n")


def json_loads(path):
    with open(path, "rb") as f:
        size = len(f.read())
    with open(path, encoding="utf-8") as f:
        text = f.read()
    best = None
    for _ in range(3):
        gc.collect()
        start = time.perf_counter()
        value = json.loads(text)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None or elapsed < best else best
        del value
    print(f"json_python_loads {size / best / 1e6:.0f} MB/s")


def json_dumps(path):
    with open(path, encoding="utf-8") as f:
        value = json.loads(f.read())
    best, text = best_of(3, lambda: json.dumps(value, ensure_ascii=False, separators=(",", ":")))
    print(f"json_python_dumps {len(text.encode('utf-8')) / best / 1e6:.0f} MB/s")


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
    elif argv[0] == 'json':
        json_documents(argv[1], argv[2], int(argv[3]) << 20)
    elif argv[0] == 'json-loads':
        json_loads(argv[1])
    elif argv[0] == 'json-dumps':
        json_dumps(argv[1])
    else:
        sys.exit(f"unknown command {argv[0]}")


main(sys.argv[1:])
