#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine and runs every test: the
# unit tests and the tests against a private MariaDB, in a plain build and
# in an address + undefined-behaviour sanitizer build; and the Windows
# program, cross-compiled with warnings as errors and run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs"
# The plain build's tests also run the Windows program under Wine.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug \
  -DDORVANE_WINDOWS_EXE="$PWD/build-win/dorvane.exe" \
  -DDORVANE_WINDOWS_UNIT_TESTS="$PWD/build-win/tests/windows/dorvane_windows_tests.exe" >/dev/null
cmake --build build -j "$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDORVANE_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"

db=$(mktemp -d /tmp/dorvane-db.XXXXXX)
trap 'scripts/private-db.sh stop "$db"; rm -rf "$db"' EXIT
scripts/private-db.sh start "$db"
export DORVANE_TEST_DB_DIR=$db

status=0
ctest --test-dir build --output-on-failure || status=1
# The ODBC driver manager and driver are not built with the sanitizers;
# what they leak at exit is theirs.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure || status=1
exit $status
