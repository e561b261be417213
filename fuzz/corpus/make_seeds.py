#!/usr/bin/env python3
"""Writes the committed seed inputs of each fuzz target (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\xff"  # separates the strings of one input
CHENG = "誠".encode("gbk")  # its trail byte is a backslash


def u16(text):
    return text.encode("utf-16-le") + b"\0\0"


def classic_template(items):
    head = struct.pack("<IIHhhhh", 0x80C800C0, 0, len(items), 0, 0, 200, 100)
    head += b"\0\0" + b"\0\0" + u16("Probe") + struct.pack("<H", 9) + u16("Tahoma")
    out = bytearray(head)
    for cls, ident in items:
        while len(out) % 4:
            out += b"\0"
        out += struct.pack("<IIhhhhH", 0x50000000, 0, 0, 0, 100, 50, ident)
        out += (struct.pack("<HH", 0xFFFF, cls) if isinstance(cls, int) else u16(cls))
        out += u16("x") + b"\0\0"
    return bytes(out)


def extended_template(items):
    head = struct.pack("<HHIIIHhhhh", 1, 0xFFFF, 0, 0, 0x80C800C0, len(items), 0, 0, 200, 100)
    head += b"\0\0" + b"\0\0" + u16("Probe") + struct.pack("<HHBB", 9, 400, 0, 1) + u16("Tahoma")
    out = bytearray(head)
    for cls, ident in items:
        while len(out) % 4:
            out += b"\0"
        out += struct.pack("<IIIhhhhI", 0, 0, 0x50000000, 0, 0, 100, 50, ident)
        out += (struct.pack("<HH", 0xFFFF, cls) if isinstance(cls, int) else u16(cls))
        out += u16("") + struct.pack("<H", 0)
    return bytes(out)


def pe_image(extra_raw=0):
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    fh = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, 0xE0, 0x0102)
    opt = struct.pack("<H", 0x10B) + b"\0" * (0xE0 - 2)
    sect = b".rsrc\0\0\0" + struct.pack("<IIIIIIHHI", 0x100, 0x1000, 0x200, 0x200, 0, 0, 0, 0, 0x40000040)
    head = dos + fh + opt + sect
    return head + b"\0" * (0x200 - len(head)) + b"\0" * (0x200 + extra_raw)


def versioned_image(ms, ls, code_first=False):
    """A PE32 image whose resource section holds RT_VERSION / 1 / 0x0804
    with the fixed file info; with code_first a code section comes first and
    ends exactly at the resources' address."""
    rva = 0x2000 if code_first else 0x1000
    raw = 0x400 if code_first else 0x200
    block = struct.pack("<HHH", 92, 52, 0) + u16("VS_VERSION_INFO") + b"\0\0"
    block += struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 4, 1, 0, 0, 0)
    tree = bytearray(0x58)
    struct.pack_into("<HII", tree, 14, 1, 16, 0x80000018)
    struct.pack_into("<HII", tree, 0x18 + 14, 1, 1, 0x80000030)
    struct.pack_into("<HII", tree, 0x30 + 14, 1, 0x0804, 0x48)
    struct.pack_into("<II", tree, 0x48, rva + 0x58, len(block))
    section = bytes(tree) + block
    count = 2 if code_first else 1
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    fh = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, count, 0, 0, 0, 0xE0, 0x0102)
    opt = bytearray(0xE0)
    struct.pack_into("<H", opt, 0, 0x10B)
    struct.pack_into("<I", opt, 92, 16)
    struct.pack_into("<II", opt, 96 + 16, rva, len(section))
    sects = b""
    if code_first:
        sects += b".text\0\0\0" + struct.pack("<IIIIIIHHI", 0x1000, 0x1000, 0x200, 0x200, 0, 0, 0, 0, 0x60000020)
    sects += b".rsrc\0\0\0" + struct.pack("<IIIIIIHHI", len(section), rva, 0x200, raw, 0, 0, 0, 0, 0x40000040)
    head = dos + fh + bytes(opt) + sects
    image = head + b"\0" * (0x200 - len(head))
    if code_first:
        image += b"\xcc" * 0x200
    return image + section + b"\0" * (0x200 - len(section))


WEB_BROWSER = "{8856F961-340A-11D0-A96B-00C04FD705A2}"
SEEDS = {
    "fuzz_compare_versions": [
        b"5.0.0.1" + SEP + b"5.0", b"5.1" + SEP + b"5.0.0.9" + SEP + b"5",
        b"5..1." + SEP + b"5.1", b"05.01" + SEP + b"5.1", b"1.2.3.4.5" + SEP + b"1.0",
        b"1.2.3.4." + SEP + b"1.2.3.4" + SEP + b"1.2.3.3", b"5.0.0.1\r\n" + SEP + b"5.0",
        b"2147483647" + SEP + b"2147483648" + SEP + b"99999999999",
        b"" + SEP + b"5.0", b"." + SEP + b"x", b"5.1" + SEP + b"5.0 beta",
    ],
    "fuzz_manifest": [
        b"5.0.0.1", b"5.0.0.2", b"5.0", b"5.0.0.1\r\n", b"v5.1",
        b"6..1.", b"70000.1", b"5.0.0.1\x009.9", b"\x00",
        b"<html><body>404 Not Found</body></html>", b"5.0.0.1" + b"." * 4100,
    ],
    "fuzz_own_path": [
        b'"C:\\Users\\user\\Downloads\\tarnquill.exe" -embedding',
        b"C:\\ProgramData\\Veltrano\\tarnquill.exe", b'"tarnquill.exe"', b"x",
        b'"D:\\' + CHENG + b'\\' + CHENG + b'.exe"', b'"C:\\' + b"a" * 300 + b'.exe"',
        b"\"" + b"\\" * 254 + b'"', b'"' + b"\xd5" * 300,
    ],
    "fuzz_cstring": [
        b"\\\x00\x00\x00\x05\x00\x00\x00\x03" + CHENG + b"\x03abc" + CHENG + b"\\x\\",
        b"\\\x00\x00\x00\x01\x00\x00\x00\x01" + b"\xff" + b"\x02" + b"\xfe\x40" + b"a\xfe",
        b".\x00\x00\x00\x02\x00\x00\x00\x10\x01.\x015.0.0.1",
    ],
    "fuzz_dialog_template": [
        classic_template([(WEB_BROWSER, 1000), (0x80, 1), (0x82, 2)]),
        extended_template([(0x80, 1), (WEB_BROWSER.lower(), 1000)]),
        struct.pack("<HHI", 1000, 0x376, 4) + b"abcd" + struct.pack("<H", 0),
        u16(WEB_BROWSER)[:-2],
    ],
    "fuzz_executable_check": [
        b"\0\0\0\0" + pe_image(), b"\x10\0\0\0" + pe_image(), b"\0\0\0\0" + pe_image()[:0x300],
    ],
    "fuzz_image_version": [
        versioned_image(0x50000, 1), versioned_image(0x50001, 0x30004, code_first=True),
        versioned_image(0x50000, 0)[:0x260], pe_image(),
    ],
}

for target, inputs in SEEDS.items():
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    for i, data in enumerate(inputs):
        with open(os.path.join(folder, "seed%02d" % i), "wb") as f:
            f.write(data)
