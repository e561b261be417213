"""What the run leaves on disk, read the way a person would look at it: the
file version inside an executable and the shortcut files in the prefix."""

import os
import struct

FIXED_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)
# The fixed block follows this key in the version resource; the signature's
# four bytes may also stand earlier in the program's own code.
VERSION_KEY = "VS_VERSION_INFO".encode("utf-16-le")


def file_version(path):
    """"a.b.c.d" from the executable's fixed version block, or "" when the
    file has none (or is missing)."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return ""
    key = data.find(VERSION_KEY)
    if key < 0:
        return ""
    at = data.find(FIXED_INFO_SIGNATURE, key + len(VERSION_KEY))
    if at < 0 or at + 16 > len(data):
        return ""
    _, _, ms, ls = struct.unpack_from("<IIII", data, at)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def shortcuts(prefix):
    """DOS paths of the program's shortcut files anywhere on drive C."""
    found = []
    for root, dirs, names in os.walk(prefix.drive_c):
        if root == prefix.drive_c and "windows" in dirs:
            dirs.remove("windows")  # Wine's own files: thousands, none of ours
        for name in names:
            if name in (" Veltrano.lnk", " Veltrano4.lnk"):
                found.append(prefix.dos(os.path.join(root, name)))
    return sorted(found)
