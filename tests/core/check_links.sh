#!/bin/sh
# What the core links: its link libraries as CMake holds them (in the file
# given first), and what the loader finds in binaries built on it, the
# coverage tests (which place meshes) and volume-planner-cli, name no mesh
# importer, toolkit or GL library. The mesh reader's binary, which does link
# the importer, shows that the check can see it.
set -eu
libraries=$1
mesh=$2
shift 2
forbidden='assimp|Qt|OpenGL|libGL|libEGL'
if grep -E "$forbidden" "$libraries"; then
    echo "vp_core links the libraries above" >&2
    exit 1
fi
for binary in "$@"; do
    if ldd "$binary" | grep -E "$forbidden"; then
        echo "$binary links the libraries above" >&2
        exit 1
    fi
done
if ! ldd "$mesh" | grep -q libassimp; then
    echo "$mesh does not link the importer: the check proves nothing" >&2
    exit 1
fi
echo "vp_core links $(cat "$libraries"); no importer, toolkit or GL library in $*"
