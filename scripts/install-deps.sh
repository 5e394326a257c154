#!/usr/bin/env bash
# Installs, from Debian's packages, whatever one purpose needs and the
# machine lacks:
#
#   install-deps.sh demo      build dorvane, run it against a private MariaDB
#   install-deps.sh bench     the demo's, and the benchmark's measuring tools
#   install-deps.sh package   build the Windows and Debian release artifacts
#   install-deps.sh test      everything the test command builds and runs
#
# The 32-bit Windows program runs under Wine's 32-bit side in the tests,
# which needs the i386 architecture.
set -euo pipefail

build=(cmake g++ make unixodbc-dev)
database=(unixodbc odbc-mariadb mariadb-server mariadb-client)
windows_build=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils msitools wixl)
windows_run=(wine wine64 wine32:i386 libodbc2:i386 libodbcinst2:i386 libmariadb3:i386 libxml2-utils xvfb xdotool)
i386=false
case ${1:-} in
  demo) packages=("${build[@]}" "${database[@]}") ;;
  bench) packages=("${build[@]}" "${database[@]}" valgrind time) ;;
  package) packages=("${build[@]}" "${windows_build[@]}" dpkg-dev) ;;
  test)
    packages=("${build[@]}" "${database[@]}" googletest libgtest-dev "${windows_build[@]}" "${windows_run[@]}"
              clang libclang-rt-14-dev valgrind time dpkg-dev systemd locales)
    i386=true ;;
  *) echo "usage: install-deps.sh demo|bench|package|test" >&2; exit 2 ;;
esac

export DEBIAN_FRONTEND=noninteractive
update=false
if $i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
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
