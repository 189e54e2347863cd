#!/usr/bin/env bash
# Builds the .deb from this build folder, unpacks it into a scratch root as
# dpkg would install it, and checks that what a desktop needs is there and
# that the unpacked tools run (the command-line tool finds its partner).
# Usage: check_package.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root"
(cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log")
deb=$(ls "$scratch"/out/volume-planner_*.deb)
dpkg-deb --info "$deb" > "$scratch/info"
dpkg -x "$deb" "$scratch/root"

passed=0
failed=0
check() {
  if "$@"; then passed=$((passed + 1)); else echo "failed: $*"; failed=$((failed + 1)); fi
}
root=$scratch/root/usr
check test -x "$root/bin/volume-planner"
check test -x "$root/bin/volume-planner-cli"
check test -x "$root/bin/volume-planner-render"
check test -x "$root/bin/volume-planner-report"
check test -x "$root/bin/volume-planner-mesh"
check grep -qx 'Exec=volume-planner %f' "$root/share/applications/volume-planner.desktop"
check grep -qx 'MimeType=application/x-volume-planner-plan;' "$root/share/applications/volume-planner.desktop"
check grep -q '<glob pattern="\*.vplan"/>' "$root/share/mime/packages/volume-planner.xml"
check grep -qx 'Icon=volume-planner' "$root/share/applications/volume-planner.desktop"
check test -s "$root/share/icons/hicolor/256x256/apps/volume-planner.png"
check test -s "$root/share/man/man1/volume-planner-cli.1"
check grep -q '^ Depends:.*libqt6widgets6' "$scratch/info"
check grep -q '^ Depends:.*libgl1-mesa-dri' "$scratch/info"
check grep -q '^ Depends:.*libassimp5' "$scratch/info"
check sh -c "'$root/bin/volume-planner-cli' --version | grep -q '^Volume Planner '"
check sh -c "'$root/bin/volume-planner-cli' rig --default-rig 2 > /dev/null"
check sh -c "DISPLAY= '$root/bin/volume-planner-cli' render --default-rig 2 --png '$scratch/view.png' && test -s '$scratch/view.png'"
check sh -c "DISPLAY= '$root/bin/volume-planner-cli' report --default-rig 2 --voxel 50 --out '$scratch/report.pdf' 2>/dev/null && head -c 5 '$scratch/report.pdf' | grep -q '%PDF-'"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n' > "$scratch/tetra.obj"
echo '[{"name": "t", "file": "tetra.obj", "offset": [1, 0, 1], "scale": 1}]' > "$scratch/tetra.json"
check sh -c "'$root/bin/volume-planner-cli' coverage --obstacles '$scratch/tetra.json' | grep -q '\"obstacles\"'"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
