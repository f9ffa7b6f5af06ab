#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets (fuzz/<layer>/corpus/<target>/).

The seeds are real inputs, so the fuzzers start from the shapes they meet:
  - workbooks written by this code (workbook_sample_tool) and by xlwt, as
    whole files and as their bare "Workbook" streams;
  - scan reply datagrams (404-byte device records) and HDS search replies;
  - replies and frames of the command, flat, export and upload exchanges and
    HTTP form bodies, taken from the journal of ostrand-devsim answering
    ostrand-cli on loopback;
  - motion-JPEG streams, well-formed and hostile: the byte that tells the
    stream fuzzer its read size and whether the peer closes, the answer's
    Content-Type and a line feed, then the body.

Run from the repository with a default build present:
    /usr/bin/python3 fuzz/make_seed_corpora.py --build build [--only ops|sim]
The corpora are committed; run this again when a format changes.
"""

import argparse
import hashlib
import json
import os
import struct
import subprocess
import sys
import tempfile
import time

import olefile
import xlwt

FUZZ = os.path.dirname(os.path.abspath(__file__))


class Corpus:
    """One target's seed folder, emptied first; identical seeds are kept once."""

    def __init__(self, layer, target, keep=lambda name: False):
        self.path = os.path.join(FUZZ, layer, "corpus", target)
        os.makedirs(self.path, exist_ok=True)
        for name in os.listdir(self.path):
            if not keep(name):
                os.remove(os.path.join(self.path, name))
        self.seen = set()

    def add(self, name, data):
        digest = hashlib.sha1(data).hexdigest()
        if digest in self.seen or not data:
            return
        self.seen.add(digest)
        with open(os.path.join(self.path, name), "wb") as out:
            out.write(data)


# ---- workbooks ----

def xlwt_books(folder):
    paths = []

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("考勤记录")
    for c, title in enumerate(["序号", "卡号", "姓名", "时间", "状态"]):
        sheet.write(0, c, title)
    for r in range(1, 60):
        sheet.write(r, 0, r)
        sheet.write(r, 1, "N%05d" % (r * 13))
        sheet.write(r, 2, "张三%d" % r)
        sheet.write(r, 3, "2024-05-%02d 08:%02d:00" % (r % 28 + 1, r % 60))
        sheet.write(r, 4, r % 3 == 0)
    paths.append(("xlwt_records.xls", book))

    book = xlwt.Workbook()
    for name in ("one", "two", "three"):
        sheet = book.add_sheet(name)
        sheet.write(0, 0, 1.5)
        sheet.write(0, 1, -2147483648)
        sheet.write(1, 0, "text " * 30)
        sheet.write(2, 2, xlwt.Formula("A1*2"))
    paths.append(("xlwt_three_sheets.xls", book))

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("styles")
    bold = xlwt.easyxf("font: bold on; align: wrap on")
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    sheet.write(0, 0, "粗体", bold)
    sheet.write(1, 0, 45000, date)
    sheet.write_merge(2, 3, 0, 2, "merged")
    sheet.col(0).width = 6000
    paths.append(("xlwt_styles.xls", book))

    book = xlwt.Workbook()
    sheet = book.add_sheet("empty")
    paths.append(("xlwt_empty.xls", book))

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("long")
    sheet.write(0, 0, "长" * 9000)
    for r in range(1, 40):
        sheet.write(r, 0, r * 0.01)
    paths.append(("xlwt_long_text.xls", book))

    written = []
    for name, workbook in paths:
        path = os.path.join(folder, name)
        workbook.save(path)
        written.append(path)
    return written


def workbook_seeds(build, folder):
    corpus = Corpus("workbook", "ostrand_workbook_fuzz")
    tool = os.path.join(build, "tests", "workbook", "workbook_sample_tool")
    files = []
    for name, arguments in (("writer_mixed.xls", ["mixed"]), ("writer_rows.xls", ["rows", "40", "3"]),
                            ("writer_one_row.xls", ["rows", "1", "0"]), ("writer_block.xls", ["rows", "70", "0"])):
        path = os.path.join(folder, name)
        subprocess.run([tool, arguments[0], path] + arguments[1:], check=True, stdout=subprocess.DEVNULL)
        files.append(path)
    files += xlwt_books(folder)
    for path in files:
        name = os.path.basename(path)
        with open(path, "rb") as f:
            corpus.add(name, f.read())
        with olefile.OleFileIO(path) as ole:
            corpus.add(name.replace(".xls", ".stream"), ole.openstream("Workbook").read())


# ---- discovery datagrams ----

def text(value, size):
    data = value.encode("gbk") if isinstance(value, str) else value
    return data[: size - 1].ljust(size, b"\0")


def device_record(mac, ip, port, kind, name, attend_type, number="", name_bytes=None):
    record = b"".join([
        text(mac, 16), text(ip, 16), text("255.255.255.0", 16), text("192.168.1.1", 16),
        struct.pack("<ii", port, kind),
        text("1.0.0.0", 24), text(number, 16), text("admin", 30),
        text(name_bytes if name_bytes is not None else name, 102),
        struct.pack("<iii", 1, 0, 2),
        text("ATT-100", 60),
        struct.pack("<ii", 1, 0),
        text("V2.1.0", 52),
        struct.pack("<ii", 1, 2),
        text("T0001", 16),
        struct.pack("<i", attend_type),
    ])
    assert len(record) == 404, len(record)
    return record


def discovery_seeds():
    corpus = Corpus("discovery", "discovery_parsers_fuzzer")
    terminal = device_record("02AA0A000001", "10.0.0.1", 60005, 1, "门禁", 1, "T0001")
    camera = device_record("02AA0A000002", "10.0.0.2", 80, 1, "", 0, "C0001", "门口".encode("utf-8"))
    capture = device_record("02AA0A000003", "10.0.0.3", 60005, 2, "抓拍", 2, "P0001")
    corpus.add("scan_terminal.bin", terminal)
    corpus.add("scan_camera.bin", camera)
    corpus.add("scan_capture.bin", capture)
    corpus.add("scan_short.bin", terminal[:403])
    corpus.add("scan_long.bin", terminal + b"\0")
    for n, (mac, ip) in enumerate((("00:1A:2B:3C:4D:5E", "192.168.1.64"), ("aa:bb:cc:dd:ee:ff", "10.1.2.3"))):
        reply = ("HDS/1.0 200 OK\r\nCSeq:%d\r\nMAC=%s\r\nIP=%s\r\nMASK=255.255.255.0\r\n"
                 "Gateway=192.168.1.1\r\nSoftware-Version=V5.4.0\r\n\r\n" % (n + 1, mac, ip))
        corpus.add("hds_reply_%d.txt" % n, reply.encode())
    corpus.add("hds_reply_unended.txt", b"HDS/1.0 200 OK\r\nCSeq:3\r\nMAC=00:11:22:33:44:55\r\nIP=10.0.0.9")


# ---- device exchanges ----

def journal_runs(path):
    """(exchange, channel, direction, bytes) per journal line."""
    runs = []
    with open(path) as journal:
        for line in journal:
            parts = line.split()
            if len(parts) < 7:
                continue
            runs.append((parts[1], parts[3], parts[4], bytes.fromhex(parts[6])))
    return runs


def run_exchanges(build, folder):
    devsim = os.path.join(build, "src", "sim", "ostrand-devsim")
    cli = os.path.join(build, "src", "cli", "ostrand-cli")
    source = os.path.join(folder, "users.bin")
    with open(source, "wb") as f:
        f.write(bytes((i * 37) & 0xFF for i in range(300)))
    fleet = {"base": "127.61.0.1", "devices": [
        {"kind": "terminal", "name": "门禁", "replies": {"5019": {"server": "127.0.0.1", "port": "8080"}},
         "exports": {"4": {"file": source}}, "exportPacketSize": 100},
        {"kind": "camera", "port": 18081, "name": "门口"},
        {"kind": "terminal", "faults": {"exportStatus": 2, "flatBare": True, "result": "20001",
                                        "errmsg": "设备忙"}},
        {"kind": "terminal", "faults": {"malformed": True}},
    ]}
    with open(os.path.join(folder, "fleet.json"), "w") as f:
        json.dump(fleet, f)
    journal = os.path.join(folder, "journal.log")
    ready = os.path.join(folder, "ready")
    server = subprocess.Popen([devsim, "--fleet", os.path.join(folder, "fleet.json"), "--journal", journal,
                               "--ready-file", ready, "--duration", "60"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=folder)
    try:
        for _ in range(200):
            if os.path.exists(ready):
                break
            time.sleep(0.05)
        commands = []
        for ip in ("127.61.0.1", "127.61.0.3", "127.61.0.4"):
            commands += [
                ["get", "--ip", ip, "--port", "60005", "getnetparam"],
                ["xml", "--ip", ip, "--port", "60005", "--code", "5019"],
                ["flat", "--ip", ip, "--port", "60005", "probe=1"],
                ["export", "--ip", ip, "--port", "60005", "--type", "4", os.path.join(folder, "out.bin")],
                ["upload", "--tcp", "--update-type", "app", "--ip", ip, "--port", "60005", source],
            ]
        commands += [
            ["get", "--ip", "127.61.0.2", "--port", "18081", "getnetparam"],
            ["post", "--ip", "127.61.0.2", "--port", "18081", "setDevName", "devname=前台&x"],
            ["post", "--ip", "127.61.0.2", "--port", "18081", "setDevName", "devname=前台"],
        ]
        for command in commands:
            subprocess.run([cli] + command, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=30)
    finally:
        server.terminate()
        server.wait(timeout=10)
    return journal_runs(journal)


def document_of(frame):
    start, end = frame.find(b"<"), frame.rfind(b">")
    return frame[start:end + 1] if 0 <= start < end else b""


def transport_seeds(build, folder):
    command = Corpus("transport", "ostrand_fuzz_decode_command_xml")
    flat = Corpus("transport", "ostrand_fuzz_decode_flat_xml")
    form = Corpus("transport", "ostrand_fuzz_decode_form_body")
    frames = Corpus("transport", "ostrand_fuzz_frame_readers")
    for n, (exchange, channel, direction, data) in enumerate(run_exchanges(build, folder)):
        name = "%s_%s_%s_%d" % (channel, direction, exchange.lstrip("#"), n)
        if channel == "http":
            if direction == "out":
                body = data.split(b"\r\n\r\n", 1)[-1]
                form.add(name + ".txt", body)
            continue
        frames.add(name + ".bin", data[:4096])
        if channel == "command":
            command.add(name + ".xml", document_of(data))
        elif channel == "flat":
            flat.add(name + ".xml", document_of(data))
    form.add("form_escapes.txt", b"?result=10000&errmsg=%E8%AE%BE&name=a%26b&empty=&=novalue&last")


# ---- reply scripts of the operations ----

SEPARATOR = b"\xff"

# (target, seed name, selector, device kind, CLI commands run on one device,
#  text that leads the script or None). "{ip}" and "{port}" name the device.
OPS_SCRIPTS = [
    ("maintenance", "netpage_camera", 0, "camera", [["netparam", "get"]], None),
    ("maintenance", "netpage_terminal", 0x80, "terminal", [["netparam", "get"]], None),
    ("maintenance", "netpage_refused", 0, "refusing camera", [["netparam", "get"]], None),
    ("maintenance", "ntp_table", 1, "terminal", [["ntp", "get"], ["ntp", "set", "1=pool.ntp.org:123"]], None),
    ("maintenance", "serial_switches", 2, "terminal",
     [["serial", "get"], ["serial", "set", "1"], ["switches", "get"], ["switches", "set", "--debuglog", "on"],
      ["switches", "set", "--stream", "on"]], None),
    ("maintenance", "serial_switches_refused", 2, "refusing terminal",
     [["serial", "get"], ["serial", "set", "0"], ["switches", "get"]], None),
    ("maintenance", "device_commands", 3, "camera",
     [["rename", "前台"], ["set-id", "N0001", "M-1"], ["passwd", "admin", "admin2"], ["reboot"], ["sync-time"]],
     "前台"),
    ("attendance", "periods", 0, "terminal",
     [["periods", "get"], ["periods", "set", "0=1,08:00,09:00", "1=2,17:00,18:00"]], None),
    ("attendance", "cards_servers", 1, "terminal",
     [["card", "get"], ["card", "set", "--count", "3", "--time", "5"], ["terminal", "get", "server"],
      ["terminal", "get", "server"], ["terminal", "get", "photo-server"], ["terminal", "get", "photo-server"]], None),
    ("attendance", "bindings", 2, "terminal",
     [["bind-ipc", "get"], ["bind-ipc", "get"], ["bind-qr", "get"], ["bind-qr", "get"],
      ["visitors", "search", "--version", "V6.8.240"]], "V6.8.240"),
    ("attendance", "terminal_groups", 3, "terminal",
     [["terminal", "get", "door"], ["terminal", "get", "door"], ["terminal", "get", "address"],
      ["terminal", "get", "address"], ["terminal", "get", "address"], ["terminal", "get", "address"],
      ["terminal", "get", "address"], ["terminal", "get", "gate"], ["terminal", "get", "gate"],
      ["terminal", "get", "face"], ["terminal", "get", "face"], ["terminal", "get", "mode"],
      ["terminal", "get", "mode"], ["terminal", "get", "speaker"], ["terminal", "get", "speaker"],
      ["terminal", "get", "interval"], ["terminal", "get", "interval"]], None),
    ("attendance", "terminal_groups_refused", 3, "refusing terminal",
     [["terminal", "get", "door"], ["terminal", "get", "gate"], ["terminal", "get", "face"]], None),
    ("peripheral", "speakers", 0, "terminal",
     [["speakers", "list", "--version", "V6.8.230"], ["speakers", "list", "--version", "V6.8.230"]], None),
    ("peripheral", "speakers_places", 1, "terminal",
     [["speakers", "list", "--version", "V6.8.300"], ["speakers", "list", "--version", "V6.8.300"]], None),
    ("peripheral", "amplifiers", 2, "terminal",
     [["amps", "list", "--version", "V6.8.230"], ["amps", "search", "--version", "V6.8.230"]], None),
    ("peripheral", "tempera", 3, "terminal", [["tempera", "get"], ["tempera", "get"]], None),
    ("video", "tuning_opening", 0, "camera", [["camera", "get"]], None),
    ("video", "tuning_english", 0x80, "camera", [["camera", "get"]], None),
    ("video", "status", 1, "camera", [["camera", "status"], ["camera", "status"]], None),
    ("video", "status_refused", 1, "refusing camera", [["camera", "status"], ["camera", "status"]], None),
    ("video", "ptz", 2, "camera",
     [["ptz", "move", "up"], ["ptz", "stop"], ["ptz", "preset", "add", "1"], ["ptz", "cruise", "1"]], None),
    ("upgrade", "check_camera", 1, "camera",
     [["post", "checkallversion", "checkvek=1", "hardver=HW1", "kernelver=K9", "vekipcver=1.2.3456"]], None),
    ("upgrade", "check_terminal", 3, "terminal",
     [["post", "checkallversion", "checkvek=0", "hardver=HW1", "kernelver=K9", "vekipcver=1.2.3456"]], None),
]

# Texts for the pure rules, each led by its selector.
OPS_TEXTS = [
    ("maintenance", "rules_master", 4, "a.com|10.0.0.1|b.net|".encode()),
    ("maintenance", "rules_gbk_name", 4, "门口 摄像机|".encode("gbk")),
    ("maintenance", "rules_form_reply", 4, b"192.168.1.64"),
    ("attendance", "readers_lists", 4, b"1&2&&3&,4,-5,+2147483648,"),
    ("attendance", "readers_form", 4, b"?result=5&message=1234&errmsg=%E8%AE%BE"),
    ("peripheral", "rules_speakers", 4, b"?classids=1&2&classnames=a&b&audionos=1,2&3&audiotests=1&audiofreqs=5"),
    ("peripheral", "rules_version", 4, b"V6.8.227"),
    ("video", "readers_values", 3, b"?sd=1&reset=0&alarm1=1&alarm2=0"),
    ("video", "readers_number", 3, b"255"),
    ("upgrade", "name_application", 0, b"HW1_K9_1.2.3456_A.bin"),
    ("upgrade", "name_kernel", 2, b"HW1_K9_1.2.3456_F"),
    ("upgrade", "name_legacy_version", 0, b"V5.1.0372"),
]


def reply_of(channel, data):
    """A device's reply as the fuzzers' scripts hold it."""
    if channel == "http":
        return data.split(b"\r\n\r\n", 1)[-1]
    return document_of(data)


def ops_seeds(build, folder):
    devsim = os.path.join(build, "src", "sim", "ostrand-devsim")
    cli = os.path.join(build, "src", "cli", "ostrand-cli")
    kinds = {
        "terminal": {"kind": "terminal"},
        "camera": {"kind": "camera", "port": 18082},
        "refusing terminal": {"kind": "terminal", "faults": {"result": "20001", "errmsg": "设备忙"}},
        "refusing camera": {"kind": "camera", "port": 18082, "faults": {"result": "20001", "errmsg": "设备忙"}},
    }
    devices = []
    for n, script in enumerate(OPS_SCRIPTS):
        entry = dict(kinds[script[3]])
        entry["address"] = "127.63.0.%d" % (n + 1)
        devices.append(entry)
    with open(os.path.join(folder, "ops_fleet.json"), "w") as f:
        json.dump({"devices": devices}, f)
    journal = os.path.join(folder, "ops_journal.log")
    ready = os.path.join(folder, "ops_ready")
    server = subprocess.Popen([devsim, "--fleet", os.path.join(folder, "ops_fleet.json"), "--journal", journal,
                               "--ready-file", ready, "--duration", "120"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=folder)
    try:
        for _ in range(200):
            if os.path.exists(ready):
                break
            time.sleep(0.05)
        for n, (_, _, _, kind, commands, _) in enumerate(OPS_SCRIPTS):
            ip = "127.63.0.%d" % (n + 1)
            port = str(kinds[kind].get("port", 60005))
            for command in commands:
                subprocess.run([cli] + command[:2] + ["--ip", ip, "--port", port] + command[2:], cwd=folder,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
    finally:
        server.terminate()
        server.wait(timeout=10)
    replies = {}
    with open(journal) as lines:
        for line in lines:
            parts = line.split()
            if len(parts) < 7 or parts[4] != "out":
                continue
            address = parts[2].split(":")[0]
            replies.setdefault(address, []).append(reply_of(parts[3], bytes.fromhex(parts[6])))
    corpora = {}

    def corpus(target):
        if target not in corpora:
            corpora[target] = Corpus("ops", "ostrand_fuzz_%s_replies" % target)
        return corpora[target]

    for n, (target, name, selector, _, _, text) in enumerate(OPS_SCRIPTS):
        script = SEPARATOR.join(replies.get("127.63.0.%d" % (n + 1), []))
        if text is not None:
            script = text.encode("gbk") + SEPARATOR + script
        corpus(target).add(name + ".bin", bytes([selector]) + script)
        # The same operation when the device stops answering halfway.
        half = script.split(SEPARATOR)
        corpus(target).add(name + "_cut.bin", bytes([selector]) + SEPARATOR.join(half[:len(half) // 2] + [b"!\x04"]))
    for target, name, selector, text in OPS_TEXTS:
        corpus(target).add(name + ".bin", bytes([selector]) + text)


# ---- fleet files ----

def sim_seeds():
    corpus = Corpus("sim", "ostrand_fuzz_fleet_file")
    fleets = {
        "terminals_and_cameras.json": {"base": "127.61.0.1", "devices": [
            {"kind": "terminal", "name": "门禁{n}", "count": 3, "replies": {"5019": {"server": "127.0.0.1"}},
             "exports": {"4": {"text": "users"}, "5": {"size": 300}}, "exportPacketSize": 100},
            {"kind": "camera", "port": 18081, "name": "门口", "settings": {"devname": "门口"},
             "state": {"video": {"streamPort": 19886}}},
            {"kind": "capture", "terminalNumber": "T0001", "videoChannels": 4}]},
        "faults.json": {"defaults": {"version": "V5.1.0400", "faults": {"replyDelayMs": 5}}, "devices": [
            {"kind": "terminal", "faults": {"exportStatus": 2, "flatBare": True, "result": "20001",
                                            "errmsg": "设备忙", "splitSegments": 3, "splitGapMs": 1}},
            {"kind": "camera", "faults": {"httpStatus": 500, "emptyBody": True, "downloadFailure": "notar",
                                          "silent": False, "refuse": True, "dropConnection": True}},
            {"kind": "terminal", "faults": {"malformed": True, "exportStopAfter": 2}}]},
        "addresses.json": {"base": "127.255.255.253", "devices": [
            {"kind": "terminal", "address": "10.9.0.1", "mac": "02AA0A090001", "deviceType": 7},
            {"kind": "terminal", "count": 2}, {"kind": "camera", "log": "line 1\nline 2\n"}]},
        "bad_entry.json": {"devices": [{"kind": "printer"}, {"kind": "terminal", "port": 70000}]},
    }
    for name, fleet in fleets.items():
        corpus.add(name, json.dumps(fleet, ensure_ascii=False).encode())
    corpus.add("faults_at_top.json", b'{"devices": [], "faults": {"replyDelayMs": 3600001, "result": 5}}')
# ---- motion-JPEG streams ----

def video_seeds():
    # Files without the ".bin" ending are inputs the fuzzer found, kept as they are.
    corpus = Corpus("video", "ostrand_fuzz_mjpeg_parser", keep=lambda name: not name.endswith(".bin"))
    jpeg = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + bytes(range(256)) * 2 + b"\xff\xd9"
    multipart = b"multipart/x-mixed-replace; boundary=ostrandframe"

    def part(body, length=True):
        lines = b"--ostrandframe\r\nContent-Type: image/jpeg\r\n"
        if length:
            lines += b"Content-Length: %d\r\n" % len(body)
        return lines + b"\r\n" + body + b"\r\n"

    # The answer's Content-Type, then its body.
    streams = {
        "frames": (multipart, part(jpeg) + part(jpeg)),
        "delimited": (multipart, part(jpeg, False) + b"--ostrandframe\r\n"),
        "quoted_lf": (b"multipart/x-mixed-replace;boundary=\"b\"", b"pre\n--b\n\n" + jpeg + b"\n--b--\n"),
        "dashed": (b"multipart/x-mixed-replace; boundary=--b", b"--b\r\n\r\n" + jpeg + b"\r\n--b\r\n"),
        "first_line": (b"application/octet-stream", part(jpeg) + part(jpeg)),
        "page": (b"text/html", b"<html>login</html>"),
        "not_multipart": (b"image/jpeg", jpeg),
        "endless": (multipart, b"--ostrandframe\r\nContent-Type: image/jpeg\r\n\r\n\xff\xd8" + b"\x00" * 2000),
        "truncated": (multipart, part(jpeg[:200])),
        "no_boundary": (multipart, jpeg + jpeg),
        "bad_length": (multipart, b"--ostrandframe\r\nContent-Length: 1x\r\n\r\n" + jpeg),
        "huge_length": (multipart, b"--ostrandframe\r\nContent-Length: 99999999999\r\n\r\n"),
    }
    for name, (content_type, body) in streams.items():
        stream = content_type + b"\n" + body
        corpus.add(name + "_whole.bin", b"\x7f" + stream)     # large reads, peer closes
        corpus.add(name + "_bytes.bin", b"\x00" + stream)     # one byte a read, stays open


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="default build folder")
    parser.add_argument("--only", choices=["ops", "sim"], help="write only these corpora")
    arguments = parser.parse_args()
    build = os.path.abspath(arguments.build)
    with tempfile.TemporaryDirectory() as folder:
        if arguments.only in (None, "ops"):
            ops_seeds(build, folder)
        if arguments.only in (None, "sim"):
            sim_seeds()
        if arguments.only is None:
            workbook_seeds(build, folder)
            discovery_seeds()
            transport_seeds(build, folder)
            video_seeds()
    for root, _, files in sorted(os.walk(FUZZ)):
        if os.path.basename(os.path.dirname(root)) == "corpus":
            print("%-60s %3d seeds" % (os.path.relpath(root, FUZZ), len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
