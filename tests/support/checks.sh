# Counted checks for the shell tests, which source this file:
#   pass NAME; fail NAME [DETAIL...]; summary (prints the counts, fails if any failed)
passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() {
  echo "FAIL: $1"
  shift
  for line in "$@"; do echo "    $line"; done
  failed=$((failed + 1))
}
summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
