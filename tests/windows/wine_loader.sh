# The Wine loader that runs one architecture's programs, for the Wine tests.
#
#   . wine_loader.sh ARCH BIN_DIR
#   (DORVANE_WINE32_NOTE: the file in which `install-deps.sh wine32` said
#   why it installed no 32-bit packages, where it did not)
#
# Debian's `wine` and its tool wrappers (winepath, msiexec, ...) start the
# 32-bit loader whenever wine32 is installed. Where that loader cannot
# start for a cause that lies in the machine, `wine` and `winepath` in
# BIN_DIR, put first on PATH, go through the 64-bit loader, which runs the
# x64 program and Wine's own 64-bit tools; the x86 program cannot run at
# all, and the sourcing script exits with CTest's skip status, 77, saying
# why. The causes: the kernel refuses 32-bit programs (its own words), or
# the 32-bit packages could not be installed beside what the machine has
# (apt's words, from the note). Any other reason the loader cannot start is
# a failure: the sourcing script exits with 1.
#
# DORVANE_TEST_NO_WINE32=1 makes the 32-bit loader count as unable to start,
# so that a machine that runs it can show the other path.

wine_arch=${1:?usage: . wine_loader.sh x64|x86 BIN_DIR}
wine_bin=${2:?usage: . wine_loader.sh x64|x86 BIN_DIR}

wine32_trouble=
if [ -n "${DORVANE_TEST_NO_WINE32:-}" ]; then
  wine32_trouble="DORVANE_TEST_NO_WINE32 is set"
elif ! wine32_words=$(/usr/lib/wine/wine --version 2>&1); then
  # The shell's own complaint, without the place in this script it names.
  wine32_words=$(tail -n 1 <<<"$wine32_words" | sed 's/^.*: line [0-9]*: //')
  kernel_status=0
  wine32_trouble=$("$(dirname "${BASH_SOURCE[0]}")/../../scripts/runs-32bit.sh") || kernel_status=$?
  if ((kernel_status == 2)); then
    echo "FAIL: cannot tell whether this kernel runs 32-bit programs"
    exit 1
  elif ((kernel_status == 0)); then
    if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
       [ ! -s "${DORVANE_WINE32_NOTE:-}" ]; then
      echo "FAIL: the 32-bit Wine loader cannot start ($wine32_words), on a kernel that runs 32-bit programs;" \
        "scripts/install-deps.sh wine32 installs what it needs"
      exit 1
    fi
    # apt's conclusion; its whole answer, often long, stays in the note.
    wine32_trouble="the 32-bit packages could not be installed beside what is there: $(
      { grep '^E: ' "$DORVANE_WINE32_NOTE" || head -n 1 "$DORVANE_WINE32_NOTE"; } | tr '\n' ' ')(apt's whole answer: \
$DORVANE_WINE32_NOTE)"
  fi
  unset kernel_status
fi

if [ -n "$wine32_trouble" ]; then
  if [ "$wine_arch" = x86 ]; then
    echo "SKIPPED: $wine32_trouble; the x86 program cannot be run here"
    exit 77
  fi
  echo "The 32-bit Wine loader cannot start ($wine32_trouble): using the 64-bit loader"
  mkdir -p "$wine_bin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec "$WINELOADER" "$@"\n' >"$wine_bin/wine"
  printf '#!/bin/sh\nexec "%s/wine" winepath.exe "$@"\n' "$wine_bin" >"$wine_bin/winepath"
  chmod +x "$wine_bin/wine" "$wine_bin/winepath"
  export PATH=$wine_bin:$PATH
fi
unset wine_arch wine_bin wine32_trouble wine32_words
