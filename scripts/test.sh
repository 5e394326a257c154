#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine and runs every test:
#  - the unit tests and the tests against a private MariaDB, in a plain
#    optimised build (g++) and in an address + undefined-behaviour
#    sanitizer build (clang);
#  - the Windows program, cross-compiled for x64 and x86, its file and its
#    MSI's tables checked, run under Wine and installed from its MSI (part
#    of the plain build's tests); where the kernel runs no 32-bit programs,
#    or the 32-bit packages cannot be installed beside what the machine
#    has, the x86 runs are reported as skipped, in the kernel's or apt's
#    words;
#  - the Debian package: its metadata, files and units, lintian's verdict
#    and the service's exposure, its program, and where the machine allows,
#    a real install and removal, here and under systemd in a Debian
#    container (reported as skipped where no container boots);
#  - the whole suite and a demo run under valgrind memcheck;
#  - the release: scripts/package.sh twice on this commit (HEAD), in two
#    folders and time zones, giving the same bytes and checksums, then
#    signed with a throwaway certificate, verified and installed under Wine;
#  - each libFuzzer target for DORVANE_FUZZ_SECONDS (default 20; ask for
#    more for a longer search).
# The project's own builds treat warnings as errors. Every step has a time
# limit that fails it, far beyond what it takes on a slow, loaded machine.
# What waits on something else runs beside what keeps the cores busy: most
# installs beside the Linux builds, the release beside the tests, the fuzz
# targets beside each other; each phase's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each phase's time, printed at the end.
times=()
phase_start=$SECONDS
phase_done() {  # phase_done NAME: the time since the last phase ended
  times+=("$(printf '%5d s  %s' $((SECONDS - phase_start)) "$1")")
  phase_start=$SECONDS
}

scratch=$(mktemp -d /tmp/dorvane-test.XXXXXX)
dbs=()
installs_job=
cleanup() {
  local db
  for db in "${dbs[@]}"; do scripts/private-db.sh stop "$db"; rm -rf "$db"; done
  # An install is never cut short: dpkg would leave packages half set up.
  [ -z "$installs_job" ] || wait "$installs_job" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# What the Linux builds need first; the rest (the cross compilers, Wine, the
# server, the packaging tools) installs while they build, as apt allows one
# install at a time.
scripts/install-deps.sh linux-builds
phase_done "installs for the Linux builds"
mkdir -p build
wine32_note=$PWD/build/wine32-unavailable.txt
(
  started=$SECONDS
  status=0
  { scripts/install-deps.sh test && scripts/install-deps.sh wine32 "$wine32_note"; } >"$scratch/installs.log" 2>&1 ||
    status=$?
  echo "$status $((SECONDS - started))" >"$scratch/installs.status"
) &
installs_job=$!
# Every step that runs Wine (CTest's, the release's) decides through
# tests/windows/wine_loader.sh, which reads why the 32-bit packages are
# missing, where they are, from here.
export DORVANE_WINE32_NOTE=$wine32_note

jobs=$(nproc)
windows_builds=()
for arch in x64 x86; do windows_builds+=("$arch=$PWD/build-windows-$arch"); done
# The Debian package, as scripts/package.sh builds it.
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DDORVANE_TESTS=OFF \
  -DDORVANE_DEBIAN_PACKAGE=ON >/dev/null
cmake --build build-deb -j "$jobs"
(cd build-deb && cpack -G DEB -B "$PWD/cpack" >/dev/null)
# The plain build is optimised and hardened as packagers build it, with g++;
# the sanitizer build is clang's: each compiler's warnings on every file,
# tests included.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_WERROR=ON -DDORVANE_WINE32_NOTE="$wine32_note" \
  "-DDORVANE_WINDOWS_BUILDS=$(IFS=';'; echo "${windows_builds[*]}")" \
  -DDORVANE_DEB="$(ls "$PWD"/build-deb/cpack/dorvane_*_amd64.deb)" >/dev/null
cmake --build build -j "$jobs"
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDORVANE_SANITIZE=ON -DDORVANE_WERROR=ON \
  >/dev/null
cmake --build build-asan -j "$jobs"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_FUZZ=ON \
  -DDORVANE_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$jobs"
phase_done "the Linux builds"

wait "$installs_job" || true
installs_job=
read -r status seconds <"$scratch/installs.status" || status=1 seconds=?
if ((status != 0)); then
  cat "$scratch/installs.log"
  echo "FAILED: the installs beside the Linux builds"
  exit 1
fi
phase_done "the rest of the installs, after their $seconds s beside the Linux builds"

for arch in x64 x86; do
  cmake -S . -B "build-windows-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/windows-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DDORVANE_WERROR=ON >/dev/null
  cmake --build "build-windows-$arch" -j "$jobs" --target all msi
done
# The 32-bit driver, where the 32-bit packages it goes with are installed.
if [ ! -e "$wine32_note" ]; then
  DORVANE_I386_ODBC_DRIVER=$(scripts/odbc-driver-i386.sh build-windows-x86/odbc-mariadb-i386)
  export DORVANE_I386_ODBC_DRIVER
fi
phase_done "the Windows builds"

# The release builds from empty folders beside every step below; it needs
# nothing of theirs, nor of the private database. Its words are shown, and
# its status judged, at its own step.
release_log=$scratch/release.log
(
  started=$SECONDS
  status=0
  timeout --kill-after=30 2400 bash tests/packaging/release_test.sh >"$release_log" 2>&1 || status=$?
  echo "$status $((SECONDS - started))" >"$scratch/release.status"
) &
release_job=$!

# Two servers: the tests use the first; the database tests under valgrind,
# which keep one core busy each, run in two halves, one on each.
for half in 0 1; do
  dbs+=("$(mktemp -d /tmp/dorvane-db.XXXXXX)")
  scripts/private-db.sh start "${dbs[half]}"
done
db=${dbs[0]}
export DORVANE_TEST_DB_DIR=$db
phase_done "the private database"

failures=()
passed=0
step() {  # step NAME LIMIT-SECONDS command...
  local name=$1 limit=$2; shift 2
  echo "== $name"
  if timeout --kill-after=30 "$limit" "$@"; then
    passed=$((passed + 1))
  else
    local status=$?
    ((status != 124)) || echo "$name: stopped, still running after $limit s"
    failures+=("$name")
  fi
  phase_done "$name"
}

# A step that ran in the background, beside others: its words, then its
# status (124: its time limit ended it), judged where its step stands.
background_result() {  # background_result LOG STATUS-FILE
  cat "$1"
  local status seconds
  read -r status seconds <"$2" || { echo "it left no status"; return 1; }
  [ -z "$seconds" ] || echo "(it took $seconds s, beside the steps since it started)"
  ((status != 124)) || echo "stopped: still running after its time limit"
  return "$status"
}

# No test may publish to the machine's own metrics folder: what stands
# there of dorvane's, where it has one, is compared at the end.
machine_metrics() { ls -l --time-style=full-iso /var/lib/prometheus/node-exporter/dorvane.prom* 2>/dev/null || true; }
machine_metrics_before=$(machine_metrics)

# CTest's own limits are each test's; the steps' are the whole. Two at a
# time: most of them wait (on the database, Wine, a container's boot); the
# tests that share the private database take turns (its resource lock).
step "tests" 2400 ctest --test-dir build --output-on-failure -j "$jobs"
# CTest names each skipped test but not why; a skipped test says why on a
# line of its own output, which CTest keeps in its log.
skipped=$(awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 } /^SKIPPED: / { print name ": " substr($0, 10) }' \
  build/Testing/Temporary/LastTest.log 2>/dev/null || true)
[ -z "$skipped" ] || printf 'Skipped, not passed:\n%s\n' "$skipped"
step "tests with sanitizers" 1800 env UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

memcheck="valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite"
step "unit tests under valgrind" 1200 $memcheck build/tests/dorvane_tests --gtest_brief=1
# GoogleTest's own sharding splits the tests; each half's words follow the
# other's.
valgrind_db_halves() {  # valgrind_db_halves SCRATCH DB0 DB1 VALGRIND...
  local scratch=$1 dbs=("$2" "$3") half status=0 pids=(); shift 3
  for half in 0 1; do
    GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$half DORVANE_TEST_DB_DIR=${dbs[half]} DORVANE_TEST_WRAPPER="$*" \
      "$@" build/tests/dorvane_db_tests --gtest_brief=1 >"$scratch/valgrind-db-$half.log" 2>&1 &
    pids+=($!)
  done
  for half in 0 1; do
    wait "${pids[half]}" || { status=$?; echo "FAILED: the half $half of the database tests (status $status)"; }
    cat "$scratch/valgrind-db-$half.log"
  done
  return "$status"
}
export -f valgrind_db_halves  # for the step's time limit, which runs it in a shell of its own
step "database tests under valgrind, the program too, in two halves at once" 2400 \
  bash -c 'valgrind_db_halves "$@"' halves "$scratch" "${dbs[0]}" "${dbs[1]}" $memcheck
# The demo's third data source has no server behind it: the run reaches its
# end with status 3.
demo_under_valgrind() {  # demo_under_valgrind DB SCRATCH VALGRIND...
  local db=$1 scratch=$2 status=0; shift 2
  scripts/private-db.sh seed "$db" &&
  mkdir -p "$scratch/demo" && cp build/dorvane "$scratch/demo/" || return 1
  local own_metrics=$PWD/scripts/own-metrics-folder.sh
  mkdir -p "$scratch/demo-metrics"
  (cd "$scratch" && ODBCSYSINI="$db/odbc" "$own_metrics" "$scratch/demo-metrics" "$@" "$scratch/demo/dorvane") ||
    status=$?
  ((status == 3)) && grep -q '^Programa finalizado' "$scratch/demo/dorvane.log"
}
export -f demo_under_valgrind  # for the step's time limit, which runs it in a shell of its own
step "demo run under valgrind" 600 bash -c 'demo_under_valgrind "$@"' demo "$db" "$scratch" $memcheck

fuzz_seconds=${DORVANE_FUZZ_SECONDS:-20}
fuzz_targets=(ini_edit statements error_line)
# The targets search at the same time, beside whatever is left of the
# release; each one's step shows its words and judges its status.
fuzz_jobs=()
for target in "${fuzz_targets[@]}"; do
  mkdir -p "$scratch/fuzz-$target"
  # New inputs go to the scratch folder; the seeds in the repository stay.
  # -timeout fails an input that runs for more than 10 s.
  (
    status=0
    timeout --kill-after=30 $((fuzz_seconds + 300)) build-fuzz/fuzz/${target}_fuzz -max_total_time="$fuzz_seconds" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$scratch/fuzz-$target/" "$scratch/fuzz-$target" \
      "fuzz/corpus/$target" >"$scratch/fuzz-$target.log" 2>&1 || status=$?
    echo "$status" >"$scratch/fuzz-$target.status"
  ) &
  fuzz_jobs+=($!)
done
wait "${fuzz_jobs[@]}" || true
for target in "${fuzz_targets[@]}"; do
  step "fuzz $target for ${fuzz_seconds}s, the targets at once" 10 \
    bash -c "$(declare -f background_result); background_result \"\$1.log\" \"\$1.status\"" fuzz \
    "$scratch/fuzz-$target"
done

# The release: two package.sh builds of this commit, then a signed one,
# started after the builds; its time is the whole of it, beside the steps
# since.
wait "$release_job" || true
step "release: the same bytes twice, checksums, signatures" 60 \
  bash -c "$(declare -f background_result); background_result \"\$1\" \"\$2\"" release "$release_log" \
  "$scratch/release.status"

step "the machine's metrics folder, untouched by the tests" 10 \
  test "$machine_metrics_before" == "$(machine_metrics)"

# What CI keeps of a run is its end, so each failed test is named there,
# with the lines around its failures (a check's, a fatal one's, GoogleTest's)
# or, where none is marked, its last lines.
failed_tests() {  # failed_tests BUILD-DIR
  local log=$1/Testing/Temporary/LastTest.log name
  [ -s "$1/Testing/Temporary/LastTestsFailed.log" ] || return 0
  while IFS=: read -r _ name; do
    echo "$name failed ($1):"
    awk -v want="$name" '
      /^[0-9]+\/[0-9]+ Test: / { name = $3 }
      /^Output:/ { keep = (name == want); n = 0; getline; next }
      /^<end of output>/ && keep {
        shown = 0
        for (i = 1; i <= n && shown < 16; i++)
          if (lines[i] ~ /(^FAILED: |^FAIL: |: Failure$)/)
            for (j = (i > 2 ? i - 2 : 1); j <= i + 4 && j <= n && shown < 16; j++)
              if (!(j in printed)) { print "  " lines[j]; printed[j] = 1; shown++ }
        if (!shown) for (i = (n > 6 ? n - 5 : 1); i <= n; i++) print "  " lines[i]
        keep = 0
      }
      keep { lines[++n] = $0 }' "$log"
  done <"$1/Testing/Temporary/LastTestsFailed.log"
}
for failure in "${failures[@]}"; do
  case $failure in
    tests) failed_tests build ;;
    "tests with sanitizers") failed_tests build-asan ;;
  esac
done
printf 'Time of each phase:\n'
printf '  %s\n' "${times[@]}"
((${#failures[@]})) && printf 'FAILED: %s\n' "${failures[@]}"
[ -z "$skipped" ] || printf 'Skipped tests (see above): %s\n' "$(cut -d: -f1 <<<"$skipped" | tr '\n' ' ')"
echo "steps: $passed passed, ${#failures[@]} failed"
((${#failures[@]} == 0))
