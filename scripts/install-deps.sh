#!/usr/bin/env bash
# Installs, from Debian's packages, whatever one purpose needs and the
# machine lacks, beside what it has: nothing installed is ever removed or
# downgraded (scripts/install-beside.sh).
#
#   install-deps.sh demo      build dorvane, run it against a private MariaDB
#   install-deps.sh bench     the demo's, and the benchmark's measuring tools
#   install-deps.sh package   build the Windows and Debian release artifacts
#   install-deps.sh linux-builds
#                             the test command's Linux builds alone (g++'s,
#                             clang's with sanitizers and libFuzzer, the
#                             Debian package), so that they can start while
#                             the rest installs
#   install-deps.sh test      everything the test command builds and runs
#   install-deps.sh wine32 NOTE
#                             optional: what runs the 32-bit Windows program
#                             under Wine (wine32 and the 32-bit ODBC and
#                             MariaDB libraries, from Debian's i386
#                             architecture). Where the kernel runs no 32-bit
#                             programs, or the packages cannot be installed
#                             beside what is there, nothing is changed and
#                             NOTE says why, in the kernel's or apt's words;
#                             otherwise NOTE is removed.
set -euo pipefail
here=$(dirname "$0")

build=(cmake g++ make unixodbc-dev)
database=(unixodbc odbc-mariadb mariadb-server mariadb-client)
windows_build=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils msitools wixl faketime fakeroot)
windows_run=(wine wine64 libxml2-utils xvfb xdotool)
wine32=(wine32:i386 libodbc2:i386 libodbcinst2:i386 libmariadb3:i386)
case ${1:-} in
  demo) packages=("${build[@]}" "${database[@]}") ;;
  bench) packages=("${build[@]}" "${database[@]}" valgrind time) ;;
  package) packages=("${build[@]}" "${windows_build[@]}" dpkg-dev git osslsigncode) ;;
  # prometheus: promtool, which the plain build's configuration finds.
  linux-builds) packages=("${build[@]}" googletest libgtest-dev clang libclang-rt-14-dev dpkg-dev prometheus) ;;
  test)
    packages=("${build[@]}" "${database[@]}" googletest libgtest-dev "${windows_build[@]}" "${windows_run[@]}"
              clang libclang-rt-14-dev valgrind time dpkg-dev systemd locales
              lintian debootstrap systemd-container osslsigncode openssl git unzip prometheus) ;;
  wine32) note=${2:?usage: install-deps.sh wine32 NOTE} ;;
  *) echo "usage: install-deps.sh demo|bench|package|linux-builds|test|wine32 NOTE" >&2; exit 2 ;;
esac
export DEBIAN_FRONTEND=noninteractive

missing_of() { "$here/install-beside.sh" --missing "$@"; }

# A mirror caught in the middle of a sync serves an index that does not
# match its release file, and apt-get update then fails; it may be whole
# again a little later. An index that stays broken is left as it was, and
# the install goes on from what the indexes hold: install-beside refuses
# whatever that cannot give without taking something away. apt's complaint
# is kept in $update_words.
update_words=
update_indexes() {
  local attempt words
  for attempt in 1 2 3; do
    words=$(apt-get update -qq 2>&1) && { update_words=; return 0; }
    update_words=$(grep '^E: ' <<<"$words" | head -n 3 || true)
    ((attempt == 3)) || { echo "apt-get update failed; trying again in 30 s" >&2; sleep 30; }
  done
  printf '%s\n' "$update_words" >&2
  return 1
}

if [ "$1" != wine32 ]; then
  mapfile -t missing < <(missing_of "${packages[@]}")
  ((${#missing[@]})) || exit 0
  update_indexes || true
  status=0
  words=$("$here/install-beside.sh" "${missing[@]}") || status=$?
  ((status == 0)) && exit 0
  printf '%s\n' "$words" "$update_words" >&2
  exit 1
fi

rm -f "$note"
mapfile -t missing < <(missing_of "${wine32[@]}")
((${#missing[@]})) || exit 0
status=0
kernel_words=$("$here/runs-32bit.sh") || status=$?
case $status in
  0) ;;
  1) printf '%s\n' "$kernel_words" >"$note"; echo "Not installing the 32-bit packages: $kernel_words" >&2; exit 0 ;;
  *) exit 1 ;;
esac
added_i386=false
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  added_i386=true
fi
update_indexes || true
status=0
words=$("$here/install-beside.sh" "${missing[@]}") || status=$?
case $status in
  0) exit 0 ;;
  3)
    # Nothing was installed: the architecture is taken back as well, so
    # that the machine's own updates are not held by its indexes.
    if $added_i386; then dpkg --remove-architecture i386; fi
    printf '%s\n' "$words" "$update_words" | grep . >"$note"
    echo "Not installing the 32-bit packages: they cannot be installed beside what is there:" >&2
    cat "$note" >&2
    exit 0 ;;
  *) echo "$words" >&2; exit 1 ;;
esac
