#!/usr/bin/env bash
# Makes the fourteen spoken words with espeak-ng and sox: PCM mono 16-bit WAVE, 16 kHz
# (101, the digit 0 ... 110, the digit 9; 111 "Local call", 112 "Incoming call",
# 113 "Private call", 114 "Unknown caller"); 102 (the digit 1) at 22,050 Hz.
# Needs: apt-get install espeak-ng sox
set -euo pipefail
out="$(dirname "$0")/../src/voice/recordings"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
words=(zero one two three four five six seven eight nine "local call" "incoming call" "private call" "unknown caller")
for i in "${!words[@]}"; do
    id=$((101 + i))
    rate=16000
    [ "$id" = 102 ] && rate=22050
    espeak-ng -v en-us -s 150 -w "$tmp/raw.wav" "${words[$i]}"
    # Mono 16-bit at the rate; trim the silence at both ends so words follow each other closely.
    sox "$tmp/raw.wav" -r "$rate" -c 1 -b 16 -e signed-integer "$out/$id.wav" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse
    echo "$id.wav  ${words[$i]}  $(soxi -D "$out/$id.wav") s"
done
