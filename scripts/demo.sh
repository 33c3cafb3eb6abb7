#!/usr/bin/env bash
# Watch Tollivane shut down a running twin: installs what is missing, builds
# Tollivane and the simulator stand-in for Windows, starts both under Wine,
# clicks "Start Shutdown" with the mouse, and prints each line the simulator
# shows as it appears. Takes three screenshots of both windows: before the
# click, halfway through the run, and after it.
# Usage: scripts/demo.sh
#   (leaves build/demo/demo-1-before.png, demo-2-mid.png, demo-3-after.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

step() { printf '\n=== %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

# Polls a command until it succeeds; fails the demo after `seconds`.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || fail "gave up waiting for $what after ${seconds}s"
        sleep 0.1
    done
}

# The tests' list: after either command has run, the other installs nothing.
step "Installing what is missing"
bash "$root/.ci/install.sh"

# Both places can be moved, e.g. to keep a second checkout's builds apart.
# The build is the demo's own, without tests or benchmarks, so that it needs
# no test framework and leaves the developer's build folders as they are.
# The release build is i686; a machine that runs no 32-bit programs (some
# virtual machines) shows the x86_64 build instead, through the 64-bit loader.
export PATH="$root/scripts/winebin:$PATH"
preset=windows-x86
if [ -e /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    preset=windows-x64
fi
build=${TOLLIVANE_BUILD_DIR:-$root/build/demo/$preset}
demo=${TOLLIVANE_DEMO_DIR:-$root/build/demo}

step "Building Tollivane and the simulator stand-in (Windows, $preset)"
cmake --preset $preset -B "$build" -DTOLLIVANE_TESTS=OFF -DTOLLIVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target Tollivane TollivaneSim

app=$demo/Tollivane
mkdir -p "$app"
shots=("$demo/demo-1-before.png" "$demo/demo-2-mid.png" "$demo/demo-3-after.png")
rm -f "$demo/sim.log" "$demo/journal.txt" "${shots[@]}"
# Tollivane keeps its settings beside itself: give it a folder of its own.
cp "$build"/bin/{Tollivane.exe,Tollivane.htm,sound_switch.wav} "$app/"

pids=()
cleanup() {
    # Closing a window the polite way first; the wineserver then ends whatever is left.
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    step "Starting a virtual display"
    source "$root/scripts/xvfb.sh"
    # Wide enough that Tollivane, centred, clears the stand-in at the left:
    # without a window manager, Wine does not follow a window moved from the X side.
    start_xvfb 90 130 2160x800x24 || fail "no virtual X display on :90 to :130"
    pids+=("$xvfb_pid")
    echo "Xvfb on $DISPLAY"
fi

step "Preparing the Wine prefix (the first time takes a minute)"
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
wineboot -i >/dev/null 2>&1
# Without a window manager, Wine must not wait for one on every window it hides.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Wine looks for its own fonts only in the prefix's Fonts folder, and this
# Wine's prefix starts without them. Marlett is the one the windows need: it
# draws the caption buttons. The others would change the stand-in's look.
prefix_fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$prefix_fonts"
if [ ! -e "$prefix_fonts/marlett.ttf" ]; then
    marlett=$(dpkg-query -L fonts-wine | grep -i '/marlett\.ttf$' | head -n 1)
    [ -n "$marlett" ] || fail "the package fonts-wine holds no Marlett font"
    cp "$marlett" "$prefix_fonts/marlett.ttf"
fi

step "Starting the simulator stand-in: a twin with everything running"
: >"$demo/sim.log"
wine "$build/bin/TollivaneSim.exe" --scenario running-twin --echo \
    --journal "$(winepath -w "$demo/journal.txt")" --lifetime 600 >"$demo/sim.log" 2>/dev/null &
# Each line the simulator shows, as it appears (its console ends lines with CR LF).
tail -n +1 -f --pid=$$ "$demo/sim.log" | sed -u 's/\r$//; s/^/  simulator shows: /' &
wait_for 60 "the stand-in's window" xdotool search --onlyvisible --name '^TollivaneSim'

step "Starting Tollivane"
wine "$app/Tollivane.exe" >/dev/null 2>&1 &
wait_for 60 "Tollivane's window" xdotool search --onlyvisible --name '^Tollivane$'
window=$(xdotool search --onlyvisible --name '^Tollivane$' | head -n 1)
sim=$(xdotool search --onlyvisible --name '^TollivaneSim' | head -n 1)

# Tollivane opens centred. Should it cover the stand-in on a display of the
# user's own, move it aside: a window manager there tells Wine of the move.
eval "$(xdotool getwindowgeometry --shell "$sim" | sed 's/^/SIM_/')"
eval "$(xdotool getwindowgeometry --shell "$window")"
screen_width=$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x.*/\1/p')
screen_height=$(xdpyinfo | sed -n 's/.*dimensions: *[0-9]*x\([0-9]*\) .*/\1/p')
if [ $((SIM_X + SIM_WIDTH)) -gt "$X" ] && [ $((X + WIDTH)) -gt "$SIM_X" ] &&
   [ $((SIM_Y + SIM_HEIGHT)) -gt "$Y" ] && [ $((Y + HEIGHT)) -gt "$SIM_Y" ]; then
    new_x=$((SIM_X + SIM_WIDTH + 16))
    [ $((new_x + WIDTH)) -le "$screen_width" ] || new_x=$((screen_width - WIDTH))
    xdotool windowmove --sync "$window" "$new_x" "$Y"
    eval "$(xdotool getwindowgeometry --shell "$window")"
fi

# The part of the screen that holds both windows, for the screenshots.
right=$(( (X + WIDTH > SIM_X + SIM_WIDTH ? X + WIDTH : SIM_X + SIM_WIDTH) + 16 ))
bottom=$(( (Y + HEIGHT > SIM_Y + SIM_HEIGHT ? Y + HEIGHT : SIM_Y + SIM_HEIGHT) + 16 ))
left=$(( X < SIM_X ? X : SIM_X )); left=$(( left > 16 ? left - 16 : 0 ))
top=$(( Y < SIM_Y ? Y : SIM_Y )); top=$(( top > 16 ? top - 16 : 0 ))
[ "$right" -le "$screen_width" ] || right=$screen_width
[ "$bottom" -le "$screen_height" ] || bottom=$screen_height
shot() {
    # The stand-in repaints its panel after each exchange; a moment lets the
    # last one reach the screen before the picture is taken.
    sleep 0.5
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$1"
    echo "screenshot: $1"
}
lines_shown() { [ "$(grep -c '^Shutdown:' "$demo/sim.log")" -ge "$1" ]; }

echo "waiting for Tollivane's first link attempt, one second after it opened"
wait_for 20 "the link (the handshake read of 0x3304)" grep -qP '\tR\t0x3304\t' "$demo/journal.txt"
echo "linked: the stand-in answered the version handshake"
shot "${shots[0]}"

step "Clicking Start Shutdown"
# The window is 271 x 128 client pixels at 96 DPI with an even frame around
# it; "Start Shutdown" lies at 8,8 in the client area, 121 x 49 pixels.
border=$(((WIDTH - 271) / 2))
client_x=$((X + border))
client_y=$((Y + HEIGHT - 128 - border))
button_x=$((client_x + 8 + 121 / 2))
button_y=$((client_y + 8 + 49 / 2))
# Focused as a window manager would on a click; then the pointer comes in from
# below, so that the button sees it arrive.
xdotool windowfocus --sync "$window"
pointer_at() { [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:$1 y:$2" ]; }
xdotool mousemove "$button_x" $((button_y + 60))
wait_for 5 "the pointer" pointer_at "$button_x" $((button_y + 60))
xdotool mousemove "$button_x" "$button_y"
wait_for 5 "the pointer" pointer_at "$button_x" "$button_y"
xdotool click 1

# Halfway: the twin has about twenty items to switch, one a second or so.
wait_for 60 "the run to reach its tenth item" lines_shown 10
shot "${shots[1]}"

wait_for 180 '"Shutdown:  Complete"' grep -q "Shutdown:  Complete" "$demo/sim.log"
shot "${shots[2]}"

step "Done"
echo "$(($(grep -c '^Shutdown:' "$demo/sim.log") - 1)) items switched; screenshots in $demo"

# Close both windows as a user would; the trap ends anything that lingers.
xdotool windowfocus --sync "$window" key --clearmodifiers alt+F4 || true
xdotool windowfocus --sync "$sim" key --clearmodifiers alt+F4 || true
wait_for 10 "Tollivane to close" sh -c "! xdotool search --name '^Tollivane\$'"
