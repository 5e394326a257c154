#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# demo need and the machine lacks.
set -euo pipefail

packages=(
  cmake g++ make googletest libgtest-dev
  unixodbc unixodbc-dev odbc-mariadb
  mariadb-server mariadb-client
  g++-mingw-w64-x86-64 wine wine64 xvfb xdotool
  clang libclang-rt-14-dev valgrind time
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
