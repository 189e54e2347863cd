#!/usr/bin/env bash
# syntax-check.sh BUILD_DIR [JOBS]
# Compiles, without generating code, every source of a configured build whose
# object file the build has not made: with a partial build of a clang
# configuration (ThreadSanitizer's), the rest of the tree is still checked
# against clang, at about half of what building it costs. The toolkit's
# generated sources (moc) are written first, by the generator's own step and
# without building what the targets depend on.
set -euo pipefail
dir=$1
jobs=${2:-$(nproc)}
config=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$dir/CMakeCache.txt")

find "$dir" -name AutogenInfo.json -print0 | xargs -0 -r -P "$jobs" -I{} cmake -E cmake_autogen {} "$config"

python3 - "$dir" "$jobs" <<'EOF'
import json, os, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor

build, jobs = sys.argv[1], int(sys.argv[2])
entries = json.load(open(os.path.join(build, "compile_commands.json")))

def unbuilt(entry):
    args = shlex.split(entry["command"])
    out = args[args.index("-o") + 1]
    return not os.path.exists(os.path.join(entry["directory"], out))

def check(entry):
    # No object and no dependency file: only the diagnostics.
    args, words = [], iter(shlex.split(entry["command"]))
    for word in words:
        if word in ("-o", "-MT", "-MF"):
            next(words)
        elif word != "-MD":
            args.append(word)
    run = subprocess.run(args + ["-fsyntax-only"], cwd=entry["directory"], capture_output=True, text=True)
    return entry["file"], run.returncode, run.stderr

todo = [e for e in entries if unbuilt(e)]
failed = 0
with ThreadPoolExecutor(jobs) as pool:
    for source, status, errors in pool.map(check, todo):
        if status != 0:
            failed += 1
            print(f"{source}: does not compile\n{errors}", file=sys.stderr)
print(f"syntax-check: {len(todo)} sources not built checked, {failed} failed")
sys.exit(1 if failed else 0)
EOF
