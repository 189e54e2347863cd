#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# but only those that are missing, so a second run costs nothing.
# libomp-dev is clang's OpenMP runtime: the fuzz build of the project reader
# compiles the whole core with clang, and make tsan runs the OpenMP regions
# with the runtime's ThreadSanitizer tool, Archer (libarcher.so). libtoml11-dev, libyaml-cpp-dev and
# libtinyxml2-dev read the calibration files of a rig as built. clang-format
# and clang-tidy check every change (make format-check, make tidy). lld links
# every build (the Makefile's LINKER_FLAGS). python3 runs the partial clang
# build's syntax check (scripts/syntax-check.sh).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang lld clang-format clang-tidy pkg-config make python3
  libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libpng-dev libeigen3-dev python3-jsonschema
  qt6-base-dev libqt6opengl6-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev
  libegl-mesa0 xvfb xauth fonts-dejavu-core dpkg-dev poppler-utils libassimp-dev
  libomp-dev libnlopt-cxx-dev libtoml11-dev libyaml-cpp-dev libtinyxml2-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
