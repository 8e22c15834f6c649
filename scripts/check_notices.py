#!/usr/bin/env python3
"""Checks that the release's notices cover every toolchain file in a link,
and name the Debian package and version each of those files comes from.

usage: check_notices.py MAP [NOTICES]
       check_notices.py --render VERSION [NOTICES]

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
belong to ("Component:" line). That component must also name, on a
"Package:" line ("Package: NAME VERSION ..."), the Debian package that
installed the file here (dpkg-query -S) at the version installed now
(dpkg-query -W), and the file must be older than the map: one installed
or upgraded after the link may hold other code than the link took. Files
of the project's own build (relative paths, or under the build or source
folder) need no notice. Any other file fails, as does a map that cannot be
read, does not look like GNU ld's or names no toolchain file at all.
Prints one line per check and exits 1 when any fails.

In NOTICES, "@VERSION_OF:NAME@" stands for the version of the package
NAME installed here; it is filled in before the check, and by --render,
which prints NOTICES with it filled in and "@VERSION@" replaced with
VERSION, as the release ships it (scripts/package).
"""
import os
import pathlib
import re
import subprocess
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
INSTALLED_VERSION = re.compile(r"@VERSION_OF:([a-z0-9][a-z0-9+.-]+)@")


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


def installed_version(package):
    """The version of the Debian package installed here; raises ValueError
    when it is not installed."""
    try:
        result = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status} ${Version}", package],
                                capture_output=True, text=True)
    except OSError as error:
        raise ValueError("dpkg-query: %s" % error)
    status, _, version = result.stdout.partition(" ")
    if result.returncode != 0 or status != "installed" or not version:
        raise ValueError("the package %s is not installed" % package)
    return version


def render(text, version=None):
    """NOTICES with each @VERSION_OF:NAME@ replaced with the version of
    NAME installed here and, when a version is given, @VERSION@ with it."""
    text = INSTALLED_VERSION.sub(lambda match: installed_version(match.group(1)), text)
    return text.replace("@VERSION@", version) if version is not None else text


def owning_packages(paths):
    """{path: package} of the Debian package that installed each path, as
    dpkg-query -S tells it; a path no package installed is left out."""
    if not paths:
        return {}
    try:
        result = subprocess.run(["dpkg-query", "-S"] + sorted(paths), capture_output=True, text=True)
    except OSError:
        return {}
    owners = {}
    for line in result.stdout.splitlines():
        # "package[:arch][, package...]: /path"; diversions say more.
        packages, sep, path = line.partition(": ")
        if sep and path in paths and not packages.startswith("diversion "):
            owners[path] = packages.split(",")[0].strip().split(":")[0]
    return owners


def notices_files(text):
    """Returns ({file name: component}, {component: {package: version}},
    [problems]) from the Component:, Files: and Package: lines."""
    covered, packages, problems = {}, {}, []
    component = None
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("Component:"):
            component = line[len("Component:"):].strip()
        elif line.startswith("Package:"):
            words = line[len("Package:"):].split()
            if not component:
                problems.append("line %d: a Package: line before any Component: line" % number)
            elif len(words) < 2:
                problems.append("line %d: a Package: line without a package and its version" % number)
            else:
                packages.setdefault(component, {})[words[0]] = words[1]
        elif line.startswith("Files:"):
            if not component:
                problems.append("line %d: a Files: line before any Component: line" % number)
                continue
            for name in line[len("Files:"):].split():
                if name in covered:
                    problems.append("line %d: %s is listed twice (%s, %s)" % (
                        number, name, covered[name], component))
                covered[name] = component
    return covered, packages, problems


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--render":
        notices_path = pathlib.Path(sys.argv[3]) if len(sys.argv) == 4 else DEFAULT_NOTICES
        try:
            sys.stdout.write(render(notices_path.read_text(encoding="utf-8"), sys.argv[2]))
        except (OSError, UnicodeDecodeError, ValueError) as error:
            sys.exit("%s: %s" % (notices_path, error))
        return 0
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: check_notices.py MAP [NOTICES]\n       check_notices.py --render VERSION [NOTICES]")
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
        covered, packages, problems = notices_files(render(notices_path.read_text(encoding="utf-8")))
    except (OSError, UnicodeDecodeError, ValueError) as error:
        check(False, "%s: %s" % (notices_path, error))
        return 1
    for problem in problems:
        check(False, "%s: %s" % (notices_path, problem))
    check(covered, "%s: %d files named on Files: lines" % (notices_path, len(covered)))

    build = map_path.resolve().parent
    toolchain, paths, foreign = {}, {}, []
    for path, members in files.items():
        if not os.path.isabs(path):
            continue  # the project's own, relative to the build folder
        normal = os.path.normpath(path)
        if TOOLCHAIN.match(normal):
            toolchain.setdefault(os.path.basename(normal), set()).update(members)
            paths.setdefault(os.path.basename(normal), set()).add(normal)
        elif not any(pathlib.Path(normal).is_relative_to(mine) for mine in (build, ROOT)):
            foreign.append(normal)
    check(toolchain, "%s: %d files of the toolchain in the link" % (map_path, len(toolchain)))
    for path in sorted(foreign):
        check(False, "%s is in the link, but is neither the toolchain's nor the project's" % path)
    owners = owning_packages(set().union(*paths.values()) if paths else set())
    map_time = map_path.stat().st_mtime

    for name in sorted(toolchain):
        members = toolchain[name]
        what = "%s (%d member%s)" % (name, len(members), "" if len(members) == 1 else "s") \
            if members else name
        if name not in covered:
            check(False, "%s is in the link but on no Files: line of %s" % (what, notices_path))
            continue
        check(True, "%s: %s" % (what, covered[name]))
        named = packages.get(covered[name], {})
        for path in sorted(paths[name]):
            package = owners.get(path)
            if package is None:
                check(False, "%s: installed by no Debian package, so its version cannot be told" % path)
                continue
            try:
                version = installed_version(package)
            except ValueError as error:
                check(False, "%s: %s" % (path, error))
                continue
            if package not in named:
                check(False, "%s comes from %s %s, which no Package: line of %s names" % (
                    path, package, version, covered[name]))
            elif named[package] != version:
                check(False, "%s comes from %s %s, but the notices name %s %s" % (
                    path, package, version, package, named[package]))
            elif os.stat(path).st_ctime > map_time:
                check(False, "%s was installed or changed after the link: build again from scratch "
                      "(remove %s)" % (path, build))
            else:
                check(True, "%s: %s %s, installed before the link" % (name, package, version))
    # Listed but not linked is no fault (the notices serve both builds),
    # but worth seeing.
    for name in sorted(set(covered) - set(toolchain)):
        print("   note %s (%s) is not in this link" % (name, covered[name]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
