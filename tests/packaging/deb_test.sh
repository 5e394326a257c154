#!/usr/bin/env bash
# The Debian package: its metadata and files, its systemd units, the program
# it holds run against the private MariaDB, and, where the test runs as
# root on a machine without dorvane, a real install and removal.
#
#   deb_test.sh DEB VERSION   (with DORVANE_TEST_DB_DIR set)
set -uo pipefail

deb=$(realpath "${1:?usage: deb_test.sh DEB VERSION}")
version=${2:?usage: deb_test.sh DEB VERSION}
db=${DORVANE_TEST_DB_DIR:?DORVANE_TEST_DB_DIR is not set: run the tests with scripts/test.sh}
work=$(mktemp -d /tmp/dorvane-deb.XXXXXX)
installed=false
cleanup() {
  $installed && dpkg --purge dorvane >/dev/null 2>&1 && rm -rf /opt/dorvane
  rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/../support/checks.sh"
field() { dpkg-deb -f "$deb" "$1"; }

echo "== metadata and files"
check "named for its version and architecture" same "dorvane_${version}_amd64.deb" "$(basename "$deb")"
check "package dorvane" same dorvane "$(field Package)"
check "version $version" same "$version" "$(field Version)"
check "architecture amd64" same amd64 "$(field Architecture)"
check "it depends on unixODBC's libraries, as dpkg-shlibdeps found them" \
  grep -Eq '(^|, )libodbc2 \(>= [0-9.]+\)(,|$).*libodbcinst2 \(>= ' <<<"$(field Depends)"
check "its files: the program, the README, the two units, Debian's documents, the alerting rules, the manual page, lintian's overrides" \
  same "./lib/systemd/system/dorvane.service ./lib/systemd/system/dorvane.timer ./opt/dorvane/README.md ./opt/dorvane/dorvane \
./usr/share/doc/dorvane/changelog.gz ./usr/share/doc/dorvane/copyright ./usr/share/doc/dorvane/examples/dorvane-alerts.yml \
./usr/share/lintian/overrides/dorvane \
./usr/share/man/man8/dorvane.8.gz" \
  "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort | tr '\n' ' ' | sed 's/ $//')"
check "the program, which holds the administrator's password, is root's alone" same "-rwx------ root/root" \
  "$(dpkg-deb -c "$deb" | awk '$6 == "./opt/dorvane/dorvane" { print $1, $2 }')"
mkdir -p "$work/control"
dpkg-deb -e "$deb" "$work/control"
check "its maintainer scripts: the prerm that stops the timer, the postinst and postrm" \
  same "control md5sums postinst postrm prerm" "$(ls "$work/control" | tr '\n' ' ' | sed 's/ $//')"
# Every tag, down to the pedantic ones, is either mended or overridden with
# its reason in the package.
lintian_clean() {
  local tags
  tags=$(lintian --info --pedantic "$deb" 2>"$work/lintian.err") || { cat "$work/lintian.err"; echo "$tags"; return 1; }
  same "" "$tags"
}
check "lintian reports nothing" lintian_clean

echo "== the units"
root=$work/root
dpkg-deb -x "$deb" "$root"
units=$root/lib/systemd/system
check "a one-shot service that runs the program" same "oneshot /opt/dorvane/dorvane" \
  "$(sed -n 's/^Type=//p' "$units/dorvane.service") $(sed -n 's/^ExecStart=//p' "$units/dorvane.service")"
check "a run held for good ends after two hours" same 2h "$(sed -n 's/^TimeoutStartSec=//p' "$units/dorvane.service")"
check "it never restarts, and runs as root with root's HOME" same "User=root" \
  "$(grep -E '^(Restart|User|Group)=' "$units/dorvane.service")"
check "a daily, persistent timer" same "daily true" \
  "$(sed -n 's/^OnCalendar=//p' "$units/dorvane.timer") $(sed -n 's/^Persistent=//p' "$units/dorvane.timer")"
# The targets that the units hang on come from this machine's systemd.
verify_root=$work/verify
cp -a "$root" "$verify_root"
cp -n /lib/systemd/system/*.target "$verify_root/lib/systemd/system/" 2>/dev/null
check "systemd-analyze verify passes" systemd-analyze verify --man=no --root="$verify_root" \
  /lib/systemd/system/dorvane.service /lib/systemd/system/dorvane.timer
exposure=$(systemd-analyze security --offline=true --root="$root" dorvane.service 2>&1)
check "the service is locked down: exposure at most 2.5 by systemd-analyze security" \
  grep -q 'Overall exposure level for dorvane.service: \([01]\.[0-9]\|2\.[0-5]\) ' <<<"$exposure"

echo "== the program it holds"
# An empty catalogue: the run is the program's own, whatever tests ran before.
mariadb --no-defaults -u root -S "$db/mysqld.sock" -e 'DELETE FROM sysprogress.systables'
mkdir -p "$work/elsewhere" "$work/metrics"
# Its metrics go to a folder of the test's, never to the machine's.
own_metrics=("$(realpath "$(dirname "$0")/../../scripts/own-metrics-folder.sh")" "$work/metrics")
(cd "$work/elsewhere" && ODBCSYSINI=$db/odbc "${own_metrics[@]}" "$root/opt/dorvane/dorvane" >/dev/null 2>&1)
check "it runs to its end, 3 as the third data source has no server" same 3 "$?"
check "and writes its log beside itself" same "Programa finalizado." \
  "$(tail -n 1 "$root/opt/dorvane/dorvane.log" 2>/dev/null | tr -d '\r')"

if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W dorvane >/dev/null 2>&1 && [ ! -e /opt/dorvane ]; then
  echo "== installed for real, then removed"
  installed=true
  dpkg -i "$deb" >/dev/null 2>&1
  check "dpkg -i installs it" same "install ok installed" "$(dpkg-query -W -f='${Status}' dorvane 2>/dev/null)"
  (cd "$work/elsewhere" && ODBCSYSINI=$db/odbc "${own_metrics[@]}" /opt/dorvane/dorvane >/dev/null 2>&1)
  check "the installed program runs to its end" same 3 "$?"
  apt-get remove -y -qq dorvane >/dev/null 2>&1
  check "apt-get remove removes it" same "" "$(dpkg-query -W -f='${Status}' dorvane 2>/dev/null | grep ' installed$')"
  check "what it installed is gone and the log is left" same "dorvane.log" "$(ls /opt/dorvane 2>/dev/null)"
  check "the units are gone" same "" "$(ls /lib/systemd/system/dorvane.* 2>/dev/null)"
fi

checks_done
