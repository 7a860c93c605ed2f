#!/usr/bin/env python3
"""Prints the skipped test cases of the GoogleTest programs that ctest ran, per program, from the
XML reports they wrote into the folder given (GTEST_OUTPUT=xml:folder/): ctest counts a program
whose cases were skipped as passed."""
import os
import sys
import xml.etree.ElementTree as ElementTree


def skipped_cases(report):
    cases = []
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        skip = case.find("skipped")
        if case.get("result") == "skipped" or skip is not None:
            # The message starts with the source location; the reason follows on the last line.
            message = (skip.get("message") or "") if skip is not None else ""
            reason = message.strip().splitlines()[-1] if message.strip() else ""
            cases.append((f"{case.get('classname')}.{case.get('name')}", reason))
    return cases


def main(folder):
    reports = sorted(name for name in os.listdir(folder) if name.endswith(".xml")) if os.path.isdir(folder) else []
    total = 0
    for name in reports:
        try:
            cases = skipped_cases(os.path.join(folder, name))
        except ElementTree.ParseError as error:
            print(f"{name[:-4]}: no readable test report ({error})")
            continue
        if not cases:
            continue
        total += len(cases)
        print(f"{name[:-4]}: {len(cases)} skipped")
        for case, reason in cases:
            print(f"    {case}" + (f": {reason}" if reason else ""))
    if not total:
        print(f"No test case was skipped ({len(reports)} test programs reported).")


if __name__ == "__main__":
    main(sys.argv[1])
