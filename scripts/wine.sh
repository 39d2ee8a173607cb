#!/usr/bin/env bash
# The Wine runtime shared by the run command, the test command and ctest.
#
#   wine.sh BUILD start            create the prefix once, start Xvfb and a persistent wineserver
#   wine.sh BUILD stop             stop the wineserver and our Xvfb
#   wine.sh BUILD exec PROG ARGS…  run a Windows program (starts the runtime when needed)
#   wine.sh BUILD env              print the environment, for a shell: eval "$(wine.sh BUILD env)"
#
# Wine's own diagnostics are off; ZORVAND_WINEDEBUG (for example err+all) turns them on.
#
# Everything lives below BUILD/wine: the prefix, the test drives, the sound device's
# output and the display number. Drives are read when the wineserver starts, so they
# are laid out before it does.
#
# One persistent wineserver serves every program of the build until stop. Only start
# starts it, under the build's lock: `wineserver -p` tells whether one runs (status 2)
# or starts it (status 0), so parallel tests neither boot the runtime twice nor race
# each other into the server's first start. Debian keeps the server's socket in a
# private directory named in the prefix, so its path cannot be checked from here.
set -Eeuo pipefail
# Under ctest a failure here would otherwise leave a test with no output at all.
trap 'echo "wine.sh: line $LINENO: \"$BASH_COMMAND\" failed with status $?" >&2' ERR

build=$(cd "${1:?usage: wine.sh BUILD start|stop|exec|env}" && pwd)
cmd=${2:?usage: wine.sh BUILD start|stop|exec|env}
shift 2

state="$build/wine"
mkdir -p "$state"

wine_bin=/usr/lib/wine/wine64
server_bin=/usr/lib/wine/wineserver
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)
[ -x "$server_bin" ] || server_bin=$(command -v wineserver)
# Without its preloader Wine cannot keep the fixed addresses it needs (the shared user
# data at 0x7ffe0000) from address space randomisation: now and then a program ends
# at once, before its first line, with "failed to map the shared user data".
if [ ! -x "${wine_bin}-preloader" ]; then
  echo "wine.sh: ${wine_bin}-preloader is missing: install wine64-preloader (scripts/setup.sh)" >&2
  exit 1
fi

export WINEPREFIX="$state/prefix"
export WINEARCH=win64
export WINEDEBUG=${ZORVAND_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
export WINESERVER="$server_bin"
export LC_ALL=ja_JP.UTF-8
export ALSA_CONFIG_PATH="$state/alsa.conf"
export ZORVAND_SOUND_OUT="${ZORVAND_SOUND_OUT:-$state/sound.raw}"
export ZORVAND_DRIVES="$state/drives"

write_alsa_conf() {
  # Whatever is played goes to a raw file that tests read back; the null slave
  # paces nothing, so playback runs faster than real time. Replaced whole and only
  # when it changes: a test opening the sound device may be reading it.
  local conf
  conf=$(cat <<CONF
</usr/share/alsa/alsa.conf>
pcm.!default {
  type file
  slave.pcm { type null }
  file { @func getenv vars [ ZORVAND_SOUND_OUT ] default "$state/sound.raw" }
  format "raw"
}
CONF
)
  if [ ! -f "$ALSA_CONFIG_PATH" ] || [ "$(cat "$ALSA_CONFIG_PATH")" != "$conf" ]; then
    printf '%s\n' "$conf" >"$ALSA_CONFIG_PATH.new"
    mv -f "$ALSA_CONFIG_PATH.new" "$ALSA_CONFIG_PATH"
  fi
}

reg_import() {
  # regedit reads version 5 files as UTF-16, which keeps the Japanese font name intact.
  local f="$state/settings.reg"
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t UTF-16 >"$f"
  "$wine_bin" regedit /S "$f" >/dev/null 2>&1 </dev/null 9>&-
}

make_drives() {
  # The fixed test layout: A: floppy, D: labelled fixed disk, E: CD-ROM,
  # N: network share \\srv\share, R: RAM disk; C: and Z: come with the prefix.
  local dd="$WINEPREFIX/dosdevices" d
  for d in a d e n r; do mkdir -p "$ZORVAND_DRIVES/$d"; done
  mkdir -p "$dd/unc/srv"
  printf 'SOUNDS' >"$ZORVAND_DRIVES/d/.windows-label"
  printf 'WAVECD' >"$ZORVAND_DRIVES/e/.windows-label"
  printf 'RAMDISK' >"$ZORVAND_DRIVES/r/.windows-label"
  ln -sfn "$ZORVAND_DRIVES/a" "$dd/a:"
  ln -sfn "$ZORVAND_DRIVES/d" "$dd/d:"
  ln -sfn "$ZORVAND_DRIVES/e" "$dd/e:"
  ln -sfn "$ZORVAND_DRIVES/r" "$dd/r:"
  ln -sfn "$ZORVAND_DRIVES/n" "$dd/unc/srv/share"
  # Relative, or WNetGetConnectionA answers 2250 instead of \\srv\share.
  ln -sfn unc/srv/share "$dd/n:"
}

link_fonts() {
  # Wine draws the symbols of caption buttons with Marlett. Debian's Wine does not
  # read the fonts of fonts-wine from its data directory, so without the link every
  # close box shows the letter "r" of the fallback font.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -e "$fonts/marlett.ttf" ] && return
  if [ ! -f /usr/share/wine/fonts/marlett.ttf ]; then
    echo "wine.sh: /usr/share/wine/fonts/marlett.ttf is missing: install fonts-wine (scripts/setup.sh)" >&2
    exit 1
  fi
  mkdir -p "$fonts"
  ln -s /usr/share/wine/fonts/marlett.ttf "$fonts/marlett.ttf"
}

start_server() {
  # Status 0: this call started the persistent server; 2: one was running already.
  # Debian's wineserver command adds -p0, which the -p given here overrides; a
  # server that Wine starts on its own would end with its last program.
  # The server keeps its outputs: a file, never a pipe someone waits on.
  local rc=0
  "$server_bin" -p >"$state/wineserver.log" 2>&1 </dev/null 9>&- || rc=$?
  if [ "$rc" != 0 ] && [ "$rc" != 2 ]; then
    echo "wine.sh: the wineserver did not start (status $rc): $(cat "$state/wineserver.log")" >&2
    exit 1
  fi
  return "$rc"
}

stop_server() {
  "$server_bin" -k 2>/dev/null || true
  "$server_bin" -w 2>/dev/null || true
}

create_prefix() {
  echo "wine.sh: creating the Wine prefix in $WINEPREFIX (once, about 20 s)" >&2
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # The server outlives each step, so the next one never meets it exiting.
  start_server || true
  "$wine_bin" wineboot --init >/dev/null 2>&1 </dev/null 9>&-
  reg_import 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '"Decorated"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' '"ＭＳ Ｐゴシック"="IPAPGothic"' \
    '"ＭＳ ゴシック"="IPAGothic"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' '"a:"="floppy"' '"d:"="hd"' '"e:"="cdrom"' \
    '"n:"="network"' '"r:"="ramdisk"' ''
  stop_server
  make_drives
  link_fonts
  touch "$state/prefix.ready"
}

display_alive() {
  local n=$1
  [ -e "/tmp/.X11-unix/X$n" ] && [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_xvfb() {
  # Our own Xvfb, recorded so that every later command of this build finds it.
  if [ -f "$state/display" ] && display_alive "$(cat "$state/display")"; then return; fi
  local n
  for n in $(seq 90 200); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if display_alive "$n"; then echo "$n" >"$state/display"; return; fi
  done
  echo "wine.sh: could not start Xvfb" >&2
  exit 1
}

use_display() {
  if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    export DISPLAY=":$(cat "$state/display")"
  fi
}

start() {
  # No program started here keeps the lock's descriptor: the lock ends with this script.
  exec 9>"$state/lock"
  flock 9
  write_alsa_conf
  [ -f "$state/prefix.ready" ] || create_prefix
  link_fonts
  use_display
  if start_server; then
    # Booted once per server, before any program runs (a prefix made by another
    # Wine version is updated here), with every output detached: services.exe
    # inherits them and would keep a caller's pipe open.
    "$wine_bin" wineboot >/dev/null 2>&1 </dev/null 9>&-
  fi
  exec 9>&-
}

case "$cmd" in
  start)
    start
    ;;
  stop)
    stop_server
    if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true; rm -f "$state/xvfb.pid" "$state/display"; fi
    ;;
  exec)
    start
    exec "$wine_bin" "$@"
    ;;
  env)
    use_display
    for v in WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES WINESERVER LC_ALL ALSA_CONFIG_PATH ZORVAND_SOUND_OUT ZORVAND_DRIVES DISPLAY; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done
    printf 'export ZORVAND_WINE=%q\n' "$wine_bin"
    ;;
  *)
    echo "usage: wine.sh BUILD start|stop|exec|env" >&2
    exit 2
    ;;
esac
