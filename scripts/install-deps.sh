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
              clang libclang-rt-14-dev valgrind time dpkg-dev systemd locales
              lintian debootstrap systemd-container)
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
# A mirror caught in the middle of a sync serves an index that does not match
# its release file, and apt-get update then fails; it may be whole again a
# little later.
update_indexes() {
  local attempt
  for attempt in 1 2 3; do
    apt-get update -qq && return 0
    ((attempt == 3)) || { echo "apt-get update failed; trying again in 30 s" >&2; sleep 30; }
  done
  return 1
}
apt_install() { apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null; }
if ((${#missing[@]})) || $update; then
  echo "Installing: ${missing[*]}"
  indexes_whole=true
  update_indexes || indexes_whole=false
  if ((${#missing[@]})) && ! apt_install; then
    $indexes_whole && exit 1  # apt-get has said why
    # An index that stayed broken, typically one architecture's security
    # updates, leaves the two architectures' candidates at different
    # versions, which packages installed for both must not be. The
    # release's own suite has every architecture at the same versions.
    . /etc/os-release
    echo "Some package indexes could not be fetched: installing from $VERSION_CODENAME alone" >&2
    apt_install -t "$VERSION_CODENAME"
  fi
fi
