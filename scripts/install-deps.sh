#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests, the demo
# and the packaging need and the machine lacks. The 32-bit Windows program
# runs under Wine's 32-bit side, which needs the i386 architecture.
set -euo pipefail

packages=(
  cmake g++ make googletest libgtest-dev
  unixodbc unixodbc-dev odbc-mariadb
  mariadb-server mariadb-client
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 libodbc2:i386 libodbcinst2:i386 libmariadb3:i386
  msitools wixl libxml2-utils binutils xvfb xdotool
  clang libclang-rt-14-dev valgrind time
  dpkg-dev systemd
)
export DEBIAN_FRONTEND=noninteractive
update=false
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  update=true
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})) || $update; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  ((${#missing[@]} == 0)) || apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
