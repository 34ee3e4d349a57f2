#!/usr/bin/env bash
# Screenshots of the program's windows for the README: the program on the simulated modem in
# a demo folder with a few calls and blocked numbers, under Xvfb with icewm (a window manager,
# so the titles show), each window opened by its keyboard shortcut in the main window.
# Needs xvfb, icewm, xdotool, x11-utils and imagemagick. Usage: tools/screenshot-windows.sh [build]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
demo="$build/windows-demo"
shots="$build/screenshots/windows"
mkdir -p "$shots"
. "$(dirname "$0")/demo-lib.sh"
demo_folder "$build" "$demo"
record "$demo/acsetup.bin" 11 "5559876543"
record "$demo/acsetup.bin" 18 "416"
{
    call 1 03/01/2026 "09:12 AM" "JOHN DOE" "(416)-555-0101" 3
    call 2 03/01/2026 "11:40 AM" "PRIVATE NAME" "PRIVATE NUMBER" 2
    call 3 03/02/2026 "02:05 PM" "ACME SUPPLIES" "(905)-555-0199" 4
    call 4 03/03/2026 "06:30 PM" "UNKNOWN NAME" "UNKNOWN NUMBER" 1
    call 5 03/04/2026 "08:15 AM" "MARY SMITH" "(416)-555-0147" 2
    call 6 03/05/2026 "12:01 PM" "CITY LIBRARY" "(416)-555-0123" 5
} >"$demo/Array.bin"
# Call 4 was refused before the program kept reasons: refused.txt alone knows it.
echo "CL=4DT=03/03/2026TM=06:30 PMNM=UNKNOWN NAMENB=UNKNOWN NUMBERRG=1END" >"$demo/refused.txt"
blocked() { # number name: one 50-byte entry, its length 48 first
    local t="NB=$1NM=$2END"
    printf '\x30\x00%s%s' "$t" "$(printf '%*s' $((48 - ${#t})) '' | tr ' ' .)"
}
{
    blocked "(800)-555-0100" "TELEMARKETING INC"
    blocked "(888)-555-0142" "SURVEY CALL"
    blocked "(905)-555-0177" "UNKNOWN NAME"
} >"$demo/blocked.bin"
# A few screening rules and a name of the user's own, as the command line sets them.
"$demo/ringlark" --block '^1?800' --comment 'toll-free sellers' >/dev/null
"$demo/ringlark" --block 'survey' --comment 'any name holding it' >/dev/null
"$demo/ringlark" --block '/^V[0-9]{7}$/' --comment 'carrier codes' >/dev/null
"$demo/ringlark" --allow '^416555' --comment 'our street' --alias 4165550147=MUM >/dev/null

export BUILD="$build" DEMO="$demo" SHOTS="$shots"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    set -u
    icewm >/dev/null 2>&1 &
    wm=$!
    sleep 1
    # The modem takes its calls from a pipe: a seller rings first, and the rules refuse it.
    rm -f "$DEMO/modem.in"; mkfifo "$DEMO/modem.in"; exec 3<>"$DEMO/modem.in"
    "$BUILD/bin/ringlark-modemsim" --link "$DEMO" --com 1 <"$DEMO/modem.in" >/dev/null 2>&1 &
    sim=$!
    sleep 0.5
    "$DEMO/ringlark" >/dev/null 2>&1 &
    prog=$!
    sleep 3
    echo "call 18005550111 BEST OFFERS" >&3
    sleep 14 # the call ends ten seconds after its last ring
    main=$(xwininfo -name "Ringlark Talking Caller ID" | awk "/Window id/{print \$4}")
    key() { xdotool windowactivate --sync "$main" 2>/dev/null; sleep 0.3; xdotool key --window "$main" "$@"; sleep 1.2; }
    menu() { key "$1"; xdotool key "$2"; sleep 1.5; }
    win() { # the window of this title with its frame
        info=$(xwininfo -name "$1" 2>/dev/null) || { echo "  (no window \"$1\")"; return; }
        x=$(echo "$info" | awk "/Absolute upper-left X/{print \$4}"); y=$(echo "$info" | awk "/Absolute upper-left Y/{print \$4}")
        w=$(echo "$info" | awk "/Width:/{print \$2}"); h=$(echo "$info" | awk "/Height:/{print \$2}")
        import -window root -crop $((w + 8))x$((h + 30))+$((x - 4))+$((y - 26)) +repage "$SHOTS/$2.png"
        echo "  $SHOTS/$2.png"
    }
    # The menus first: with other windows up, a pop-up menu may miss the key sent to it.
    menu alt+h h; win "Ringlark Talking Caller ID Help" help
    menu alt+h a; win "About Ringlark Talking Caller ID" about
    key alt+l; win "Calls Log List" calls-log
    # The menu of a call in the Calls Log: the right button on its line, the menu and the list taken together.
    info=$(xwininfo -name "Calls Log List")
    lx=$(echo "$info" | awk "/Absolute upper-left X/{print \$4}"); ly=$(echo "$info" | awk "/Absolute upper-left Y/{print \$4}")
    xdotool mousemove $((lx + 120)) $((ly + 50)) click 1; sleep 0.5
    xdotool mousemove $((lx + 120)) $((ly + 50)) click 3; sleep 1.5
    lw=$(echo "$info" | awk "/Width:/{print \$2}")
    import -window root -crop $((lw + 8))x340+$((lx - 4))+$((ly - 26)) +repage "$SHOTS/calls-log-menu.png"
    echo "  $SHOTS/calls-log-menu.png"
    xdotool key Escape; sleep 0.5
    menu alt+f s
    xdotool type --delay 60 "18005550199"; sleep 0.5; xdotool key Tab; sleep 0.5
    xdotool type --delay 60 "ACME"; sleep 0.5; xdotool key Return; sleep 1
    win "Call Screening" screening
    key alt+u; win "UnBlock Phone Number" blocked-number-list
    key alt+s; win "Configuration Setup" setup
    key alt+c; win "Display Color Choice!" color-choice
    # The Modem menu searches again; the window stays with the result and the choice by hand.
    key alt+m; sleep 12; win "Modem Detection" modem-detection
    kill $prog $sim $wm 2>/dev/null
    wait $prog $sim $wm 2>/dev/null
'
