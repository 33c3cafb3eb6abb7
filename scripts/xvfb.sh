# Sourced by the scripts that run Wine: starts a private virtual X display.
#
# start_xvfb FIRST LAST GEOMETRY: takes the first free display number from
# FIRST to LAST, starts Xvfb there with a screen of GEOMETRY (WxHxD), waits
# until it answers, exports DISPLAY and sets xvfb_pid. Returns 1 when no
# number is free or no server comes up within 10 s.
#
# A number counts as taken when its socket or lock file is there, or when its
# abstract socket is: a server in another root (a chroot) has no files here,
# yet a client would reach it before ours, through that socket.
start_xvfb() {
    local first=$1 last=$2 geometry=$3 n
    for n in $(seq "$first" "$last"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
        Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 100); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            xdpyinfo >/dev/null 2>&1 && kill -0 "$xvfb_pid" 2>/dev/null && return 0
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null
        unset DISPLAY xvfb_pid
    done
    return 1
}
