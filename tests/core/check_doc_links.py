#!/usr/bin/env python3
"""Checks the relative links of README.md and docs/*.md.

Usage: check_doc_links.py SOURCE_DIR

Every link or image that is not a URL must lead to a file of the tree, and a
#fragment to a heading of the page it names, as the repository host makes
them: lower case, punctuation dropped, spaces as hyphens, a repeated heading
numbered -1, -2, ... Links in code (fenced blocks and `spans`) are text.
"""
import os
import re
import sys

LINK = re.compile(r"!?\[(?:[^\]`]|`[^`]*`)*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")
CODE_SPAN = re.compile(r"`[^`]*`")


def prose_lines(text):
    """Yields (number, line) outside fenced code blocks."""
    fence = None
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.lstrip()
        if fence:
            if stripped.startswith(fence):
                fence = None
            continue
        if stripped.startswith("```") or stripped.startswith("~~~"):
            fence = stripped[:3]
            continue
        if line.startswith("    ") or line.startswith("\t"):
            continue
        yield number, line


def slug(heading):
    text = heading.strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        found, counts = set(), {}
        for _, line in prose_lines(text):
            match = HEADING.match(line)
            if not match:
                continue
            base = slug(match.group(1))
            n = counts.get(base, 0)
            counts[base] = n + 1
            found.add(base if n == 0 else f"{base}-{n}")
        cache[path] = found
    return cache[path]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    pages = [os.path.join(root, "README.md")]
    docs = os.path.join(root, "docs")
    pages += sorted(os.path.join(docs, name) for name in os.listdir(docs) if name.endswith(".md"))
    checked, broken = 0, []
    for page in pages:
        with open(page, encoding="utf-8") as f:
            text = f.read()
        where = os.path.relpath(page, root)
        for number, line in prose_lines(text):
            for match in LINK.finditer(CODE_SPAN.sub("", line)):
                target = match.group(1)
                if re.match(r"^[a-z][a-z0-9+.-]*:", target):
                    continue
                checked += 1
                name, _, fragment = target.partition("#")
                path = os.path.normpath(os.path.join(os.path.dirname(page), name)) if name else page
                if not path.startswith(root + os.sep) or not os.path.exists(path):
                    broken.append(f"{where}:{number}: {target}: no file {os.path.relpath(path, root)}")
                elif fragment and path.endswith(".md") and fragment not in anchors(path):
                    broken.append(f"{where}:{number}: {target}: no heading #{fragment} in {os.path.relpath(path, root)}")
    for line in broken:
        print(line)
    print(f"{checked - len(broken)} passed, {len(broken)} failed")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
