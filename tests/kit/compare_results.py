#!/usr/bin/env python3
"""Compares the test kit's run with the suite's own run, test by test, from the XML reports of
GoogleTest that both write (one per test program):

    compare_results.py SUITE_RESULTS KIT_RESULTS PROGRAM...

Fails when a program's report is missing from either run, when the two runs hold different tests,
or when a test's outcome differs (passed, failed, skipped). Says how many tests are Windows-only
(skipped under Wine, each with its reason) and which other tests both runs skipped, and why.
"""
import pathlib
import sys
import xml.etree.ElementTree as ElementTree


def outcomes(report):
    """Test name -> (outcome, reason of a skip)."""
    found = {}
    for case in ElementTree.parse(report).iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        skipped = case.find("skipped")
        if case.find("failure") is not None:
            found[name] = ("failed", "")
        elif skipped is not None or case.get("result") == "skipped":
            reason = (skipped.get("message", "") if skipped is not None else "").strip()
            found[name] = ("skipped", reason.splitlines()[-1] if reason else "")
        elif case.get("status") == "notrun":
            found[name] = ("not run", "")
        else:
            found[name] = ("passed", "")
    return found


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    suite_dir, kit_dir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    problems = []
    counts = {"passed": 0, "skipped": 0, "failed": 0, "not run": 0}
    windows_only = 0
    other_skips = []
    for program in sys.argv[3:]:
        reports = [folder / f"{program}.xml" for folder in (suite_dir, kit_dir)]
        missing = [str(report) for report in reports if not report.is_file()]
        if missing:
            problems.append(f"{program}: no report {' '.join(missing)}")
            continue
        suite, kit = (outcomes(report) for report in reports)
        for name in sorted(suite.keys() - kit.keys()):
            problems.append(f"{name}: not in the kit's run")
        for name in sorted(kit.keys() - suite.keys()):
            problems.append(f"{name}: not in the suite's run")
        for name in sorted(suite.keys() & kit.keys()):
            (mine, reason), (theirs, _) = kit[name], suite[name]
            counts[mine] += 1
            if mine != theirs:
                problems.append(f"{name}: {mine} in the kit's run, {theirs} in the suite's")
            elif mine == "skipped" and reason.startswith("Windows only ("):
                windows_only += 1
            elif mine == "skipped":
                other_skips.append(reason or name)
    for reason in other_skips:
        print(f"skipped in both runs, not for Windows: {reason}")
    print(f"the kit under Wine: {counts['passed']} passed, {counts['skipped']} skipped "
          f"({windows_only} Windows only), {counts['failed']} failed")
    for problem in problems:
        print(f"DIFFERS: {problem}", file=sys.stderr)
    if problems:
        sys.exit(1)
    print("the kit's run and the suite's agree test by test")


if __name__ == "__main__":
    main()
