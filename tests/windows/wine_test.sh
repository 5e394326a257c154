#!/usr/bin/env bash
# One build of the Windows program (x64 or x86), run for real under Wine
# against the private MariaDB: its registry writes and the registry view
# they land in, its ODBC32 calls, its log, its message boxes and its events
# (the file itself is program_file_test.sh's). Wine's odbc32 hands every
# ODBC call to the host's unixODBC of the same bitness, so the program
# reaches the same server through the MariaDB driver built for it.
#
#   wine_test.sh ARCH WINDOWS_BUILD_DIR LINUX_EXE
#   (with DORVANE_TEST_DB_DIR set; for x86 also DORVANE_I386_ODBC_DRIVER,
#   the 32-bit libmaodbc.so)
set -uo pipefail

arch=${1:?usage: wine_test.sh x64|x86 WINDOWS_BUILD_DIR LINUX_EXE}
build=$(realpath "${2:?usage: wine_test.sh x64|x86 WINDOWS_BUILD_DIR LINUX_EXE}")
linux_exe=$(realpath "${3:?usage: wine_test.sh x64|x86 WINDOWS_BUILD_DIR LINUX_EXE}")
win_exe=$build/dorvane.exe
unit_tests=$build/tests/windows/dorvane_windows_tests.exe
launcher=$build/tests/windows/station_launcher.exe
db=${DORVANE_TEST_DB_DIR:?DORVANE_TEST_DB_DIR is not set: run the tests with scripts/test.sh}
i386_driver=${DORVANE_I386_ODBC_DRIVER:-}
case $arch in
  # The program's own view of HKLM\SOFTWARE, and the other one.
  x64) view=/reg:64 other_view=/reg:32 ;;
  x86) view=/reg:32 other_view=/reg:64 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

work=$(mktemp -d /tmp/dorvane-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/wine_loader.sh" "$arch" "$work/bin"
if [ "$arch" = x86 ] && [ ! -f "$i386_driver" ]; then
  echo "DORVANE_I386_ODBC_DRIVER: no 32-bit driver" >&2
  exit 1
fi
. "$(dirname "$0")/../support/checks.sh"
sql() { mariadb --no-defaults --default-character-set=utf8mb4 --batch --skip-column-names -u root -S "$db/mysqld.sock"; }
grants() { echo "SHOW GRANTS FOR 'userSQL'@'%'" | sql | sort; }

# The database: PUB tables to grant, CONTA tables whose revokes succeed on
# the first data source and fail on the second, so the log has lines.
reset_database() {
  sql <<'SQL'
DROP DATABASE IF EXISTS "PUB"; DROP DATABASE IF EXISTS "CONTA";
CREATE DATABASE "PUB"; CREATE DATABASE "CONTA";
CREATE TABLE "PUB"."clientes" (id INT); CREATE TABLE "PUB"."facturas" (id INT);
CREATE TABLE "CONTA"."asientos" (id INT);
DELETE FROM mysql.tables_priv WHERE User = 'userSQL'; FLUSH PRIVILEGES;
GRANT INSERT ON "PUB"."clientes" TO 'userSQL'; GRANT UPDATE ON "CONTA"."asientos" TO 'userSQL';
DELETE FROM sysprogress.systables;
INSERT INTO sysprogress.systables (id, owner, tbl) VALUES
  (0, 'CONTA', 'hidden'), (1, 'PUB', 'clientes'), (2, 'CONTA', 'asientos'), (3, 'PUB', 'facturas');
SQL
}
set_catalogue() { echo "DELETE FROM sysprogress.systables; INSERT INTO sysprogress.systables (id, owner, tbl) VALUES $1;" | sql; }
# userSQL's grant on a table that the catalogue leaves out goes first: no
# walk revokes it, and each run would tell it as more than the run means.
without_asientos() { echo "REVOKE UPDATE ON \"CONTA\".\"asientos\" FROM 'userSQL';" | sql; }
without_clientes() { echo "REVOKE INSERT ON \"PUB\".\"clientes\" FROM 'userSQL';" | sql; }
# A PUB table that does not exist, whose grant fails, beside one that does.
ghost_catalogue() { set_catalogue "(1, 'PUB', 'ghost'), (2, 'PUB', 'clientes')"; without_asientos; }

# unixODBC's data sources, for every program: the third has no section, so
# that each run ends with 3 (a data source not opened) unless it is given
# odbc-all.
# One driver entry serves both bitnesses: unixODBC's 64-bit library reads
# Driver64, its 32-bit one Driver.
mkdir -p "$work/odbc"
if [ -n "$i386_driver" ]; then
  amd64_driver=$(sed -n 's/^Driver *= *//p' "$db/odbc/odbcinst.ini")
  printf '[MariaDB]\nDescription = MariaDB Connector/ODBC\nDriver = %s\nDriver64 = %s\n' \
    "$i386_driver" "$amd64_driver" >"$work/odbc/odbcinst.ini"
else
  cp "$db/odbc/odbcinst.ini" "$work/odbc/"
fi
for name in VistasQuendar VistasQuendar1; do
  printf '[%s]\nDriver = MariaDB\nSocket = %s\nDatabase = sysprogress\nCONN_TIMEOUT = 10\nREAD_TIMEOUT = 10\nWRITE_TIMEOUT = 10\n\n' \
    "$name" "$db/mysqld.sock"
done >"$work/odbc/odbc.ini"
export ODBCSYSINI=$work/odbc
mkdir -p "$work/odbc-all"
cp "$work/odbc/odbcinst.ini" "$work/odbc-all/"
{ cat "$work/odbc/odbc.ini"; sed -n '/^\[VistasQuendar1\]$/,$p' "$work/odbc/odbc.ini" | sed 's/^\[VistasQuendar1\]$/[VistasQuendar2]/'; } \
  >"$work/odbc-all/odbc.ini"

echo "== a fresh Wine prefix"
wine wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f /reg:64 >/dev/null 2>&1
# The data sources' keys in the program's own view of the registry; a third
# one only in the other view, where the program must not write.
for name in VistasQuendar VistasQuendar1; do
  wine reg add "HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\$name" /v Driver /t REG_SZ /d MariaDB /f $view >/dev/null 2>&1
done
wine reg add 'HKLM\SOFTWARE\ODBC\ODBC.INI\VistasQuendar2' /v Driver /t REG_SZ /d MariaDB /f $other_view >/dev/null 2>&1

echo "== the Windows unit tests"
wine "$unit_tests" --gtest_brief=1 2>&1 | tr -d '\r'
check "the Windows unit tests pass" same 0 "${PIPESTATUS[0]}"

# Runs a program copied into a folder of its own, from another folder.
run_windows() {  # run_windows DIR [env...]
  mkdir -p "$1" "$work/elsewhere"
  cp "$win_exe" "$1/dorvane.exe"
  (cd "$work/elsewhere" && timeout 300 env "${@:2}" wine "$1/dorvane.exe" >"$1/output" 2>&1)
}

echo "== help, asked the Windows way, into a file"
mkdir -p "$work/help" "$work/elsewhere"
cp "$win_exe" "$work/help/dorvane.exe"
(cd "$work/elsewhere" && timeout 300 wine "$work/help/dorvane.exe" '/?' >"$work/help/text" 2>/dev/null)
check "dorvane.exe /? ends with status 0" same 0 "$?"
check "its text reaches the file, in CR LF lines" grep -q $'^Exit status:\r$' "$work/help/text"
check "nothing else happens: no log, no setting" same "dorvane.exe text 1" "$(ls "$work/help" | tr '\n' ' ')$(
  wine reg query 'HKLM\SOFTWARE\ODBC\ODBC.INI\VistasQuendar' $view 2>/dev/null | grep -c REG_SZ)"

echo "== the Linux program, for reference"
reset_database
mkdir -p "$work/linux"
cp "$linux_exe" "$work/linux/dorvane"
# Its metrics go to a folder of the test's, never to the machine's.
mkdir -p "$work/linux-metrics"
own_metrics=$(realpath "$(dirname "$0")/../../scripts/own-metrics-folder.sh")
(cd "$work/elsewhere" 2>/dev/null || cd "$work"
 "$own_metrics" "$work/linux-metrics" "$work/linux/dorvane" 2>/dev/null)
check "the Linux run ends with status 3" same 3 "$?"
linux_grants=$(grants)

echo "== the Windows program, headless"
reset_database
run_windows "$work/win"
check "the Windows run ends with status 3" same 3 "$?"
check "its log holds the Linux log's bytes" cmp "$work/linux/dorvane.log" "$work/win/dorvane.log"
check "its log ends with CR LF" same "Programa finalizado.\r\n" "$(tail -c 22 "$work/win/dorvane.log" | sed -n l | tr -d '\n' | sed 's/\$$//; s/\\r/\\r\\n/')"
check "userSQL's grants are the Linux run's" same "$linux_grants" "$(grants)"
# Windows looks for a DLL that is not one of its known DLLs beside the
# program first (Wine does the same with native DLLs put first): a DLL named
# ODBC32.dll in the program's folder must never be loaded.
echo "== a DLL named ODBC32.dll, planted beside the program"
reset_database
mkdir -p "$work/planted"
cp "$build/tests/windows/ODBC32.dll" "$work/planted/"
run_windows "$work/planted" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;odbc32=n,b"
check "the run ends with status 3" same 3 "$?"
check "its log is the headless run's" cmp "$work/win/dorvane.log" "$work/planted/dorvane.log"
check "the planted DLL was never loaded" same "" "$(ls "$work/planted" | grep '^planted-')"
# The plan, into a file: the Linux program's, statement for statement and
# heading for heading (the line of the data source that cannot be opened
# holds each ODBC layer's own words).
(cd "$work/elsewhere" && timeout 300 wine "$work/win/dorvane.exe" --dry-run >"$work/win/plan" 2>/dev/null)
check "dorvane.exe --dry-run > file ends with a run's status, 3" same 3 "$?"
(cd "$work/elsewhere" && "$linux_exe" --dry-run >"$work/linux/plan" 2>/dev/null)
check "its plan, in CR LF lines, is the Linux program's" same "$(grep -v '^Error para ' "$work/linux/plan")" \
  "$(grep -v '^Error para ' "$work/win/plan" | sed 's/\r$//')"
check "and it has the statements" grep -q '^Revoke all on "PUB"."clientes" from '"'userSQL'"$'\r$' "$work/win/plan"
# From a command prompt: cmd runs dorvane.com before dorvane.exe, waits for
# it, and takes the program's status.
cp "$build/dorvane.com" "$work/win/"
(cd "$work/elsewhere" && timeout 300 wine cmd /c "cd /d $(winepath -w "$work/win" 2>/dev/null) && dorvane --dry-run" \
  >"$work/win/plan-com" 2>/dev/null)
check "dorvane --dry-run through cmd /c ends with dorvane.exe's status, 3" same 3 "$?"
check "and has written the whole plan before it returns" cmp "$work/win/plan" "$work/win/plan-com"
(cd "$work/elsewhere" && timeout 300 wine cmd /c "$(winepath -w "$work/win/dorvane.com" 2>/dev/null) --bogus" \
  >/dev/null 2>"$work/win/usage-com")
check "a usage error: status 2, on standard error" same "2 dorvane: unknown argument '--bogus'" \
  "$? $(head -n 1 "$work/win/usage-com" | tr -d '\r')"
key_values() {  # key_values NAME VIEW
  wine reg query "HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\$1" $2 2>/dev/null | tr -d '\r' | grep -v '^reg: '
}
for name in VistasQuendar VistasQuendar1; do
  values=$(key_values "$name" $view)
  check "$name: DefaultIsolationLevel REG_SZ READ UNCOMMITTED" grep -Eq '^ +DefaultIsolationLevel +REG_SZ +READ UNCOMMITTED$' <<<"$values"
  check "$name: ArraySize REG_SZ 1000" grep -Eq '^ +ArraySize +REG_SZ +1000$' <<<"$values"
  check "$name: nothing written in the other view" same "" "$(key_values "$name" $other_view)"
done
check "the third key is not in the program's view" same "" "$(key_values VistasQuendar2 $view)"
check "the third key, in the other view, is left alone" same "" \
  "$(key_values VistasQuendar2 $other_view | grep -E 'DefaultIsolationLevel|ArraySize')"

echo "== a system whose ANSI code page is UTF-8"
# Windows' "Use Unicode UTF-8 for worldwide language support". Wine takes
# 65001 as the ANSI code page for a language that has none of its own, such
# as Hindi; the locale is made here, for Wine alone. The keys lose their
# values first, so that the run must write them again.
mkdir -p "$work/locales"
localedef -i hi_IN -f UTF-8 "$work/locales/hi_IN.UTF-8" 2>/dev/null
utf8_locale=(LOCPATH="$work/locales" LANG=hi_IN.UTF-8 LC_ALL=hi_IN.UTF-8)
check "Wine's ANSI code page is 65001 there" grep -Eq '^ +ACP +REG_SZ +65001$' <<<"$(env "${utf8_locale[@]}" \
  wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null | tr -d '\r')"
reset_database
echo 'CREATE TABLE "PUB"."año" (id INT);' | sql
set_catalogue "(1, 'PUB', 'año')"
for name in VistasQuendar VistasQuendar1; do
  for value in DefaultIsolationLevel ArraySize; do
    wine reg delete "HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\$name" /v $value /f $view >/dev/null 2>&1
  done
done
run_windows "$work/utf8" "${utf8_locale[@]}"
check "the run ends with status 3" same 3 "$?"
check "its log holds the table's name in UTF-8" grep -q $'^Error para VistasQuendar\\.PUB\\.a\xc3\xb1o -> 1147 -> ' \
  "$work/utf8/dorvane.log"
for name in VistasQuendar VistasQuendar1; do
  values=$(key_values "$name" $view)
  check "$name: the settings reach the key" same "ArraySize REG_SZ 1000
DefaultIsolationLevel REG_SZ READ UNCOMMITTED" "$(grep -E 'DefaultIsolationLevel|ArraySize' <<<"$values" |
    sed -E 's/^ +//; s/ {2,}/ /g' | LC_ALL=C sort)"
done

echo "== message boxes, under Xvfb"
# Wine's desktop process started headless; the next one starts with a display.
wineserver -k >/dev/null 2>&1; wineserver -w
display=
for n in $(seq 90 130); do
  [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
# However long the machine takes to bring it up.
until xdotool getmouselocation >/dev/null 2>&1; do kill -0 "$xvfb_pid" 2>/dev/null || break; sleep 0.1; done

# Whether any of the given processes still runs.
running() {  # running PID...
  local pid
  for pid in "$@"; do kill -0 "$pid" 2>/dev/null && return 0; done
  return 1
}

# Answers every box captioned "dorvane" with Return, again and again,
# until the runs with the given process IDs have ended, however long they
# take (each run is bounded by its own timeout). A key that did not reach
# its box is simply pressed again on the next pass, so nothing depends on
# when a box becomes ready for it; a box left unanswered shows as its
# run's timeout status. How many boxes there were is read from Wine's
# trace of them, in DIR/output.
answer_boxes() {  # answer_boxes PID...
  local window
  while running "$@"; do
    for window in $(xdotool search --name '^dorvane$' 2>/dev/null); do
      timeout 5 xdotool windowfocus --sync "$window" >/dev/null 2>&1
      xdotool key --clearmodifiers Return >/dev/null 2>&1
    done
    sleep 0.2
  done
}
box_texts() { sed -n 's/^.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"\r*$/\1/p' "$1/output"; }

# A PUB table that does not exist: each data source's grant fails.
reset_database
ghost_catalogue
run_windows "$work/box" WINEDEBUG=+msgbox &
runner=$!
answer_boxes "$runner"
wait "$runner"
check "the run went on to its end, status 3" same 3 "$?"
log=$(tr -d '\r' <"$work/box/dorvane.log")
description=$(sed -n 's/^Error para VistasQuendar\.PUB\.ghost -> 1146 -> //p' <<<"$log" | head -n 1)
check "the grant's failure is logged" test -n "$description"
check "each box's text is the grant's description alone" same "$description
$description" "$(box_texts "$work/box")"
check "the grant's line follows the revoke's, then the next table" same "$(printf '%s\n' \
  "Error para VistasQuendar.PUB.ghost -> 1147" "Error para VistasQuendar.PUB.ghost -> 1146" \
  "Error para VistasQuendar1.PUB.ghost -> 1147" "Error para VistasQuendar1.PUB.ghost -> 1146" \
  "Error para  ODBC --> VistasQuendar2" "Programa finalizado.")" \
  "$(sed -E 's/^(Error para [^>]*-> -?[0-9]+).*/\1/; s/^(Error para  ODBC --> [^ ]*).*/\1/' <<<"$log")"

# Two runs at once: while the first one's box holds it mid-walk, a second
# run in the same folder cannot open the log, which the first keeps open for
# writing alone, and ends as an uncaught error does. The first run is then
# finished untouched: its log is the lone run's above, byte for byte.
reset_database
ghost_catalogue
run_windows "$work/overlap" WINEDEBUG=+msgbox &
first=$!
# Its first box: it holds the log there.
until xdotool search --name '^dorvane$' >/dev/null 2>&1; do running "$first" || break; sleep 0.1; done
log_while_held=$(od -c "$work/overlap/dorvane.log")
(cd "$work/elsewhere" && WINEDEBUG=+msgbox timeout 300 wine "$work/overlap/dorvane.exe" >"$work/overlap/second" 2>&1) &
second=$!
# The second run's trace tells when its own box is up; the first run is
# still held at its box then.
until grep -q 'MSGBOX_OnInit' "$work/overlap/second" 2>/dev/null; do running "$second" || break; sleep 0.1; done
check "the second run's box tells of the sharing violation" grep -q 'MSGBOX_OnInit L"Error 32: ' "$work/overlap/second"
check "the log held by the first run is untouched" same "$log_while_held" "$(od -c "$work/overlap/dorvane.log")"
# Whose box is whose does not matter from here on.
answer_boxes "$first" "$second"
wait "$second"
check "the second run ends with status 1" same 1 "$?"
wait "$first"
check "the first run goes on to its end, status 3" same 3 "$?"
check "its log is a lone run's" cmp "$work/box/dorvane.log" "$work/overlap/dorvane.log"

# dorvane.com ends dorvane.exe with itself: a prompt closed (here, its
# process killed) while the program waits at a box mid-walk leaves no
# program behind to go on unseen.
reset_database
ghost_catalogue
mkdir -p "$work/companion"
cp "$win_exe" "$build/dorvane.com" "$work/companion/"
(cd "$work/elsewhere" && timeout 300 wine cmd /c "cd /d $(winepath -w "$work/companion" 2>/dev/null) && dorvane" \
  >/dev/null 2>&1) &
prompt=$!
until xdotool search --name '^dorvane$' >/dev/null 2>&1; do running "$prompt" || break; sleep 0.1; done
check "through dorvane.com, the program waits at its first box" xdotool search --name '^dorvane$' >/dev/null
# dorvane.com's process has the command line that the prompt gave it.
check "dorvane.com is killed" pkill -KILL -f '^dorvane$'
for _ in $(seq 1 300); do xdotool search --name '^dorvane$' >/dev/null 2>&1 || break; sleep 0.1; done
check "once dorvane.com is gone, so is dorvane.exe, its box with it" same "" \
  "$(xdotool search --name '^dorvane$' 2>/dev/null)"
pkill -KILL -f 'companion.dorvane\.exe' || true  # what a failure above left
wait "$prompt"
check "and the walk went no further: no closing line" same "" \
  "$(grep -a 'Programa finalizado' "$work/companion/dorvane.log" 2>/dev/null)"

# Wine's trace of the events that a run reported, of one type: warn or err.
event_texts() { sed -n "s/^.*:$2:eventlog:ReportEventW L\"\(.*\)\"\r*\$/\1/p" "$1/output"; }

# An error that nothing catches: a null owner ends the run. It is recorded
# in the event log as well as shown.
set_catalogue "(1, NULL, 'x')"
run_windows "$work/fatal" WINEDEBUG=+msgbox,err+eventlog &
runner=$!
answer_boxes "$runner"
wait "$runner"
check "an uncaught error ends the run with status 1" same 1 "$?"
check "its box shows the number and the description" same "Error 94: Invalid use of Null" "$(box_texts "$work/fatal")"
check "an error event says the same" same "Error 94: Invalid use of Null" "$(event_texts "$work/fatal" err | head -n 1)"
check "its log has no closing line" same "" "$(cat "$work/fatal/dorvane.log")"

echo "== on a window station that nobody sees"
# As a service or a SYSTEM task runs: no box can be answered there, so
# none is shown and nothing waits; the event log gets what a box would say.
run_unseen() {  # run_unseen DIR
  mkdir -p "$1" "$work/elsewhere"
  cp "$win_exe" "$1/dorvane.exe"
  (cd "$work/elsewhere" && WINEDEBUG=+eventlog,+msgbox,fixme+advapi \
    timeout 300 wine "$launcher" "$(winepath -w "$1/dorvane.exe" 2>/dev/null)" >"$1/output" 2>&1)
}
reset_database
ghost_catalogue
run_unseen "$work/unseen"
check "a run with failed grants ends by itself, status 3" same 3 "$?"
check "its log is that of the run whose boxes were answered" cmp "$work/box/dorvane.log" "$work/unseen/dorvane.log"
check "each failed grant is a warning event with the grant's description" same "$description
$description" "$(event_texts "$work/unseen" warn | grep -v -e '^the data source ' -e '^Summary of the run:')"
check "no box is shown" same "" "$(box_texts "$work/unseen")"
# A run where every grant fails, 25 of them on the one data source that
# this run's odbc.ini defines: the shared Application log gets the first
# ten and one warning for the rest, the run log all of them.
reset_database
set_catalogue "$(for i in $(seq 1 25); do echo "($i, 'PUB', 'ghost$i')"; done | paste -sd,)"
without_asientos
without_clientes
mkdir -p "$work/odbc-one"
cp "$work/odbc/odbcinst.ini" "$work/odbc-one/"
sed '/^\[VistasQuendar1\]/,$d' "$work/odbc/odbc.ini" >"$work/odbc-one/odbc.ini"
ODBCSYSINI=$work/odbc-one run_unseen "$work/unseen-many"
check "a run with 25 failed grants ends by itself, status 3" same 3 "$?"
check "the run log has every failed grant" same 25 "$(grep -c -- '-> 1146 -> ' "$work/unseen-many/dorvane.log")"
warnings=$(event_texts "$work/unseen-many" warn)
check "the first ten are warning events" same "$(grep -- '-> 1146 -> ' "$work/unseen-many/dorvane.log" | head -n 10 |
  sed 's/^.* -> 1146 -> //' | tr -d '\r')" "$(head -n 10 <<<"$warnings")"
check "one more warning counts the other 15 and names the log" same \
  "15 more failed grants are not recorded here: each of them is in the log $(winepath -w "$work/unseen-many/dorvane.log" 2>/dev/null | tr -d '\r')" \
  "$(grep '^15 more' <<<"$warnings" | sed 's/\\\\/\\/g')"
check "each data source not opened is a warning with its number and description" same "VistasQuendar1 -2147467259
VistasQuendar2 -2147467259" "$(sed -n 's/^the data source \(VistasQuendar[12]\) could not be opened: error \(-\{0,1\}[0-9]*\): .\{1,\}$/\1 \2/p' <<<"$warnings")"
# Wine's stub names each event's type and ID: monitoring picks them by ID.
event_ids() { sed -n 's/^.*fixme:advapi:ReportEventW ([^,]*,0x\([0-9a-f]*\),0x[0-9a-f]*,0x\([0-9a-f]*\),.*$/\1 \2/p' "$1/output"; }
check "IDs: a warning 1 for each of the ten, a warning 6 for each data source not opened, a warning 2 for the rest, then the summary, a warning 4 for status 3" same \
  "$(printf '0002 00000001\n%.0s' $(seq 1 10))
0002 00000006
0002 00000006
0002 00000002
0002 00000004" "$(event_ids "$work/unseen-many")"
check "the summary counts the walk" grep -q \
  ':eventlog:ReportEventW L"Summary of the run:\\n  VistasQuendar: 25 tables walked; revokes: 25 sent, 25 failed; grants: 25 sent, 25 failed; userSQL read-only\\n' \
  "$work/unseen-many/output"
check "the event source is registered once" same 1 \
  "$(grep -c 'fixme:advapi:RegisterEventSourceA ' "$work/unseen-many/output")"
mkdir -p "$work/unseen-fatal/dorvane.log"  # the log cannot be created
run_unseen "$work/unseen-fatal"
check "a run that ends early ends by itself, status 1" same 1 "$?"
check "an error event carries the number and the description" grep -Eqx 'Error [0-9]+: .+' \
  <<<"$(event_texts "$work/unseen-fatal" err)"
check "IDs: the early end, error 3, then the summary, an error 4 for status 1" same "0001 00000003
0001 00000004" "$(event_ids "$work/unseen-fatal")"
check "no run so far wrote metrics: no windows_exporter service" same "" "$(find "$WINEPREFIX" -name 'dorvane.prom*')"

echo "== a run that did all its work, and windows_exporter's textfile collector"
reset_database
ODBCSYSINI=$work/odbc-all run_unseen "$work/unseen-clean"
check "a run with every data source opened and every grant made ends with status 0" same 0 "$?"
check "IDs: the summary alone, information 4" same "0004 00000004" "$(event_ids "$work/unseen-clean")"

echo "== a run that leaves userSQL able to write"
# A grant to PUBLIC reaches userSQL, and no revoke of the run takes it away.
echo 'GRANT INSERT ON "PUB"."clientes" TO PUBLIC;' | sql
ODBCSYSINI=$work/odbc-all run_unseen "$work/unseen-excess"
excess_status=$?
echo 'REVOKE INSERT ON "PUB"."clientes" FROM PUBLIC;' | sql
check "it ends with status 3" same 3 "$excess_status"
check "IDs: a warning 8 for each data source, then the summary, a warning 4" same "$(printf '0002 00000008\n%.0s' 1 2 3)
0002 00000004" "$(event_ids "$work/unseen-excess")"
check "the warning names the privilege, who holds it and the revoke that removes it" same \
  'VistasQuendar: userSQL can do more than read: INSERT on \"PUB\".\"clientes\", held by PUBLIC, granted by root@localhost; removed by root@localhost with: revoke insert on \"PUB\".\"clientes\" from PUBLIC' \
  "$(event_texts "$work/unseen-excess" warn | head -n 1)"
# The exporter's service, registered as its installer does, with its folder
# for metrics files; the program itself need not be there.
exporter_dir="$WINEPREFIX/drive_c/Program Files/windows_exporter"
mkdir -p "$exporter_dir/textfile_inputs"
wine sc create windows_exporter binPath= '"C:\Program Files\windows_exporter\windows_exporter.exe" --log.file eventlog' \
  >/dev/null 2>&1
check "sc create registers the exporter's service" grep -q windows_exporter.exe \
  <<<"$(wine reg query 'HKLM\System\CurrentControlSet\Services\windows_exporter' /v ImagePath 2>/dev/null)"
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported"
check "the run ends with status 0" same 0 "$?"
prom="$exporter_dir/textfile_inputs/dorvane.prom"
check "it writes dorvane.prom in textfile_inputs, alone" same dorvane.prom "$(ls "$exporter_dir/textfile_inputs")"
check "in LF lines with a final newline and no BOM" same "# HELP|0 0 1" \
  "$(head -c 6 "$prom")|$(tr -cd '\r' <"$prom" | wc -c) $(tail -c 1 "$prom" | tr -d '\n' | wc -c) $(
     grep -c '^dorvane_last_success_timestamp_seconds [0-9]*$' "$prom")"
check "the Linux program's metrics" same "dorvane_build_info dorvane_data_source_opened dorvane_excess_privileges \
dorvane_last_run_duration_seconds dorvane_last_run_exit_status dorvane_last_run_timestamp_seconds \
dorvane_last_start_timestamp_seconds dorvane_last_success_timestamp_seconds dorvane_privileges_checked dorvane_statements_failed dorvane_statements_sent \
dorvane_tables_walked" \
  "$(grep -v '^#' "$prom" | sed 's/[{ ].*//' | LC_ALL=C sort -u | paste -sd' ')"
success=$(sed -n 's/^dorvane_last_success_timestamp_seconds //p' "$prom")
run_unseen "$work/exported-3"
check "a run that ends with 3 keeps the last success" same "3 $success" \
  "$(sed -n 's/^dorvane_last_run_exit_status //p' "$prom") $(sed -n 's/^dorvane_last_success_timestamp_seconds //p' "$prom")"

# The folder that the exporter's command line names: its MSI's
# TEXTFILE_DIRS as the first of a list, an older version's single folder,
# or a configuration file, which is not read.
exporter_service() {  # exporter_service ARGUMENTS
  wine sc delete windows_exporter >/dev/null 2>&1
  wine sc create windows_exporter binPath= "\"C:\Program Files\windows_exporter\windows_exporter.exe\" $1" \
    >/dev/null 2>&1
}
rm -f "$prom"
mkdir -p "$WINEPREFIX/drive_c/metrics" "$WINEPREFIX/drive_c/other" "$WINEPREFIX/drive_c/m2"
exporter_service '--collector.textfile.directories "C:\metrics,C:\other"'
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported-list"
check "--collector.textfile.directories: dorvane.prom in the first of its folders alone" same \
  "$WINEPREFIX/drive_c/metrics/dorvane.prom" "$(find "$WINEPREFIX/drive_c" -name 'dorvane.prom*')"
exporter_service '--collector.textfile.directory=C:\m2'
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported-one"
check "--collector.textfile.directory=: dorvane.prom there, the last one kept where it was" same \
  "$WINEPREFIX/drive_c/m2/dorvane.prom $WINEPREFIX/drive_c/metrics/dorvane.prom" \
  "$(find "$WINEPREFIX/drive_c" -name 'dorvane.prom*' | LC_ALL=C sort | paste -sd' ')"
rm -f "$WINEPREFIX/drive_c/metrics/dorvane.prom" "$WINEPREFIX/drive_c/m2/dorvane.prom"
exporter_service '--config.file C:\we\config.yml'
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported-config"
check "--config.file alone: the run ends with status 0, and no metrics file anywhere" same "0 " \
  "$? $(find "$WINEPREFIX/drive_c" -name 'dorvane.prom*')"
check "after the summary, a warning 7" same "0004 00000004
0002 00000007" "$(event_ids "$work/exported-config")"
check "its text names the file" grep -qF 'C:\\we\\config.yml' <<<"$(event_texts "$work/exported-config" warn)"
# What stands at the file's name: a file too large loses the carry-over,
# told as the run starts, and is replaced; a folder is told twice, at the
# start and at the end, and stays.
exporter_service '--collector.textfile.directories=C:\metrics'
head -c 1048576 /dev/zero >"$WINEPREFIX/drive_c/metrics/dorvane.prom"
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported-large"
check "a file of 1 MiB at its name: told before the summary, and replaced" same "0002 00000007
0004 00000004|1|1" "$(event_ids "$work/exported-large")|$(
  event_texts "$work/exported-large" warn | grep -c 'it is larger than 64 KiB')|$(
  grep -c '^dorvane_last_run_exit_status 0$' "$WINEPREFIX/drive_c/metrics/dorvane.prom")"
rm -f "$WINEPREFIX/drive_c/metrics/dorvane.prom"
mkdir "$WINEPREFIX/drive_c/metrics/dorvane.prom"
ODBCSYSINI=$work/odbc-all run_unseen "$work/exported-folder"
check "a folder at its name: the run ends with status 0, told twice, the folder as it was" same "0|0002 00000007
0004 00000004
0002 00000007|1|" "$?|$(event_ids "$work/exported-folder")|$(
  event_texts "$work/exported-folder" warn | grep -c 'it is a folder')|$(ls "$WINEPREFIX/drive_c/metrics/dorvane.prom")"

# A run that never ends: killed (taskkill /F, as the task's time limit
# ends it) while its box holds it mid-walk. The file keeps the night
# before's gauges under the killed run's start, which is newer than their
# end.
rmdir "$WINEPREFIX/drive_c/metrics/dorvane.prom"
reset_database
ODBCSYSINI=$work/odbc-all run_unseen "$work/night-before"
night_before=$(grep -v '^dorvane_last_start_timestamp_seconds \|^# [A-Z]* dorvane_last_start_timestamp_seconds ' \
  "$WINEPREFIX/drive_c/metrics/dorvane.prom")
ghost_catalogue
sleep 1  # its start falls in a later second
run_windows "$work/killed" &
killed=$!
until xdotool search --name '^dorvane$' >/dev/null 2>&1; do running "$killed" || break; sleep 0.1; done
check "the run waits at its first box" xdotool search --name '^dorvane$' >/dev/null
wine taskkill /F /IM dorvane.exe >/dev/null 2>&1
wait "$killed"
left="$WINEPREFIX/drive_c/metrics/dorvane.prom"
check "taskkill /F: the night before's gauges as they were, under a start newer than their end" same \
  "$night_before|1" "$(grep -v '^dorvane_last_start_timestamp_seconds \|^# [A-Z]* dorvane_last_start_timestamp_seconds ' "$left")|$(
    awk '$1 == "dorvane_last_start_timestamp_seconds" { s = $2 } $1 == "dorvane_last_run_timestamp_seconds" { e = $2 }
         END { print (s > e) ? 1 : 0 }' "$left")"
wine sc delete windows_exporter >/dev/null 2>&1

checks_done
