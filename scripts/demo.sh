#!/usr/bin/env bash
# The main job against a built-in demo: a private MariaDB with a sample
# catalogue and three data sources (one with no server behind it). Builds
# dorvane, runs it once, prints its log, userSQL's grants and the data
# sources' settings, and stops the database.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DDORVANE_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)" --target dorvane

work=$(mktemp -d /tmp/dorvane-demo.XXXXXX)
trap 'scripts/private-db.sh stop "$work/db"; rm -rf "$work"' EXIT
scripts/private-db.sh start "$work/db"
scripts/private-db.sh seed "$work/db"
# userSQL starts with privileges to lose: INSERT granted to it, which the
# run takes away, and INSERT granted to PUBLIC, which reaches every user and
# which the run does not revoke: it tells of it, and ends with status 3.
scripts/private-db.sh sql "$work/db" <<'SQL'
GRANT INSERT ON "PUB"."clientes" TO 'userSQL';
GRANT INSERT ON "CONTA"."asientos" TO 'userSQL';
GRANT INSERT ON "CONTA"."clientes" TO PUBLIC;
SQL

mkdir "$work/program"
cp build-release/dorvane "$work/program/"
echo "== userSQL and PUBLIC before the run"
printf "SHOW GRANTS FOR 'userSQL'@'%%';\nSHOW GRANTS FOR PUBLIC;\n" | scripts/private-db.sh sql "$work/db"
echo
echo "== dorvane (ODBCSYSINI=$work/db/odbc)"
status=0
# Its metrics go to a folder of the demo's own, in place of the machine's
# node exporter's, which a demo must never publish to.
mkdir "$work/metrics"
own_metrics=$PWD/scripts/own-metrics-folder.sh
(cd "$work" && ODBCSYSINI="$work/db/odbc" "$own_metrics" "$work/metrics" "$work/program/dorvane") || status=$?
echo "exit status $status"
# The demo's third data source has no server behind it, and userSQL can
# still write through PUBLIC: the run reaches its end, but did not leave
# userSQL read-only everywhere, and says so with 3, as a real night would.
if [ "$status" -eq 3 ]; then
  echo "(3: the run reached its end, but VistasQuendar2 could not be opened (the demo has no server behind it)"
  echo " and userSQL can still INSERT on CONTA.clientes through PUBLIC: see the warnings above)"
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi
echo
echo "== dorvane.log"
tr -d '\r' <"$work/program/dorvane.log"
echo
echo "== the metrics it wrote for Prometheus (in the demo's own folder)"
grep -v '^#' "$work/metrics/dorvane.prom" 2>/dev/null ||
  echo "(none: $(scripts/own-metrics-folder.sh --check || true))"
echo
echo "== userSQL and PUBLIC after the run"
printf "SHOW GRANTS FOR 'userSQL'@'%%';\nSHOW GRANTS FOR PUBLIC;\n" | scripts/private-db.sh sql "$work/db"
echo
echo "== dorvane --check: what userSQL can do now"
(cd "$work" && ODBCSYSINI="$work/db/odbc" "$work/program/dorvane" --check) || echo "exit status $?"
echo
echo "== odbc.ini after the run"
cat "$work/db/odbc/odbc.ini"
