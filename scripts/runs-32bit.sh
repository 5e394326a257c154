#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit x86 programs, found out with no
# 32-bit package installed: a program of two instructions, assembled and
# linked by the binutils that g++ brings, is run.
#
#   runs-32bit.sh    exit 0: it runs;
#                    exit 1: the kernel refused it, in its own words
#                            ("Exec format error") on standard output;
#                    exit 2: it could not be made or ran wrongly (a fault
#                            here, not an answer).
#
# DORVANE_TEST_KERNEL_RUNS_32BIT=1 makes it answer "runs" without asking,
# so that a machine whose kernel refuses 32-bit programs can show the paths
# that a kernel which runs them takes.
set -uo pipefail
[ -z "${DORVANE_TEST_KERNEL_RUNS_32BIT:-}" ] || exit 0

work=$(mktemp -d /tmp/dorvane-32bit.XXXXXX) || exit 2
trap 'rm -rf "$work"' EXIT
# exit(0) through the 32-bit system call gate.
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$work/exit0.s"
if ! as --32 -o "$work/exit0.o" "$work/exit0.s" || ! ld -m elf_i386 -o "$work/exit0" "$work/exit0.o"; then
  echo "runs-32bit: binutils could not make a 32-bit program" >&2
  exit 2
fi
# The shell reports the kernel's refusal of exec(); keep its words, not the
# script's name and line.
words=$("$work/exit0" 2>&1)
status=$?
if ((status == 0)); then exit 0; fi
if [[ $words == *"Exec format error"* ]]; then
  echo "the kernel refused a 32-bit program: Exec format error"
  exit 1
fi
echo "runs-32bit: the 32-bit program ended with status $status: $words" >&2
exit 2
