#!/usr/bin/env python3
"""LibreOffice Calc opens the sample workbook and converts it to CSV without
complaint, and holds its numbers as numbers (summable, right-aligned) and its
codes as text. Skipped (exit 77) where LibreOffice is not installed.

usage: calc_csv.py WRITE_SAMPLE"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TABLE = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"


def value_types(path):
    """The first sheet's cells of a flat ODS file: (row, column) -> value type."""
    sheet = ET.parse(path).getroot().find(f".//{{{TABLE}}}table")
    types = {}
    row = 0
    for r in sheet.iter(f"{{{TABLE}}}table-row"):
        rows = int(r.get(f"{{{TABLE}}}number-rows-repeated", "1"))
        col = 0
        for c in r:
            cols = int(c.get(f"{{{TABLE}}}number-columns-repeated", "1"))
            kind = c.get(f"{{{OFFICE}}}value-type")
            if kind and rows == 1 and cols == 1:
                types[(row + 1, col + 1)] = kind
            col += cols
        row += rows
    return types


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
        result = subprocess.run(
            [office, f"-env:UserInstallation={profile}", "--headless", "--convert-to", "fods",
             "--outdir", folder, path],
            capture_output=True, text=True, timeout=150)
        fods = os.path.join(folder, "sample.fods")
        if result.returncode != 0 or not os.path.exists(fods):
            print("conversion failed:", result.returncode, result.stdout, result.stderr)
            return 1
        types = value_types(fods)
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
    # Numbers are held as numbers by Calc, codes that look like numbers as text.
    for (row, col), kind in {(2, 3): "float", (6, 3): "float", (5, 3): "string",
                             (1, 1): "string"}.items():
        if types.get((row, col)) != kind:
            failures.append(f"row {row} column {col}: type {types.get((row, col))!r}, "
                            f"expected {kind!r}")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
