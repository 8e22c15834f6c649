#!/usr/bin/env python3
"""Static checks of a built Altavue.exe and of the program's own objects.

usage: check_binaries.py BUILD_DIR i386|amd64

- the file: at most MAX_BYTES, stripped (no COFF symbol table) and with no
  link time in its header, as the build makes it;
- the PE header: machine, GUI subsystem;
- the import table: system DLLs only (the compiler runtime is linked in);
- the program's own object files reference no heap allocator.
Prints one line per check and exits non-zero when any fails.
"""
import pathlib
import re
import struct
import subprocess
import sys

MACHINES = {"i386": 0x014C, "amd64": 0x8664}
TRIPLES = {"i386": "i686-w64-mingw32", "amd64": "x86_64-w64-mingw32"}
SUBSYSTEM_GUI = 2
# The shipped executable's budget: 92 KiB, 512 bytes above the 32-bit
# Altavue.exe (93,696 bytes on 2026-12-10; the 64-bit one is smaller). The
# file grows in units of its PE file alignment, 512 bytes: one more unit
# passes, a second fails.
MAX_BYTES = 94208
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll"}
# Allocators of the C and C++ runtimes and of Win32. On i386 the names carry
# a leading underscore and, for imports, __imp_ and a @N suffix.
ALLOCATOR = re.compile(
    r"^(__imp_)?_{0,2}(malloc|calloc|realloc|free|strdup|wcsdup|_wcsdup|_strdup|"
    r"Znw[jmy]|Zna[jmy]|ZdlPv|ZdaPv|ZnwjRKSt9nothrow_t|"
    r"HeapAlloc|HeapReAlloc|LocalAlloc|LocalReAlloc|GlobalAlloc|GlobalReAlloc|"
    r"VirtualAlloc|CoTaskMemAlloc|SysAllocString)(@\d+)?$|^_?_Z(nw|na|dl|da)")


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbols,
         optional_size, _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(vsize, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError("RVA %#x outside every section" % rva)

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imported_dlls(self):
        dlls = []
        at = self.offset(self.import_rva)
        while True:
            name_rva = struct.unpack_from("<5I", self.data, at)[3]
            if name_rva == 0:
                return dlls
            dlls.append(self.string(name_rva))
            at += 20


def product_objects(build):
    objects = sorted((build / "CMakeFiles" / "altavue_core.dir").rglob("*.obj"))
    objects += sorted((build / "CMakeFiles" / "Altavue.dir").rglob("*.cpp.obj"))
    return objects


def main():
    build, arch = pathlib.Path(sys.argv[1]), sys.argv[2]
    failures = []

    def check(ok, what):
        print("   %s %s" % ("ok  " if ok else "FAIL", what))
        if not ok:
            failures.append(what)

    exe = build / "Altavue.exe"
    data = exe.read_bytes()
    pe = Pe(data)
    check(len(data) <= MAX_BYTES, "%s: %d bytes (at most %d)" % (exe, len(data), MAX_BYTES))
    check(pe.symbol_table == 0 and pe.symbols == 0,
          "no symbol table (pointer %#x, %d symbols)" % (pe.symbol_table, pe.symbols))
    check(pe.timestamp == 0, "no link time in the header (TimeDateStamp %#x)" % pe.timestamp)
    check(pe.machine == MACHINES[arch], "%s: machine %#06x (%s)" % (exe, pe.machine, arch))
    check(pe.subsystem == SUBSYSTEM_GUI, "%s: subsystem %d (GUI)" % (exe, pe.subsystem))
    dlls = pe.imported_dlls()
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    check(not foreign, "imports only system DLLs: %s%s" % (
        ", ".join(dlls), "; not system: " + ", ".join(foreign) if foreign else ""))

    objects = product_objects(build)
    check(len(objects) >= 8, "%d object files of the program's own found" % len(objects))
    for obj in objects:
        out = subprocess.run([TRIPLES[arch] + "-nm", "-u", str(obj)], check=True,
                             capture_output=True, text=True).stdout
        symbols = [line.split()[-1] for line in out.splitlines() if line.strip()]
        allocators = [s for s in symbols if ALLOCATOR.search(s)]
        check(not allocators, "%s calls no heap allocator%s" % (
            obj.name, ": " + ", ".join(allocators) if allocators else ""))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
