#!/usr/bin/env bash
# A private MariaDB server for the tests and the demo: its own data
# directory and socket under DIR, no network port, ANSI quotes. It stands
# where the production database would, reached through unixODBC with the
# MariaDB driver.
#
#   private-db.sh start DIR   start the server, create the administrator,
#                             userSQL and an empty catalogue, and write
#                             DIR/odbc/odbc.ini (use ODBCSYSINI=DIR/odbc)
#   private-db.sh seed DIR    a small sample catalogue
#   private-db.sh sql DIR     run SQL from standard input as root
#   private-db.sh stop DIR    stop the server
set -euo pipefail

command=${1:?usage: private-db.sh start|seed|sql|stop DIR}
dir=$(realpath -m "${2:?usage: private-db.sh start|seed|sql|stop DIR}")
socket=$dir/mysqld.sock
driver=$(find /usr/lib -name libmaodbc.so -print -quit 2>/dev/null || true)

# Statements in UTF-8, whatever the locale's character set.
sql() { mariadb --no-defaults --default-character-set=utf8mb4 -S "$socket" -u root --batch --skip-column-names "$@"; }

start() {
  [ -n "$driver" ] || { echo "private-db: MariaDB ODBC driver not installed" >&2; exit 1; }
  mkdir -p "$dir/data" "$dir/odbc"
  if [ ! -d "$dir/data/mysql" ]; then
    # The server answers on its socket alone: its accounts need not name
    # this machine, whose name, and even localhost, may not resolve (a
    # container, a fresh root without /etc/hosts); --force lets the install
    # go on where they do not.
    mariadb-install-db --no-defaults --datadir="$dir/data" --user="$(id -un)" --skip-name-resolve --force \
      --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 ||
      { cat "$dir/install.log" >&2; exit 1; }
  fi
  mariadbd --no-defaults --datadir="$dir/data" --socket="$socket" --pid-file="$dir/mysqld.pid" \
    --skip-networking --sql-mode=ANSI_QUOTES --user="$(id -un)" \
    --log-error="$dir/error.log" --general-log-file="$dir/general.log" \
    --innodb-buffer-pool-size=32M --skip-log-bin >/dev/null 2>&1 &
  local server=$!
  # However long a slow, loaded machine takes to bring it up, as long as it
  # lives, up to a limit far beyond that: a server that neither answers nor
  # dies must not hold its caller for ever.
  local deadline=$((SECONDS + 300))
  until sql -e 'select 1' >/dev/null 2>&1; do
    kill -0 "$server" 2>/dev/null || { cat "$dir/error.log" >&2; exit 1; }
    if ((SECONDS > deadline)); then
      kill -9 "$server" 2>/dev/null
      echo "private-db: the server did not answer within 300 s" >&2
      cat "$dir/error.log" >&2
      exit 1
    fi
    sleep 0.1
  done

  sql <<'SQL'
CREATE USER IF NOT EXISTS 'sysprogress'@'localhost' IDENTIFIED BY '507316';
GRANT ALL PRIVILEGES ON *.* TO 'sysprogress'@'localhost' WITH GRANT OPTION;
CREATE USER IF NOT EXISTS 'userSQL'@'%';
CREATE DATABASE IF NOT EXISTS sysprogress;
CREATE TABLE IF NOT EXISTS sysprogress.systables (
  id INT NOT NULL,
  owner VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL,
  tbl VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL,
  seq INT NOT NULL AUTO_INCREMENT PRIMARY KEY
);
SQL

  cat >"$dir/odbc/odbcinst.ini" <<INI
[MariaDB]
Description=MariaDB Connector/ODBC
Driver=$driver
INI
  # Two data sources on the private server; the third points at a socket
  # where nothing answers, so that its failure shows in the log. The
  # driver's own time limits (seconds) end a run whose server stops
  # answering; the MariaDB driver does not apply ODBC's timeouts to that.
  cat >"$dir/odbc/odbc.ini" <<INI
; Data sources of the private test database.
; DefaultIsolationLevel and ArraySize are set by dorvane.

[VistasQuendar]
Driver = MariaDB
Socket = $socket
Database = sysprogress
CONN_TIMEOUT = 10
READ_TIMEOUT = 10
WRITE_TIMEOUT = 10

[VistasQuendar1]
Driver = MariaDB
Socket = $socket
Database = sysprogress
CONN_TIMEOUT = 10
READ_TIMEOUT = 10
WRITE_TIMEOUT = 10

# This one has no server behind it.
[VistasQuendar2]
Driver = MariaDB
Socket = $dir/nobody-listens.sock
Database = sysprogress
CONN_TIMEOUT = 10
READ_TIMEOUT = 10
WRITE_TIMEOUT = 10
INI
}

seed() {
  sql <<'SQL'
CREATE DATABASE IF NOT EXISTS "PUB";
CREATE DATABASE IF NOT EXISTS "CONTA";
CREATE TABLE IF NOT EXISTS "PUB"."clientes" (id INT);
CREATE TABLE IF NOT EXISTS "PUB"."facturas" (id INT);
CREATE TABLE IF NOT EXISTS "PUB"."año" (id INT);
CREATE TABLE IF NOT EXISTS "CONTA"."asientos" (id INT);
CREATE TABLE IF NOT EXISTS "CONTA"."clientes" (id INT);
DELETE FROM sysprogress.systables;
INSERT INTO sysprogress.systables (id, owner, tbl) VALUES
  (-1, 'sysprogress', 'systables'), (0, 'sysprogress', 'syscolumns'),
  (1, 'PUB', 'clientes'), (2, 'PUB', 'facturas'), (3, 'PUB', 'año'),
  (4, 'CONTA', 'asientos'), (5, 'CONTA', 'clientes');
SQL
}

stop() {
  if [ -f "$dir/mysqld.pid" ]; then
    pid=$(cat "$dir/mysqld.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
}

case $command in
  start) start ;;
  seed) seed ;;
  sql) sql ;;
  stop) stop ;;
  *) echo "usage: private-db.sh start|seed|sql|stop DIR" >&2; exit 2 ;;
esac
