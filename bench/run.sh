#!/usr/bin/env bash
# Measures Tollivane's performance figures under Wine and prints a table.
#
# Every figure is a ratio against a floor measured beside it in the same run
# (see docs/performance.md), so the machine's speed and load cancel out.
#
# Usage: bench/run.sh [--preset windows-x86|windows-x64] [--quick]
#                     [--build-dir DIR] [--prefix DIR]
#        bench/run.sh --micro [--build-dir DIR]
#
#   --preset     the build to measure (default windows-x86, the release build)
#   --quick      a smoke run: shorter idle windows, fewer repeats
#   --build-dir  where to build (default build/bench/<preset>)
#   --prefix     the Wine prefix to run in (default build/bench/wineprefix)
#   --micro      instead: the native micro-benchmarks of the link client, in a
#                release build without sanitizers (default build/bench/native)
#
# The last line reads "figures: N met, M missed". The exit code is 0 whenever
# the measurements themselves ran, whatever the figures; 1 if one failed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

preset=windows-x86
quick=0
micro=0
build_dir=""
prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
        --preset) preset="$2"; shift 2 ;;
        --quick) quick=1; shift ;;
        --micro) micro=1; shift ;;
        --build-dir) build_dir="$2"; shift 2 ;;
        --prefix) prefix="$2"; shift 2 ;;
        *) echo "usage: bench/run.sh [--preset windows-x86|windows-x64] [--quick] [--build-dir DIR] [--prefix DIR]" >&2
           echo "       bench/run.sh --micro [--build-dir DIR]" >&2
           exit 2 ;;
    esac
done

if [ "$micro" = 1 ]; then
    build_dir="${build_dir:-$root/build/bench/native}"
    cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DTOLLIVANE_BENCH=ON -DTOLLIVANE_TESTS=OFF >/dev/null
    cmake --build "$build_dir" -j2 --target bench_link_micro >/dev/null
    exec "$build_dir/bin/bench_link_micro"
fi
case "$preset" in
    windows-x86) triplet=i686-w64-mingw32 ;;
    windows-x64) triplet=x86_64-w64-mingw32 ;;
    *) echo "bench/run.sh: no benchmarks for preset $preset" >&2; exit 2 ;;
esac
build_dir="${build_dir:-$root/build/bench/$preset}"
prefix="${prefix:-$root/build/bench/wineprefix}"

if [ "$quick" = 1 ]; then
    exchange_runs=2; exchange_samples=1000
    startup_runs=2; startup_pairs=7
    run_runs=1
    idle_seconds=10; idle_instances=2
    reconnect_samples=4
else
    exchange_runs=5; exchange_samples=2000
    startup_runs=3; startup_pairs=15
    run_runs=3
    idle_seconds=60; idle_instances=3
    reconnect_samples=8
fi

# --- Build -------------------------------------------------------------------
echo "=== building $preset in $build_dir"
cmake --preset "$preset" -B "$build_dir" -DTOLLIVANE_BENCH=ON -DTOLLIVANE_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j2 --target Tollivane TollivaneSim bare_window styled_bare_window startup_parts bench_exchange bench_probe >/dev/null
bin="$build_dir/bin"

# --- Display and Wine session -----------------------------------------------
if [ -z "${DISPLAY:-}" ]; then
    source "$root/scripts/xvfb.sh"
    start_xvfb 140 180 1024x768x24 || { echo "bench/run.sh: no virtual X display" >&2; exit 1; }
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
# Wine as this machine allows it; an i686 build cannot run where no 32-bit program does.
export PATH="$root/scripts/winebin:$PATH"
finish() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT
# Wine's background processes inherit the output of whatever starts them, so
# the session starts here with stdio detached, not inside a measured pipe.
mkdir -p "$prefix"
(
    exec </dev/null >/dev/null 2>&1
    wineserver -p30
    wineboot
    # Without a window manager, every hide or close would wait ~2 s for one.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
)

# --- Measurements --------------------------------------------------------------
results="$build_dir/bench-results.txt"
: >"$results"
failed=0
# measure NAME PROGRAM ARGS...: runs one measurement, keeps its RESULT lines.
measure() {
    local name="$1"; shift
    local out
    if out=$(wine "$@" </dev/null 2>&1 | tr -d '\r'); then
        grep '^RESULT ' <<<"$out" >>"$results" || true
        grep '^# ' <<<"$out" | sed 's/^# /  /' || true
    else
        echo "  $name failed:" >&2
        sed 's/^/    /' <<<"$out" >&2
        failed=1
    fi
}

echo "=== exchange cost ($exchange_runs x $exchange_samples exchanges of each kind)"
for _ in $(seq "$exchange_runs"); do
    measure exchange "$bin/bench_exchange.exe" --samples "$exchange_samples"
done
echo "=== start-up ($startup_runs x $startup_pairs starts of each of three programs)"
for _ in $(seq "$startup_runs"); do
    measure startup "$bin/bench_probe.exe" startup --pairs "$startup_pairs"
done
echo "=== start-up, step by step ($((startup_runs * 5)) starts of a window with the program's controls)"
for _ in $(seq $((startup_runs * 5))); do
    measure parts "$bin/startup_parts.exe"
done
echo "=== reconnect ($reconnect_samples restarts)"
measure reconnect "$bin/bench_probe.exe" reconnect --samples "$reconnect_samples"
# One pair at a time: Tollivane runs one copy per session, so a second copy
# side by side would only bring the first to the front and end.
echo "=== idle, no simulator ($idle_instances pairs one after the other, ${idle_seconds} s each)"
for _ in $(seq "$idle_instances"); do
    measure idle "$bin/bench_probe.exe" idle --seconds "$idle_seconds"
done
echo "=== idle, connected ($idle_instances pairs one after the other, ${idle_seconds} s each)"
for _ in $(seq "$idle_instances"); do
    measure idle "$bin/bench_probe.exe" idle --seconds "$idle_seconds" --simulator
done
echo "=== shutdown runs ($run_runs x running-twin)"
for _ in $(seq "$run_runs"); do
    measure run "$bin/bench_probe.exe" run
done

# Size and imports: the release package is the i686 build.
exe="$bin/Tollivane.exe"
size_kib=$(awk -v b="$(stat -c %s "$exe")" 'BEGIN { printf "%.1f", b / 1024 }')
echo "RESULT size_kib $size_kib" >>"$results"
system_dlls=" kernel32 user32 gdi32 comctl32 shell32 winmm msvcrt advapi32 ole32 oleaut32 shlwapi comdlg32 uxtheme psapi version ntdll imm32 "
foreign=""
for dll in $("$triplet-objdump" -p "$exe" | awk '/DLL Name:/ { print tolower($3) }'); do
    [[ "$system_dlls" == *" ${dll%.dll} "* ]] || foreign="$foreign $dll"
done
echo "=== size"
echo "  Tollivane.exe: $size_kib KiB, imports: $("$triplet-objdump" -p "$exe" | awk '/DLL Name:/ { printf "%s ", $3 }')"
[ -z "$foreign" ] || echo "  not a system DLL:$foreign"

# What the common controls library and the six controls cost, against the
# bare window's whole start: the part of the start-up ratio no program with
# these controls can avoid.
awk '
    function median(key,    n, i, j, t, v) {
        n = 0
        for (i = 0; i < count; i++) if (keys[i] == key) v[n++] = values[i]
        if (n == 0) return -1
        for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n % 2 ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
    }
    $1 == "RESULT" { keys[count] = $2; values[count++] = $3 + 0 }
    END {
        bare = median("startup_bare_ms")
        library = median("parts_library_ms"); buttons = median("parts_buttons_ms"); list = median("parts_list_ms")
        if (bare > 0 && library >= 0 && buttons >= 0 && list >= 0)
            printf "RESULT parts_share %.6g\n", (library + buttons + list) / bare
    }' "$results" >>"$results"

# --- Table -------------------------------------------------------------------
# figure KEY LABEL STAT OP TARGET: STAT is the statistic judged (median for
# ratios, whose noise the median absorbs; max for a bound every sample must
# keep); OP is <= or <; TARGET "-" shows the figure without judging it.
figure() {
    awk -v key="$1" -v label="$2" -v stat="$3" -v op="$4" -v target="$5" '
        $2 == key { v[n++] = $3 + 0 }
        END {
            if (n == 0) { printf "%-44s %10s %10s %10s %8s  %s\n", label, "-", "-", "-", op target, "not measured"; exit }
            for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
            med = n % 2 ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
            judged = stat == "max" ? v[n - 1] : med
            verdict = "info"
            if (target != "-") verdict = (op == "<" ? judged < target : judged <= target) ? "met" : "missed"
            printf "%-44s %10.4g %10.4g %10.4g %8s  %s\n", label, med, v[0], v[n - 1], (target == "-" ? "" : op target), verdict
        }' "$results"
}

size_target=256
[ "$preset" = windows-x86 ] || size_target=-
[ -z "$foreign" ] || size_target=0

table=$(
    printf "%-44s %10s %10s %10s %8s  %s\n" "figure ($preset)" median min max target verdict
    figure exchange_ratio         "Exchange cost (IpcProcess / bare send)"      median "<=" 1.10
    figure run_ratio              "Run overhead (wall / pauses)"                median "<=" 1.01
    figure idle_alone_ratio       "Idle, no simulator (CPU / bare window)"      median "<=" 1.5
    figure idle_alone_core_percent "Idle, no simulator (% of a core)"           median "<"  0.1
    figure idle_connected_ratio   "Idle, connected (CPU / bare window)"         median "<=" 1.5
    figure startup_over_styled_ratio "Start-up (time to window / yardstick)"  median "<=" 1.10
    figure startup_ratio          "  Tollivane / bare window"                   median "<=" -
    figure startup_styled_ratio   "  yardstick / bare window"                   median "<=" -
    figure parts_share            "  library + controls alone / bare start-up"  median "<=" -
    figure reconnect_seconds      "Reconnect (s, window up to handshake)"       max    "<=" 1.2
    figure size_kib               "Size (KiB, Tollivane.exe, system DLLs only)" median "<=" "$size_target"
    figure idle_alone_memory_ratio "Memory idle (peak working set / bare)"      median "<=" 1.3
    figure memory_ratio           "Memory after a run (/ bare, sound played)"   median "<=" 1.3
    figure exchange_link_us       "  one exchange, us"                          median "<=" -
    figure startup_tollivane_ms   "  start-up, ms"                              median "<=" -
    figure startup_bare_ms        "  start-up of the bare window, ms"           median "<=" -
    figure parts_library_ms       "  common controls library, ms"               median "<=" -
    figure parts_list_ms          "  drop-down list, ms"                        median "<=" -
    figure parts_buttons_ms       "  five buttons, ms"                          median "<=" -
    figure run_seconds            "  run, s"                                    median "<=" -
)
echo
echo "$table"
met=$(grep -c ' met$' <<<"$table" || true)
missed=$(grep -Ec ' (missed|not measured)$' <<<"$table" || true)
echo "figures: $met met, $missed missed"
exit $failed
