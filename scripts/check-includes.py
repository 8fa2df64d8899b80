#!/usr/bin/env python3
"""Fails on an #include that breaks the folder layers docs/ARCHITECTURE.md
gives in its ```layers block: a file includes from its own folder and from
folders before it in its list; a ui/ folder also from any core folder."""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
doc = (root / "docs/ARCHITECTURE.md").read_text(encoding="utf-8")
block = re.search(r"```layers\n(.*?)```", doc, re.S)
if not block:
    sys.exit("docs/ARCHITECTURE.md has no layers block")
layers = {}
for line in block.group(1).splitlines():
    kind, _, folders = line.partition(":")
    layers[kind.strip()] = folders.split()
core, ui = layers.get("core", []), layers.get("ui", [])
rank = {f: i for i, f in enumerate(core)}
rank.update({f: i for i, f in enumerate(ui)})


def folder_of(path):
    parts = path.split("/")
    if len(parts) < 2:
        return None  # the programs' main files
    return parts[0] + "/ui" if len(parts) > 2 and parts[1] == "ui" else parts[0]


def allowed(src, dst):
    if src == dst:
        return True
    if src in ui:
        return dst in core or (dst in ui and rank[dst] < rank[src])
    return dst in core and rank[dst] < rank[src]


faults = []
src_dir = root / "src"
for path in sorted(src_dir.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    rel = path.relative_to(src_dir).as_posix()
    src = folder_of(rel)
    if src is None:
        continue
    if src not in rank:
        faults.append(f"{rel}: its folder {src} is in no layer")
        continue
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
        if not m or not (src_dir / m.group(1)).exists():
            continue
        dst = folder_of(m.group(1))
        if dst is not None and not allowed(src, dst):
            faults.append(f"{rel}:{number}: {src} may not include {m.group(1)}")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
