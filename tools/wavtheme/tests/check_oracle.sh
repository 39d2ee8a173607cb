#!/usr/bin/env bash
# Checks that wavtheme writes, for every picture the tests and the demo pack use,
# the DISP chunk recorded in disp_oracle.txt.
#   check_oracle.sh DRAWDEMO MKWAVE COMMAND...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if diff -u "$here/disp_oracle.txt" <("$here/disp_oracle.sh" "$@"); then
  echo "PASS: every DISP chunk is byte for byte the recorded one"
else
  echo "FAIL: DISP chunks differ from the recorded ones (- recorded, + written now)"
  exit 1
fi
