# Checks for the shell tests: each one counted, a failure named, the run
# going on; `checks_done` ends the script with the verdict.
passed=0 failed=0
check() {  # check "what" command...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
same() { [ "$1" == "$2" ] || { printf 'expected: %q\n  actual: %q\n' "$1" "$2"; return 1; }; }
checks_done() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
