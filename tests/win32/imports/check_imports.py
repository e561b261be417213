"""Each program's import table names only known system DLLs, which Windows
loads from the system folder whatever lies beside the program. Any other DLL
(wininet, version, comctl32...) would be looked for in the program's own
folder first, where every local user may plant one. And ole32 comes right
after kernel32 and msvcrt: Wine maps imports in table order, and a DLL before
it (advapi32, gdi32) brings in dependencies that take ole32's own address, so
ole32 would be relocated at every start."""

import re
import subprocess
import sys

KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "ws2_32.dll",
}


def imported_dlls(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return re.findall(r"DLL Name: (\S+)", out)


def main(objdump, *exes):
    failed = False
    for exe in exes:
        names = imported_dlls(objdump, exe)
        others = sorted(n for n in names if n.lower() not in KNOWN_DLLS)
        if not names or others:
            print("%s imports %s" % (exe, others or "nothing (not a program?)"))
            failed = True
        lower = [n.lower() for n in names]
        before = lower[:lower.index("ole32.dll")] if "ole32.dll" in lower else lower
        early = sorted(set(before) - {"kernel32.dll", "msvcrt.dll"})
        if early:
            print("%s imports %s before ole32.dll" % (exe, early))
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
