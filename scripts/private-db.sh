#!/usr/bin/env bash
# A private MariaDB server for the tests and the demo: its own data
# directory and socket under DIR, no network port, ANSI quotes. It stands
# where the production database would, reached through unixODBC with the
# MariaDB driver.
#
#   private-db.sh start DIR   start the server, create the administrator,
#                             userSQL, an empty catalogue and the privilege
#                             catalogues (views of the server's grants), and write
#                             DIR/odbc/odbc.ini (use ODBCSYSINI=DIR/odbc)
#   private-db.sh views DIR   the privilege catalogues again (after a test
#                             dropped them)
#   private-db.sh views-sql   the statements that make them, on standard
#                             output, for a server of another's (a container's)
#   private-db.sh seed DIR    a small sample catalogue
#   private-db.sh sql DIR     run SQL from standard input as root
#   private-db.sh stop DIR    stop the server
set -euo pipefail

usage="usage: private-db.sh start|views|seed|sql|stop DIR, or private-db.sh views-sql"
command=${1:?$usage}
[ "$command" = views-sql ] || dir=$(realpath -m "${2:?$usage}")
dir=${dir:-}
socket=$dir/mysqld.sock
driver=$(find /usr/lib -name libmaodbc.so -print -quit 2>/dev/null || true)

# Statements in UTF-8, whatever the locale's character set.
sql() { mariadb --no-defaults --default-character-set=utf8mb4 -S "$socket" -u root --batch --skip-column-names "$@"; }

# The production database's privilege catalogues, as views over MariaDB's
# own grant tables, so that a real GRANT shows there as the production
# database shows it and a real REVOKE takes it away: one row per grantee,
# grantor and table (a grant on a schema or on every schema shows once for
# each table it reaches), one per column, one per account's authorities.
# A flag is 'y' when held, 'g' when held with the grant option, blank when
# not. MariaDB's privileges that the production database does not have are
# shown where they weigh as much: CREATE, DROP, TRIGGER, CREATE VIEW and
# DELETE HISTORY as ALTER; a column's INSERT in a column "ins" of its own.
# Grants on a schema or on every schema record no grantor: it is blank.
# Roles are not followed.
privilege_views() {
  # flag_yn GRANT-COLUMN PRIVILEGE-COLUMN...: from 'Y'/'N' columns.
  flag_yn() {
    local grant=$1 condition=; shift
    for column; do condition+="$column = 'Y' OR "; done
    echo "CASE WHEN ${condition% OR } THEN IF($grant = 'Y', 'g', 'y') ELSE ' ' END"
  }
  # flag_set SET-COLUMN GRANT-SET PRIVILEGE...: from a SET column.
  flag_set() {
    local set=$1 grant=$2 condition=; shift 2
    for name; do condition+="FIND_IN_SET('$name', $set) > 0 OR "; done
    echo "CASE WHEN ${condition% OR } THEN IF(FIND_IN_SET('Grant', $grant) > 0, 'g', 'y') ELSE ' ' END"
  }
  local alter_yn=(Alter_priv Create_priv Drop_priv Trigger_priv Create_view_priv Delete_history_priv)
  local alter_set=(Alter Create Drop Trigger 'Create View' 'Delete versioning rows')
  local server_schemas="'mysql', 'information_schema', 'performance_schema', 'sys'"
  yn_columns() {  # the table flags of a row of mysql.db or mysql.user, aliased $1
    local a=$1
    echo "$(flag_yn $a.Grant_priv $a.Select_priv) AS sel, $(flag_yn $a.Grant_priv $a.Insert_priv) AS ins,
      $(flag_yn $a.Grant_priv $a.Update_priv) AS upd, $(flag_yn $a.Grant_priv $a.Delete_priv) AS del,
      $(flag_yn $a.Grant_priv "${alter_yn[@]/#/$a.}") AS alt, $(flag_yn $a.Grant_priv $a.Index_priv) AS ndx,
      $(flag_yn $a.Grant_priv $a.References_priv) AS ref"
  }
  held_yn() {  # whether a row of mysql.user, aliased $1, holds any table privilege
    local a=$1 condition=
    for column in Grant_priv Select_priv Insert_priv Update_priv Delete_priv Index_priv References_priv \
      "${alter_yn[@]}"; do condition+="$a.$column = 'Y' OR "; done
    echo "${condition% OR }"
  }
  cat <<SQL
CREATE OR REPLACE VIEW sysprogress.systabauth AS
SELECT tp.User AS grantee, tp.Grantor AS grantor, tp.Db AS tblowner, tp.Table_name AS tbl,
  $(flag_set tp.Table_priv tp.Table_priv Select) AS sel, $(flag_set tp.Table_priv tp.Table_priv Insert) AS ins,
  $(flag_set tp.Table_priv tp.Table_priv Update) AS upd, $(flag_set tp.Table_priv tp.Table_priv Delete) AS del,
  $(flag_set tp.Table_priv tp.Table_priv "${alter_set[@]}") AS alt, $(flag_set tp.Table_priv tp.Table_priv Index) AS ndx,
  $(flag_set tp.Table_priv tp.Table_priv References) AS ref
FROM mysql.tables_priv tp
UNION ALL
SELECT d.User, '', t.TABLE_SCHEMA, t.TABLE_NAME, $(yn_columns d)
FROM mysql.db d JOIN information_schema.TABLES t ON t.TABLE_SCHEMA LIKE d.Db
WHERE t.TABLE_SCHEMA NOT IN ($server_schemas)
UNION ALL
SELECT u.User, '', t.TABLE_SCHEMA, t.TABLE_NAME, $(yn_columns u)
FROM mysql.user u JOIN information_schema.TABLES t
WHERE t.TABLE_SCHEMA NOT IN ($server_schemas) AND ($(held_yn u));

CREATE OR REPLACE VIEW sysprogress.syscolauth AS
SELECT c.User AS grantee, tp.Grantor AS grantor, c.Db AS tblowner, c.Table_name AS tbl, c.Column_name AS col,
  $(flag_set c.Column_priv tp.Table_priv Select) AS sel, $(flag_set c.Column_priv tp.Table_priv Update) AS upd,
  $(flag_set c.Column_priv tp.Table_priv References) AS ref, $(flag_set c.Column_priv tp.Table_priv Insert) AS ins
FROM mysql.columns_priv c LEFT JOIN mysql.tables_priv tp
  ON tp.Host = c.Host AND tp.Db = c.Db AND tp.User = c.User AND tp.Table_name = c.Table_name;

CREATE OR REPLACE VIEW sysprogress.sysdbauth AS
SELECT u.User AS grantee,
  CASE WHEN u.Super_priv = 'Y' OR u.Grant_priv = 'Y' OR u.Create_user_priv = 'Y' THEN 'y' ELSE ' ' END AS dba_acc,
  CASE WHEN u.Create_priv = 'Y' THEN 'y' ELSE ' ' END AS res_acc
FROM mysql.user u;
SQL
}

start() {
  [ -n "$driver" ] || { echo "private-db: MariaDB ODBC driver not installed" >&2; exit 1; }
  # Temporary tables in a folder of its own: the install names them after
  # its thread, not its folder, and two servers made at the same moment in
  # one /tmp would take each other's.
  mkdir -p "$dir/data" "$dir/odbc" "$dir/tmp"
  if [ ! -d "$dir/data/mysql" ]; then
    # The server answers on its socket alone: its accounts need not name
    # this machine, whose name, and even localhost, may not resolve (a
    # container, a fresh root without /etc/hosts); --force lets the install
    # go on where they do not.
    mariadb-install-db --no-defaults --datadir="$dir/data" --tmpdir="$dir/tmp" --user="$(id -un)" \
      --skip-name-resolve --force --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 ||
      { cat "$dir/install.log" >&2; exit 1; }
  fi
  mariadbd --no-defaults --datadir="$dir/data" --tmpdir="$dir/tmp" --socket="$socket" --pid-file="$dir/mysqld.pid" \
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
  privilege_views | sql

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
  views) privilege_views | sql ;;
  views-sql) privilege_views ;;
  stop) stop ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
