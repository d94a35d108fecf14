#!/usr/bin/env python3
"""LibreOffice Calc opens the sample workbook and converts it to CSV without
complaint. Skipped (exit 77) where LibreOffice is not installed.

usage: calc_csv.py WRITE_SAMPLE"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("skipped: LibreOffice is not installed")
        return 77
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "sample.xlsx")
        subprocess.run([sys.argv[1], path], check=True)
        # A profile of its own, so no running LibreOffice of the user is touched.
        profile = "file://" + os.path.join(folder, "profile")
        result = subprocess.run(
            [office, f"-env:UserInstallation={profile}", "--headless", "--convert-to",
             "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", folder, path],
            capture_output=True, text=True, timeout=150)
        out = os.path.join(folder, "sample.csv")
        if result.returncode != 0 or not os.path.exists(out):
            print("conversion failed:", result.returncode, result.stdout, result.stderr)
            return 1
        with open(out, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
    expected = {
        (1, 1): "'89 植生, \"調査\"",
        (2, 3): "1",
        (5, 3): "1-2",
        (6, 3): "38",
        (8, 2): "T1\nH1",
        (8, 3): "2.3\n1.0",
        (9, 6): "0",
    }
    failures = []
    for (row, col), value in expected.items():
        got = rows[row - 1][col - 1] if row <= len(rows) and col <= len(rows[row - 1]) else None
        if got != value:
            failures.append(f"row {row} column {col}: {got!r}, expected {value!r}")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
