#!/usr/bin/env python3
"""The bundle-load benchmark's host peer: walks the JSON twin of the generated entry trees and
parses every file with json.loads; prints the median seconds of the runs.
    load_peer.py FOLDER [RUNS]"""
import json
import os
import statistics
import sys
import time


def load(folder):
    count = 0
    for top, _, files in os.walk(folder):
        for name in files:
            with open(os.path.join(top, name), "rb") as f:
                json.loads(f.read().decode("utf-8"))
            count += 1
    return count


def main():
    folder = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        count = load(folder)
        times.append(time.perf_counter() - start)
    if count != 1600:
        sys.exit("%d files found, 1600 expected" % count)
    print("%.4f" % statistics.median(times))


if __name__ == "__main__":
    main()
