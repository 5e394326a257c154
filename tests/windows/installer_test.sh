#!/usr/bin/env bash
# One build's MSI (x64 or x86), installed, run, upgraded and removed under
# Wine as an administrator would (its tables and the task definition are
# installer_tables_test.sh's).
#
#   installer_test.sh ARCH WINDOWS_BUILD_DIR [OTHER_ARCH_MSI]
#
# With the other architecture's MSI, also: either one installed stops the
# other's install (the 64-bit msiexec installs both, so the x64 test can
# try both orders on any machine that runs Wine's 64-bit loader).
set -uo pipefail

arch=${1:?usage: installer_test.sh x64|x86 WINDOWS_BUILD_DIR}
build=$(realpath "${2:?usage: installer_test.sh x64|x86 WINDOWS_BUILD_DIR}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi=$build/dorvane-$version-$arch.msi
other_msi=${3:-}
case $arch in
  x64) program_files="Program Files" ;;
  x86) program_files="Program Files (x86)" ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

work=$(mktemp -d /tmp/dorvane-msi.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT

. "$(dirname "$0")/wine_loader.sh" "$arch" "$work/bin"
. "$(dirname "$0")/../support/checks.sh"
msiexec() { wine msiexec "$@" >/dev/null 2>&1; local rc=$?; wineserver -w; return $rc; }

echo "== a fresh Wine prefix"
wine wineboot -i >/dev/null 2>&1
wineserver -w
installed=$WINEPREFIX/drive_c/$program_files/dorvane

echo "== install $(basename "$msi")"
msiexec /i "$msi" /qn
check "msiexec /i ends with status 0" same 0 "$?"
check "it installs the program and its console companion, its messages' DLL, the README and the task" same \
  "README.md dorvane-messages.dll dorvane-task.xml dorvane.com dorvane.exe" \
  "$(ls "$installed" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "the installed program is this build's" cmp "$build/dorvane.exe" "$installed/dorvane.exe"
event_source() {
  wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\dorvane' 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\(EventMessageFile\|TypesSupported\) *REG_[A-Z_]* *//p' | tr '\n' ' ' | sed 's/ $//'
}
check "it registers the event source, its messages in their DLL" \
  same "C:\\$program_files\\dorvane\\dorvane-messages.dll 0x7" "$(event_source)"
# Each of the message table's entries is its event's own text, "%1": as
# many in the program and in the DLL as the table's source has.
messages=$(grep -c '^MessageId=' "$(dirname "$0")/../../src/os/event_messages.mc")
check "which holds the program's message table, its $messages entries" same "$messages $messages" \
  "$(strings -el "$build/dorvane.exe" | grep -cx '%1%0') $(strings -el "$installed/dorvane-messages.dll" | grep -cx '%1%0')"

echo "== the installed program runs"
mkdir -p "$work/odbc" "$work/elsewhere"  # no data sources at all
# A windows_exporter whose textfile collector reads C:\metrics, where
# another program's file stands too.
metrics=$WINEPREFIX/drive_c/metrics
mkdir -p "$metrics"
echo 'other_metric 1' >"$metrics/other.prom"
wine sc create windows_exporter binPath= '"C:\Program Files\windows_exporter\windows_exporter.exe" --collector.textfile.directory=C:\metrics' >/dev/null 2>&1
(cd "$work/elsewhere" && ODBCSYSINI=$work/odbc timeout 300 wine "$installed/dorvane.exe" >/dev/null 2>&1)
check "it reaches its end, with status 3: no data source is defined" same 3 "$?"
check "its log is beside it, closed by the last line" same "Programa finalizado." \
  "$(tail -n 1 "$installed/dorvane.log" 2>/dev/null | tr -d '\r')"
check "its metrics are in the exporter's folder" grep -q '^dorvane_last_run_exit_status 3$' "$metrics/dorvane.prom"

echo "== another build of the same version replaces it"
case $arch in x64) uninstall_view=/reg:64 ;; x86) uninstall_view=/reg:32 ;; esac
installed_entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s $uninstall_view 2>/dev/null |
    tr -d '\r' | grep -Ec "^ +DisplayName +REG_SZ +dorvane \($arch\)$"
}
check "one entry for the installed product" same 1 "$(installed_entries)"
# Another build of this source: a product code of its own (the build
# derives it from the files), then wixl and the install folder's
# permissions, as the build makes an MSI.
build_msi() {  # build_msi WXS MSI
  sed "s/%DORVANE_PRODUCT_CODE%/{$(cat /proc/sys/kernel/random/uuid)}/" "$1" >"$2.wxs" &&
    (cd "$build" && wixl --arch "$arch" -o "$2" "$2.wxs" >/dev/null) &&
    msibuild "$2" -i "$(dirname "$0")/../../packaging/windows/MsiLockPermissionsEx.idt"
}
build_msi "$build/dorvane.wxs" "$work/rebuilt.msi"
msiexec /i "$work/rebuilt.msi" /qn
check "msiexec /i of the rebuild ends with status 0" same 0 "$?"
check "still one entry: the rebuild took the first one's place" same 1 "$(installed_entries)"

echo "== a newer version replaces it"
newer=$work/newer
mkdir -p "$newer"
# Windows Installer compares three fields of a version: the next patch.
IFS=. read -r major minor patch <<<"$version"
sed "s/Version=\"$version\"/Version=\"$major.$minor.$((patch + 1))\"/" "$build/dorvane.wxs" >"$newer/dorvane.wxs"
build_msi "$newer/dorvane.wxs" "$newer/dorvane.msi"
check "the newer MSI builds" test -f "$newer/dorvane.msi"
msiexec /i "$newer/dorvane.msi" /qn
check "msiexec /i of the newer one ends with status 0" same 0 "$?"
# Wine's msi removes an older version as an uninstall (msiexec /i CODE
# REMOVE=ALL, without UPGRADINGPRODUCTCODE), which forgets the metrics:
# the run gives the uninstall below a file again. The tables test checks
# that Windows' upgrades keep it.
(cd "$work/elsewhere" && ODBCSYSINI=$work/odbc timeout 300 wine "$installed/dorvane.exe" >/dev/null 2>&1)
check "the newer program writes its metrics" test -f "$metrics/dorvane.prom"
# Were the older product still installed beside it, its share of the files
# would keep them through the newer one's removal.
msiexec /x "$newer/dorvane.msi" /qn
check "msiexec /x ends with status 0" same 0 "$?"
check "removing it removes what it installed" same "" "$(ls "$installed" 2>/dev/null | grep -vx dorvane.log)"
check "and leaves the log" test -f "$installed/dorvane.log"
check "and takes the metrics file away, and nothing else in the exporter's folder" same other.prom "$(ls "$metrics")"
wine sc delete windows_exporter >/dev/null 2>&1

echo "== INSTALLDIR: a folder of dorvane's own, never another one"
# The install folder's ACL would cut off whatever else lives in a folder
# that is not dorvane's: its launch condition refuses one not named dorvane.
mkdir -p "$WINEPREFIX/drive_c/Apps"
echo "another program's" >"$WINEPREFIX/drive_c/Apps/other.txt"
msiexec /i "$msi" /qn 'INSTALLDIR=C:\Apps'
check "INSTALLDIR=C:\Apps is refused: 1603, whose low byte is 67" same 67 "$?"
check "and nothing is installed there" same "other.txt" "$(ls "$WINEPREFIX/drive_c/Apps")"
msiexec /i "$msi" /qn 'INSTALLDIR=C:\Apps\dorvane'
check "INSTALLDIR=C:\Apps\dorvane installs there" test -f "$WINEPREFIX/drive_c/Apps/dorvane/dorvane.exe"
# Windows Installer takes the folder back from the installed components;
# Wine's does not, and is told it again.
msiexec /x "$msi" /qn 'INSTALLDIR=C:\Apps\dorvane'
check "and removes from there" same "" "$(ls "$WINEPREFIX/drive_c/Apps/dorvane" 2>/dev/null)"

echo "== install and remove"
msiexec /i "$msi" /qn && msiexec /x "$msi" /qn
check "a plain install and removal end with status 0" same 0 "$?"
check "nothing it installed is left" same "dorvane.log" "$(ls "$installed" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "the event source is gone" same "" "$(event_source)"

if [ -n "$other_msi" ]; then
  echo "== one architecture at a time"
  # Stopped by the launch condition that names the installed product, and
  # by nothing else: 1603 (the exit status is its low byte, 67), the other
  # product found, and the install log's last action LaunchConditions,
  # failed (Wine logs a failed action's return value as 0, and no text).
  refused() {  # refused MSI INSTALLED_MSI
    local log=$WINEPREFIX/drive_c/refused.log status
    rm -f "$log"
    msiexec /i "$1" /qn /l*v 'C:\refused.log'
    status=$?
    local installed_code
    installed_code=$(msiinfo export "$2" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
    same "67 DORVANE_OTHER_ARCH_INSTALLED = $installed_code
LaunchConditions. Return value 0." "$status $(tr -d '\r' <"$log" | grep -E '^Property\(S\): DORVANE_OTHER_ARCH_INSTALLED = ' |
      sed 's/^Property(S): //')
$(tr -d '\r' <"$log" | sed -n 's/^Action ended [0-9:]*: //p' | grep -v '^INSTALL\.' | tail -n 1)"
  }
  msiexec /i "$other_msi" /qn
  check "the other architecture's MSI installs" same 0 "$?"
  check "with it installed, this one's install stops at its launch condition" refused "$msi" "$other_msi"
  check "and its event source is left as it was" test -n "$(event_source)"
  msiexec /x "$other_msi" /qn
  msiexec /i "$msi" /qn
  check "once it is removed, this one installs" same 0 "$?"
  check "with this one installed, the other's install stops at its launch condition" refused "$other_msi" "$msi"
  check "and this one is still installed" test -f "$installed/dorvane.exe"
  msiexec /x "$msi" /qn
  check "which then removes cleanly" same "" "$(event_source)"
fi

checks_done
