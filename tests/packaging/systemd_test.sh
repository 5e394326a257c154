#!/usr/bin/env bash
# The Debian package under a real systemd: a minimal Debian made with
# debootstrap and booted with systemd-nspawn, with MariaDB and its ODBC
# driver, and Debian's Prometheus node exporter; the package is installed
# there, its service run, timed out and fired by its timer, and the package
# removed and purged, each step judged by what systemd, the journal, the
# exporter and the files say.
#
#   systemd_test.sh DEB
#
# Exits 77 (skipped), saying why in systemd-nspawn's words, only where this
# machine cannot run a container at all: a container that runs nothing but
# true(1) is tried first, and anything that fails after it is a failure.
# Every wait has a deadline, within CTest's limit, that fails the test.
# DORVANE_TEST_DEBIAN_ROOT names a root made earlier by this test's
# debootstrap, copied instead of made again (for work on this test).
set -uo pipefail

deb=$(realpath "${1:?usage: systemd_test.sh DEB}")
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "not root: debootstrap and systemd-nspawn need root"
for tool in debootstrap systemd-nspawn nsenter; do
  command -v "$tool" >/dev/null || fail "$tool is not installed: scripts/install-deps.sh test installs it"
done
deadline=$((SECONDS + 780))
in_time() {  # in_time WHAT-IS-AWAITED: fails the test once its time is up
  ((SECONDS < deadline)) || fail "still waiting for $1 after $SECONDS s"
}

work=$(mktemp -d /var/tmp/dorvane-systemd.XXXXXX)
root=$work/root
container=""
cleanup() {
  if [ -n "$container" ] && kill -0 "$container" 2>/dev/null; then
    kill -TERM "$container"  # the container's systemd powers off
    for _ in $(seq 1 600); do kill -0 "$container" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$container" 2>/dev/null
    wait "$container" 2>/dev/null
  fi
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/../support/checks.sh"

echo "== a minimal Debian with systemd, MariaDB, its ODBC driver and node_exporter"
. /etc/os-release
make_root() {
  debootstrap --variant=minbase --include=systemd,mariadb-server,mariadb-client,unixodbc,odbc-mariadb,prometheus-node-exporter \
    "$VERSION_CODENAME" "$root" "${DORVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}" >"$work/debootstrap.log" 2>&1
}
if [ -n "${DORVANE_TEST_DEBIAN_ROOT:-}" ]; then
  cp -a "$DORVANE_TEST_DEBIAN_ROOT" "$root"
# A mirror caught in the middle of a sync may be whole again a little later.
elif ! make_root && ! { echo "debootstrap failed; trying again in 30 s"; sleep 30; rm -rf "$root"; make_root; }; then
  tail -n 20 "$work/debootstrap.log"
  fail "debootstrap could not make the root"
fi
cp "$deb" "$root/root/dorvane.deb"
# The server's socket where MySQL keeps it upstream, in /tmp; the clients'
# configuration still names Debian's place, /run/mysqld.
socket=/tmp/mysql.sock
printf '[mysqld]\nsql-mode = ANSI_QUOTES\nsocket = %s\n' "$socket" >"$root/etc/mysql/mariadb.conf.d/99-dorvane-test.cnf"
# Where the server is socket-activated, systemd makes its sockets.
mkdir -p "$root/etc/systemd/system/mariadb.socket.d"
printf '[Socket]\nListenStream=\nListenStream=%s\nListenStream=3306\n' "$socket" \
  >"$root/etc/systemd/system/mariadb.socket.d/99-dorvane-test.conf"
# One data source by that socket, one by TCP, and one whose driver takes its
# connection options from root's client file, as a cron job of root's
# would (USE_MYCNF: the group [odbc] of ~/.my.cnf; without it the driver
# tries TCP). No time limits of the driver's own: a frozen server holds a
# run until systemd ends it. The file belongs to another user,
# group-readable only, which the run must keep.
odbc_ini=$(cat <<INI
; Data sources of the test container.

[VistasQuendar]
Driver = MariaDB Unicode
Socket = $socket
Database = sysprogress

[VistasQuendar1]
Driver = MariaDB Unicode
Server = 127.0.0.1
Port = 3306
Database = sysprogress

[VistasQuendar2]
Driver = MariaDB Unicode
USE_MYCNF = 1
Database = sysprogress
INI
)
printf '%s\n' "$odbc_ini" >"$root/etc/odbc.ini"
chown daemon:adm "$root/etc/odbc.ini"
chmod 640 "$root/etc/odbc.ini"
printf '[odbc]\nprotocol = socket\nsocket = %s\n' "$socket" >"$root/root/.my.cnf"
chmod 600 "$root/root/.my.cnf"

echo "== booted with systemd-nspawn"
nspawn() {
  SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 timeout 120 systemd-nspawn --quiet --register=no --keep-unit \
    --private-network -D "$root" "$@"
}
# Whether this machine runs containers at all, asked with the least that
# nspawn needs; its words are the reason where it does not.
nspawn_words=$(nspawn /bin/true 2>&1) || skip "this machine cannot run a container: $(tail -n 3 <<<"$nspawn_words" | tr '\n' ' ')"
SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 systemd-nspawn --quiet --register=no --keep-unit --private-network \
  --console=passive -D "$root" -b >"$work/nspawn.log" 2>&1 &
container=$!
alive_or_fail() {  # alive_or_fail WHAT-WENT-WRONG
  kill -0 "$container" 2>/dev/null || fail "$1: $(tail -n 3 "$work/nspawn.log" | tr '\n' ' ')"
}
pid1=""
until [ -n "$pid1" ]; do
  alive_or_fail "systemd-nspawn could not boot the container"
  in_time "the container's systemd"
  pid1=$(pgrep -P "$container" -x systemd)
  [ -n "$pid1" ] || sleep 0.1
done
inside() { nsenter -t "$pid1" -a -- env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
state=""
until [[ $state =~ ^(running|degraded)$ ]]; do
  alive_or_fail "the container stopped while it booted"
  [[ ! $state =~ ^(maintenance|stopping)$ ]] || fail "the container's boot ended $state"
  in_time "the container's boot"
  sleep 0.1
  state=$(inside systemctl is-system-running 2>/dev/null)
done
show() { inside systemctl show -p "$1" --value "$2"; }
sql() { inside mariadb --socket="$socket" --batch --skip-column-names -e "$1"; }
# A run other than the one named has started and ended.
run_after_ended() {
  [ "$(show InvocationID dorvane.service)" != "$1" ] && [ "$(show ActiveState dorvane.service)" != activating ]
}

# A step's own failure (a maintainer script, an unmet dependency) fails
# the test; what it said is shown.
step() {  # step WHAT command...: the command inside, its words kept
  local what=$1; shift
  local status=0
  inside "$@" >"$work/step.log" 2>&1 || status=$?
  ((status == 0)) || { cat "$work/step.log"; fail "$what ended with status $status"; }
}
step "dpkg -i" dpkg -i /root/dorvane.deb
check "the units are known after install, the timer left disabled" same "loaded loaded disabled" \
  "$(show LoadState dorvane.service) $(show LoadState dorvane.timer) $(show UnitFileState dorvane.timer)"

sql "CREATE USER 'sysprogress'@'localhost' IDENTIFIED BY '507316';
     CREATE USER 'sysprogress'@'127.0.0.1' IDENTIFIED BY '507316';
     GRANT ALL PRIVILEGES ON *.* TO 'sysprogress'@'localhost' WITH GRANT OPTION;
     GRANT ALL PRIVILEGES ON *.* TO 'sysprogress'@'127.0.0.1' WITH GRANT OPTION;
     CREATE USER 'userSQL'@'%';
     CREATE DATABASE sysprogress;
     CREATE TABLE sysprogress.systables (id INT NOT NULL, owner VARCHAR(64), tbl VARCHAR(64),
                                         seq INT NOT NULL AUTO_INCREMENT PRIMARY KEY);
     CREATE DATABASE \"PUB\";
     CREATE TABLE \"PUB\".\"clientes\" (id INT);
     INSERT INTO sysprogress.systables (id, owner, tbl) VALUES (1, 'PUB', 'clientes'), (2, 'PUB', 'ghost');"
# The privilege catalogues that each run reads once its walk is over, as
# the private database of the other tests has them.
"$(dirname "$0")/../../scripts/private-db.sh" views-sql | inside mariadb --socket="$socket" --batch ||
  fail "the privilege catalogues could not be made"

echo "== one run, started by systemd, whose grant on PUB.ghost fails"
# The unit's own limit is hours; this run is given minutes. A run that did
# not do all its work fails the unit, and systemctl start says so.
inside timeout 300 systemctl start dorvane.service >/dev/null 2>&1
check "it ends with Result=exit-code and exit status 3" same "exit-code 3" \
  "$(show Result dorvane.service) $(show ExecMainStatus dorvane.service)"
# Descriptions are the server's and the driver's own words; the rest of
# each line is the program's, byte for byte.
check "the log beside the program: each failure and the end, in CRLF lines" same \
  "Error para VistasQuendar.PUB.clientes -> 1147 -> ~
Error para VistasQuendar.PUB.ghost -> 1147 -> ~
Error para VistasQuendar.PUB.ghost -> 1146 -> ~
Error para VistasQuendar1.PUB.ghost -> 1147 -> ~
Error para VistasQuendar1.PUB.ghost -> 1146 -> ~
Error para VistasQuendar2.PUB.ghost -> 1147 -> ~
Error para VistasQuendar2.PUB.ghost -> 1146 -> ~
Programa finalizado.~" \
  "$(sed -E 's/ -> ([0-9]+) -> .*\r$/ -> \1 -> ~/; s/\.\r$/.~/' "$root/opt/dorvane/dorvane.log")"
check "odbc.ini has the settings, its lines and its mode and owner" same \
  "640 daemon:adm
$(sed -e '/^Database = /a DefaultIsolationLevel=READ UNCOMMITTED\nArraySize=1000' <<<"$odbc_ini")" "$(stat -c '%a %U:%G' "$root/etc/odbc.ini")
$(cat "$root/etc/odbc.ini")"
# The run's output reaches the journal through journald's stream, which it
# may read after the run has ended: --sync returns once all that was
# written before it is stored.
inside journalctl --sync
grant_failure=$(sed -n 's/^Error para VistasQuendar\.PUB\.ghost -> 1146 -> \(.*\)\r$/\1/p' "$root/opt/dorvane/dorvane.log")
check "the failed grant's text is in the journal, as a warning" grep -qF -- \
  "${grant_failure:-(no grant failure in the log)}" <<<"$(inside journalctl -u dorvane -p warning --no-pager -o cat)"

# What the node exporter serves, as Prometheus scrapes it; the exporter
# may still be starting.
metrics() {
  inside bash -c 'exec 3<>/dev/tcp/127.0.0.1/9100 && printf "GET /metrics HTTP/1.0\r\n\r\n" >&3 && cat <&3' 2>/dev/null |
    grep -E '^(dorvane_|node_textfile_scrape_error)'
}
until metrics | grep -q '^node_textfile_scrape_error'; do in_time "the node exporter"; sleep 0.2; done
# A sample's value in what the exporter serves.
served() { metrics | sed -n "s/^$1 //p"; }
check "the exporter serves the run's metrics, and read the file without error" same "3 0 2" \
  "$(served dorvane_last_run_exit_status) $(served node_textfile_scrape_error) $(
     served 'dorvane_statements_failed{data_source="VistasQuendar",statement="revoke"}')"
check "a file readable by the exporter's user, alone in its folder" same "644 root dorvane.prom" \
  "$(stat -c '%a %U' "$root/var/lib/prometheus/node-exporter/dorvane.prom") $(ls "$root/var/lib/prometheus/node-exporter")"
check "no success yet" same "" "$(served dorvane_last_success_timestamp_seconds)"

# The journal's view of the program's own lines since a mark, the last
# entry before a run (systemd forgets a successful oneshot run's invocation
# ID once it is over). The mark is a systemd line, never the program's.
# Filtered by priority, --after-cursor would skip the first entry that
# matches: --cursor starts at the mark itself, and the program's lines are
# picked out by their identifier.
mark_journal() { mark=$(inside journalctl -n 1 --show-cursor -q -o cat | sed -n 's/^-- cursor: //p'); }
journal_of() {  # journal_of PRIORITY: the lines since the mark at it or above
  inside journalctl --cursor="$mark" -p "$1" --no-pager -o short | sed -n 's/^.* dorvane\[[0-9]*\]: //p'
}
echo "== a clean run"
sql "DELETE FROM sysprogress.systables WHERE tbl = 'ghost'"
mark_journal
inside timeout 300 systemctl start dorvane.service
check "it ends with Result=success and exit status 0" same "success 0" \
  "$(show Result dorvane.service) $(show ExecMainStatus dorvane.service)"
inside journalctl --sync
check "its summary is at priority info, and nothing at warning" same "Summary of the run:|" \
  "$(journal_of info | head -n 1)|$(journal_of warning)"
clean_success=$(sed -n 's/^dorvane_last_success_timestamp_seconds //p' "$root/var/lib/prometheus/node-exporter/dorvane.prom")
check "the file has its success" grep -Eqx '[0-9]+' <<<"$clean_success"

echo "== a run with a data source that cannot be opened"
cp -p "$root/etc/odbc.ini" "$work/odbc.ini"
sed -i 's/^Port = 3306$/Port = 1/' "$root/etc/odbc.ini"
sleep 1  # the next run's end falls in another second than the clean one's
mark_journal
inside timeout 300 systemctl start dorvane.service >/dev/null 2>&1
check "it ends with Result=exit-code and exit status 3" same "exit-code 3" \
  "$(show Result dorvane.service) $(show ExecMainStatus dorvane.service)"
inside journalctl --sync
warnings=$(journal_of warning)
check "journalctl -p warning has the data source that was not opened" grep -q \
  '^dorvane: warning: the data source VistasQuendar1 could not be opened: error 200[0-9]: ' <<<"$warnings"
check "and the summary" grep -qx '  VistasQuendar1: could not be opened' <<<"$warnings"
until [ "$(served dorvane_last_run_exit_status)" = 3 ] && [ "$(served dorvane_data_source_opened'{data_source="VistasQuendar1"}')" = 0 ]; do
  in_time "the exporter's view of the last run"; sleep 0.2
done
# The exporter writes large numbers in exponent form.
check "the exporter still serves the clean run's success" same "$clean_success 0 1" \
  "$(served dorvane_last_success_timestamp_seconds | awk '{ printf "%d", $1 }') $(served node_textfile_scrape_error) $(
     served 'dorvane_data_source_opened{data_source="VistasQuendar2"}')"
cp -p "$work/odbc.ini" "$root/etc/odbc.ini"

echo "== the timer"
inside systemctl enable --now dorvane.timer >/dev/null 2>&1
check "enable --now gives it a next elapse" grep -q . <<<"$(show NextElapseUSecRealtime dorvane.timer)"

echo "== a run held by a frozen server"
mkdir -p "$root/etc/systemd/system/dorvane.service.d"
printf '[Service]\nTimeoutStartSec=8s\nTimeoutStopSec=5s\n' \
  >"$root/etc/systemd/system/dorvane.service.d/test-timeout.conf"
inside systemctl daemon-reload
# The catalogue locked by another session holds the run at its first query,
# where the server is then stopped.
inside mariadb --socket="$socket" -e 'LOCK TABLES sysprogress.systables WRITE; DO SLEEP(3600)' >/dev/null 2>&1 &
holder=$!
waiting() { [ "$(sql "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE $1")" != 0 ]; }
until waiting "STATE = 'User sleep'"; do in_time "the lock's holder"; sleep 0.1; done
before=$(show InvocationID dorvane.service)
inside systemctl start --no-block dorvane.service
until waiting "USER = 'sysprogress' AND STATE = 'Waiting for table metadata lock'"; do
  # A run that ended without reaching the catalogue fails the check below.
  run_after_ended "$before" && break
  in_time "the run at the locked catalogue"
  sleep 0.1
done
inside systemctl kill -s SIGSTOP mariadb.service
until run_after_ended "$before"; do in_time "the held run's end"; sleep 0.2; done
check "systemd ends it with Result=timeout" same timeout "$(show Result dorvane.service)"
inside systemctl kill -s SIGCONT mariadb.service
sql "KILL $(sql "SELECT ID FROM information_schema.PROCESSLIST WHERE STATE = 'User sleep'")"
timeout 60 tail --pid="$holder" -f /dev/null || fail "the lock's holder did not end"
wait "$holder"
rm -r "$root/etc/systemd/system/dorvane.service.d"
# Fired again a moment from now, not at its daily time.
mkdir -p "$root/etc/systemd/system/dorvane.timer.d"
printf '[Timer]\nOnActiveSec=1s\nRandomizedDelaySec=0\nAccuracySec=1ms\n' \
  >"$root/etc/systemd/system/dorvane.timer.d/test-soon.conf"
inside systemctl daemon-reload
held_run=$(show InvocationID dorvane.service)
inside systemctl restart dorvane.timer
until run_after_ended "$held_run"; do in_time "the timer's run"; sleep 0.2; done
check "after it the timer fires, and that run succeeds" same success "$(show Result dorvane.service)"
rm -r "$root/etc/systemd/system/dorvane.timer.d"
inside systemctl daemon-reload

echo "== node_exporter told to read a folder of the site's own"
# As Debian's unit takes its flags: ARGS in /etc/default.
mkdir -p "$root/srv/metrics"
echo 'other_metric 1' >"$root/srv/metrics/other.prom"
echo 'ARGS="--collector.textfile.directory=/srv/metrics"' >"$root/etc/default/prometheus-node-exporter"
inside systemctl restart prometheus-node-exporter.service
mark_journal
inside timeout 300 systemctl start dorvane.service
inside journalctl --sync
check "a service that may not write there says so, and how to allow it" grep -qF \
  "dorvane: warning: the metrics were not written to /srv/metrics/dorvane.prom: error 30: Read-only file system; where dorvane runs as its service, allow it that folder with a drop-in (systemctl edit dorvane.service): [Service] ReadWritePaths=/srv/metrics" \
  <<<"$(journal_of warning)"
mkdir -p "$root/etc/systemd/system/dorvane.service.d"
printf '[Service]\nReadWritePaths=/srv/metrics\n' >"$root/etc/systemd/system/dorvane.service.d/metrics.conf"
inside systemctl daemon-reload
inside timeout 300 systemctl start dorvane.service
check "with the drop-in, the run's file is there and the exporter serves it" same "0 0" \
  "$(sed -n 's/^dorvane_last_run_exit_status //p' "$root/srv/metrics/dorvane.prom" 2>/dev/null) $(
     served node_textfile_scrape_error)"
until [ -n "$(served dorvane_last_start_timestamp_seconds)" ]; do in_time "the exporter's view of /srv/metrics"; sleep 0.2; done
check "the run's start and end, as the exporter reads them" same "$(
  sed -n 's/^dorvane_last_start_timestamp_seconds //p' "$root/srv/metrics/dorvane.prom")" \
  "$(served dorvane_last_start_timestamp_seconds | awk '{ printf "%d", $1 }')"

echo "== upgraded in place, removed, reinstalled, then purged"
metrics_before=$(cat "$root/srv/metrics/dorvane.prom")
step "dpkg -i over itself" dpkg -i /root/dorvane.deb
check "an upgrade keeps the metrics file" same "$metrics_before" "$(cat "$root/srv/metrics/dorvane.prom")"
# Debian's convention: a removal keeps the timer's enablement (masking it
# meanwhile), a reinstall brings it back, a purge forgets it.
timer_state="$root/var/lib/systemd/deb-systemd-helper-enabled/dorvane.timer.dsh-also $root/var/lib/systemd/timers/stamp-dorvane.timer"
step "apt-get remove" apt-get remove -y dorvane
check "remove takes the metrics file away, and nothing else there" same "other.prom" "$(ls "$root/srv/metrics")"
check "remove stops the timer and masks it, and leaves no unit of its own" same \
  "masked inactive not-found" \
  "$(show LoadState dorvane.timer) $(show ActiveState dorvane.timer) $(show LoadState dorvane.service)$(
     ls "$root"/lib/systemd/system/dorvane.* 2>/dev/null)"
check "and keeps the log" same dorvane.log "$(ls "$root/opt/dorvane")"
# shellcheck disable=SC2086
check "the timer's state is there until the purge" ls $timer_state >/dev/null
step "dpkg -i, again" dpkg -i /root/dorvane.deb
check "a reinstall finds the timer enabled and running, as it was" same "enabled active" \
  "$(show UnitFileState dorvane.timer) $(show ActiveState dorvane.timer)"
inside timeout 300 systemctl start dorvane.service
check "a run of the reinstalled program writes its file again" test -f "$root/srv/metrics/dorvane.prom"
# The site's drop-in is the site's: the purge would leave it.
rm -r "$root/etc/systemd/system/dorvane.service.d"
step "apt-get purge" apt-get purge -y dorvane
check "purge takes the metrics file away, and nothing else there" same "other.prom" "$(ls "$root/srv/metrics")"
# shellcheck disable=SC2086
check "purge forgets it: no state, no link, no mask" same "not-found" "$(show LoadState dorvane.timer)$(
  ls $timer_state "$root"/etc/systemd/system/dorvane.* "$root"/etc/systemd/system/*/dorvane.* 2>/dev/null)"

checks_done
