# Sourced by the scripts that run Wine: starts a private virtual X display.
#
# start_xvfb FIRST LAST GEOMETRY: takes the first free display number from
# FIRST to LAST, starts Xvfb there with a screen of GEOMETRY (WxHxD), waits
# until it answers, exports DISPLAY and sets xvfb_pid. Returns 1 when no
# number is free or the server does not come up within 10 s.
start_xvfb() {
    local first=$1 last=$2 geometry=$3 n display=""
    for n in $(seq "$first" "$last"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    [ -n "$display" ] || return 1
    Xvfb "$display" -screen 0 "$geometry" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY="$display"
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
