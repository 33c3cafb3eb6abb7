#!/usr/bin/env bash
# Installs what is missing, then builds and tests everything: the native core
# (clang, sanitizers, fuzzers) and both Windows builds under Wine in a virtual
# X display; then static analysis, and, with both Windows builds, that the
# release comes out the same when built twice. Prints how long each part took.
# Usage: scripts/test.sh [preset...]   (default: linux windows-x86 windows-x64)
set -euo pipefail
cd "$(dirname "$0")/.."

times=()
started=$SECONDS
took() { times+=("$(printf '%-22s %5d s' "$1" $((SECONDS - started)))"); started=$SECONDS; }

bash .ci/install.sh
took install
# Wine as this machine allows it (see scripts/winebin/wine).
export PATH="$PWD/scripts/winebin:$PATH"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows-x86 windows-x64)

# Wine needs an X server for its windows; start a private one unless told otherwise.
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    trap 'kill ${xvfb_pid:-} 2>/dev/null || true' EXIT
    start_xvfb 90 130 1024x768x24 || { echo "test.sh: no virtual X display" >&2; exit 1; }
fi

passed=0
failed=0
skipped=0
status=0
for preset in "${presets[@]}"; do
    echo "=== $preset"
    log="build/$preset-test.log"
    mkdir -p build
    if cmake --workflow --preset "$preset" 2>&1 | tee "$log"; then :; else status=1; fi
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
    if [ -n "$line" ]; then
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
        skip=$(grep -c '(Skipped)$' "$log" || true)
        passed=$((passed + total - bad - skip))
        failed=$((failed + bad))
        skipped=$((skipped + skip))
    else
        # No test ran: the preset did not build, or CTest did not start.
        failed=$((failed + 1))
        status=1
    fi
    took "$preset"
done

# Static analysis needs both compile databases.
if [[ " ${presets[*]} " == *" linux "* && " ${presets[*]} " == *" windows-x86 "* ]]; then
    echo "=== lint"
    if bash scripts/lint.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
    took lint
fi

# The release, built twice from copies in two folders, must come out the same.
if [[ " ${presets[*]} " == *" windows-x86 "* && " ${presets[*]} " == *" windows-x64 "* ]]; then
    echo "=== reproducible release"
    if bash scripts/check-reproducible.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
    took "reproducible release"
fi

# Stop the Wine sessions the tests started, so nothing lingers.
for preset in "${presets[@]}"; do
    [ -d "build/$preset/wineprefix" ] && WINEPREFIX="$PWD/build/$preset/wineprefix" wineserver -k 2>/dev/null || true
done

printf '%s\n' "${times[@]}"
[ "$skipped" -eq 0 ] || echo "skipped: $skipped Wine tests of a 32-bit build; this machine runs no 32-bit programs"
echo "all presets: $passed passed, $failed failed, $skipped skipped"
exit $status
