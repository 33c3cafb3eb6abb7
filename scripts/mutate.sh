#!/usr/bin/env bash
# Proves that the unit tests notice a wrong constant: makes one small change at
# a time to a scratch copy of the tree, builds the native unit tests, runs
# them, and reports whether any test failed ("caught") or none did
# ("NOT caught"). A change that the compiler refuses through a static_assert
# is caught too, by that assertion. A change whose text is no longer there,
# or whose build fails for any other reason, is "BROKEN": the list needs
# mending. Every change must be caught. Run by hand, not in CI; a first run
# builds everything (several minutes), later runs only what each change
# touches.
#
# Usage: scripts/mutate.sh [name-filter]
#   MUTATE_DIR       scratch copy and its build (default: $TMPDIR/tollivane-mutate)
#   MUTATE_SANITIZE  ON (default) or OFF: AddressSanitizer and UBSan in the build
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
filter=${1:-}
scratch=${MUTATE_DIR:-${TMPDIR:-/tmp}/tollivane-mutate}
build=$scratch/build

# name | file | exact text | replacement. Each text must occur exactly once
# in its file; the changes target constants and tables, so that moving code
# around does not disturb them.
mutations=(
    "checklist offset|src/shutdown/Checklist.h|{0x0BDC, 4, 0, \"Flaps Up\"}|{0x0BDE, 4, 0, \"Flaps Up\"}"
    "checklist size|src/shutdown/Checklist.h|{0x0D0C, 2, 0, \"Lights Off\"}|{0x0D0C, 4, 0, \"Lights Off\"}"
    "checklist engine|src/shutdown/Checklist.h|{0x09E2, 2, 3, |{0x09E2, 2, 2, "
    "checklist label|src/shutdown/Checklist.h|\"Engine 2 Mixture/Fuel Flow Off\"|\"Engine 2 Mixture Off\""
    "parking brake value|src/shutdown/Checklist.h|kParkingBrakeSetValue = 0x7FFF;|kParkingBrakeSetValue = 0x7FFE;"
    "record type read|src/simlink/Protocol.h|kRecordRead = 1;|kRecordRead = 3;"
    "record type write|src/simlink/Protocol.h|kRecordWrite = 2;|kRecordWrite = 3;"
    "read header size|src/simlink/Protocol.h|kReadHeaderSize = 16;|kReadHeaderSize = 20;"
    "write header size|src/simlink/Protocol.h|kWriteHeaderSize = 12;|kWriteHeaderSize = 16;"
    "block limit|src/simlink/Protocol.h|kBlockLimit = 0x7F00;|kBlockLimit = 0x7F04;"
    "reply value|src/simlink/Protocol.h|kReplyDone = 1;|kReplyDone = 2;"
    "message name|src/simlink/Protocol.h|\"FSASMLIB:IPC\"|\"FSASMLIB:IPX\""
    "primary window class|src/simlink/Protocol.h|\"UIPCMAIN\"|\"UIPCMAIM\""
    "fallback window class|src/simlink/Protocol.h|\"FS98MAIN\"|\"FS98MAIM\""
    "send flags|src/simlink/Protocol.h|kSmtoBlock = 1;|kSmtoBlock = 2;"
    "version offset|src/simlink/Protocol.h|kOffsetVersion = 0x3304;|kOffsetVersion = 0x3300;"
    "minimum version|src/simlink/Protocol.h|kMinimumVersion = 0x19980005;|kMinimumVersion = 0x19980004;"
    "on-ground offset|src/simlink/Protocol.h|kOffsetOnGround = 0x0366;|kOffsetOnGround = 0x0368;"
    "engine count offset|src/simlink/Protocol.h|kOffsetEngineCount = 0x0AEC;|kOffsetEngineCount = 0x0AEE;"
    "feather offset|src/simlink/Protocol.h|kOffsetFeatherCapable = 0x0AF0;|kOffsetFeatherCapable = 0x0AF2;"
    "battery offset|src/simlink/Protocol.h|kOffsetBatteryMaster = 0x3102;|kOffsetBatteryMaster = 0x3103;"
    "message text offset|src/simlink/Protocol.h|kOffsetMessageText = 0x3380;|kOffsetMessageText = 0x3384;"
    "message value offset|src/simlink/Protocol.h|kOffsetMessageValue = 0x32FA;|kOffsetMessageValue = 0x32FC;"
    "message show value|src/simlink/Protocol.h|kMessageShow = 5;|kMessageShow = 4;"
    "message prefix|src/shutdown/SimMessage.h|\"Shutdown:  \"|\"Shutdown: \""
    "rule 64|src/shutdown/Sequence.cpp|kOffFlag = 64;|kOffFlag = 65;"
    "rule 128|src/shutdown/Sequence.cpp|kRadioAudioOff = 128;|kRadioAudioOff = 129;"
    "flaps pause 6 s|src/shutdown/Sequence.cpp|kFlapsPauseMs = 6000;|kFlapsPauseMs = 5000;"
    "approach hold companion|src/shutdown/Sequence.cpp|if (label == kGlideslopeRow &&|if (label.empty() &&"
    "atom sign extension|src/simlink/Link.cpp|static_cast<std::int16_t>(atom)|static_cast<std::uint16_t>(atom)"
)

# The tree as it stands, uncommitted changes included. Only files that differ
# are copied, and a copy gets a fresh time stamp, so the build stays
# incremental and never keeps an object built from a changed file.
mkdir -p "$scratch"
git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    if ! cmp -s "$file" "$scratch/$file"; then
        mkdir -p "$scratch/$(dirname "$file")"
        cp "$file" "$scratch/$file"
    fi
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$scratch" -B "$build" -DCMAKE_BUILD_TYPE= -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DTOLLIVANE_SANITIZE="${MUTATE_SANITIZE:-ON}" \
        -DTOLLIVANE_FUZZ=OFF >"$scratch/configure.log" 2>&1 ||
        { echo "mutate.sh: configure failed, see $scratch/configure.log" >&2; exit 2; }
fi

# The unit test executables, as their CMakeLists names them.
mapfile -t targets < <(grep -oE 'tollivane_test\([a-z_]+' "$repo/tests/unit/CMakeLists.txt" | cut -d'(' -f2)

# Builds and runs the unit tests, one executable after the other; prints the
# failed tests, if any. With "first", stops at the first executable that
# fails: one is enough to call a change caught, and the rest need not even be
# built. Returns 0 when all passed, 1 when some failed, 2 when a build broke.
run_tests() {
    local failed=0 name
    for name in "${targets[@]}"; do
        cmake --build "$build" -j2 --target "$name" >"$scratch/build.log" 2>&1 || return 2
        if ! timeout 600 "$build/bin/$name" --gtest_brief=1 >"$scratch/$name.log" 2>&1; then
            failed=1
            grep -oE '^\[  FAILED  \] [A-Za-z0-9_/.]+' "$scratch/$name.log" | cut -c14- | sort -u |
                grep . || echo "$name (crashed)"
            [ "$1" = first ] && break
        fi
    done
    return $failed
}

# The static_asserts that refused the last build, one per line as
# "<file>:<line>: <condition>"; nothing when the build failed otherwise, or
# for other reasons as well.
refusing_assertions() {
    local errors asserts
    errors=$(grep -E ': error: ' "$scratch/build.log" | sed "s|^$scratch/||" | sort -u) || true
    asserts=$(grep -E ': error: static(_assert| assertion) failed' <<<"$errors") || return 0
    [ "$asserts" = "$errors" ] || return 0
    sed -E "s/^([^:]+:[0-9]+):[0-9]+: error: static(_assert| assertion) failed( due to requirement)? ?/\1: /" <<<"$asserts"
}

# Whatever happens, the scratch copy is left as the tree is.
restore() {
    [ -n "${mutated:-}" ] && cp "$repo/$mutated" "$scratch/$mutated"
    mutated=
}
trap restore EXIT

echo "baseline: building and running the unit tests unchanged"
if ! run_tests all >"$scratch/baseline.txt"; then
    echo "mutate.sh: the unit tests do not pass unchanged:" >&2
    cat "$scratch/baseline.txt" "$scratch/build.log" >&2
    exit 2
fi

caught=0
missed=0
broken=0
for entry in "${mutations[@]}"; do
    IFS='|' read -r name file from to <<<"$entry"
    [[ -z "$filter" || "$name" == *"$filter"* ]] || continue
    target="$scratch/$file"
    count=$(python3 -c 'import sys; print(open(sys.argv[1]).read().count(sys.argv[2]))' "$target" "$from")
    if [ "$count" != 1 ]; then
        printf '%-24s BROKEN: the text occurs %s times in %s\n' "$name" "$count" "$file"
        broken=$((broken + 1))
        continue
    fi
    mutated=$file
    python3 -c 'import sys; p, a, b = sys.argv[1:]; s = open(p).read(); open(p, "w").write(s.replace(a, b))' \
        "$target" "$from" "$to"
    status=0
    failures=$(run_tests first) || status=$?
    restore  # a fresh time stamp: the next build recompiles the file
    case $status in
    1)
        printf '%-24s caught     by %s\n' "$name" "$(head -n 3 <<<"$failures" | paste -sd, - | sed 's/,/, /g')"
        caught=$((caught + 1))
        ;;
    0)
        printf '%-24s NOT caught (%s)\n' "$name" "$file"
        missed=$((missed + 1))
        ;;
    *)
        assertions=$(refusing_assertions)
        if [ -n "$assertions" ]; then
            printf '%-24s caught     by static_assert at %s\n' "$name" \
                "$(head -n 3 <<<"$assertions" | paste -sd';' - | sed 's/;/; /g')"
            caught=$((caught + 1))
        else
            printf '%-24s BROKEN: does not build, see %s\n' "$name" "$scratch/build.log"
            cp "$scratch/build.log" "$scratch/build-$(tr ' ' '-' <<<"$name").log"
            broken=$((broken + 1))
        fi
        ;;
    esac
done

echo "mutations: $((caught + missed + broken)), caught: $caught, NOT caught: $missed, broken: $broken"
[ "$missed" = 0 ] && [ "$broken" = 0 ]
