#!/usr/bin/env bash
# helpc on the command line: the real help source compiles; a bad source stops
# it with FILE:LINE, exit status 1 and no output left behind.
#   run_cli_tests.sh HELPC HELP_SOURCE
set -euo pipefail
helpc=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

"$helpc" "$source" "$work/ZORVAND.hlp"
[ "$(head -c 4 "$work/ZORVAND.hlp" | od -An -tx1 | tr -d ' ')" = 3f5f0300 ] || { echo "FAIL: no help file magic"; failed=1; }

printf '@title T\n@font Arial\n@topic a A\nsee [[b]]\n' >"$work/bad.txt"
rc=0
"$helpc" "$work/bad.txt" "$work/bad.hlp" 2>"$work/err" || rc=$?
if [ "$rc" -ne 1 ]; then echo "FAIL: exit $rc for a bad source"; failed=1; fi
if ! grep -qF "$work/bad.txt:4: link to missing topic 'b'" "$work/err"; then
  echo "FAIL: message: $(cat "$work/err")"
  failed=1
fi
if [ -e "$work/bad.hlp" ] || [ -e "$work/bad.hlp.tmp" ]; then echo "FAIL: output left behind"; failed=1; fi

rc=0
"$helpc" "$work/missing.txt" "$work/x.hlp" 2>/dev/null || rc=$?
[ "$rc" -eq 1 ] || { echo "FAIL: exit $rc for a missing source"; failed=1; }
rc=0
"$helpc" 2>/dev/null || rc=$?
[ "$rc" -eq 2 ] || { echo "FAIL: exit $rc without arguments"; failed=1; }

[ "$failed" -eq 0 ] && echo "PASS: helpc command line"
exit "$failed"
