#!/usr/bin/env python3
"""Rewrites the help blocks of docs/cli.md from the programs' own --help.

Usage: scripts/update-cli-help.py [BUILD_DIR]   (default: build)

Each block is the fenced text under a heading
    ### `volume-planner-cli --help`   or   ### `volume-planner-cli COMMAND --help`
A command the page lacks gets a section of its own at the end, for its
prose to be written around it; a command the program no longer has is named
and its section left for a person to remove. The test that holds the page to
the programs (ctest -R CliHelpDoc) reads the same blocks.
"""
import os
import re
import subprocess
import sys
import tempfile

TOOL = "volume-planner-cli"
HEADING = re.compile(r"^### `" + TOOL + r"(?: (\S+))? --help`$")


def help_text(tool, command):
    words = [tool] + ([command] if command else []) + ["--help"]
    run = subprocess.run(words, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=False)
    if run.returncode != 0:
        sys.exit(f"{' '.join(words)} exited with status {run.returncode}")
    return run.stdout


def commands_of(top_help):
    # CLI11 lists the commands under "Subcommands:", each indented by two spaces.
    names, listing = [], False
    for line in top_help.splitlines():
        if line == "Subcommands:":
            listing = True
        elif listing and line.startswith("  ") and line.strip():
            names.append(line.split()[0])
        elif listing:
            listing = False
    return names


def block(text):
    # The fence holds the text line for line; the closing fence stands for its last line end.
    body = text[:-1] if text.endswith("\n") else text
    return ["```text"] + body.split("\n") + ["```"]


def rewrite(lines, helps):
    out, seen, changed = [], [], []
    k = 0
    while k < len(lines):
        line = lines[k]
        out.append(line)
        k += 1
        match = HEADING.match(line)
        if not match:
            continue
        key = match.group(1) or ""
        seen.append(key)
        # The heading's block: the first fence after it, blank lines between.
        while k < len(lines) and not lines[k].strip():
            out.append(lines[k])
            k += 1
        old = []
        if k < len(lines) and lines[k] == "```text":
            end = k + 1
            while end < len(lines) and lines[end] != "```":
                end += 1
            old = lines[k : end + 1]
            k = end + 1
        if key not in helps:
            out.extend(old)
            continue
        new = block(helps[key])
        if new != old:
            changed.append(key)
        if not old:
            new.append("")
        out.extend(new)
    return out, seen, changed


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    tool = os.path.abspath(os.path.join(build, "cli", TOOL))
    page = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "cli.md")
    top = help_text(tool, "")
    helps = {"": top}
    for command in commands_of(top):
        helps[command] = help_text(tool, command)

    with open(page, encoding="utf-8") as f:
        lines = f.read().split("\n")
    out, seen, changed = rewrite(lines, helps)
    while out and not out[-1]:
        out.pop()
    for key in helps:
        if key not in seen:
            out += ["", f"## `{TOOL} {key}`", "", f"### `{TOOL} {key} --help`", ""] + block(helps[key])
            print(f"added a section for `{key}`: describe the command above its help")
    fd, temporary = tempfile.mkstemp(dir=os.path.dirname(page), prefix=".cli.md.")
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    os.chmod(temporary, os.stat(page).st_mode & 0o777)
    os.replace(temporary, page)

    for key in changed:
        print(f"rewrote the help of `{(TOOL + ' ' + key).strip()}`")
    stale = [key for key in seen if key not in helps]
    for key in stale:
        print(f"docs/cli.md documents `{TOOL} {key}`, which the program no longer has: remove its section")
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
