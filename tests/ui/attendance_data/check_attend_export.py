#!/usr/bin/python3
"""A records export of 2 x 50000 + 20000 rows, every part begun in the same
second: three files with distinct names, each with the header row, the data
numbered continuously across them, read back by xlrd and LibreOffice."""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "workbook"))
from check_with_readers import check_csv, check_olefile, check_xlrd, convert_to_csv  # noqa: E402

HEADER = [("序号", "t"), ("卡号", "t"), ("持卡人", "t"), ("出勤状态", "t"), ("时间", "t")]
STATES = ["签到", "签退", ""]


def expected_row(serial):
    i = serial - 1
    group, k = divmod(i, 1000)
    t = 999 - k
    state = STATES[k % 3]
    return [(serial, "n"), ("C%06d" % group, "t"), ("张三%d" % group, "t"),
            (state, "t") if state else (None, "e"),
            ("2026-12-10 %02d:%02d:%02d" % (t // 3600, (t // 60) % 60, t % 60), "t")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--no-libreoffice", action="store_true")
    args = parser.parse_args()
    out = os.path.join(args.out, "attendance-export")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    chosen = os.path.join(out, "打卡记录")
    result = subprocess.run([args.tool, chosen, "120000"], check=True, stdout=subprocess.PIPE, text=True)
    parts = result.stdout.split()

    failures = []
    names = sorted(os.listdir(out))
    if len(parts) != 3 or sorted(os.path.basename(p) for p in parts) != names:
        failures.append("expected three parts and nothing else, tool wrote %r, folder holds %r" % (parts, names))
    pattern = re.escape(chosen) + r"_\d{4}-\d{2}-\d{2}_\d{6}(_\d+)?\.xls$"
    for part in parts:
        if not re.match(pattern, part):
            failures.append("part name %s is not the chosen path, the time and .xls" % part)

    sizes = [50000, 50000, 20000]
    expected = []
    serial = 1
    for size in sizes:
        expected.append([HEADER] + [expected_row(s) for s in range(serial, serial + size)])
        serial += size
    for path, rows in zip(parts, expected):
        check_olefile(path, failures)
        check_xlrd(path, "打卡记录表", rows, failures)

    if not args.no_libreoffice and len(parts) == 3:
        csv_dir = tempfile.mkdtemp(prefix="attend-csv-")
        convert_to_csv(parts, csv_dir, failures)
        for path, rows in zip(parts, expected):
            converted = os.path.join(csv_dir, os.path.splitext(os.path.basename(path))[0] + ".csv")
            if not os.path.exists(converted):
                failures.append("LibreOffice wrote no CSV of %s" % path)
                continue
            check_csv(converted, rows, failures)
        shutil.rmtree(csv_dir, ignore_errors=True)

    for failure in failures:
        print("FAIL:", failure)
    print("checked %d parts under %s: %s" % (len(parts), out, "ok" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
