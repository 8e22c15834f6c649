#!/usr/bin/env python3
"""Checks that README.md and docs/*.md point at what is in the tree.

usage: check_docs.py [ROOT]    (the checkout this script is in by default)

- every relative Markdown link or image ([text](target), [name]: target)
  names a file or folder of the tree, relative to the page it is in (or to
  the root when it starts with /); web and mail links and links within
  the page (#anchor) are not looked at, and a #fragment is left off;
- every path in backquotes, a token without spaces whose first part is a
  top-level file or folder that git tracks (src/, scripts/, LICENSE, ...),
  exists, relative to the root; a * or ? in it must match something.
  Other backquoted words (build/PRESET/..., dist/, /usr/lib/...) are not
  paths in the tree and are not looked at;
- README.md has at most MAX_README_LINES lines.
Prints one FAIL line per fault, with the file and line, and exits 1 when
there is any.
"""
import glob
import os
import re
import subprocess
import sys
import urllib.parse

MAX_README_LINES = 150
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:[ \t]*<?([^\s>]+)>?", re.MULTILINE)
# A code span: within a paragraph, so across a line's end but not a blank line.
CODE = re.compile(r"`((?:[^`\n]|\n(?![ \t]*\n))+)`")
FENCED = re.compile(r"^ {0,3}```.*?^ {0,3}```[^\n]*$", re.MULTILINE | re.DOTALL)


def tracked_top_level(root):
    """The first part of every path git tracks; without git, what is on
    disk except .git and what .gitignore names."""
    try:
        names = subprocess.run(["git", "-C", root, "ls-files"], capture_output=True, text=True,
                               check=True).stdout.split("\n")
        return {name.split("/")[0] for name in names if name}
    except (OSError, subprocess.CalledProcessError):
        ignored = set()
        if os.path.exists(os.path.join(root, ".gitignore")):
            with open(os.path.join(root, ".gitignore"), encoding="utf-8") as ignore:
                ignored = {line.strip().strip("/") for line in ignore}
        return set(os.listdir(root)) - ignored - {".git"}


def exists(path):
    return bool(glob.glob(path)) if any(c in path for c in "*?[") else os.path.exists(path)


def check(root, page, top_level):
    faults = []
    here = os.path.dirname(os.path.join(root, page))
    with open(os.path.join(root, page), encoding="utf-8") as source:
        text = source.read()
    # Fenced code is not Markdown: blanked, keeping its lines' numbers.
    text = FENCED.sub(lambda block: "\n" * block.group().count("\n"), text)

    def line_of(match):
        return text.count("\n", 0, match.start()) + 1

    for match in list(LINK.finditer(text)) + list(REFERENCE.finditer(text)):
        target = match.group(1)
        if re.match(r"(https?|mailto):", target) or target.startswith("#"):
            continue
        # A link that starts with / is from the root, as the web view reads it.
        path = urllib.parse.unquote(target.split("#")[0])
        path = os.path.normpath(os.path.join(root, path.lstrip("/")) if path.startswith("/")
                                else os.path.join(here, path))
        if os.path.commonpath([root, path]) != root or not os.path.exists(path):
            faults.append("%s:%d: link to %s, which is not in the tree" % (page, line_of(match), target))
    for match in CODE.finditer(text):
        path = match.group(1)
        if re.search(r"\s", path) or path.split("/")[0] not in top_level:
            continue
        if not exists(os.path.join(root, path)):
            faults.append("%s:%d: `%s` is not in the tree" % (page, line_of(match), path))
    lines = len(text.splitlines())
    if page == "README.md" and lines > MAX_README_LINES:
        faults.append("%s:%d: %d lines, more than %d" % (page, MAX_README_LINES + 1, lines, MAX_README_LINES))
    return sorted(faults, key=lambda fault: int(fault.split(":")[1]))


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    top_level = tracked_top_level(root)
    pages = ["README.md"] + sorted(os.path.relpath(p, root)
                                   for p in glob.glob(os.path.join(root, "docs", "*.md")))
    faults = [fault for page in pages for fault in check(root, page, top_level)]
    for fault in faults:
        print("   FAIL: " + fault)
    if not faults:
        print("   ok   %s: links, paths in backquotes, README.md's length" % ", ".join(pages))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
