#!/usr/bin/python3
"""Checks the export and import tables of a Windows DLL as objdump -p prints them:
exactly the exports given, and imports from system DLLs only.

Usage: check_dll_exports.py OBJDUMP DLL EXPORT...
"""
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
    "shell32.dll", "shlwapi.dll", "version.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
    "winmm.dll", "ws2_32.dll",
}


def tables(text):
    """The exported names and the imported DLL names of objdump -p output."""
    exports, imports, in_names = [], [], False
    for line in text.splitlines():
        if line.startswith("[Ordinal/Name Pointer] Table"):
            in_names = True
            continue
        if in_names:
            m = re.match(r"\s+\[\s*\d+\]\s+(\S+)$", line)
            if m:
                exports.append(m.group(1))
                continue
            in_names = False
        m = re.match(r"\s+DLL Name: (\S+)$", line)
        if m:
            imports.append(m.group(1))
    return exports, imports


def main():
    objdump, dll, wanted = sys.argv[1], sys.argv[2], sys.argv[3:]
    text = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    failures = []
    if "file format pei-i386" not in text:
        failures.append("not a 32-bit x86 PE file")
    exports, imports = tables(text)
    if sorted(exports) != sorted(wanted):
        failures.append(f"exports {exports}, expected {wanted}")
    if not imports:
        failures.append("no import table found")
    foreign = [d for d in imports if d.lower() not in SYSTEM_DLLS]
    if foreign:
        failures.append(f"imports from non-system DLLs: {foreign}")
    for f in failures:
        print("FAIL:", f)
    print(f"exports: {exports}; imports: {imports}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
