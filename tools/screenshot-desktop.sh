#!/usr/bin/env bash
# Screenshots for the README of what the program shows on the desktop: a call's notification
# (dunst as the notification service, on a D-Bus session of its own) and the Calls Log searched.
# The program runs on the simulated modem under Xvfb with icewm, with --verbose: its log is
# kept beside the screenshots. Needs xvfb, icewm, xdotool, x11-utils, imagemagick, dbus and dunst.
# Usage: tools/screenshot-desktop.sh [build]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
demo="$build/desktop-demo"
shots="$build/screenshots/desktop"
mkdir -p "$shots"
. "$(dirname "$0")/demo-lib.sh"
demo_folder "$build" "$demo"
{
    call 1 03/01/2026 "09:12 AM" "JANE DOE" "(416)-555-0101" 3
    call 2 03/01/2026 "11:40 AM" "PRIVATE NAME" "PRIVATE NUMBER" 2
    call 3 03/02/2026 "02:05 PM" "ACME SUPPLIES" "(905)-555-0199" 4
    call 4 03/03/2026 "06:30 PM" "DOE HARDWARE" "(416)-555-0188" 1
    call 5 03/04/2026 "08:15 AM" "MARY SMITH" "(416)-555-0147" 2
} >"$demo/Array.bin"
cat >"$demo/dunstrc" <<'CONF'
[global]
    origin = top-right
    offset = 20x20
    width = 360
    font = Liberation Sans 11
    frame_width = 2
    icon_position = left
    min_icon_size = 32
    max_icon_size = 48
    format = "<b>%s</b>\n%b"
CONF

export BUILD="$build" DEMO="$demo" SHOTS="$shots"
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    set -u
    icewm >/dev/null 2>&1 &
    wm=$!
    dunst -config "$DEMO/dunstrc" >/dev/null 2>&1 &
    notices=$!
    sleep 1
    "$BUILD/bin/ringlark-modemsim" --link "$DEMO" --com 1 --call-after 2 >/dev/null 2>&1 &
    sim=$!
    sleep 0.5
    "$DEMO/ringlark" --verbose 2>"$SHOTS/ringlark.log" &
    prog=$!
    crop() { # the window of this name with its frame (icewm) or as it is (dunst)
        info=$(xwininfo -name "$1" 2>/dev/null) || { echo "  (no window \"$1\")"; return; }
        x=$(echo "$info" | awk "/Absolute upper-left X/{print \$4}"); y=$(echo "$info" | awk "/Absolute upper-left Y/{print \$4}")
        w=$(echo "$info" | awk "/Width:/{print \$2}"); h=$(echo "$info" | awk "/Height:/{print \$2}")
        if [ "$3" = framed ]; then import -window root -crop $((w + 8))x$((h + 30))+$((x - 4))+$((y - 26)) +repage "$SHOTS/$2.png"
        else import -window root -crop ${w}x${h}+${x}+${y} +repage "$SHOTS/$2.png"; fi
        echo "  $SHOTS/$2.png"
    }
    sleep 5; crop Dunst notification plain
    import -window root "$SHOTS/screen-with-notification.png"
    sleep 14 # the call ends and is stored
    main=$(xwininfo -name "Ringlark Talking Caller ID" | awk "/Window id/{print \$4}")
    for try in 1 2 3; do # a key sent while the window manager still moves the focus is lost
        xdotool windowactivate --sync "$main" 2>/dev/null; sleep 0.3; xdotool key --window "$main" alt+l; sleep 1.5
        xwininfo -name "Calls Log List" >/dev/null 2>&1 && break
    done
    log=$(xwininfo -name "Calls Log List" | awk "/Window id/{print \$4}")
    xdotool windowactivate --sync "$log" 2>/dev/null; sleep 0.3
    xdotool key --window "$log" ctrl+f; sleep 0.3; xdotool type --delay 80 "doe"; sleep 1
    crop "Calls Log List" calls-log-search framed
    kill $prog $sim $notices $wm 2>/dev/null
    wait $prog $sim $notices $wm 2>/dev/null
'
