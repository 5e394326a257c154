#!/usr/bin/env bash
# The Wine tests' choice of loader where the 32-bit loader cannot start on
# a kernel that runs 32-bit programs, shown on any machine: the kernel probe
# is made to answer "runs". Where apt said why it installed nothing, the
# x86 tests are skipped in apt's words and the x64 ones go through the
# 64-bit loader; where nobody said why, that is a failure.
set -uo pipefail
skip() { echo "SKIPPED: $*"; exit 77; }
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  skip "the 32-bit Wine loader starts here: the Wine tests themselves take that path"
fi
. "$(dirname "$0")/../support/checks.sh"
loader=$(realpath "$(dirname "$0")/wine_loader.sh")
work=$(mktemp -d /tmp/dorvane-loader.XXXXXX)
trap 'rm -rf "$work"' EXIT

choice() {  # choice ARCH NOTE-TEXT: what the loader says, and how the sourcing script goes on
  printf '%s' "$2" >"$work/note"
  (export DORVANE_TEST_KERNEL_RUNS_32BIT=1 DORVANE_WINE32_NOTE=$work/note
   . "$loader" "$1" "$work/bin-$1" && echo "goes on, wine is $(command -v wine)") 2>&1
  echo "status $?"
}
apt_words='Reading package lists...
E: Unable to correct problems, you have held broken packages.'
check "x86, apt's words in the note: skipped, saying them" same \
  "SKIPPED: the 32-bit packages could not be installed beside what is there: E: Unable to correct problems, you have held broken packages. (apt's whole answer: $work/note); the x86 program cannot be run here
status 77" "$(choice x86 "$apt_words")"
check "x64: the 64-bit loader, first on PATH" same \
  "The 32-bit Wine loader cannot start (the 32-bit packages could not be installed beside what is there: E: Unable to correct problems, you have held broken packages. (apt's whole answer: $work/note)): using the 64-bit loader
goes on, wine is $work/bin-x64/wine
status 0" "$(choice x64 "$apt_words")"
check "x64, nobody said why: a failure that names the install step" same \
  "FAIL: the 32-bit Wine loader cannot start" "$(choice x64 "" | head -n 1 | sed 's/ (.*//')"
check "which ends with status 1" same "status 1" "$(choice x64 "" | tail -n 1)"
checks_done
