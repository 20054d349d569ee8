#!/usr/bin/env python3
"""The include-and-call graph of the Win32 layer (src/platform), and any
circle in it: a file that, through others, includes or calls itself.

    scripts/layer-graph.py [BUILD]     (default: build-test)

Includes come from the sources' own #include "..." lines; calls come from the
object files of BUILD (nm: the symbols each file uses against those each
defines), so the build must be current. Prints each file's edges, then
"no circle" or every circle found; exit status 1 when there is one.
A developer's tool, as scripts/plant-faults.py is: needs python3 and nm.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYER = os.path.join(ROOT, "src", "platform")


def sources():
    for top, _, names in os.walk(LAYER):
        for name in names:
            if name.endswith((".cpp", ".h")) and "include" not in os.path.relpath(top, LAYER).split(os.sep):
                yield os.path.relpath(os.path.join(top, name), LAYER)


def includes(files):
    """file -> the layer's files it includes (by "dir/name.h" or a name beside it)."""
    edges = {}
    for f in files:
        text = open(os.path.join(LAYER, f), encoding="utf-8").read()
        found = set()
        for inc in re.findall(r'^#include "([^"]+)"', text, re.M):
            for candidate in (inc, os.path.join(os.path.dirname(f), inc)):
                if candidate in files and candidate != f:
                    found.add(candidate)
        edges[f] = found
    return edges


def symbols(obj, undefined):
    flag = ["-u"] if undefined else ["--defined-only", "--extern-only"]
    out = subprocess.run(["nm", "-P"] + flag + [obj], capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines() if line.strip()]
    if undefined:
        return {r[0] for r in rows}
    # Strong definitions only: an inline function or a template is defined
    # (weakly) in every file that uses it, and calls no one's code.
    return {r[0] for r in rows if len(r) > 1 and r[1] in "TDBRG"}


def calls(build, files):
    """source file -> the layer's source files whose definitions it uses."""
    objects = {}
    for top, _, names in os.walk(build):
        for name in names:
            if name.endswith(".cpp.o") and "src/platform/" in os.path.join(top, name):
                rel = os.path.join(top, name).split("src/platform/", 1)[1][: -len(".o")]
                if rel in files:
                    objects[rel] = os.path.join(top, name)
    owner = {}
    for f, obj in objects.items():
        for s in symbols(obj, False):
            owner.setdefault(s, f)
    edges = {}
    for f, obj in objects.items():
        edges[f] = {owner[s] for s in symbols(obj, True) if s in owner and owner[s] != f}
    return edges


def circles(edges):
    """The strongly connected components of more than one file (Tarjan)."""
    index, low, stack, on, out = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == v:
                    break
            if len(part) > 1:
                out.append(sorted(part))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return out


def main():
    build = os.path.join(ROOT, sys.argv[1] if len(sys.argv) > 1 else "build-test")
    files = set(sources())
    graph = {}
    for f, targets in list(includes(files).items()) + list(calls(build, files).items()):
        graph.setdefault(f, set()).update(targets)
    for f in sorted(graph):
        print(f"{f}: {' '.join(sorted(graph[f])) or '-'}")
    found = circles(graph)
    for part in found:
        print("circle:", " ".join(part))
    if not found:
        print("no circle")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
