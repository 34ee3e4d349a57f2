#!/usr/bin/env bash
# Draws the two tray icons with ImageMagick: ringlark.ico (caller ID on) and openport.ico
# (caller ID off: the same handset, greyed, struck through). Each holds 16, 32 and 48 pixels.
set -euo pipefail
cd "$(dirname "$0")/../data"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
draw() { # name background foreground strike
    for s in 16 32 48; do
        local r=$((s / 6)) p=$((s * 13 / 16))
        local args=(-size "${s}x${s}" xc:none -fill "$2" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r"
            -fill "$3" -font DejaVu-Sans -pointsize "$p" -gravity center -annotate +0+0 $'\u260E')
        if [ "$4" = yes ]; then
            args+=(-stroke '#d01010' -strokewidth $((s / 8 + 1)) -draw "line $((s / 8)),$((s * 7 / 8)) $((s * 7 / 8)),$((s / 8))")
        fi
        convert "${args[@]}" "PNG32:$tmp/$1-$s.png"
    done
    convert "$tmp/$1-16.png" "$tmp/$1-32.png" "$tmp/$1-48.png" "$1.ico"
}
draw ringlark '#2050c8' white no
draw openport '#8a8a8a' '#eeeeee' yes
ls -l ringlark.ico openport.ico
