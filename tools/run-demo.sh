#!/usr/bin/env bash
# `make run`: the program on the simulated modem. A demo program folder gets a copy of the
# program and its data files, and the simulated modem linked as its COM1; the program finds
# the modem there by itself at its first start. The modem places a call a few seconds after
# the program has switched caller ID on. On a machine without a display it all runs under a
# virtual X server, and screenshots of the main window are saved instead.
set -euo pipefail
build="${1:-build}"
bin="$build/bin"
demo="$build/demo"
shots="$build/screenshots"
mkdir -p "$demo" "$shots"
cp -f "$bin/ringlark" "$bin/desetup.bin" "$bin/ringlark.ico" "$bin/openport.ico" "$bin/RINGLARK.HLP" "$demo/"

# A first start as a new user has it: no modem configured. The program searches the COM ports,
# finds the simulated modem on COM1 and stores the port, the name and the caller-ID command.
[ -s "$demo/acsetup.bin" ] || cp "$demo/desetup.bin" "$demo/acsetup.bin"

sim_log="$build/modemsim.log"
cleanup() { [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$bin/ringlark-modemsim" --link "$demo" --com 1 --call-after 5 --call-every 90 >"$sim_log" 2>&1 &
    sim_pid=$!
    sleep 0.5
    echo "Simulated modem: $(head -1 "$sim_log") (log: $sim_log); a call comes in 5 s after start, then every 90 s."
    "$demo/ringlark"
    exit 0
fi

echo "No display: running under Xvfb for about 25 seconds and taking screenshots into $shots/"
export BIN="$bin" DEMO="$demo" SHOTS="$shots" SIM_LOG="$sim_log"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -u
    "$BIN/ringlark-modemsim" --link "$DEMO" --com 1 --call-after 3 >"$SIM_LOG" 2>&1 &
    sim=$!
    sleep 0.5
    "$DEMO/ringlark" &
    prog=$!
    shot() { # the screen, cut to the largest window of that title (Qt also makes tiny helper windows)
        geo=$(xwininfo -root -tree 2>/dev/null | grep "\"Ringlark Talking Caller ID\"" |
              awk "{ split(\$(NF-1), s, /[x+]/); a = s[1] * s[2]; if (a > best) { best = a; g = s[1] \"x\" s[2] \$NF } } END { print g }")
        if [ -n "$geo" ]; then import -window root -crop "$geo" +repage "$SHOTS/$1.png"
        else import -window root "$SHOTS/$1.png"; fi
        echo "  $SHOTS/$1.png"
    }
    sleep 2;  shot main-window-started
    sleep 4;  shot main-window-call
    sleep 16; shot main-window-after-call
    kill $prog $sim 2>/dev/null
    wait 2>/dev/null
    echo "What the modem received:"; sed "s/^/  /" "$SIM_LOG"
'
