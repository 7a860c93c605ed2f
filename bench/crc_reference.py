#!/usr/bin/env python3
"""The peer of crc_bench: writes 64 MiB of fixed pseudo-random bytes to the given file and
measures the host's zlib.crc32 over them. Prints 'crc32_python_zlib <MB/s> MB/s' and, on a
second line, the CRC in hexadecimal for the benchmark to check against."""
import random
import sys
import time
import zlib

path = sys.argv[1]
data = random.Random(1).randbytes(64 << 20)
with open(path, 'wb') as f:
    f.write(data)


def timed(buffer):
    start = time.perf_counter()
    value = zlib.crc32(buffer)
    return time.perf_counter() - start, value


runs = [timed(data) for _ in range(5)]
best = min(r[0] for r in runs)
print(f"crc32_python_zlib {len(data) / best / 1e6:.0f} MB/s")
print(f"{runs[0][1]:08X}")
