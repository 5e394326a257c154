#!/usr/bin/env bash
# Builds every release artifact into dist/, named after the version that
# CMake's project() sets and the architecture:
#   dorvane-<version>-x64.msi, dorvane-<version>-x64.zip   64-bit Windows
#   dorvane-<version>-x86.msi, dorvane-<version>-x86.zip   32-bit Windows
#   dorvane_<version>_amd64.deb                            Debian and its kin
#   dorvane-<version>-alerts.yml                           Prometheus' alerting rules, for both
#   SHA256SUMS                                             their checksums
#
# The same commit gives the same bytes, wherever and whenever it is built:
# every time in the artifacts is SOURCE_DATE_EPOCH, the commit's date
# where it is not given, and each build starts from an empty folder.
#
# Nor does the builder leave a trace: folders and files have the modes that
# the build gives them whatever the umask, and the zips' entries are
# root's whoever builds them (fakeroot), as the .deb's are.
#
# Where DORVANE_SIGN_PFX (a PKCS#12 file) and DORVANE_SIGN_PASSWORD_FILE
# are set, every Windows program file (dorvane.exe, dorvane.com and
# dorvane-messages.dll, before the MSIs and zips take them) and both MSIs
# are signed with Authenticode; they are timestamped only where
# DORVANE_SIGN_TIMESTAMP_URL names a timestamp server. Otherwise nothing is
# signed.
#
# Where DORVANE_ADMIN_USER or DORVANE_ADMIN_PASSWORD is set, every program
# is built to connect as that database administrator account instead of
# the default one (CMake's options of the same names). The programs then
# hold that password: keep the artifacts where only administrators read
# them.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022

scripts/install-deps.sh package
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "package.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 2; }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8

signing=false
if [ -n "${DORVANE_SIGN_PFX:-}" ] || [ -n "${DORVANE_SIGN_PASSWORD_FILE:-}" ]; then
  for file in "${DORVANE_SIGN_PFX:-}" "${DORVANE_SIGN_PASSWORD_FILE:-}"; do
    [ -r "$file" ] || { echo "package.sh: signing needs DORVANE_SIGN_PFX and DORVANE_SIGN_PASSWORD_FILE, readable files" >&2; exit 2; }
  done
  signing=true
fi
# Signs FILE in place. The signing time is SOURCE_DATE_EPOCH's, so that a
# signature without a timestamp is the same from build to build.
sign() {  # sign FILE
  local timestamp=()
  [ -z "${DORVANE_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$DORVANE_SIGN_TIMESTAMP_URL")
  osslsigncode sign -pkcs12 "$DORVANE_SIGN_PFX" -readpass "$DORVANE_SIGN_PASSWORD_FILE" -h sha256 \
    -n dorvane -time "$SOURCE_DATE_EPOCH" "${timestamp[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}

account=()
[ -z "${DORVANE_ADMIN_USER+set}" ] || account+=("-DDORVANE_ADMIN_USER=$DORVANE_ADMIN_USER")
[ -z "${DORVANE_ADMIN_PASSWORD+set}" ] || account+=("-DDORVANE_ADMIN_PASSWORD=$DORVANE_ADMIN_PASSWORD")

jobs=$(nproc)
rm -rf dist
mkdir -p dist

for arch in x64 x86; do
  build=build-package-windows-$arch
  rm -rf "$build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/windows-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DDORVANE_TESTS=OFF "${account[@]}" >/dev/null
  cmake --build "$build" -j "$jobs" --target dorvane
  if $signing; then
    for file in dorvane.exe dorvane.com dorvane-messages.dll; do sign "$build/$file"; done
  fi
  cmake --build "$build" -j "$jobs" --target msi
  ! $signing || sign "$build"/dorvane-*-"$arch".msi
  cp "$build"/dorvane-*-"$arch".msi dist/
  (cd "$build" && fakeroot cpack -G ZIP -B "$PWD/cpack" >/dev/null)
  cp "$build"/cpack/dorvane-*-"$arch".zip dist/
done

# The package's maintainer: DORVANE_MAINTAINER="Name <address>", or the default.
maintainer=(-UDORVANE_MAINTAINER)
[ -z "${DORVANE_MAINTAINER:-}" ] || maintainer=("-DDORVANE_MAINTAINER=$DORVANE_MAINTAINER")
build=build-package-linux
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORVANE_TESTS=OFF \
  -DDORVANE_DEBIAN_PACKAGE=ON "${maintainer[@]}" "${account[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
(cd "$build" && cpack -G DEB -B "$PWD/cpack" >/dev/null)
cp "$build"/cpack/dorvane_*_amd64.deb dist/

version=$(sed -n 's/^project(dorvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cp packaging/prometheus/dorvane-alerts.yml "dist/dorvane-$version-alerts.yml"
(cd dist && sha256sum -- *.deb *.msi *.zip *.yml >SHA256SUMS)
ls -l dist
