#!/usr/bin/env bash
# One build of the Windows program (x64 or x86), as a file: what it is made
# of, read without running it, so that it is checked on any machine.
#
#   program_file_test.sh ARCH WINDOWS_BUILD_DIR
set -uo pipefail

arch=${1:?usage: program_file_test.sh x64|x86 WINDOWS_BUILD_DIR}
build=$(realpath "${2:?usage: program_file_test.sh x64|x86 WINDOWS_BUILD_DIR}")
win_exe=$build/dorvane.exe
case $arch in
  x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  x86) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

. "$(dirname "$0")/../support/checks.sh"

echo "== the $arch program's make-up"
headers=$($objdump -p "$win_exe")
check "it is a $format program" grep -q "file format $format\$" <<<"$headers"
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
check "at load it imports Windows' known DLLs only" same "advapi32.dll kernel32.dll msvcrt.dll user32.dll " "$dlls"
# ODBC32.dll is not a known DLL: the program loads it from the system
# folder itself, and imports it late (the delay-load descriptor names it).
check "ODBC32.dll is imported late" grep -aqx 'ODBC32.dll' <(strings -a "$win_exe")
check "it is a GUI program: no console window" grep -Eq '^Subsystem\s+00000002' <<<"$headers"
check "its manifest asks to run as the invoker" grep -aq '<requestedExecutionLevel level="asInvoker"' "$win_exe"
check "its manifest names the supported systems" grep -aq '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' "$win_exe"
check "its manifest keeps the ANSI code page" bash -c '! grep -aq activeCodePage "$0"' "$win_exe"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
check "its version information is the project's, $version" same "ProductVersion $version" \
  "$(strings -el "$win_exe" | grep -A1 -x ProductVersion | tr '\n' ' ' | sed 's/ $//')"

checks_done
