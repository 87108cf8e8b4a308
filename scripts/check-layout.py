#!/usr/bin/env python3
"""Checks the README's Layout table against the CMake build.

The build is configured once in a scratch folder (without tests and
benchmarks) with a hook that lists every target, the folder that defines it,
what it links and what it was made to depend on.  Then:

- every folder of the table exists, and every target a row names is defined
  in that row's folder;
- every library and program of the build is named in the row of its folder;
- a target links (or depends on) only targets of its own row or of the rows
  its "uses" column names ("all of the above": any earlier row), and every
  module a row names is one of the earlier rows and is linked by that row.

Usage: scripts/check-layout.py [source folder]   (exit status 1 on a mismatch)
"""
import os
import re
import subprocess
import sys
import tempfile

HOOK = r"""
function(_orvalin_layout_dump)
  set(out "")
  set(dirs "${CMAKE_SOURCE_DIR}")
  while(dirs)
    list(POP_FRONT dirs d)
    get_property(sub DIRECTORY "${d}" PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${sub})
    get_property(targets DIRECTORY "${d}" PROPERTY BUILDSYSTEM_TARGETS)
    file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}" "${d}")
    foreach(t IN LISTS targets)
      get_target_property(type ${t} TYPE)
      set(links "")
      if(NOT type STREQUAL "UTILITY")
        get_target_property(links ${t} LINK_LIBRARIES)
      endif()
      get_target_property(deps ${t} MANUALLY_ADDED_DEPENDENCIES)
      string(APPEND out "${t}\t${type}\t${rel}\t${links} ${deps}\n")
    endforeach()
  endwhile()
  file(WRITE "${ORVALIN_LAYOUT_DUMP}" "${out}")
endfunction()
cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL _orvalin_layout_dump)
"""

NO_USES = {"", "—", "-"}
ALL_ABOVE = "all of the above"


def cells(line):
    return [c.strip() for c in line.strip().strip("|").split("|")]


def ticked(text):
    return re.findall(r"`([^`]+)`", text)


def read_table(readme):
    """Rows of the Layout table: folder, targets, uses (None: all of the above)."""
    lines = open(readme, encoding="utf-8").read().splitlines()
    start = lines.index("## Layout")
    rows, header = [], None
    for line in lines[start + 1:]:
        if line.startswith("## "):
            break
        if not line.startswith("|"):
            if header:
                break
            continue
        c = cells(line)
        if header is None:
            header = [h.lower() for h in c]
            continue
        if set(line) <= set("|-: "):
            continue
        row = dict(zip(header, c))
        uses = row["uses"]
        rows.append({
            "folder": ticked(row["folder"])[0].rstrip("/"),
            "targets": ticked(row["targets"]),
            "uses": None if uses == ALL_ABOVE else
                    [] if uses in NO_USES else [u.strip() for u in uses.split(",")],
            "described": uses,
        })
    if not rows:
        sys.exit("check-layout: no Layout table in " + readme)
    return rows


def read_build(source):
    with tempfile.TemporaryDirectory(prefix="orvalin-layout-") as tmp:
        hook, dump = os.path.join(tmp, "hook.cmake"), os.path.join(tmp, "targets.txt")
        with open(hook, "w", encoding="utf-8") as f:
            f.write(HOOK)
        run = subprocess.run(
            ["cmake", "-S", source, "-B", os.path.join(tmp, "build"), "-G", "Ninja",
             "-DCMAKE_PROJECT_TOP_LEVEL_INCLUDES=" + hook, "-DORVALIN_LAYOUT_DUMP=" + dump,
             "-DORVALIN_BUILD_TESTS=OFF", "-DORVALIN_BUILD_BENCH=OFF"],
            capture_output=True, text=True)
        if run.returncode != 0 or not os.path.exists(dump):
            sys.exit("check-layout: configuring failed:\n" + run.stdout + run.stderr)
        targets = {}
        for line in open(dump, encoding="utf-8").read().splitlines():
            name, kind, folder, refs = line.split("\t")
            targets[name] = {"kind": kind, "folder": folder,
                             "refs": set(re.findall(r"[A-Za-z0-9_:.+-]+", refs))}
        return targets


def names_of(row):
    """What the "uses" column may call a row by."""
    names = {row["folder"].split("/")[-1]}
    for t in row["targets"]:
        names |= {t, re.sub(r"^(orvalin|zolt)_", "", t)}
    return names


def check(rows, targets, source):
    errors = []
    by_name = {}
    for i, row in enumerate(rows):
        for n in names_of(row):
            by_name.setdefault(n, set()).add(i)
    row_of = {}
    for i, row in enumerate(rows):
        if not os.path.isdir(os.path.join(source, row["folder"])):
            errors.append(f"{row['folder']}/: no such folder")
        for t in row["targets"]:
            row_of[t] = i
            if t not in targets:
                errors.append(f"{row['folder']}/: names {t}, which the build does not define")
            elif targets[t]["folder"] != row["folder"]:
                errors.append(f"{row['folder']}/: names {t}, defined in {targets[t]['folder']}/")
    for t, info in sorted(targets.items()):
        if info["kind"] != "UTILITY" and t not in row_of:
            errors.append(f"{info['folder']}/: {t} ({info['kind']}) is not in the table")

    for i, row in enumerate(rows):
        if not row["targets"]:
            continue
        allowed = set(range(i)) if row["uses"] is None else set()
        for use in row["uses"] or []:
            found = by_name.get(use, set())
            if len(found) != 1:
                errors.append(f"{row['folder']}/: uses '{use}', which names "
                              f"{'no' if not found else 'more than one'} row")
                continue
            j = next(iter(found))
            if j >= i:
                errors.append(f"{row['folder']}/: uses {use}, which is not on an earlier row")
            allowed.add(j)
        reached = set()
        for t in row["targets"]:
            for ref in sorted(targets.get(t, {}).get("refs", ())):
                j = row_of.get(ref)
                if j is None or j == i:
                    continue
                reached.add(j)
                if j not in allowed:
                    errors.append(f"{row['folder']}/: {t} uses {ref} ({rows[j]['folder']}/), "
                                  f"which the row does not name")
        if row["uses"]:
            for j in sorted(allowed - reached):
                errors.append(f"{row['folder']}/: names {rows[j]['folder']}/ among its uses, "
                              f"but none of its targets uses it")
    return errors


def main():
    source = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                             os.path.join(os.path.dirname(__file__), ".."))
    rows = read_table(os.path.join(source, "README.md"))
    errors = check(rows, read_build(source), source)
    for e in errors:
        print("check-layout: " + e)
    if errors:
        return 1
    print(f"check-layout: the Layout table matches the build ({len(rows)} rows)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
