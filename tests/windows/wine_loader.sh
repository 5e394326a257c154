# The Wine loader that runs one architecture's programs, for the Wine tests.
#
#   . wine_loader.sh ARCH BIN_DIR
#
# Debian's `wine` and its tool wrappers (winepath, msiexec, ...) start the
# 32-bit loader whenever wine32 is installed, but some kernels run no 32-bit
# programs at all, and then every Wine command fails, 64-bit programs' too.
# So the 32-bit loader is tried, never guessed from the kernel. Where it
# starts, nothing changes. Where it cannot, `wine` and `winepath` in BIN_DIR,
# put first on PATH, go through the 64-bit loader, which runs the x64
# program and Wine's own 64-bit tools; the x86 program cannot run at all,
# and the sourcing script exits with CTest's skip status, 77, saying why.
#
# DORVANE_TEST_NO_WINE32=1 makes the 32-bit loader count as unable to start,
# so that a machine that runs it can show the other path.

wine_arch=${1:?usage: . wine_loader.sh x64|x86 BIN_DIR}
wine_bin=${2:?usage: . wine_loader.sh x64|x86 BIN_DIR}

if [ -n "${DORVANE_TEST_NO_WINE32:-}" ]; then
  wine32_trouble="DORVANE_TEST_NO_WINE32 is set"
elif wine32_trouble=$(/usr/lib/wine/wine --version 2>&1); then
  wine32_trouble=
else
  # The shell's own complaint, without the place in this script it names.
  wine32_trouble="/usr/lib/wine/wine --version ended with status $?: \
$(tail -n 1 <<<"$wine32_trouble" | sed 's/^.*: line [0-9]*: //')"
fi

if [ -n "$wine32_trouble" ]; then
  if [ "$wine_arch" = x86 ]; then
    echo "SKIPPED: the 32-bit Wine loader cannot start on this machine ($wine32_trouble);" \
      "the x86 program cannot be run here"
    exit 77
  fi
  echo "The 32-bit Wine loader cannot start ($wine32_trouble): using the 64-bit loader"
  mkdir -p "$wine_bin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec "$WINELOADER" "$@"\n' >"$wine_bin/wine"
  printf '#!/bin/sh\nexec "%s/wine" winepath.exe "$@"\n' "$wine_bin" >"$wine_bin/winepath"
  chmod +x "$wine_bin/wine" "$wine_bin/winepath"
  export PATH=$wine_bin:$PATH
fi
unset wine_arch wine_bin wine32_trouble
