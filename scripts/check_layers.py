#!/usr/bin/env python3
"""Fails when an include points up the layer order or closes a loop.

src/ is layered bottom to top; a folder may include its own files, the
folders below it, and its own subfolders (file/ may include file/gzip/...).
The simulated handheld's services (host/ce, host/machine) implement the
Windows CE contract: they may see that contract, the resources beneath it
and header-only descriptions of hardware and records (register layouts, the
page chain, the CPU primitives they run), never code of the system.

Within a layer, files may include each other, but never in a loop: a
class's files (X.h and X.cpp count as one) must not be reached again from
what they include.

Usage: check_layers.py ROOT   (the checkout: ROOT/src, ROOT/host)
"""
import pathlib
import re
import sys

# Bottom to top; folders on one line share a level and do not include each
# other.
LAYERS = [
    ["platform/ce"],
    ["platform", "resources"],
    ["console"],
    ["memory", "file"],
    ["loader"],
    ["arch"],
    ["boot"],
    ["ui"],
    ["app"],
]
HOST_SERVICES = ["host/ce", "host/machine"]
HOST_MAY_SEE = ["platform/ce", "resources"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def area_of(relative):
    """The layer folder a path under src/ belongs to, longest match first."""
    folders = sorted((f for row in LAYERS for f in row), key=len, reverse=True)
    for folder in folders:
        if relative == folder or relative.startswith(folder + "/"):
            return folder
    return None


def level_of(folder):
    for level, row in enumerate(LAYERS):
        if folder in row:
            return level
    return None


def include_allowed(source_area, target_area):
    if source_area == target_area:
        return True
    return level_of(target_area) < level_of(source_area)


def check_system(root, faults):
    src = root / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".S"):
            continue
        rel = path.relative_to(src).parent.as_posix()
        source = area_of(rel)
        if source is None:
            faults.append(f"{path.relative_to(root)}: folder is in no layer")
            continue
        for target_path in INCLUDE.findall(path.read_text(errors="replace")):
            target = area_of(pathlib.PurePosixPath(target_path).parent.as_posix())
            if target is None:
                if "/" in target_path or not (path.parent / target_path).exists():
                    faults.append(f"{path.relative_to(root)}: includes \"{target_path}\", "
                                  "which is in no layer")
                continue
            if not include_allowed(source, target):
                faults.append(f"{path.relative_to(root)}: {source} includes \"{target_path}\" "
                              f"({target} is not below {source})")


def header_only(header):
    """A header of src/ with no code of its own beside it."""
    return header.suffix == ".h" and header.exists() and not header.with_suffix(".cpp").exists()


def check_host(root, faults):
    for folder in HOST_SERVICES:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for target_path in INCLUDE.findall(path.read_text(errors="replace")):
                if (path.parent / target_path).exists() or (root / "host" / target_path).exists():
                    continue
                if any(target_path.startswith(f + "/") for f in HOST_MAY_SEE):
                    continue
                if header_only(root / "src" / target_path):
                    continue
                faults.append(f"{path.relative_to(root)}: includes \"{target_path}\"; "
                              "the simulated handheld sees only platform/ce, resources "
                              "and header-only layouts")


def include_graph(src):
    """Class (path without suffix) -> the classes its files include."""
    graph = {}
    for path in src.rglob("*"):
        if path.suffix not in (".h", ".cpp"):
            continue
        node = path.relative_to(src).with_suffix("").as_posix()
        edges = graph.setdefault(node, set())
        for target in INCLUDE.findall(path.read_text(errors="replace")):
            other = pathlib.PurePosixPath(target).with_suffix("").as_posix()
            if other != node:
                edges.add(other)
    return graph


def loops(graph):
    """The strongly connected groups of more than one class (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for other in graph.get(node, ()):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on_stack:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def check_loops(root, faults):
    for group in loops(include_graph(root / "src")):
        faults.append("src/: an include loop among " + ", ".join(group))


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1])
    faults = []
    check_system(root, faults)
    check_host(root, faults)
    check_loops(root, faults)
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the layer order or in a loop")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
