#!/usr/bin/python3
"""Workbooks written by this code, opened by the programs users have:
xlrd reads every cell back with its value and type, olefile finds the
"Workbook" stream, LibreOffice converts them to CSV with the same values."""

import argparse
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import olefile
import xlrd

CYCLE = "考勤记录门禁通道人脸识别测温"
HEADER = ["序号", "卡号", "姓名", "部门", "备注"]


def export_rows(rows, long_text):
    """The rows sample_data.h writes: (value, kind) per cell, kind 'n' or 't'."""
    table = [[(h, "t") for h in HEADER]]
    for i in range(1, rows + 1):
        note = "".join(CYCLE[(i + k) % len(CYCLE)] for k in range(long_text)) + str(i)
        table.append([(i * 37 - 5000, "n"), ("N%d" % ((i * 13) % 100000), "t"), ("张三%d" % i, "t"),
                      ("部门%d" % (i % 50), "t"), (note, "t")])
    return table


def mixed_rows():
    e = (None, "e")
    return [
        [("序号", "t"), ("卡号", "t"), ("姓名", "t"), e, e],
        [(0, "n"), (-1, "n"), (536870911, "n"), (-536870912, "n"), ("abc", "t")],
        [(536870912, "n"), (2147483647, "n"), (-2147483648, "n"), ("中文", "t"), e],
        [("长" * 10000 + "尾", "t"), ("x" * 9000 + "end", "t"), e, e, e],
        [e, e, e, e, e],
        [e, e, e, (42, "n"), e],
    ]


def check_xlrd(path, sheet_name, expected, failures):
    book = xlrd.open_workbook(path)
    if book.sheet_names() != [sheet_name]:
        failures.append("%s: xlrd sees sheets %r, expected %r" % (path, book.sheet_names(), [sheet_name]))
    sheet = book.sheet_by_index(0)
    if sheet.nrows != len(expected):
        failures.append("%s: xlrd sees %d rows, expected %d" % (path, sheet.nrows, len(expected)))
        return
    for r, row in enumerate(expected):
        for c, (value, kind) in enumerate(row):
            ctype = sheet.cell_type(r, c) if c < sheet.ncols else xlrd.XL_CELL_EMPTY
            got = sheet.cell_value(r, c) if c < sheet.ncols else ""
            if kind == "n":
                ok = ctype == xlrd.XL_CELL_NUMBER and got == value
            elif kind == "t":
                ok = ctype == xlrd.XL_CELL_TEXT and got == value
            else:
                ok = ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK)
            if not ok:
                failures.append("%s: xlrd cell (%d,%d) is %r/%r, expected %r/%s" %
                                (path, r, c, ctype, str(got)[:40], str(value)[:40], kind))
                return


def check_olefile(path, failures):
    if not olefile.isOleFile(path):
        failures.append("%s: olefile does not take it as a container" % path)
        return
    with olefile.OleFileIO(path) as ole:
        if ["Workbook"] not in ole.listdir():
            failures.append("%s: olefile lists %r" % (path, ole.listdir()))
            return
        data = ole.openstream("Workbook").read()
        if len(data) != ole.get_size("Workbook") or data[:2] != b"\x09\x08":
            failures.append("%s: olefile reads a stream of %d bytes" % (path, len(data)))


def convert_to_csv(paths, outdir, failures):
    profile = tempfile.mkdtemp(prefix="wb-lo-profile-")
    command = ["timeout", "300", "soffice", "-env:UserInstallation=file://" + profile, "--headless",
               "--norestore", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false",
               "--outdir", outdir] + paths
    try:
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=330)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if result.returncode != 0:
        failures.append("soffice failed (%d): %s" % (result.returncode, result.stdout.decode(errors="replace")))


def check_csv(path, expected, failures):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    while rows and not any(rows[-1]):
        rows.pop()
    if len(rows) != len(expected):
        failures.append("%s: %d CSV rows, expected %d" % (path, len(rows), len(expected)))
        return
    for r, row in enumerate(expected):
        for c, (value, kind) in enumerate(row):
            got = rows[r][c] if c < len(rows[r]) else ""
            want = "" if kind == "e" else str(value)
            if got != want:
                failures.append("%s: CSV cell (%d,%d) is %r, expected %r" % (path, r, c, got[:40], want[:40]))
                return


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--rows", type=int, default=50000)
    parser.add_argument("--long-text", type=int, default=40)
    parser.add_argument("--no-libreoffice", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    mixed = os.path.join(args.out, "readers-mixed.xls")
    large = os.path.join(args.out, "readers-50000-rows.xls")
    subprocess.run([args.tool, "mixed", mixed], check=True)
    subprocess.run([args.tool, "rows", large, str(args.rows), str(args.long_text)], check=True)

    failures = []
    expected_large = export_rows(args.rows, args.long_text)
    with olefile.OleFileIO(large) as ole:
        fat_sectors = ole.num_fat_sectors
        if fat_sectors <= 109 or ole.num_difat_sectors < 1:
            failures.append("%s: expected a stream needing DIFAT sectors, has %d FAT sectors" % (large, fat_sectors))
    for path, name, expected in ((mixed, "混合", mixed_rows()), (large, "考勤记录", expected_large)):
        check_olefile(path, failures)
        check_xlrd(path, name, expected, failures)

    if not args.no_libreoffice:
        csv_dir = tempfile.mkdtemp(prefix="wb-csv-")
        convert_to_csv([mixed, large], csv_dir, failures)
        for path, expected in ((mixed, mixed_rows()), (large, expected_large)):
            name = os.path.splitext(os.path.basename(path))[0] + ".csv"
            converted = os.path.join(csv_dir, name)
            if not os.path.exists(converted):
                failures.append("LibreOffice wrote no %s" % name)
                continue
            check_csv(converted, expected, failures)
        shutil.rmtree(csv_dir, ignore_errors=True)

    for failure in failures:
        print("FAIL:", failure)
    print("checked %s and %s: %s" % (mixed, large, "ok" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
