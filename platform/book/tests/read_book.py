#!/usr/bin/python3
"""Prints the first sheet of a workbook as read by an independent reader.

Usage: read_book.py FILE (.xlsx read by openpyxl, .xls by xlrd).
Output: "sheet<TAB>count<TAB>name", then one line per non-empty cell:
"row<TAB>col<TAB>S|N<TAB>value", zero-based, texts with \\, \\t, \\n escaped.
Exit 77 when the reader is not installed, 1 when the file cannot be read.
"""
import sys


def esc(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def cells_xlsx(path):
    import openpyxl
    wb = openpyxl.load_workbook(path)
    ws = wb.worksheets[0]
    # Only the stored cells: walking the whole used range of a sheet with a
    # far corner cell would take minutes.
    out = [(r - 1, c - 1, cell.value) for (r, c), cell in sorted(ws._cells.items())
           if cell.value is not None]
    return len(wb.worksheets), ws.title, out


def cells_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, ragged_rows=True)
    sh = book.sheet_by_index(0)
    out = []
    for r in range(sh.nrows):
        for c in range(sh.row_len(r)):
            cell = sh.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_NUMBER):
                out.append((r, c, cell.value))
    return book.nsheets, sh.name, out


def main():
    path = sys.argv[1]
    try:
        reader = cells_xls if path.endswith(".xls") else cells_xlsx
        __import__("xlrd" if reader is cells_xls else "openpyxl")
    except ImportError:
        return 77
    try:
        count, name, cells = reader(path)
    except Exception as e:  # any refusal of the reader is a failed read
        print(f"unreadable: {e}", file=sys.stderr)
        return 1
    print(f"sheet\t{count}\t{esc(name)}")
    for r, c, v in cells:
        if isinstance(v, str):
            print(f"{r}\t{c}\tS\t{esc(v)}")
        else:
            print(f"{r}\t{c}\tN\t{float(v)!r}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
