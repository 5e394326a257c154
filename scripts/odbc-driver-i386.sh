#!/usr/bin/env bash
# The 32-bit MariaDB ODBC driver, for the 32-bit Windows program under Wine.
# Debian cannot install it beside the 64-bit one (the two packages share
# their files' paths), so it is fetched and unpacked into DIR instead; its
# library dependency, libmariadb3:i386, installs beside the 64-bit one.
# Prints the path of the driver's libmaodbc.so.
#
#   odbc-driver-i386.sh DIR
set -euo pipefail

dir=$(realpath -m "${1:?usage: odbc-driver-i386.sh DIR}")
driver=$(find "$dir/root" -name libmaodbc.so -print -quit 2>/dev/null || true)
if [ -z "$driver" ]; then
  mkdir -p "$dir"
  (cd "$dir" && rm -f odbc-mariadb_*_i386.deb && apt-get download -qq -o APT::Sandbox::User=root odbc-mariadb:i386 >/dev/null)
  dpkg-deb -x "$dir"/odbc-mariadb_*_i386.deb "$dir/root"
  driver=$(find "$dir/root" -name libmaodbc.so -print -quit)
fi
[ -n "$driver" ] || { echo "odbc-driver-i386: no libmaodbc.so in the package" >&2; exit 1; }
echo "$driver"
