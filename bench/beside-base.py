#!/usr/bin/env python3
"""Runs a benchmark program of this build beside the same program of a base build (another
revision built into a folder of its own with scripts/build.sh), and prints each figure of this
build beside the base's.

  beside-base.py BASE_BUILD PROGRAM ROUNDS -- ARGS...

Both run ROUNDS times with ARGS, taking turns, so that a busy moment of the machine weighs on
both alike; each figure is the median of its runs (a run disturbed by other work on the machine
moves it less than it moves the best). Printed for each figure: 'name_here value unit',
'name_base value unit' and 'name_vs_base ratio ratio' (this build's value over the base's, so
above 1 is faster for speeds and slower for times). Counts must agree; peers' ratios and targets
are left out (the peers do not run here).
"""
import os
import subprocess
import sys

HIGHER_IS_BETTER = {"MB/s", "GB/s", "ops/s", "lines/s"}
LOWER_IS_BETTER = {"s", "ms", "us", "ns", "x_copy"}


def run(exe, args):
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = subprocess.run([os.path.join(root, "scripts", "wine-run"), exe] + args, check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    figures = []
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3:
            try:
                figures.append((parts[0], float(parts[1]), parts[2]))
            except ValueError:
                pass
    return figures


def keep(runs, figures):
    for name, value, unit in figures:
        runs.setdefault(name, ([], unit))[0].append(value)


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def main():
    if len(sys.argv) < 5 or sys.argv[4] != "--":
        sys.exit(__doc__)
    base, program, rounds, args = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[5:]
    here = os.environ.get("TESSEL_BUILD") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build")
    exes = [os.path.join(build, "bench", program + ".exe") for build in (here, base)]
    runs = [{}, {}]
    order = []
    for _ in range(rounds):
        for side in (0, 1):
            figures = run(exes[side], args)
            keep(runs[side], figures)
            if side == 0 and not order:
                order = [name for name, _, _ in figures]
    failed = False
    for name in order:
        values, unit = runs[0][name]
        # Ratios to peers and the targets a program prints beside its figures compare nothing here.
        if unit == "ratio" or name.endswith("_target") or name not in runs[1]:
            continue
        value, base_value = median(values), median(runs[1][name][0])
        print(f"{name}_here {value:.6g} {unit}")
        print(f"{name}_base {base_value:.6g} {unit}")
        if unit in HIGHER_IS_BETTER or unit in LOWER_IS_BETTER:
            print(f"{name}_vs_base {value / base_value if base_value else 0:.3f} ratio")
        elif value != base_value:
            print(f"beside-base: {name} is {value:g} here and {base_value:g} in the base", file=sys.stderr)
            failed = True
        sys.stdout.flush()
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
