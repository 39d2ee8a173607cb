#!/usr/bin/env bash
# The Wine runtime of scripts/wine.sh as ctest uses it: programs started one after
# another and in parallel, on a runtime of its own (BUILD/runtime-test), so that it
# can be stopped and started without disturbing the tests running beside it.
#   runtime_test.sh BUILD
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: runtime_test.sh BUILD}" && pwd)
rt="$build/runtime-test"
mkdir -p "$rt"
work=$(mktemp -d)
wine_sh() { "$root/scripts/wine.sh" "$rt" "$@"; }
trap 'wine_sh stop; rm -rf "$work"' EXIT

# shellcheck source=../support/checks.sh
source "$root/tests/support/checks.sh"

# run NAME: a trivial program through wine.sh exec; its status and output in $work/NAME.*
run() {
  wine_sh exec cmd /c echo ready >"$work/$1.out" 2>"$work/$1.err" </dev/null
  echo $? >"$work/$1.status"
}
ran() { [ "$(cat "$work/$1.status")" = 0 ] && [ "$(tr -d '\r' <"$work/$1.out")" = ready ]; }
report() { echo "$1: status $(cat "$work/$1.status"), output '$(tr -d '\r' <"$work/$1.out")' $(cat "$work/$1.err")"; }

# Every Windows path of the boot log, as Wine sees the Unix file system (drive Z:).
log="$work/boots.txt"
log_win="Z:${log//\//\\}"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

wine_sh stop
if wine_sh start 2>"$work/start.err"; then
  pass "the runtime starts"
else
  fail "the runtime starts" "$(cat "$work/start.err")"
fi

# Booting runs the user's Run programs, so a Run entry that writes a line counts boots.
wine_sh exec reg add "$run_key" /v ZorvandBootCount /t REG_SZ /f \
  /d "cmd /c echo boot>>\"$log_win\"" >/dev/null 2>&1 </dev/null
for i in 1 2 3; do run "later$i"; done
sleep 3
wine_sh exec reg delete "$run_key" /v ZorvandBootCount /f >/dev/null 2>&1 </dev/null
if ran later1 && ran later2 && ran later3 && [ ! -e "$log" ]; then
  pass "programs on a started runtime run without booting it again"
else
  fail "programs on a started runtime run without booting it again" "$(report later1)" "$(report later2)" \
    "$(report later3)" "boots: $(grep -c boot "$log" 2>/dev/null || echo 0)"
fi

# With every program ended, the server is still the one that was started: asking
# for a persistent server answers 2, "already running".
status=$(
  eval "$(wine_sh env)"
  "$WINESERVER" -p >/dev/null 2>&1 </dev/null
  echo $?
)
if [ "$status" = 2 ]; then
  pass "the wineserver outlives the programs"
else
  fail "the wineserver outlives the programs" "wineserver -p answered $status"
fi

# No process of the runtime may hold the lock that serialises its start: one that
# does keeps every later start waiting once a start fails while holding it.
holders=()
for fd in /proc/[0-9]*/fd/*; do
  if [ "$(readlink "$fd" 2>/dev/null)" = "$rt/wine/lock" ]; then
    pid=${fd#/proc/}
    holders+=("${pid%%/*} $(tr '\0' ' ' <"/proc/${pid%%/*}/cmdline" 2>/dev/null)")
  fi
done
if [ ${#holders[@]} -eq 0 ]; then
  pass "no process of the runtime keeps its start lock"
else
  fail "no process of the runtime keeps its start lock" "${holders[@]}"
fi

# Every Windows process of the runtime runs under Wine's preloader, which holds the
# fixed addresses Wine needs before anything else can be mapped there.
loaded=()
for env in /proc/[0-9]*/environ; do
  pid=${env#/proc/}
  pid=${pid%%/*}
  if { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qx "WINEPREFIX=$rt/wine/prefix"; then
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
    case "$exe" in */wine64 | */wine64-preloader*) loaded+=("$pid ${exe##*/}") ;; esac
  fi
done
if [ ${#loaded[@]} -gt 0 ] && ! printf '%s\n' "${loaded[@]}" | grep -qv -- '-preloader'; then
  pass "the runtime's programs run under Wine's preloader"
else
  fail "the runtime's programs run under Wine's preloader" "${loaded[@]:-no Wine process found}"
fi

# A stopped runtime started by four programs at once, as the first tests of a
# parallel ctest run do: each of them runs.
wine_sh stop
for i in 1 2 3 4; do run "parallel$i" & done
wait
if ran parallel1 && ran parallel2 && ran parallel3 && ran parallel4; then
  pass "programs started together on a stopped runtime all run"
else
  fail "programs started together on a stopped runtime all run" "$(report parallel1)" "$(report parallel2)" \
    "$(report parallel3)" "$(report parallel4)"
fi

summary
