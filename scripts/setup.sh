#!/usr/bin/env bash
# Installs what building, running and testing ZORVAND needs on Debian 12.
# Idempotent: only missing packages are installed, the locale only when absent.
# Never adds the i386 architecture or wine32: this project runs 64-bit Wine only.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev googletest
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 wine64-preloader fonts-wine xvfb xauth x11-utils fonts-ipafont-gothic locales
  imagemagick ffmpeg zlib1g-dev libpng-dev libjpeg-dev python3 git
  # chmcmd and chmls, the compiler and reader of the HTML Help file
  fp-utils
  # another tool's cabinet writer and reader, for the tests of theme packs
  gcab cabextract
  # the runtime's Media Foundation decodes MP3, AAC, FLAC and Vorbis through these
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes code page 932 from the locale; without the compiled locale Japanese
# Unix file names reach the program corrupted.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
