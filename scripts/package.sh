#!/usr/bin/env bash
# Builds every release artifact into dist/, named after the version that
# CMake's project() sets and the architecture:
#   dorvane-<version>-x64.msi, dorvane-<version>-x64.zip   64-bit Windows
#   dorvane-<version>-x86.msi, dorvane-<version>-x86.zip   32-bit Windows
#   dorvane_<version>_amd64.deb                            Debian and its kin
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
jobs=$(nproc)
rm -rf dist
mkdir -p dist

for arch in x64 x86; do
  build=build-package-windows-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/windows-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DDORVANE_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$jobs" --target all msi
  cp "$build"/dorvane-*-"$arch".msi dist/
  (cd "$build" && cpack -G ZIP -B "$PWD/cpack" >/dev/null)
  cp "$build"/cpack/dorvane-*-"$arch".zip dist/
done

# The package's maintainer: DORVANE_MAINTAINER="Name <address>", or the default.
maintainer=(-UDORVANE_MAINTAINER)
[ -z "${DORVANE_MAINTAINER:-}" ] || maintainer=("-DDORVANE_MAINTAINER=$DORVANE_MAINTAINER")
build=build-package-linux
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORVANE_TESTS=OFF \
  -DDORVANE_DEBIAN_PACKAGE=ON "${maintainer[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
(cd "$build" && cpack -G DEB -B "$PWD/cpack" >/dev/null)
cp "$build"/cpack/dorvane_*_amd64.deb dist/

ls -l dist
