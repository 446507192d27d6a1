#!/usr/bin/env python3
"""Checks that every library of the unit calls only into itself and the
libraries below it: each undefined symbol of a library must be defined by
that library or a lower one, or come from outside the unit (C/C++ runtime,
Debian libraries). Prints the library graph, one edge a line, and every
upward reference; exits 1 when there is one.

usage: check-layers.py BUILD_DIR
"""
import os, subprocess, sys

ORDER = ["tessix_platform", "tessix_slp", "tessix_lsvc", "tessix_common", "tessix_data", "tessix_core",
         "tessix_graphics", "tessix_ui", "tessix_startup", "tessix_sonar", "tessix_history", "tessix_serial",
         "tessix_unitnet", "tessix_chartengine",
         "tessix_lakechart", "tessix_imagery", "tessix_html"]


def symbols(path):
    out = subprocess.run(["nm", "-C", "--defined-only", "-g", path], capture_output=True, text=True).stdout
    defined = set()
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[1] not in ("U", "w", "v"):
            defined.add(parts[2])
    out = subprocess.run(["nm", "-C", "-u", path], capture_output=True, text=True).stdout
    undefined = set(l.split(None, 1)[1] for l in out.splitlines() if l.strip().startswith("U "))
    return defined, undefined


def main():
    build = sys.argv[1]
    libs = {}
    for name in ORDER:
        path = os.path.join(build, "lib%s.a" % name)
        if os.path.exists(path):
            libs[name] = symbols(path)
    owner = {}
    for name, (defined, _) in libs.items():
        for s in defined:
            owner.setdefault(s, name)
    rank = {n: i for i, n in enumerate(ORDER)}
    edges, bad = set(), []
    for name, (defined, undefined) in libs.items():
        for s in sorted(undefined - defined):
            o = owner.get(s)
            if o is None or o == name:
                continue
            edges.add((name, o))
            if rank[o] > rank[name]:
                bad.append("%s -> %s: %s" % (name, o, s))
    for a, b in sorted(edges, key=lambda e: (rank[e[0]], rank[e[1]])):
        print("%s -> %s" % (a, b))
    for line in bad:
        print("UPWARD " + line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
