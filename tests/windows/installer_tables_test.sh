#!/usr/bin/env bash
# One build's MSI (x64 or x86) and its Task Scheduler definition, read
# without running anything, so that they are checked on any machine:
# installer_test.sh then installs, upgrades and removes the MSI under Wine.
#
#   installer_tables_test.sh ARCH WINDOWS_BUILD_DIR [OTHER_ARCH_MSI]
#
# Without the other architecture's MSI, the checks of how the two exclude
# each other are left out.
set -uo pipefail

arch=${1:?usage: installer_tables_test.sh x64|x86 WINDOWS_BUILD_DIR}
build=$(realpath "${2:?usage: installer_tables_test.sh x64|x86 WINDOWS_BUILD_DIR}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi=$build/dorvane-$version-$arch.msi
other_msi=${3:-}
# Component attribute 256 (msidbComponentAttributes64bit) marks what goes
# to the 64-bit view of the file system and the registry.
case $arch in
  x64) folder=ProgramFiles64Folder platform=x64 bits64=256 other=x86 command='"%ProgramFiles%\dorvane\dorvane.exe"' ;;
  x86) folder=ProgramFilesFolder platform=Intel bits64=0 other=x64 command='"%ProgramFiles(x86)%\dorvane\dorvane.exe"' ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

. "$(dirname "$0")/../support/checks.sh"

echo "== the task definition"
task=$build/dorvane-task.xml
xpath() { xmllint --xpath "$1" "$task" 2>/dev/null; }
check "it is well-formed XML" xmllint --noout "$task"
check "it is a Task Scheduler task" same "Task http://schemas.microsoft.com/windows/2004/02/mit/task" \
  "$(xpath 'concat(local-name(/*), " ", namespace-uri(/*))')"
ns='*[namespace-uri()="http://schemas.microsoft.com/windows/2004/02/mit/task"]'
el() { local path=; for name in "$@"; do path+="/$ns[local-name()=\"$name\"]"; done; xpath "string($path)"; }
check "daily" same 1 "$(el Task Triggers CalendarTrigger ScheduleByDay DaysInterval)"
check "as SYSTEM" same S-1-5-18 "$(el Task Principals Principal UserId)"
check "with the highest privileges" same HighestAvailable "$(el Task Principals Principal RunLevel)"
check "with no stored password" same "" "$(el Task Principals Principal LogonType)"
check "one run at a time" same IgnoreNew "$(el Task Settings MultipleInstancesPolicy)"
check "the installed program" same "$command" "$(el Task Actions Exec Command)"

echo "== the tables of $(basename "$msi")"
# A table's rows, after its three header lines, columns separated by tabs.
rows() { msiinfo export "${2:-$msi}" "$1" | tr -d '\r' | tail -n +4 | LC_ALL=C sort; }
# Every check below reads tables; one that msiinfo cannot read would leave
# them comparing empty texts.
readable() { msiinfo export "$1" Property >/dev/null 2>&1; }
for package in "$msi" ${other_msi:+"$other_msi"}; do
  check "msiinfo reads $(basename "$package")" readable "$package"
done
property() { rows Property "${2:-}" | sed -n "s/^$1\t//p"; }
check "its platform is $platform" same "$platform;1033" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')"
check "it installs the program and its console companion, its messages' DLL, the README and the task" same "$(printf '%s\n' \
  "README.md	Readme	README.md" "dorvane.com	Program	dorvane.com" "dorvane.exe	Program	dorvane.exe" \
  "dorvane_messages.dll	EventMessages	dorvane-messages.dll" "dorvane_task.xml	Task	dorvane-task.xml")" \
  "$(rows File | cut -f 1-3)"
check "into $folder\\dorvane" same "$(printf '%s\n' \
  "INSTALLDIR	$folder	dorvane" "$folder	TARGETDIR	." "TARGETDIR		SourceDir")" "$(rows Directory)"
check "every component in the $arch view" same "EventMessages $bits64
EventSource $((bits64 | 4))
Program $bits64
Readme $bits64
Task $bits64" "$(rows Component | awk -F '\t' '{ print $1, $4 }')"
code=$(property UpgradeCode)
next=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version")
check "its own upgrade code" grep -Eqx '\{[0-9A-F-]{36}\}' <<<"$code"
# 256: the maximum excluded, so every version before the next patch,
# this one rebuilt included, is removed; 258: newer ones only detected.
check "it replaces every installed version before $next and stops at a newer one" same "$(printf '%s\n' \
  "$code	0.0.0	$next		256		WIX_UPGRADE_DETECTED" "$code	$next			258		WIX_DOWNGRADE_DETECTED")" \
  "$(rows Upgrade | grep "^$code")"
check "a newer version installed stops it" same "NOT WIX_DOWNGRADE_DETECTED	A newer version of dorvane is already installed." \
  "$(rows LaunchCondition | grep WIX_DOWNGRADE_DETECTED)"
if [ -n "$other_msi" ]; then
  other_code=$(property UpgradeCode "$other_msi")
  check "the $other product's upgrade code is another" test -n "$other_code" -a "$other_code" != "$code"
  # 258: any version of the other architecture, detected only, never removed.
  check "any version of the $other product is detected" same "$other_code	0.0.0			258		DORVANE_OTHER_ARCH_INSTALLED" \
    "$(rows Upgrade | grep -v "^$code")"
  check "and stops the install, naming it" same \
    "NOT DORVANE_OTHER_ARCH_INSTALLED	dorvane ($other) is already installed: remove it first." \
    "$(rows LaunchCondition | grep DORVANE_OTHER_ARCH_INSTALLED)"
fi
check "the older version goes before anything is installed" same "RemoveExistingProducts		1401" \
  "$(rows InstallExecuteSequence | grep -w RemoveExistingProducts)"
# The program holds the administrator's password: the folder, and what is
# made in it, for SYSTEM (SY) and the Administrators (BA) alone, with no
# permission inherited from Program Files (P); the messages' DLL readable
# by every user (BU) too, for Event Viewer.
check "the install folder is SYSTEM's and the Administrators' alone, the messages everyone's" same \
  "INSTALLDIR	Program
EventMessages	dorvane_messages.dll	File	D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFX;;;BU)	
InstallFolder	INSTALLDIR	CreateFolder	D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)	" \
  "$(rows CreateFolder; rows MsiLockPermissionsEx)"
# Set when the folder is made, before any file goes in, so that each file
# inherits it.
sequence_of() { rows InstallExecuteSequence | awk -F'\t' -v action="$1" '$1 == action { print $3 }'; }
check "and set when the folder is made, before the files go in" test "$(sequence_of CreateFolders)" -lt "$(sequence_of InstallFiles)"
# Windows Installer sets UPGRADINGPRODUCTCODE in the removal of an older
# version by an upgrade, which keeps the file (Wine's sets nothing there:
# its upgrades are not a test of this).
check "an uninstall, and not an upgrade, has the installed program forget its metrics, as SYSTEM, whatever it meets" \
  same "ForgetMetrics	3154	dorvane.exe	--forget-metrics	" "$(rows CustomAction)"
check "before the files go" same "REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE 1" \
  "$(rows InstallExecuteSequence | awk -F'\t' '$1 == "ForgetMetrics" { print $2 }') $(
     [ "$(sequence_of ForgetMetrics)" -lt "$(sequence_of RemoveFiles)" ] &&
       [ "$(sequence_of ForgetMetrics)" -gt "$(sequence_of InstallInitialize)" ] && echo 1)"
check "a folder given as INSTALLDIR must be named dorvane" grep -q \
  '^Installed OR NOT INSTALLDIR OR INSTALLDIR ~>> "\\dorvane" OR INSTALLDIR ~>> "\\dorvane\\"	' <<<"$(rows LaunchCondition)"
key='SYSTEM\CurrentControlSet\Services\EventLog\Application\dorvane\'
check "it registers the event source, its messages in their DLL" same "$(printf '%s\n' \
  "2	$key	EventMessageFile	[#dorvane_messages.dll]	EventSource" "2	$key	TypesSupported	#7	EventSource")" \
  "$(rows Registry | cut -f 2-)"

checks_done
