#!/usr/bin/env python3
"""Checks that the release's notices cover every toolchain file in a link.

usage: check_notices.py MAP [NOTICES]

MAP is the map GNU ld writes for Altavue.exe (build/PRESET/Altavue.map);
NOTICES is the notices file shipped beside the exe (docs/users/NOTICES.txt.in
by default). The linker's map names every file the link took something
from:

- "Archive member included to satisfy reference by file (symbol)": each
  member taken from an archive, as ARCHIVE(MEMBER) at the start of a line;
- "Linker script and memory map": each object named on the command line
  (LOAD FILE; a LOAD of an archive says only that it was searched), and
  each input section placed in the exe with the file it came from.

Of those, the files of the toolchain (under /usr/lib/gcc/TRIPLE/VERSION/
or /usr/TRIPLE/lib/, whatever the version) must each be named, by file
name, on a "Files:" line of NOTICES, in the section of the component they
belong to ("Component:" line). Files of the project's own build (relative
paths, or under the build or source folder) need no notice. Any other file
fails, as does a map that cannot be read, does not look like GNU ld's or
names no toolchain file at all. Prints one line per check and exits 1 when
any fails.
"""
import os
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_NOTICES = ROOT / "docs" / "users" / "NOTICES.txt.in"

ARCHIVE_SECTION = "Archive member included to satisfy reference by file (symbol)"
MEMORY_MAP_SECTION = "Linker script and memory map"
# Headers of ld's map sections: a line at column 0 that starts a section.
SECTION_HEADERS = (ARCHIVE_SECTION, "Allocating common symbols", "Discarded input sections",
                   "Memory Configuration", MEMORY_MAP_SECTION)

# An archive member as the map writes it: /path/libfoo.a(member.o).
MEMBER = re.compile(r"^(\S+\.a)\(([^()]+)\)")
# An input section placed in the output: " .text 0xADDRESS 0xSIZE FILE", or
# with the section's name on the line before when it is long.
INPUT_SECTION = re.compile(r"^ (?:\S+)?\s+0x[0-9a-fA-F]+\s+0x[0-9a-fA-F]+\s+(\S.*?)\s*$")
LINKED_FILE = re.compile(r"\.(o|obj|res|a\([^()]+\))$")
TRIPLE = r"[A-Za-z0-9_]+(?:-[A-Za-z0-9_.]+)+"
TOOLCHAIN = re.compile(r"^/usr/lib/gcc/%s/[^/]+/|^/usr/%s/lib/" % (TRIPLE, TRIPLE))


def linked_files(text):
    """Returns {path: set of members} of every file the map shows in the
    link; a file linked whole has no members. Raises ValueError when the
    text does not look like a GNU ld map."""
    if not text.strip():
        raise ValueError("empty")
    lines = text.splitlines()
    missing = [h for h in (ARCHIVE_SECTION, MEMORY_MAP_SECTION) if h not in lines]
    if missing:
        raise ValueError("no %s in it: not a map of GNU ld" % " and no ".join('"%s"' % h for h in missing))
    files = {}

    def add(path, member=None):
        members = files.setdefault(path, set())
        if member is not None:
            members.add(member)

    section = None
    for line in lines:
        if line in SECTION_HEADERS:
            section = line
            continue
        if section == ARCHIVE_SECTION:
            match = MEMBER.match(line)
            if match:
                add(match.group(1), match.group(2))
        elif section == MEMORY_MAP_SECTION:
            if line.startswith("LOAD "):
                path = line[len("LOAD "):].strip()
                if LINKED_FILE.search(path):
                    add(path)
                continue
            match = INPUT_SECTION.match(line)
            if match and LINKED_FILE.search(match.group(1)):
                path = match.group(1)
                member = MEMBER.match(path)
                if member:
                    add(member.group(1), member.group(2))
                else:
                    add(path)
    return files


def notices_files(text):
    """Returns ({file name: component}, [problems]) from the Files: lines."""
    covered, problems = {}, []
    component = None
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("Component:"):
            component = line[len("Component:"):].strip()
        elif line.startswith("Files:"):
            if not component:
                problems.append("line %d: a Files: line before any Component: line" % number)
                continue
            for name in line[len("Files:"):].split():
                if name in covered:
                    problems.append("line %d: %s is listed twice (%s, %s)" % (
                        number, name, covered[name], component))
                covered[name] = component
    return covered, problems


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: check_notices.py MAP [NOTICES]")
    map_path = pathlib.Path(sys.argv[1])
    notices_path = pathlib.Path(sys.argv[2]) if len(sys.argv) == 3 else DEFAULT_NOTICES
    failures = []

    def check(ok, what):
        print("   %s %s" % ("ok  " if ok else "FAIL", what))
        if not ok:
            failures.append(what)

    try:
        files = linked_files(map_path.read_text(encoding="utf-8", errors="replace"))
    except (OSError, ValueError) as error:
        check(False, "%s: %s" % (map_path, error))
        return 1
    try:
        covered, problems = notices_files(notices_path.read_text(encoding="utf-8"))
    except (OSError, UnicodeDecodeError) as error:
        check(False, "%s: %s" % (notices_path, error))
        return 1
    for problem in problems:
        check(False, "%s: %s" % (notices_path, problem))
    check(covered, "%s: %d files named on Files: lines" % (notices_path, len(covered)))

    build = map_path.resolve().parent
    toolchain, foreign = {}, []
    for path, members in files.items():
        if not os.path.isabs(path):
            continue  # the project's own, relative to the build folder
        normal = os.path.normpath(path)
        if TOOLCHAIN.match(normal):
            toolchain.setdefault(os.path.basename(normal), set()).update(members)
        elif not any(pathlib.Path(normal).is_relative_to(mine) for mine in (build, ROOT)):
            foreign.append(normal)
    check(toolchain, "%s: %d files of the toolchain in the link" % (map_path, len(toolchain)))
    for path in sorted(foreign):
        check(False, "%s is in the link, but is neither the toolchain's nor the project's" % path)

    for name in sorted(toolchain):
        members = toolchain[name]
        what = "%s (%d member%s)" % (name, len(members), "" if len(members) == 1 else "s") \
            if members else name
        if name in covered:
            check(True, "%s: %s" % (what, covered[name]))
        else:
            check(False, "%s is in the link but on no Files: line of %s" % (what, notices_path))
    # Listed but not linked is no fault (the notices serve both builds),
    # but worth seeing.
    for name in sorted(set(covered) - set(toolchain)):
        print("   note %s (%s) is not in this link" % (name, covered[name]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
