#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# but only those that are missing, so a second run costs nothing.
# libomp-dev is clang's OpenMP runtime: the fuzz build of the project reader
# compiles the whole core with clang, and make tsan runs the OpenMP regions
# with the runtime's ThreadSanitizer tool, Archer (libarcher.so). libtoml11-dev, libyaml-cpp-dev and
# libtinyxml2-dev read the calibration files of a rig as built. clang-format
# and clang-tidy check every change (make format-check, make tidy). lld links
# every build (the Makefile's LINKER_FLAGS). python3 runs the partial clang
# build's syntax check (scripts/syntax-check.sh). libtinygltf-dev writes the
# glTF scene and libjs-three is inlined into the shared web page; chromium
# (headless) draws that page in its test. node runs the Khronos glTF
# validator, which comes from the npm registry into .tools/gltf-validator
# (VP_GLTF_VALIDATOR_DIR, the CMake cache variable of the same name).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ clang lld clang-format clang-tidy pkg-config make python3
  libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libpng-dev libeigen3-dev python3-jsonschema
  qt6-base-dev libqt6opengl6-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev
  libegl-mesa0 xvfb xauth fonts-dejavu-core dpkg-dev poppler-utils libassimp-dev
  libomp-dev libnlopt-cxx-dev libtoml11-dev libyaml-cpp-dev libtinyxml2-dev
  libtinygltf-dev libjs-three chromium
)
# A machine whose node came with its own npm keeps it; elsewhere Debian's.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

validator_dir=${VP_GLTF_VALIDATOR_DIR:-.tools/gltf-validator}
validator_version=2.0.0-dev.3.10
install_validator() {
  if grep -qs "\"version\": \"$validator_version\"" "$validator_dir/node_modules/gltf-validator/package.json"; then
    return
  fi
  # One package of no dependencies; its test is skipped where it is missing.
  if ! npm install --prefix "$validator_dir" --no-save --no-audit --no-fund --loglevel=error \
      "gltf-validator@$validator_version"; then
    echo "warning: the glTF validator could not be installed; its test will be skipped" >&2
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  install_validator
  exit 0
fi

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
install_validator
