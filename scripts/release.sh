#!/usr/bin/env bash
# Builds the release: both Windows builds in release mode, compiling only what
# ships (no tests, GoogleTest or benchmarks), and writes into one folder
#   Tollivane-<version>-win32.zip     the program, i686
#   Tollivane-<version>-win64.zip     the program, x86_64
#   TollivaneSim-<version>-win32.zip  the simulator stand-in, for trying it
#   SHA256SUMS                        to check a download against
#
# The same sources give the same bytes wherever they lie and whenever they are
# built: the executables carry no link time and no source folder, and the ZIPs
# hold their entries in a fixed order with fixed times and permissions. The
# time is the last commit's (SOURCE_DATE_EPOCH, when set, wins; without git it
# is the newest source file's). scripts/check-reproducible.sh proves it.
#
# Usage: scripts/release.sh [outdir]   (default build/release)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/release}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

version=$(sed -n 's/^#define TOLLIVANE_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/app/Version.h")
[ -n "$version" ] || { echo "release.sh: no version in src/app/Version.h" >&2; exit 1; }

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if command -v git >/dev/null && git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
        SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
    else
        SOURCE_DATE_EPOCH=$(find "$root" \( -path "$root/build" -o -path "$root/.git" \) -prune -o \
                                 -type f -printf '%T@\n' | sort -n | tail -1 | cut -d. -f1)
    fi
fi
export SOURCE_DATE_EPOCH

# Only the two programs are built; the build folders stay for the next run.
build() {
    local preset=$1; shift
    local dir="$root/build/release-build/$preset"
    echo "=== $preset"
    cmake --preset "$preset" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
          -DTOLLIVANE_TESTS=OFF -DTOLLIVANE_BENCH=OFF -DTOLLIVANE_FUZZ=OFF >/dev/null
    cmake --build "$dir" -j2 --target "$@"
}
build windows-x86 Tollivane TollivaneSim
build windows-x64 Tollivane
x86="$root/build/release-build/windows-x86/bin"
x64="$root/build/release-build/windows-x64/bin"

# The stand-in's example scenario goes along when there is one.
sim_extra=()
[ -f "$root/tools/standin/my-aircraft.txt" ] && sim_extra+=("my-aircraft.txt=$root/tools/standin/my-aircraft.txt")

# zip NAME ENTRY=FILE...: entries sorted by name, dated SOURCE_DATE_EPOCH,
# read-only for all but the owner; text entries (.txt, LICENSE) in CR LF,
# since they are read on Windows.
zip_up() {
    python3 - "$@" <<'PY'
import os, sys, time, zipfile
target, entries = sys.argv[1], dict(arg.split("=", 1) for arg in sys.argv[2:])
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
with zipfile.ZipFile(target + ".tmp", "w") as archive:
    for name in sorted(entries):
        with open(entries[name], "rb") as f:
            data = f.read()
        if name.endswith(".txt") or name == "LICENSE":
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 3
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(info, data, compresslevel=9)
os.replace(target + ".tmp", target)
PY
}

product=(Tollivane.htm="$root/res/Tollivane.htm" sound_switch.wav="$root/res/sound_switch.wav"
         ReadMe.txt="$root/res/ReadMe.txt" LICENSE="$root/LICENSE")
zip_up "$out/Tollivane-$version-win32.zip" Tollivane.exe="$x86/Tollivane.exe" "${product[@]}"
zip_up "$out/Tollivane-$version-win64.zip" Tollivane.exe="$x64/Tollivane.exe" "${product[@]}"
zip_up "$out/TollivaneSim-$version-win32.zip" TollivaneSim.exe="$x86/TollivaneSim.exe" \
       ReadMe-TollivaneSim.txt="$root/tools/standin/ReadMe-TollivaneSim.txt" LICENSE="$root/LICENSE" \
       ${sim_extra[@]+"${sim_extra[@]}"}

(cd "$out" && sha256sum "Tollivane-$version-win32.zip" "Tollivane-$version-win64.zip" \
                        "TollivaneSim-$version-win32.zip" > SHA256SUMS)
echo "=== release $version in $out"
cat "$out/SHA256SUMS"
