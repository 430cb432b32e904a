#!/usr/bin/env python3
"""Writes the i686 form of a DLL's .def file: each export named with its stdcall decoration.

Linked with --kill-at, the DLL still exports the plain names (with the ordinals of the .def),
while its import library maps the decorated references of 32-bit callers (kelGetFileSize@4)
onto them. The decorations are read from the objects' own symbols, so nothing is written twice.

usage: decorate_def.py <in.def> <out.def> <nm> <object...>
"""
import re
import subprocess
import sys


def main():
    src, out, nm = sys.argv[1], sys.argv[2], sys.argv[3]
    objects = [o for o in sys.argv[4:] if o.endswith((".obj", ".o"))]
    symbols = subprocess.run([nm, "-g", "--defined-only", *objects], check=True,
                             capture_output=True, text=True).stdout
    decorated = {}
    for line in symbols.splitlines():
        m = re.match(r"^[0-9a-fA-F]+ T _([A-Za-z_][A-Za-z0-9_]*)@(\d+)$", line.strip())
        if m:
            decorated[m.group(1)] = f"{m.group(1)}@{m.group(2)}"
    lines = []
    in_exports = False
    for line in open(src):
        stripped = line.strip()
        if stripped.upper() == "EXPORTS":
            in_exports = True
        elif in_exports and stripped and not stripped.startswith(";"):
            name, *rest = stripped.split()
            if name not in decorated:
                sys.exit(f"decorate_def: {name} is not a stdcall function of the objects")
            line = "  " + " ".join([decorated[name], *rest]) + "\n"
        lines.append(line)
    with open(out, "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
