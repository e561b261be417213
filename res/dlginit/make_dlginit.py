#!/usr/bin/env python3
"""Writes main_dialog.bin, the dialog-initialisation data of the main
window: one record for the browser control (id 1000) whose data the control
loads through its stream persistence, then the end-of-list word.

The state stream sets the control's design-time extent, the large-icons
folder view and an empty current location (a shell link header with no
target); every other byte is zero.

    python3 make_dlginit.py [output-file]
"""
import struct
import sys
import uuid
from pathlib import Path

IDC_BROWSER = 1000
WM_OCC_LOADFROMSTREAM = 0x0376
EXTENT_HIMETRIC = (21325, 16722)
VID_LARGE_ICONS = uuid.UUID("0057D0E0-3573-11CF-AE69-08002B2E1262")
CLSID_SHELL_LINK = uuid.UUID("00021401-0000-0000-C000-000000000046")
LINK_IS_UNICODE = 0x80
SW_SHOWNORMAL = 1


def put(buf, offset, data):
    buf[offset:offset + len(data)] = data


def link_header():
    """A 76-byte shell link header with no target."""
    header = bytearray(76)
    put(header, 0, struct.pack("<I", 76))
    put(header, 4, CLSID_SHELL_LINK.bytes_le)
    put(header, 20, struct.pack("<I", LINK_IS_UNICODE))
    put(header, 60, struct.pack("<I", SW_SHOWNORMAL))
    return bytes(header)


def state_stream():
    stream = bytearray(160)
    put(stream, 4, struct.pack("<I", 76))
    put(stream, 8, struct.pack("<II", *EXTENT_HIMETRIC))
    put(stream, 40, struct.pack("<I", 76))
    put(stream, 52, struct.pack("<I", 1))
    put(stream, 56, VID_LARGE_ICONS.bytes_le)
    put(stream, 72, struct.pack("<I", 2))
    put(stream, 80, link_header())
    # 156..159: end of the link's extra data, zero.
    return bytes(stream)


def dlginit():
    stream = state_stream()
    return struct.pack("<HHI", IDC_BROWSER, WM_OCC_LOADFROMSTREAM, len(stream)) + stream + b"\0\0"


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent / "main_dialog.bin"
    data = dlginit()
    assert len(data) == 170, len(data)
    out.write_bytes(data)


if __name__ == "__main__":
    main()
