#!/usr/bin/env bash
# Makes the maker's test sources with the distribution's ffmpeg, as users' clips
# are made: one signal (a sweep on the left, two tones on the right) encoded as
# MP3, M4A (AAC), FLAC, OGG (Vorbis), WMA and WAV, each beside ffmpeg's own
# decoding of it as 16-bit samples (NAME.s16), the oracle of the tests; and
# files the system must refuse: text named .mp3, an M4A cut short.
#   make_sources.sh DIR
set -euo pipefail
dir=${1:?usage: make_sources.sh DIR}

mkdir -p "$dir"
cd "$dir"
signal='aevalsrc=0.5*sin(2*PI*(200+150*t)*t)|0.3*sin(2*PI*1234*t)+0.2*sin(2*PI*97*t):s=44100:d=4'
encode() { ffmpeg -v error -f lavfi -i "$signal" "$@"; }
encode -c:a libmp3lame -b:a 192k tone.mp3
encode -c:a aac -b:a 160k tone.m4a
encode -c:a flac tone.flac
encode -c:a libvorbis -q:a 5 tone.ogg
encode -c:a wmav2 tone.wma
encode -c:a pcm_s16le tone.wav
# The same signal quietly, for the levelling.
ffmpeg -v error -f lavfi -i "$signal" -af volume=-20dB -c:a libmp3lame -b:a 192k quiet.mp3
for f in tone.mp3 tone.m4a tone.flac tone.ogg tone.wav quiet.mp3; do
  ffmpeg -v error -i "$f" -f s16le -c:a pcm_s16le "$f.s16"
done
printf 'this is no sound but text\r\n' > text.mp3
head -c 3000 tone.m4a > damaged.m4a
