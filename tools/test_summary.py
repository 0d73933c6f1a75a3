#!/usr/bin/env python3
"""Prints one line, "N passed, N failed", over every test program of a run.

Each GoogleTest program leaves an XML report per program; ctest's JUnit file
says which programs ran. A program that failed without a report of its own
(it crashed, or hung until ctest's timeout) counts as one failed test."""
import pathlib
import sys
import xml.etree.ElementTree as ET

results = pathlib.Path(sys.argv[1])
passed = failed = 0
for junit in sorted(results.glob("*.junit.xml")):
    suite = junit.name.split(".")[0]
    reports = {p.stem.lower(): p for p in (results / suite).glob("*.xml")}
    for case in ET.parse(junit).getroot().iter("testcase"):
        name = case.get("name", "").lower()
        program_failed = case.get("status") not in (None, "run") or case.find("failure") is not None
        report = reports.get(name)
        if report is None:
            failed += 1 if program_failed else 0
            continue
        top = ET.parse(report).getroot()
        cases = [c for c in top.iter("testcase") if c.get("result", "completed") == "completed"
                 and c.get("status", "run") == "run"]
        bad = sum(1 for c in cases if c.find("failure") is not None or c.find("error") is not None)
        passed += len(cases) - bad
        failed += bad
        if program_failed and bad == 0:
            failed += 1  # it failed after its tests had passed (exit code, crash at exit)
print(f"{passed} passed, {failed} failed")
