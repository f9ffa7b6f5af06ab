#!/usr/bin/python3
"""Workbooks written by other programs (python3-xlwt and LibreOffice), made
here at run time, read by this code: every cell comes back with its value."""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

import xlwt

LONG_CHINESE = "长文本" * 3500 + "完"  # longer than one CONTINUE record


def xlwt_sheets():
    """(sheet name, rows) with rows as lists of values; None is an empty cell."""
    first = [["序号", "卡号", "姓名", "金额"],
             [1, "A001", "张三", 3.5],
             [536870911, "B002", "李四", -2.25],
             [536870912, "C003", LONG_CHINESE, 1e10],
             [-7, None, "x" * 9000, True],
             [None, None, None, False]]
    second = [["第二页"], [12], [None], ["end"]]
    return [("用户信息", first), ("Sheet2", second)]


def write_xlwt(path):
    book = xlwt.Workbook(encoding="utf-8")
    for name, rows in xlwt_sheets():
        sheet = book.add_sheet(name)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                if value is not None:
                    sheet.write(r, c, value)
    book.save(path)


def lo_rows():
    return [["序号", "卡号", "姓名", "备注"],
            [1, "A001", "张三", "门禁"],
            [2, "B002", "李四", "通道"],
            [123456, "C003", "王五", "测温"],
            [-40, "D004", "赵六", "end"]]


def write_lo(path, failures):
    folder = os.path.dirname(path)
    source = os.path.join(folder, "foreign-libreoffice.csv")
    with open(source, "w", encoding="utf-8", newline="") as f:
        for row in lo_rows():
            f.write(",".join(str(v) for v in row) + "\n")
    profile = tempfile.mkdtemp(prefix="wb-lo-profile-")
    command = ["timeout", "240", "soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
               "--infilter=CSV:44,34,76,1", "--convert-to", "xls", "--outdir", folder, source]
    try:
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=270)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if result.returncode != 0 or not os.path.exists(path):
        failures.append("soffice did not write %s: %s" % (path, result.stdout.decode(errors="replace")))
        return False
    return True


def dump(tool, path, failures):
    result = subprocess.run([tool, "dump", path], stdout=subprocess.PIPE, timeout=120)
    data = json.loads(result.stdout.decode())
    if not data["ok"]:
        failures.append("%s: Load refused it" % path)
        return None
    return data["sheets"]


def same_value(got_kind, got, want):
    if isinstance(want, bool):
        return got_kind == 1 and got == int(want)
    if isinstance(want, (int, float)):
        return got_kind in (1, 2) and float(got) == float(want)
    return got_kind in (3, 4) and got == want


def compare(path, sheet, rows, failures):
    cells = {(r, c): (kind, value) for r, c, kind, value in sheet["cells"]}
    for r, row in enumerate(rows):
        for c, want in enumerate(row):
            got = cells.pop((r, c), None)
            if want is None:
                if got is not None:
                    failures.append("%s %s: (%d,%d) should be empty, is %r" % (path, sheet["name"], r, c, got))
            elif got is None or not same_value(got[0], got[1], want):
                failures.append("%s %s: (%d,%d) is %r, expected %r" %
                                (path, sheet["name"], r, c, str(got)[:50], str(want)[:50]))
    for key, value in cells.items():
        failures.append("%s %s: unexpected cell %r = %r" % (path, sheet["name"], key, value))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    failures = []

    xlwt_path = os.path.join(args.out, "foreign-xlwt.xls")
    write_xlwt(xlwt_path)
    sheets = dump(args.tool, xlwt_path, failures)
    if sheets is not None:
        expected = xlwt_sheets()
        if [s["name"] for s in sheets] != [name for name, _ in expected]:
            failures.append("%s: sheets %r" % (xlwt_path, [s["name"] for s in sheets]))
        for sheet, (_, rows) in zip(sheets, expected):
            compare(xlwt_path, sheet, rows, failures)

    lo_path = os.path.join(args.out, "foreign-libreoffice.xls")
    if os.path.exists(lo_path):
        os.remove(lo_path)
    if write_lo(lo_path, failures):
        sheets = dump(args.tool, lo_path, failures)
        if sheets is not None:
            if len(sheets) != 1:
                failures.append("%s: %d sheets" % (lo_path, len(sheets)))
            else:
                compare(lo_path, sheets[0], lo_rows(), failures)

    for failure in failures:
        print("FAIL:", failure)
    print("read %s and %s: %s" % (xlwt_path, lo_path, "ok" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
