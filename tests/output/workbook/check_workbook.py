#!/usr/bin/env python3
"""Reads the sample workbook back cell by cell: values, numbers versus texts
(identifier rows text; elsewhere numbers as a spreadsheet program reads them
when typed; "1-2", "3/4" and "1e3" stay texts, no date is guessed),
line feeds, wrapping, alignment and row heights.

usage: check_workbook.py WRITE_SAMPLE"""
import os
import subprocess
import sys
import tempfile

import openpyxl

TOP, CENTRE = "top", "center"

# row -> {column: (value, horizontal, vertical, wrapped)}; None: no cell value.
# Relevé j is in column j + 2; the frequency follows the last relevé.
EXPECTED = {
    1: {"A": ("'89 植生, \"調査\"", None, None, False)},
    2: {"A": ("表の通し番号", None, None, False), "C": (1, None, None, False),
        "D": (2, None, None, False), "E": (3, None, None, False)},
    # Identifiers stay text, however they read.
    3: {"A": ("測定番号", None, None, False), "C": (" 101    ", None, None, False),
        "D": ("-1.5", None, None, False), "E": (" 103    ", None, None, False)},
    4: {"A": ("調査地名", None, None, False), "C": ("富士山  ", None, None, False),
        "D": ("1.2.3", None, None, False),
        "E": ("A,\"b\"  ", None, None, False)},
    5: {"A": ("地理区画コード", None, None, False), "C": ("1-2", None, None, False),
        "D": ("5236-12", None, None, False),
        "E": ("3/4", None, None, False)},
    6: {"A": ("調査地標高(m)", None, None, False), "C": (38, None, None, False), "D": (0.5, None, None, False),
        "E": ("1e3", None, None, False)},
    7: {"A": ("出現種数", None, None, False), "C": (2, None, None, False),
        "D": (0, None, None, False), "E": (3, None, None, False)},
    8: {"A": ("Abies firma", None, TOP, False), "B": ("T1\nH1", None, None, True),
        "C": ("2.3\n1.0", CENTRE, None, True), "D": (" . \n . ", CENTRE, None, True),
        "E": (" . \n + ", CENTRE, None, True), "F": (67, CENTRE, None, False)},
    # A broken double-byte character becomes "?", never bytes that are no UTF-8.
    9: {"A": ("コメント行?", None, TOP, False), "B": (None, None, None, False),
        "C": (None, CENTRE, None, False), "E": (None, CENTRE, None, False),
        "F": (0, CENTRE, None, False)},
    10: {"A": ("'Quote", None, TOP, False), "B": ("H1", None, None, False),
         "C": ("+.5", CENTRE, None, False), "D": (" . ", CENTRE, None, False),
         "F": (33, CENTRE, None, False)},
    11: {"A": ("Carex", None, TOP, False), "C": (None, CENTRE, None, False),
         "F": (33, CENTRE, None, False)},
    # A control character travels in the format's own escape, which Excel
    # decodes and openpyxl leaves as it is; the workbook stays well-formed.
    12: {"A": ("Bad_x0001_name", None, TOP, False), "B": (" M", None, None, False),
         "E": ("5.5", CENTRE, None, False), "F": (33, CENTRE, None, False)},
}


def main():
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "sample.xlsx")
        subprocess.run([sys.argv[1], path], check=True)
        sheet = openpyxl.load_workbook(path).worksheets[0]
        if sheet.max_row != 12 or sheet.max_column != 6:
            failures.append(f"size {sheet.max_row} x {sheet.max_column}, expected 12 x 6")
        for row, cells in EXPECTED.items():
            for col, (value, horizontal, vertical, wrapped) in cells.items():
                cell = sheet[f"{col}{row}"]
                got = (cell.value, cell.alignment.horizontal, cell.alignment.vertical,
                       bool(cell.alignment.wrap_text))
                if got != (value, horizontal, vertical, wrapped):
                    failures.append(f"{col}{row}: {got!r}, expected "
                                    f"{(value, horizontal, vertical, wrapped)!r}")
                if isinstance(value, str) and cell.data_type != "s":
                    failures.append(f"{col}{row}: type {cell.data_type}, expected text")
                if isinstance(value, (int, float)) and cell.data_type != "n":
                    failures.append(f"{col}{row}: type {cell.data_type}, expected number")
        # Two layers in use: the row shows two lines.
        if sheet.row_dimensions[8].height != 30:
            failures.append(f"row 8 height {sheet.row_dimensions[8].height}, expected 30")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
