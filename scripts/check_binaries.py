#!/usr/bin/env python3
"""Checks the shipped Windows binaries of both builds.

For out/x64 and out/x86: the folder holds only deliverables; each binary has the right
machine type and imports only Windows system DLLs; each DLL exports exactly the names of
tests/exports/expected.txt, undecorated, with the ordinals given there. Exports listed in
tests/exports/pending.txt may be absent (their family is not built yet) and are reported.
"""
import os
import struct
import sys

DELIVERABLES = {"TOLM.exe", "kelsys.dll", "daxread.dll", "vopimg.dll", "dax2jpn.dll", "dax2enc.dll"}
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll",
    "comdlg32.dll", "version.dll", "msvcrt.dll", "gdiplus.dll", "ole32.dll", "oleaut32.dll",
    "shlwapi.dll", "uxtheme.dll", "msimg32.dll",
}
MACHINES = {"x64": 0x8664, "x86": 0x14C}


class PE:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = pe + 4
        self.machine, nsections = struct.unpack_from("<HH", d, coff)
        opt_size = struct.unpack_from("<H", d, coff + 16)[0]
        opt = coff + 20
        magic = struct.unpack_from("<H", d, opt)[0]
        dirs = opt + (96 if magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        sec = opt + opt_size
        for i in range(nsections):
            vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", d, sec + 40 * i + 8)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError(f"RVA {rva:#x} outside every section")

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def exports(self):
        rva, size = self.dirs[0]
        if rva == 0:
            return {}
        o = self.offset(rva)
        base, nfuncs, nnames, afuncs, anames, aords = struct.unpack_from("<IIIIII", self.data, o + 16)
        result = {}
        for i in range(nnames):
            name_rva = struct.unpack_from("<I", self.data, self.offset(anames + 4 * i))[0]
            index = struct.unpack_from("<H", self.data, self.offset(aords + 2 * i))[0]
            result[self.cstring(name_rva)] = base + index
        return result

    def imports(self):
        rva, size = self.dirs[1]
        names = []
        if rva == 0:
            return names
        o = self.offset(rva)
        while True:
            desc = struct.unpack_from("<IIIII", self.data, o)
            if desc == (0, 0, 0, 0, 0):
                return names
            names.append(self.cstring(desc[3]))
            o += 20


def read_table(path):
    rows = []
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                rows.append(line.split())
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    expected = {}
    for dll, name, ordinal in read_table(os.path.join(root, "tests/exports/expected.txt")):
        expected.setdefault(dll, {})[name] = None if ordinal == "-" else int(ordinal)
    pending = {(dll, name) for dll, name in read_table(os.path.join(root, "tests/exports/pending.txt"))}
    failures = []
    checked = 0
    for arch, machine in MACHINES.items():
        folder = os.path.join(root, "out", arch)
        if not os.path.isdir(folder):
            failures.append(f"{arch}: out/{arch} does not exist (build it first)")
            continue
        present = set(os.listdir(folder))
        for extra in sorted(present - DELIVERABLES):
            failures.append(f"{arch}: out/{arch}/{extra} is not a deliverable")
        for binary in sorted(present & DELIVERABLES):
            pe = PE(os.path.join(folder, binary))
            checked += 1
            if pe.machine != machine:
                failures.append(f"{arch}: {binary} has machine type {pe.machine:#x}")
            for imported in pe.imports():
                if imported.lower() not in SYSTEM_DLLS:
                    failures.append(f"{arch}: {binary} imports {imported}, which is no system DLL")
        for dll, names in expected.items():
            path = os.path.join(folder, dll)
            actual = PE(path).exports() if os.path.exists(path) else {}
            for name in sorted(set(actual) - set(names)):
                failures.append(f"{arch}: {dll} exports {name}, which is not in its list")
            absent = []
            for name, ordinal in names.items():
                if name not in actual:
                    if (dll, name) in pending:
                        absent.append(name)
                    else:
                        failures.append(f"{arch}: {dll} lacks {name}")
                    continue
                if (dll, name) in pending:
                    failures.append(f"{arch}: {dll} now exports {name}: take it off tests/exports/pending.txt")
                if ordinal is not None and actual[name] != ordinal:
                    failures.append(f"{arch}: {dll} exports {name} at ordinal {actual[name]}, not {ordinal}")
            have = len(names) - len(absent)
            print(f"{arch}: {dll}: {have} of {len(names)} exports present" +
                  (f"; not yet built: {', '.join(absent)}" if absent else ""))
    for f in failures:
        print("FAIL " + f)
    print(f"checked {checked} binaries: {'FAILED' if failures else 'ok'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
